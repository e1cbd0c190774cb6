#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class TDataSet;

// What the insert-fields dialog answers: a dataset, some of its fields and how to lay them out.
struct TfrInsertFieldsChoice
{
    // Null when no dataset was chosen or its name finds no component.
    TDataSet *DatasetComponent = nullptr;
    // The dataset as the list shows it (its alias when it has one).
    QString DatasetName;
    // The chosen fields as the list shows them, in list order.
    QStringList Fields;
    bool Horizontal = true;
    bool Headers = true;
    bool Bands = false;
};

// Chooses a dataset of the report's data and some of its fields to be placed on the page as text objects.
class TfrInsertFieldsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrInsertFieldsForm(QWidget *parent = nullptr);

    // Lists the datasets of the current report's dictionary; on OK answers true with the choice.
    static bool Execute(TfrInsertFieldsChoice &choice);

    QComboBox *DatasetCB;
    QListWidget *FieldsL;
    QRadioButton *HorzRB, *VertRB;
    QCheckBox *HeaderCB, *BandCB;
    QPushButton *Button1, *Button2;
    QPointer<TDataSet> DatasetComponent;

private:
    void FillDatasets();
    void DatasetChanged();
};
