#include "frmuCustDebt.h"

#include "ApplicationHint.h"
#include "DBGridEhImpExp.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
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

#include <algorithm>

TfrmCustDebt *frmCustDebt = nullptr;

namespace {

const char *const kMoneyFormat = "### ### ### ### ##0.##";
const char *const kExportFilter = "Универсальный (*.csv) (Можно открыть в Microsoft Excel)|*.csv";

// The columns the database orders by, by their fields; the figures are computed after reading and keep no
// sort marker.
struct SortableField
{
    const char *field;
    const char *expression;
};
const SortableField kSortable[] = {
    { "ACCOUNT_NO", "LPAD(C.ACCOUNT_NO,15,' ')" },
    { "CUSTOMER_NAME", "C.SURNAME" },
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

QString CustDebtOrderBy(const TKyv_DBGridEh &grid)
{
    QList<TColumnEh *> marked;
    TDBGridColumnsEh &columns = const_cast<TKyv_DBGridEh &>(grid).Columns();
    for (int i = 0; i < columns.Count(); ++i)
        if (columns[i]->Title().SortMarker() != smNoneEh)
            marked.append(columns[i]);
    std::stable_sort(marked.begin(), marked.end(),
        [](TColumnEh *a, TColumnEh *b) { return a->Title().SortIndex() < b->Title().SortIndex(); });
    QStringList terms;
    for (TColumnEh *column : marked)
        for (const SortableField &s : kSortable)
            if (column->FieldName().compare(QString::fromLatin1(s.field), Qt::CaseInsensitive) == 0)
                terms << QString::fromLatin1(s.expression)
                        + (column->Title().SortMarker() == smUpEh ? QStringLiteral(" DESC") : QString());
    if (terms.isEmpty())
        terms << QString::fromLatin1(kSortable[0].expression);
    return QStringLiteral("ORDER BY ") + terms.join(QStringLiteral(", "));
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
        bool sortable = false;
        for (const SortableField &s : kSortable)
            sortable = sortable || qstrcmp(s.field, c.field) == 0;
        column->Title().SetTitleButton(sortable);
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
    // The list is ordered by the database: a change of the markers reads the month again in the new order.
    dbgCustDebtState->OnSortMarkingChanged = [this](TCustomDBGridEh *) { guard([this] { LoadMonth(); }); };
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
    dmDebtCalc->openCustDebtState(SelectionPeriodFrom, CustDebtOrderBy(*dbgCustDebtState));
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
    RegisterFormClass<TfrmCustDebt>(QStringLiteral("TfrmCustDebt"));
    RegisterCommand(QStringLiteral("actCustDebt"), [] {
        if (frmMain)
            frmMain->CreateChildForm(QStringLiteral("TfrmCustDebt"), 0);
    });
}
