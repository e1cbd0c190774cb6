#pragma once

#include "FR_Desgn.h"

#include <QPixmap>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The choices of both band data source dialogs: "[Нет]", the virtual source, then the report's band data sources
// under their aliases.
QStringList BandDataSourceChoices();
// The choice that shows a data source text: the virtual source (1) for a record count, which goes into `records`;
// else the choice that is the text's alias; else "[Нет]" (0). `records` is left alone unless the text is a count.
int BandDataSourceChoice(const QStringList &choices, const QString &text, QString &records);
// The data source text a choice stands for: the record count as typed for the virtual source, else the real name
// of the chosen source ("[Нет]" stays that text).
QString BandDataSourceText(const QStringList &choices, int choice, const QString &records);
// The glyph rows of a list of choices: every choice but "[Нет]" shows the data source glyph.
QPixmap BandDataSourceGlyph(int choice);

// The data source of a data band: one of the report's band data sources, a number of virtual records, or none.
class TfrBandEditorForm : public TfrObjEditorForm
{
    Q_OBJECT
public:
    explicit TfrBandEditorForm(QWidget *parent = nullptr);

    // Shows the band's source; on OK the designer records the change and the band takes the chosen source.
    // Answers mrOk or mrCancel.
    int ShowEditor(TfrView *view) override;

    QListWidget *LB1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

private:
    QStringList m_choices;
};
