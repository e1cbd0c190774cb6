#include "FR_VBnd.h"

#include "FR_BndEd.h"
#include "FR_Class.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Services.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Bands that print rows of their own: not the report's and pages' frame bands, the overlay or the cross bands.
bool IsRowBand(int type)
{
    return !(type <= btPageFooter || type == btOverlay || (type >= btCrossHeader && type <= btCrossFooter));
}

// The source an entry "band=source;" of a cross band's text gives that band; false when no entry names it.
bool EntrySource(const QString &text, const QString &bandName, QString &source)
{
    for (const QString &entry : text.split(u';')) {
        const qsizetype eq = entry.indexOf(u'=');
        if (eq >= 0 && entry.left(eq).trimmed().compare(bandName, Qt::CaseInsensitive) == 0) {
            source = entry.mid(eq + 1);
            return true;
        }
    }
    return false;
}

} // namespace

TfrVBandEditorForm::TfrVBandEditorForm(QWidget *parent)
    : TfrObjEditorForm(parent)
{
    setObjectName(QStringLiteral("frVBandEditorForm"));
    setWindowTitle(GetLocaleString(53485));

    auto *bands = new QGroupBox(GetLocaleString(53486), this);
    bands->setObjectName(QStringLiteral("GroupBox1"));
    LB1 = new QListWidget(bands);
    LB1->setObjectName(QStringLiteral("LB1"));
    LB1->setItemDelegate(new TfrGlyphItemDelegate(20, 18, LB1));
    LB1->setMinimumSize(200, 160);
    auto *bandsLayout = new QVBoxLayout(bands);
    bandsLayout->addWidget(LB1);

    auto *source = new QGroupBox(GetLocaleString(53487), this);
    source->setObjectName(QStringLiteral("GroupBox2"));
    CB1 = new QComboBox(source);
    CB1->setObjectName(QStringLiteral("CB1"));
    CB1->setItemDelegate(new TfrGlyphItemDelegate(20, 18, CB1));
    CB1->setMinimumWidth(180);
    Label1 = new QLabel(GetLocaleString(53488), source);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(QStringLiteral("1"), source);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    auto *sourceLayout = new QVBoxLayout(source);
    sourceLayout->addWidget(CB1);
    sourceLayout->addWidget(Label1);
    sourceLayout->addWidget(Edit1);
    sourceLayout->addStretch();

    auto *groups = new QHBoxLayout;
    groups->addWidget(bands);
    groups->addWidget(source);
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    connect(LB1, &QListWidget::currentRowChanged, this, [this] { ShowSource(); });
    // A choice or a record count belongs to the selected band as soon as it is made.
    connect(CB1, &QComboBox::activated, this, [this](int choice) {
        SetControlsEnabled({ Label1, Edit1 }, choice == 1);
        StoreSource();
    });
    connect(Edit1, &QLineEdit::textEdited, this, [this] { StoreSource(); });
}

int TfrVBandEditorForm::ShowEditor(TfrView *view)
{
    auto *cross = dynamic_cast<TfrBandView *>(view);
    TfrReportDesigner *designer = frEngine().CurrentDesigner;
    if (!cross || !designer || !designer->Page)
        return mrCancel;
    const QString text = cross->FormatText;
    const bool singleSource = !text.contains(u';');
    LB1->clear();
    m_sources.Clear();
    for (const auto &object : designer->Page->Objects) {
        auto *band = dynamic_cast<TfrBandView *>(object.get());
        if (!band || !IsRowBand(band->GetBandType()))
            continue;
        auto *item = new QListWidgetItem(
            band->Name + QStringLiteral(": ") + frEngine().BandNames.value(band->GetBandType()), LB1);
        item->setData(Qt::UserRole, band->Name);
        item->setData(Qt::DecorationRole, DesignerGlyph(QStringLiteral("BAND")));
        QString source;
        if (!EntrySource(text, band->Name, source))
            source = singleSource ? text : QStringLiteral("0");
        m_sources.SetValue(band->Name, Variant(source));
    }
    if (LB1->count() == 0)
        return mrCancel;

    m_choices = BandDataSourceChoices();
    CB1->clear();
    for (int i = 0; i < m_choices.size(); ++i)
        CB1->addItem(BandDataSourceGlyph(i), m_choices.at(i));
    LB1->setCurrentRow(0);
    ShowSource();
    if (exec() != QDialog::Accepted)
        return mrCancel;

    StoreSource();
    designer->BeginObjectChange();
    QString list;
    for (int i = 0; i < LB1->count(); ++i) {
        const QString name = LB1->item(i)->data(Qt::UserRole).toString();
        list += name + u'=' + m_sources.GetValue(name).toString() + u';';
    }
    cross->FormatText = list;
    return mrOk;
}

QString TfrVBandEditorForm::SelectedBand() const
{
    const QListWidgetItem *item = LB1->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TfrVBandEditorForm::ShowSource()
{
    const QString band = SelectedBand();
    if (band.isEmpty())
        return;
    QString records = Edit1->text();
    const int choice = BandDataSourceChoice(m_choices, m_sources.GetValue(band).toString(), records);
    Edit1->setText(records);
    CB1->setCurrentIndex(choice);
    SetControlsEnabled({ Label1, Edit1 }, choice == 1);
}

void TfrVBandEditorForm::StoreSource()
{
    const QString band = SelectedBand();
    if (!band.isEmpty())
        m_sources.SetValue(band, Variant(BandDataSourceText(m_choices, CB1->currentIndex(), Edit1->text())));
}
