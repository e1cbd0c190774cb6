#include "frmuCustDebt.h"

#include "ApplicationHint.h"
#include "DBGridEhImpExp.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_GridCDS.h"
#include "Kyv_db.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "dmuReports.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uWindowActions.h"
#include "frmuSelectMonth.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

TfrmCustDebt *frmCustDebt = nullptr;

namespace {

const char *const kMoneyFormat = "### ### ### ### ##0.##";
const char *const kExportFilter = "Универсальный (*.csv) (Можно открыть в Microsoft Excel)|*.csv";

// The grid's title markers become the customer list's own order, kept in memory, since most of its columns are
// figures computed after the list is read. A closed list takes the order when it opens.
void OrderListByMarkers(const TCustomDBGridEh &grid, TCustDebtStateDataSet &list)
{
    const TMarkerIndexEh markers = MarkerIndexOf(grid);
    const TScreenCursorScope wait(crHourGlass);
    list.SetSortFields(markers.Fields, markers.DescFields);
}

// Title sorting of every grid over the customer list.
class TCustDebtStateFeatures : public TDatasetFeaturesEh
{
public:
    void ApplySorting(QObject *sender, TDataSet *dataSet, bool) override
    {
        auto *grid = qobject_cast<TCustomDBGridEh *>(sender);
        auto *list = qobject_cast<TCustDebtStateDataSet *>(dataSet);
        if (grid && list)
            OrderListByMarkers(*grid, *list);
    }
};

} // namespace

QString CustDebtProposedFileName(const QDate &from)
{
    return QStringLiteral("УслугиЗаМесяц") + from.toString(QStringLiteral("yyyyMM"));
}

QString CustDebtExportFileName(const QString &chosen)
{
    return chosen.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? chosen : chosen + QStringLiteral(".csv");
}

TfrmCustDebt::TfrmCustDebt(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCustDebt"));
    setWindowTitle(QStringLiteral("Услуги, оказанные клиентам за месяц"));
    setAttribute(Qt::WA_DeleteOnClose);
    frmCustDebt = this;
    CreateActions();
    CreateGrid();

    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->addActions({ actPeriod, actSaveAs, actShowCustomerBalance });
    periodLabel = new QLabel(this);
    periodLabel->setObjectName(QStringLiteral("periodLabel"));
    toolBar->addSeparator();
    toolBar->addWidget(periodLabel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(dbgCustDebtState);
    resize(900, 500);
}

TfrmCustDebt::~TfrmCustDebt()
{
    if (frmCustDebt == this)
        frmCustDebt = nullptr;
}

void TfrmCustDebt::CreateActions()
{
    actPeriod = AddWindowAction(this, "actPeriod", QStringLiteral("Месяц"), QStringLiteral("Сменить месяц отчета"),
        [this] { actPeriodExecute(); });
    actSaveAs = AddWindowAction(this, "actSaveAs", QStringLiteral("Экспорт"), {}, [this] { actSaveAsExecute(); });
    actShowCustomerBalance = AddWindowAction(this, "actShowCustomerBalance", QStringLiteral("Баланс абонента"),
        QStringLiteral("Показать детализированный Баланс абонента"), [this] { actShowCustomerBalanceExecute(); });
}

void TfrmCustDebt::CreateGrid()
{
    dbgCustDebtState = new TKyv_DBGridEh(this);
    dbgCustDebtState->setObjectName(QStringLiteral("dbgCustDebtState"));
    dbgCustDebtState->SetReadOnly(true);
    dbgCustDebtState->SetFooterRowCount(1);
    dbgCustDebtState->SumList().SetActive(true);
    dbgCustDebtState->SetOptionsEh(
        dbgCustDebtState->OptionsEh() | dghRowHighlight | dghAutoSortMarking | dghMultiSortMarking | dghDialogFind);
    struct Column
    {
        const char *field, *title;
        TFooterValueType footer;
        const char *footerField;
        bool money;
    };
    const Column columns[] = {
        { "ACCOUNT_NO", "Лиц. счет", fvtCount, nullptr, false },
        { "CUSTOMER_NAME", "ФИО", fvtNon, nullptr, false },
        { "P_DEBT_IN_SUM", "Вх. баланс", fvtSum, nullptr, true },
        { "FACTOR_VALUE", "Скидка", fvtNon, nullptr, false },
        { "C_SUM", "Абон. услуги", fvtSum, nullptr, true },
        { "C_ACT_SERV_SUM", "Подкл.", fvtSum, "ACT_SERV_SUM", true },
        { "L_SINGLE_SERVICE_SUM", "По факту", fvtSum, nullptr, true },
        { "C_TO_PAY_SUM", "Всего", fvtSum, nullptr, true },
        { "C_PAY_SUM", "Платежи", fvtSum, nullptr, true },
        { "DEBT_OUT_SUM", "Исх. баланс", fvtSum, nullptr, true },
    };
    for (const Column &c : columns) {
        TColumnEh *column = dbgCustDebtState->Columns().Add();
        column->SetFieldName(QString::fromLatin1(c.field));
        column->Title().SetCaption(QString::fromUtf8(c.title));
        column->Title().SetTitleButton(true);
        column->Footer().SetValueType(c.footer);
        if (c.footerField)
            column->Footer().SetFieldName(QString::fromLatin1(c.footerField));
        if (c.money) {
            column->SetDisplayFormat(QString::fromLatin1(kMoneyFormat));
            column->Footer().SetDisplayFormat(QString::fromLatin1(kMoneyFormat));
        }
    }
    dbgCustDebtState->Columns()[9]->Title().Hint = QStringLiteral("Баланс на конец месяца");
    if (dmDebtCalc)
        dbgCustDebtState->SetDataSource(dmDebtCalc->dsCustDebtState());
    dbgCustDebtState->installEventFilter(this);
}

void TfrmCustDebt::CloseDataSets()
{
    if (dmDebtCalc)
        dmDebtCalc->odsCustDebtState()->Close();
}

void TfrmCustDebt::LoadMonth()
{
    CloseDataSets();
    periodLabel->setText(PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo));
    if (!dmDebtCalc)
        return;
    dmDebtCalc->OnHint = [](const QString &text) {
        SetApplicationHint(text);
        QCoreApplication::processEvents();
    };
    struct ClearHint
    {
        ~ClearHint()
        {
            if (dmDebtCalc)
                dmDebtCalc->OnHint = nullptr;
            SetApplicationHint(QString());
        }
    } clearHint;
    // The list outlives the window: the order it opens in is this grid's.
    OrderListByMarkers(*dbgCustDebtState, *dmDebtCalc->odsCustDebtState());
    dmDebtCalc->openCustDebtState(SelectionPeriodFrom);
}

