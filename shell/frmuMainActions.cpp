// The actions' work beside the connect action: the monthly close and its undoing, the reset of all calculation,
// the payments information, the configuration window, the calculator and the manual.
#include "frmuMain.h"

#include "CalculatorEh.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuDebtCalc.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The built-in calculator of the main window: it has the focus, so typed keys reach it at once, and its Ok (Enter
// or "=" with no operation pending) closes the dialog with the value shown.
class TDialogCalculator final : public TCalculatorEh
{
public:
    explicit TDialogCalculator(QDialog *dialog)
        : TCalculatorEh(dialog)
        , m_dialog(dialog)
    {
        setObjectName(QStringLiteral("Calculator"));
        setFocusPolicy(Qt::StrongFocus);
    }

    void CalcKey(QChar key) override
    {
        const bool accept = key == QChar(u'\r') || key == QLatin1Char('=');
        if (accept && State() != csError && EqualButton()->Caption() == QLatin1String("Ok")) {
            m_dialog->accept();
            return;
        }
        TCalculatorEh::CalcKey(key);
    }

private:
    QDialog *m_dialog;
};

} // namespace

void TfrmMain::actNewAccPeriodExecute()
{
    if (!SendMessage(this, AMCloseAllChildForms))
        return;
    executeMonthClose(this);
    DM->CommitWork();
    mmiPeriod->clear();
    ReloadMainCfg();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::actReturnAccPeriodExecute()
{
    if (!SendMessage(this, AMCloseAllChildForms))
        return;
    DM->ReturnAccPeriod();
    DM->CommitWork();
    ReloadMainCfg();
    mmiPeriod->clear();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::actCustPaymentsExecute()
{
    DMR->CheckInvalidCustDebt(m_mainCfg.debtMode, m_mainCfg.accDate);
    SetScreenCursor(crHourGlass);
    CreateChildForm(QStringLiteral("TfrmCustPayments"), 1);
    setDefaultCursor();
}

void TfrmMain::actServisConfigExecute()
{
    if (!SendMessage(this, AMCloseAllChildForms))
        return;
    SetScreenCursor(crHourGlass);
    CreateChildForm(QStringLiteral("TfrmCFG"), 1);
    setDefaultCursor();
}

void TfrmMain::actCalculatorExecute()
{
    if (Services::shell()->startProgram(QStringLiteral("CALC.EXE"), {}, QStringLiteral("C:\\")))
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("RxCalculator1"));
    dialog.setWindowTitle(QStringLiteral("Калькулятор"));
    auto *calculator = new TDialogCalculator(&dialog);
    calculator->SetDisplayValue(m_calculatorValue);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(calculator);
    calculator->setFocus();
    if (dialog.exec() == QDialog::Accepted)
        m_calculatorValue = calculator->DisplayValue();
}

void TfrmMain::actRemoveAllCalculationExecute()
{
    if (!Services::messages()->confirm(
            QStringLiteral("Удалить все расчетные данные? Нужно будет перезапустить тарификацию"), mbNo))
        return;
    // A failed reset has shown its error and changed nothing: the program carries on.
    if (!DMR->RemoveAllCalculation())
        return;
    Services::messages()->information(QStringLiteral("Нет закрытых периодов, программа будет перезагружена"));
    PostMessage(this, AMCloseApplication);
}

void TfrmMain::actAppHelpExecute()
{
    if (QFileInfo::exists(m_manualFileName))
        Services::shell()->openDocument(m_manualFileName);
    else
        ShowInfoMessage(QStringLiteral("File : ") + m_manualFileName + QStringLiteral(" not found"));
}
