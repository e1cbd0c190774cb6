#include "FR_BndEd.h"

#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Services.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

QStringList BandDataSourceChoices()
{
    QStringList choices { GetLocaleString(55076), GetLocaleString(55333) };
    if (TfrDataDictionary *dictionary = CurrentDictionary()) {
        QStringList sources;
        dictionary->GetBandDataSourceList(sources);
        choices << sources;
    }
    return choices;
}

int BandDataSourceChoice(const QStringList &choices, const QString &text, QString &records)
{
    // A record count of a virtual source never starts with 0: "0" and "07" name no source.
    if (!text.isEmpty() && text.at(0) >= u'1' && text.at(0) <= u'9') {
        records = text;
        return 1;
    }
    const TfrDataDictionary *dictionary = CurrentDictionary();
    QString alias = dictionary ? dictionary->GetAliasName(text) : text;
    // An empty alias leaves the source listed under its own name; taken as the name it would find no choice, and
    // OK would then replace the band's source with none.
    if (alias.isEmpty())
        alias = text;
    for (int i = 2; i < choices.size(); ++i)
        if (choices.at(i).compare(alias, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

QString BandDataSourceText(const QStringList &choices, int choice, const QString &records)
{
    if (choice == 1)
        return records;
    const QString text = choices.value(choice, choices.value(0));
    const TfrDataDictionary *dictionary = CurrentDictionary();
    return dictionary ? dictionary->GetRealDataSourceName(text) : text;
}

QPixmap BandDataSourceGlyph(int choice)
{
    return choice == 0 ? QPixmap() : DesignerGlyph(QStringLiteral("SOURCE"));
}

TfrBandEditorForm::TfrBandEditorForm(QWidget *parent)
    : TfrObjEditorForm(parent)
{
    setObjectName(QStringLiteral("frBandEditorForm"));
    setWindowTitle(GetLocaleString(53480));

    LB1 = new QListWidget(this);
    LB1->setObjectName(QStringLiteral("LB1"));
    LB1->setItemDelegate(new TfrGlyphItemDelegate(20, 18, LB1));
    LB1->setMinimumSize(220, 180);
    Label2 = new QLabel(GetLocaleString(53482), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1 = new QLineEdit(QStringLiteral("1"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setBuddy(Edit1);

    auto *records = new QHBoxLayout;
    records->addWidget(Label2);
    records->addWidget(Edit1);
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LB1);
    layout->addLayout(records);
    layout->addLayout(buttons);

    connect(LB1, &QListWidget::currentRowChanged, this, [this](int row) {
        SetControlsEnabled({ Label2, Edit1 }, row == 1);
    });
    connect(LB1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TfrBandEditorForm::ShowEditor(TfrView *view)
{
    auto *band = dynamic_cast<TfrBandView *>(view);
    if (!band)
        return mrCancel;
    m_choices = BandDataSourceChoices();
    LB1->clear();
    for (int i = 0; i < m_choices.size(); ++i) {
        auto *item = new QListWidgetItem(m_choices.at(i), LB1);
        item->setData(Qt::DecorationRole, BandDataSourceGlyph(i));
    }
    QString records = Edit1->text();
    const int choice = BandDataSourceChoice(m_choices, band->FormatText, records);
    Edit1->setText(records);
    LB1->setCurrentRow(choice);
    SetControlsEnabled({ Label2, Edit1 }, choice == 1);
    if (exec() != QDialog::Accepted)
        return mrCancel;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        designer->BeginObjectChange();
    band->FormatText = BandDataSourceText(m_choices, LB1->currentRow(), Edit1->text());
    return mrOk;
}
