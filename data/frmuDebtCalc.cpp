#include "frmuDebtCalc.h"

#include "Exceptions.h"
#include "LogSink.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TfrmDebtCalc *frmDebtCalc = nullptr;

namespace {

// The configuration row read afresh: the open month and the debt mode of the close.
TDM::TMainCfg configuration()
{
    return DM ? DM->OpenMainCFG(true) : TDM::TMainCfg();
}

} // namespace

TfrmDebtCalc::TfrmDebtCalc(QWidget *owner)
    : QDialog(owner,
        Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowMinimizeButtonHint)
{
    setObjectName(QStringLiteral("frmDebtCalc"));
    setWindowTitle(QStringLiteral("Перерасчет задолженности"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    cbxAll = new QCheckBox(QStringLiteral("Все"), this);
    cbxAll->setObjectName(QStringLiteral("cbxAll"));
    // The buttons carry the names of the actions they run.
    actStart = new QPushButton(QStringLiteral("Пуск"), this);
    actStart->setObjectName(QStringLiteral("actStart"));
    actAbort = new QPushButton(QStringLiteral("Отмена"), this);
    actAbort->setObjectName(QStringLiteral("actAbort"));
    actAbort->setToolTip(QStringLiteral("Отменить операцию закрытия месяца"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cbxAll);
    buttons->addStretch();
    buttons->addWidget(actStart);
    buttons->addWidget(actAbort);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);

    connect(actStart, &QPushButton::clicked, this, [this] { actStartExecute(); });
    connect(actAbort, &QPushButton::clicked, this, [this] { actAbortExecute(); });
    checkCaption();
}

void TfrmDebtCalc::checkCaption()
{
    const QDate acc = configuration().accDate;
    if (!acc.isValid())
        return;
    setWindowTitle(QStringLiteral(" Закрыть месяц ") + MonthYearCaption(acc) + QStringLiteral(" Перевод остатков на ")
        + MonthYearCaption(acc.addMonths(1)));
}

bool TfrmDebtCalc::closeOneMonth()
{
    const TDM::TMainCfg cfg = configuration();
    if (!cfg.accDate.isValid())
        return false;
    TdmDebtCalc *calc = dmDebtCalc;
    calc->OnProgress = [this](int done, int count) {
        ProgressBar1->setRange(1, std::max(count, 1));
        ProgressBar1->setValue(std::max(done, 1));
        lblStatus->setText(QStringLiteral("%1 / %2").arg(done).arg(count));
    };
    calc->OnHint = [this](const QString &text) {
        if (!text.isEmpty())
            lblStatus->setText(text);
    };
    const bool closed = calc->closeAccountingMonth(cfg.debtMode, cfg.accDate);
    calc->OnProgress = nullptr;
    calc->OnHint = nullptr;
    return closed;
}

void TfrmDebtCalc::actStartExecute()
{
    actStart->setEnabled(false);
    m_running = true;
    actAbort->setText(QStringLiteral("Прервать"));
    bool closed = false;
    try {
        if (!cbxAll->isChecked()) {
            closed = closeOneMonth();
        } else {
            // Every month up to the current one, each named in the caption before its close.
            const QDate limit = StartOfMonth(Services::clock()->today());
            for (QDate acc = configuration().accDate; acc.isValid() && StartOfMonth(acc) < limit;
                 acc = configuration().accDate) {
                checkCaption();
                closed = closeOneMonth();
                if (!closed)
                    break;
            }
        }
    } catch (const std::exception &e) {
        platformLog(LogKind::Error, exceptionMessage(e));
        closed = false;
    }
    SetScreenCursor(crDefault);
    actStart->setEnabled(true);
    actAbort->setText(QStringLiteral("Выход"));
    m_running = false;
    done(closed ? QDialog::Accepted : QDialog::Rejected);
}

void TfrmDebtCalc::actAbortExecute()
{
    if (m_running)
        dmDebtCalc->Abort();
    else
        done(QDialog::Rejected);
}

void TfrmDebtCalc::reject()
{
    // Escape and the window's close button abort a running close instead of leaving it behind.
    actAbortExecute();
}

void TfrmDebtCalc::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        dmDebtCalc->Abort();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool executeMonthClose(QWidget *owner)
{
    if (!frmDebtCalc)
        frmDebtCalc = new TfrmDebtCalc(owner);
    dmDebtCalc->ClearAbort();
    frmDebtCalc->ProgressBar1->setValue(0);
    const bool closed = frmDebtCalc->exec() == QDialog::Accepted;
    if (closed)
        Services::messages()->information(QStringLiteral("Месяц успешно закрыт"));
    else
        Services::messages()->error(QStringLiteral("Отмена закрытия месяца"));
    SetScreenCursor(crHourGlass);
    QCoreApplication::processEvents();
    delete frmDebtCalc;
    frmDebtCalc = nullptr;
    return closed;
}