void TfrmCustDebt::actPeriodExecute()
{
    QDate month = SelectionPeriodFrom;
    if (!executeSelectMonth(month))
        return;
    SelectionPeriodFrom = StartOfMonth(month);
    SelectionPeriodTo = EndOfMonth(month);
    TScreenCursorScope cursor(crHourGlass);
    LoadMonth();
}

void TfrmCustDebt::actSaveAsExecute()
{
    FileDialogRequest request;
    request.fileName = CustDebtProposedFileName(SelectionPeriodFrom);
    request.defaultExt = QStringLiteral("csv");
    request.filter = QString::fromUtf8(kExportFilter);
    if (!Services::dialogs()->saveFile(request) || request.filterIndex != 1)
        return;
    TScreenCursorScope cursor(crHourGlass);
    ExportGridToFile<TDBGridEhExportAsCSV>(dbgCustDebtState, CustDebtExportFileName(request.fileName), true);
}

void TfrmCustDebt::actShowCustomerBalanceExecute()
{
    TDataSet *list = dmDebtCalc ? dmDebtCalc->odsCustDebtState() : nullptr;
    TDataSet *cfg = DM ? DM->cdsMainCFG() : nullptr;
    if (!DMR || !list || !list->Active() || list->IsEmpty() || !cfg || !cfg->Active())
        return;
    const int debtMode = cfg->FieldByName(QStringLiteral("DebtMode"))->AsInteger();
    const QDate accDate = cfg->FieldByName(QStringLiteral("ACC_DATE"))->Value().toDate();
    DMR->CheckInvalidCustDebt(debtMode, accDate);
    const QVariant customerId = list->FieldByName(QStringLiteral("CUSTOMER_ID"))->Value();
    DMR->FillCustBalance(customerId, debtMode, accDate, QDate());
    if (dmReports) {
        dmReports->prepareCustomerBalanceReport();
        dmReports->ShowReport(
            dmReports->frCustomerBalance(), QStringLiteral("CustomerBalance.frf"), TReportShow::MDIPreview);
    }
    TScreenCursorScope cursor(crHourGlass);
    DMR->odsBalanceGroup()->Close();
    DMR->odsBalanceOutgo()->Close();
    DMR->odsBalanceIncome()->Close();
    DMR->mdsBalanceReport()->Close();
    if (custDM && custDM->cdsCustomer()->Active() && !custDM->cdsCustomer()->IsEmpty())
        custDM->cdsCustomer()->RefreshRecord();
}

bool TfrmCustDebt::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dbgCustDebtState && event->type() == QEvent::MouseButtonDblClick)
        actShowCustomerBalance->trigger();
    return QWidget::eventFilter(watched, event);
}

bool TfrmCustDebt::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event)) {
        if (m->Msg == AMRunQuery) {
            struct Done
            {
                ~Done() { TellMainWindow(AMHideAnimate); }
            } done;
            TScreenCursorScope cursor(crHourGlass);
            guard([this] { LoadMonth(); });
            return true;
        }
    }
    return QWidget::event(event);
}

void TfrmCustDebt::closeEvent(QCloseEvent *event)
{
    guard([this] { CloseDataSets(); });
    if (frmCustDebt == this)
        frmCustDebt = nullptr;
    TellMainWindow(AMHideAnimate);
    TellMainWindow(AMChildClose);
    event->accept();
}

void RegisterCustDebtForms()
{
    RegisterDatasetFeaturesClass<TCustDebtStateFeatures>(TCustDebtStateDataSet::staticMetaObject);
    RegisterFormClass<TfrmCustDebt>(QStringLiteral("TfrmCustDebt"));
    RegisterCommand(QStringLiteral("actCustDebt"), [] {
        if (frmMain)
            frmMain->CreateChildForm(QStringLiteral("TfrmCustDebt"), 0);
    });
}
