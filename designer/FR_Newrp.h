#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The template gallery: the ".frt" files of the designer's template folder, each with its description and
// picture, from which a new report is started.
class TfrTemplForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrTemplForm(QWidget *parent = nullptr);

    // Lists the templates of `folder` (the program's folder when it is empty); on OK answers true with the chosen
    // template's file in `templateFile`.
    static bool Execute(const QString &folder, QString &templateFile);

    QListWidget *LB1;
    QGroupBox *GroupBox1;
    QLabel *Image1;
    QPlainTextEdit *Memo1;
    QPushButton *Button1, *Button2;
    QString TemplateFile;

private:
    void FillGallery(const QString &folder);
    void SelectionChanged();
};
