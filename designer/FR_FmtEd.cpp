#include "FR_FmtEd.h"

#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int CategoryCount = 5;
constexpr int NumberCategory = 1;
// The variant whose format string the user types.
constexpr int OwnVariant = 4;

// The variant names of a category; a category lists only the names its strings have.
QStringList VariantNames(int category)
{
    QStringList names;
    for (int variant = 0; variant <= OwnVariant; ++variant) {
        const QString name = GetLocaleString(55150 + 5 * category + variant);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

} // namespace

TfrFmtForm::TfrFmtForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frFmtForm"));
    setWindowTitle(GetLocaleString(53420));
    CatLB = new QListWidget(this);
    CatLB->setObjectName(QStringLiteral("CatLB"));
    TypeLB = new QListWidget(this);
    TypeLB->setObjectName(QStringLiteral("TypeLB"));
    for (QListWidget *list : { CatLB, TypeLB })
        list->setMinimumSize(130, 110);

    Label1 = new QLabel(GetLocaleString(53422), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DecEdit = new QLineEdit(QStringLiteral("0"), this);
    DecEdit->setObjectName(QStringLiteral("DecEdit"));
    Label1->setBuddy(DecEdit);
    Label2 = new QLabel(GetLocaleString(53423), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    SplEdit = new QLineEdit(this);
    SplEdit->setObjectName(QStringLiteral("SplEdit"));
    SplEdit->setMaxLength(1);
    SplEdit->installEventFilter(this);
    Label2->setBuddy(SplEdit);
    for (QLineEdit *edit : { DecEdit, SplEdit })
        edit->setFixedWidth(40);
    Label3 = new QLabel(GetLocaleString(53424), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    FormatEdit = new QLineEdit(this);
    FormatEdit->setObjectName(QStringLiteral("FormatEdit"));
    Label3->setBuddy(FormatEdit);
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);

    connect(CatLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ShowCategory(row);
    });
    connect(TypeLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            UpdateEdits();
    });

    auto *lists = new QHBoxLayout;
    lists->addWidget(CatLB);
    lists->addWidget(TypeLB);
    auto *edits = new QGridLayout;
    edits->addWidget(Label1, 0, 0);
    edits->addWidget(DecEdit, 0, 1);
    edits->addWidget(Label2, 1, 0);
    edits->addWidget(SplEdit, 1, 1);
    edits->setColumnStretch(2, 1);
    auto *format = new QHBoxLayout;
    format->addWidget(Label3);
    format->addWidget(FormatEdit, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(edits);
    layout->addLayout(format);
    layout->addLayout(buttons);
}

bool TfrFmtForm::Execute(qint32 &formatCode, QString &formatText)
{
    TfrFmtForm form;
    form.FormatCode = formatCode;
    form.FormatText = formatText;
    if (form.exec() != QDialog::Accepted)
        return false;
    formatCode = form.FormatCode;
    formatText = form.FormatText;
    return true;
}

void TfrFmtForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CatLB->clear();
    for (int category = 0; category < CategoryCount; ++category)
        CatLB->addItem(GetLocaleString(55130 + category));
    // A category or variant that the lists do not hold (a damaged template) shows as the first of its list.
    const int category = (FormatCode >> 24) & 0x0F;
    CatLB->setCurrentRow(category < CategoryCount ? category : 0);
    const int variant = (FormatCode >> 16) & 0xFF;
    if (variant < TypeLB->count())
        TypeLB->setCurrentRow(variant);
    UpdateEdits();
}

void TfrFmtForm::ShowCategory(int category)
{
    TypeLB->clear();
    TypeLB->addItems(VariantNames(category));
    TypeLB->setCurrentRow(0);
    UpdateEdits();
}

void TfrFmtForm::UpdateEdits()
{
    const bool number = CatLB->currentRow() == NumberCategory;
    SetControlsEnabled({ Label1, Label2, DecEdit, SplEdit }, number);
    if (number) {
        DecEdit->setText(QString::number((FormatCode >> 8) & 0xFF));
        SplEdit->setText(QChar(FormatCode & 0xFF));
    } else {
        DecEdit->clear();
        SplEdit->clear();
    }
    const bool own = TypeLB->currentRow() == OwnVariant;
    SetControlsEnabled({ Label3, FormatEdit }, own);
    if (own)
        FormatEdit->setText(FormatText);
    else
        FormatEdit->clear();
}

bool TfrFmtForm::eventFilter(QObject *watched, QEvent *event)
{
    // The separator is one character: entering the edit selects it, so that typing replaces it. The selection
    // is made once the focus has settled, since a click would clear it at once.
    if (watched == SplEdit && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(SplEdit, &QLineEdit::selectAll, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}

void TfrFmtForm::done(int result)
{
    if (result == QDialog::Accepted) {
        bool ok = false;
        int digits = DecEdit->text().trimmed().toInt(&ok);
        // The digits have eight bits of the code; a count that does not fit would spill into the variant, so it
        // counts as no number.
        if (!ok || digits < 0 || digits > 0xFF)
            digits = 0;
        const QString separator = SplEdit->text();
        const int separatorCode = separator.isEmpty() ? u',' : separator.at(0).unicode() & 0xFF;
        FormatCode = (std::max(CatLB->currentRow(), 0) << 24) + (std::max(TypeLB->currentRow(), 0) << 16) + digits * 256
            + separatorCode;
        if (FormatEdit->isEnabled())
            FormatText = FormatEdit->text();
    }
    QDialog::done(result);
}
