#pragma once

#include "FR_Desgn.h"

#include "FR_Pars.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The data sources a cross data band uses for each row band of its page. The band's text is either one data
// source text for every row band, or a list of entries "band=source;".
class TfrVBandEditorForm : public TfrObjEditorForm
{
    Q_OBJECT
public:
    explicit TfrVBandEditorForm(QWidget *parent = nullptr);

    // Lists the row bands of the designer's page with their sources; on OK the designer records the change and
    // the band's text becomes the list of every row band's source. Answers mrCancel without showing anything
    // when the page has no row band.
    int ShowEditor(TfrView *view) override;

    QListWidget *LB1;
    QComboBox *CB1;
    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

private:
    void ShowSource();
    void StoreSource();
    QString SelectedBand() const;

    QStringList m_choices;
    // Row band name to data source text, while the dialog is up.
    TfrVariables m_sources;
};
