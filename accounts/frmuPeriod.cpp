#include "frmuPeriod.h"

#include "FormatSettings.h"
#include "Periods.h"
#include "Services.h"
#include "uDialogButtons.h"

#include <QAction>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

TfrmPeriod *frmPeriod = nullptr;

namespace {

const QString DialogDateFormat = QStringLiteral("dd/MM/yyyy");

QDateEdit *dateEdit(const char *name)
{
    auto *e = new QDateEdit;
    e->setObjectName(QString::fromLatin1(name));
    e->setCalendarPopup(true);
    e->setMinimumDate(ZeroDate());
    e->setDisplayFormat(FormatSettings().LongDateFormat);
    return e;
}

QDate lastDayOfMonth(const QDate &d)
{
    return QDate(d.year(), d.month(), d.daysInMonth());
}

} // namespace

TfrmPeriod::TfrmPeriod(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPeriod"));
    setWindowTitle(QStringLiteral("Период отбора ..."));

    tbPeriod = new QToolBar(this);
    tbPeriod->setObjectName(QStringLiteral("tbPeriod"));
    const auto action = [this](QAction *&slot, const char *name, const QString &text, auto handler) {
        slot = tbPeriod->addAction(text);
        slot->setObjectName(QString::fromLatin1(name));
        connect(slot, &QAction::triggered, this, handler);
    };
    action(actPrevMonth, "actPrevMonth", QStringLiteral("Предыдущий месяц"), [this] { ShiftMonth(-1); });
    action(actCurMonth, "actCurMonth", QStringLiteral("Текущий месяц"), [this] {
        const QDate today = Services::clock()->today();
        SetPeriod(QDate(today.year(), today.month(), 1), lastDayOfMonth(today));
    });
    action(actNextMonth, "actNextMonth", QStringLiteral("Следующий месяц"), [this] { ShiftMonth(1); });
    action(actCurDate, "actCurDate", QStringLiteral("Текущая дата"), [this] {
        const QDate today = Services::clock()->today();
        SetPeriod(today, today);
    });
    action(actAllPeriod, "actAllPeriod", QStringLiteral("За весь период"),
        [this] { SetPeriod(ZeroDate(), lastDayOfMonth(Services::clock()->today())); });
    actAllPeriod->setToolTip(QStringLiteral("За весь период"));

    dtpFrom = dateEdit("dtpFrom");
    dtpTo = dateEdit("dtpTo");
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("С:"), dtpFrom);
    form->addRow(QStringLiteral("По:"), dtpTo);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    // "Готово" decides itself whether the dialog closes; the box only passes the click on.
    connect(btnOk, &QPushButton::clicked, this, &TfrmPeriod::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbPeriod);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TfrmPeriod::SetPeriod(const QDate &from, const QDate &to)
{
    dtpFrom->setDate(from);
    dtpTo->setDate(to);
}

QDate TfrmPeriod::DateFrom() const
{
    return dtpFrom->date();
}

QDate TfrmPeriod::DateTo() const
{
    return dtpTo->date();
}

void TfrmPeriod::ShiftMonth(int months)
{
    const QDate d = dtpTo->date().addMonths(months);
    SetPeriod(QDate(d.year(), d.month(), 1), lastDayOfMonth(d));
}

void TfrmPeriod::btnOkClick()
{
    if (dtpFrom->date() > dtpTo->date()) {
        dtpFrom->setDate(dtpTo->date());
        dtpFrom->setFocus();
        return;
    }
    accept();
}

bool executePeriodDialog(QDate &dateFrom, QDate &dateTo)
{
    // The dialog shows and reads its dates in one fixed form; the user's own formats return however it ends.
    struct FormatsBack
    {
        QString shortFormat = FormatSettings().ShortDateFormat;
        QString longFormat = FormatSettings().LongDateFormat;
        QChar separator = FormatSettings().DateSeparator;
        ~FormatsBack()
        {
            FormatSettings().ShortDateFormat = shortFormat;
            FormatSettings().LongDateFormat = longFormat;
            FormatSettings().DateSeparator = separator;
        }
    } formatsBack;
    FormatSettings().ShortDateFormat = DialogDateFormat;
    FormatSettings().LongDateFormat = DialogDateFormat;
    FormatSettings().DateSeparator = QLatin1Char('/');

    if (!frmPeriod)
        frmPeriod = new TfrmPeriod;
    const std::unique_ptr<TfrmPeriod> dialog(frmPeriod);
    struct ClearInstance
    {
        ~ClearInstance() { frmPeriod = nullptr; }
    } clearInstance;

    dialog->SetPeriod(dateFrom, dateTo);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    dateFrom = dialog->DateFrom();
    dateTo = dialog->DateTo();
    return true;
}
