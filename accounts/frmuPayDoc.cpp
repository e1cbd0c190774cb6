#include "frmuPayDoc.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Formats.h"
#include "Guard.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "frmuMain.h"
#include "frmuPaySourceGuide.h"
#include "frmuPeriod.h"
#include "uCommon.h"
#include "uLog.h"
#include "uPayDocData.h"
#include "uPaymentWindows.h"
#include "uPaymentPrints.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

struct TInfoField
{
    const char *field;
    const char *label;
};

// The payer's particulars, read only, over the row a source stands on.
QWidget *PayerInfo(QWidget *parent, const char *name, TDataSource *source, std::initializer_list<TInfoField> fields)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    auto *form = new QFormLayout(panel);
    form->setContentsMargins(0, 0, 0, 0);
    for (const TInfoField &f : fields) {
        auto *edit = BindToField(new TDBEditEh(panel), f.field, source, f.field);
        edit->SetReadOnly(true);
        form->addRow(QString::fromUtf8(f.label), edit);
    }
    return panel;
}

} // namespace

TfrmPayDoc::TfrmPayDoc(QWidget *parent)
    : QWidget(parent)
    , m_data(std::make_unique<TPayDocData>(DM))
{
    setObjectName(QStringLiteral("frmPayDoc"));
    setWindowTitle(QStringLiteral("Платежные документы"));
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("HelpContext", 5100);
    CreateActions();
    pcMain = new QStackedWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->addWidget(CreateListPage());
    pcMain->addWidget(CreateDocumentPage());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcMain);
    m_documentsReport
        = MakePaymentsReport(this, m_data->cdsPayDoc(), QStringLiteral("cdsPayDoc"), [this] { return ChannelMemo(); });
    m_paymentsReport = MakePaymentsReport(
        this, m_data->cdsPayDocPayment(), QStringLiteral("cdsPayDocPayment"), [this] { return PeriodText(); });
    // The payer's particulars follow the payer the payment names.
    m_data->dsPayDocPayment()->OnDataChange = [this](TDataSource *, TField *changed) {
        TKyv_ADODataSet *payers = m_data->odsPayDocPaymCustInfo();
        TDataSet *p = m_data->cdsPayDocPayment();
        if ((!changed || changed->FieldName() == QLatin1String("CUSTOMER_ID")) && payers->Active() && p->Active()
            && !p->IsEmpty())
            guard([&] { payers->Locate(QStringLiteral("CUSTOMER_ID"), FieldOf(p, "CUSTOMER_ID")->Value()); });
    };
    m_data->dsPayDoc()->OnStateChange = [this](TDataSource *) { UpdateActions(); };
    m_data->dsPayDoc()->OnDataChange = [this](TDataSource *, TField *) { UpdateActions(); };
    UpdateActions();
    resize(900, 560);
}

TfrmPayDoc::~TfrmPayDoc()
{
    m_data->dsPayDoc()->OnStateChange = nullptr;
    m_data->dsPayDoc()->OnDataChange = nullptr;
    m_data->dsPayDocPayment()->OnDataChange = nullptr;
}

void TfrmPayDoc::CreateActions()
{
    actSetPeriod = MakeWindowAction(
        this, "actSetPeriod", QStringLiteral("Установить период"), QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
            if (executePeriodDialog(SelectionPeriodFrom, SelectionPeriodTo))
                ReopenDocuments();
        });
    actPeriodAll = MakeWindowAction(this, "actPeriodAll", QStringLiteral("Все"), {}, [this] { SetPeriod(0); });
    actPeriodToday = MakeWindowAction(this, "actPeriodToday", QStringLiteral("Сегодня"), {}, [this] { SetPeriod(1); });
    actPeriodYesterday
        = MakeWindowAction(this, "actPeriodYesterday", QStringLiteral("Вчера"), {}, [this] { SetPeriod(2); });
    actPeriodMonth = MakeWindowAction(this, "actPeriodMonth", QStringLiteral("Месяц"), {}, [this] { SetPeriod(3); });
    actPeriodYear = MakeWindowAction(this, "actPeriodYear", QStringLiteral("Год"), {}, [this] { SetPeriod(4); });
    actRefresh = MakeWindowAction(this, "actRefresh", QStringLiteral("Обновить"), {}, [this] {
        if (!IsEditing(m_data->cdsPayDoc()))
            ReopenDocuments();
    });
    actFilter
        = MakeWindowAction(this, "actFilter", QStringLiteral("Активизировать фильтр"), {}, [this] { FilterChanged(); });
    actFilter->setCheckable(true);
    actNewDoc = MakeWindowAction(
        this, "actNewDoc", QStringLiteral("Новый документ"), QKeySequence(Qt::Key_Insert), [this] { NewDocument(); });
    actEditDoc = MakeWindowAction(
        this, "actEditDoc", QStringLiteral("Корректировка"), QKeySequence(Qt::Key_F2), [this] { OpenDocument(true); });
    actOpenDoc = MakeWindowAction(this, "actOpenDoc", QStringLiteral("Раскрыть документ"), QKeySequence(Qt::Key_F4),
        [this] { OpenDocument(false); });
    actDeleteDoc = MakeWindowAction(this, "actDeleteDoc", QStringLiteral("Удалить документ"),
        QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { DeleteDocument(); });
    actPaySourceGuide
        = MakeWindowAction(this, "actPaySourceGuide", QStringLiteral("..."), {}, [this] { PickPaySource(); });
    actSaveHeader = MakeWindowAction(
        this, "actSaveHeader", QStringLiteral("Сохранить заголовок"), {}, [this] { SaveHeaderAndStartPayment(); });
    actCancelHeader = MakeWindowAction(this, "actCancelHeader", QStringLiteral("Отмена изм. заголовока"), {}, [this] {
        const bool inserting = m_data->cdsPayDoc()->State() == dsInsert;
        m_data->cdsPayDoc()->Cancel();
        if (inserting)
            ReturnToList();
    });
    actDocList = MakeWindowAction(
        this, "actDocList", QStringLiteral("Список документов"), QKeySequence(Qt::Key_Escape), [this] {
            if (pcPayments->currentWidget() == tsPayment)
                PaymentCancel();
            else
                ReturnToList();
        });
    actDocOk = MakeWindowAction(this, "actDocOk", QStringLiteral("Готово"), {}, [this] { ReturnToList(); });
    actDocCancel = MakeWindowAction(this, "actDocCancel", QStringLiteral("Отмена"), {}, [this] {
        if (IsEditing(m_data->cdsPayDoc()))
            m_data->cdsPayDoc()->Cancel();
        ReturnToList();
    });
    actNewPayment
        = MakeWindowAction(this, "actNewPayment", QStringLiteral("Добавить платеж"), {}, [this] { NewPayment(); });
    actEditPayment
        = MakeWindowAction(this, "actEditPayment", QStringLiteral("Корректировка"), {}, [this] { EditPayment(); });
    actDeletePayment = MakeWindowAction(
        this, "actDeletePayment", QStringLiteral("Удалить платеж"), {}, [this] { DeletePayments(); });
    actPaymentOk = MakeWindowAction(this, "actPaymentOk", QStringLiteral("Готово"), {}, [this] { PaymentOk(); });
    actPaymentCancel
        = MakeWindowAction(this, "actPaymentCancel", QStringLiteral("Отмена"), {}, [this] { PaymentCancel(); });
    actExtSearch = MakeWindowAction(this, "actExtSearch", QStringLiteral("Расширенный поиск"), QKeySequence(Qt::Key_F7),
        [this] { ExtendedSearch(); });
    actRecalcDebt = MakeWindowAction(this, "actRecalcDebt", QStringLiteral("Перерасчет долга"), {}, [this] {
        TDataSet *p = m_data->cdsPayDocPayment();
        if (!p->Active() || p->IsEmpty())
            return;
        const quint64 start = Services::clock()->tickCount();
        DM->CheckCustDebtFrom(FieldOf(p, "CUSTOMER_ID")->Value(), DM->AccDate());
        if (IsDebugMode())
            SendToEventMonitor(QStringLiteral("Перерасчитано за ")
                + QString::number(double(Services::clock()->tickCount() - start) / 1000.0) + QStringLiteral(" с."));
    });
    actRecalcDebt->setVisible(IsDebugMode());
    actRecalcDebt->setEnabled(IsDebugMode());
    actCustBalance = MakeWindowAction(
        this, "actCustBalance", QStringLiteral("Баланс клиента"), {}, [this] { ShowCustomerBalance(); });
    actPrint = MakeWindowAction(
        this, "actPrint", QStringLiteral("Печать"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintDocuments(); });
    actPaymentsByServ
        = MakeWindowAction(this, "actPaymentsByServ", QStringLiteral("Отчет по видам платежей"), {}, [this] {
              QVariant serv;
              if (executeGetServId(serv))
                  PrintPaymentsByServ(serv);
          });
    actPrintPayments
        = MakeWindowAction(this, "actPrintPayments", QStringLiteral("Печать"), {}, [this] { PrintPayments(); });
    actPrintCashOrder = MakeWindowAction(
        this, "actPrintCashOrder", QStringLiteral("Печать кассового ордера"), {}, [this] { PrintCashOrder(false); });
    actDesignCashOrder = MakeWindowAction(
        this, "actDesignCashOrder", QStringLiteral("Дизайнер кассового ордера"), {}, [this] { PrintCashOrder(true); });
}

QWidget *TfrmPayDoc::CreateListPage()
{
    tsList = new QWidget(this);
    tsList->setObjectName(QStringLiteral("tsList"));
    auto *bar = new QToolBar(tsList);
    bar->setObjectName(QStringLiteral("tbList"));
    bar->addActions({ actNewDoc, actEditDoc, actOpenDoc, actDeleteDoc, actRefresh, actSetPeriod, actPeriodAll,
        actPeriodToday, actPeriodYesterday, actPeriodMonth, actPeriodYear, actPrint, actPaymentsByServ });
    cbFilter = new QCheckBox(QStringLiteral("Фильтр по источникам"), tsList);
    cbFilter->setObjectName(QStringLiteral("cbFilter"));
    connect(cbFilter, &QCheckBox::toggled, this, guarded([this](bool on) {
        if (actFilter->isChecked() != on)
            actFilter->trigger();
    }));
    lcbPaySource = new TDBLookupComboboxEh(tsList);
    lcbPaySource->setObjectName(QStringLiteral("lcbPaySource"));
    lcbPaySource->SetListSource(m_data->dsSources());
    lcbPaySource->SetKeyField(QStringLiteral("PAYSOURCE_ID"));
    lcbPaySource->SetListField(QStringLiteral("PAYSOURCE_DESCR"));
    lcbPaySource->OnChange = [this](QObject *) {
        guard([this] {
            if (DM && DM->mdTempCFG()->Active()) {
                if (!IsEditing(DM->mdTempCFG()))
                    DM->mdTempCFG()->Edit();
                FieldOf(DM->mdTempCFG(), "PAYSOURCE_ID")->SetValue(lcbPaySource->KeyValue());
                DM->mdTempCFG()->Post();
            }
            if (!IsEditing(m_data->cdsPayDoc()))
                m_data->ApplyChannelFilter(actFilter->isChecked(), ChosenChannel());
        });
    };
    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(cbFilter);
    filterRow->addWidget(lcbPaySource, 1);
    SearchFrame = new TSearchFrame(tsList);
    SearchFrame->setObjectName(QStringLiteral("SearchFrame"));
    SearchFrame->edtSearch->installEventFilter(this);
    connect(SearchFrame->edtSearch, &QLineEdit::textChanged, this,
        guarded([this](const QString &) { m_data->cdsPayDoc()->LocateByEdit(SearchFrame->edtSearch); }));
    filterRow->addWidget(SearchFrame, 1);
    lblPeriod = new QLabel(tsList);
    lblPeriod->setObjectName(QStringLiteral("lblPeriod"));

    dbgPayDoc = new TKyv_DBGridEh(tsList);
    dbgPayDoc->setObjectName(QStringLiteral("dbgPayDoc"));
    dbgPayDoc->SetReadOnly(true);
    dbgPayDoc->SetFooterRowCount(1);
    dbgPayDoc->SumList().SetActive(true);
    dbgPayDoc->SetOptionsEh(dbgPayDoc->OptionsEh() | dghRowHighlight | dghAutoSortMarking);
    AddGridColumns(dbgPayDoc,
        { { "PAY_DOC_NO", "№ док.", 70, fvtNon }, { "PAY_DOC_DATE", "Дата", 80, fvtCount },
            { "L_PAYSOURCE", "Источник платежа", 140, fvtNon }, { "PAY_DOC_SUM", "Сумма", 90, fvtSum },
            { "L_LEAK_PRC", "% ком. сбора", 60, fvtNon }, { "C_SUM_LEAK_TAX", "Ком сбор с НДС", 90, fvtSum },
            { "C_SUM_TAX", "Сумма НДС", 80, fvtSum }, { "C_SUM_LEAK", "Ком. сбор без НДС", 90, fvtSum },
            { "SUM_DIFFERENCE", "Разница сумм", 90, fvtSum }, { "NOTICE", "Примечание", 160, fvtNon } });
    dbgPayDoc->SetDataSource(m_data->dsPayDoc());
    dbgPayDoc->installEventFilter(this);

    auto *layout = new QVBoxLayout(tsList);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addLayout(filterRow);
    layout->addWidget(lblPeriod);
    layout->addWidget(dbgPayDoc, 1);
    return tsList;
}

QWidget *TfrmPayDoc::CreateDocumentPage()
{
    tsDocument = new QWidget(this);
    tsDocument->setObjectName(QStringLiteral("tsDocument"));
    TDataSource *doc = m_data->dsPayDoc();
    edPayDocNo = BindToField(new TDBEditEh(tsDocument), "edPayDocNo", doc, "PAY_DOC_NO");
    edPayDocDate = BindToField(new TDBDateTimeEditEh(tsDocument), "edPayDocDate", doc, "PAY_DOC_DATE");
    lcbDocPaySource = BindToField(new TDBLookupComboboxEh(tsDocument), "lcbDocPaySource", doc, "PAYSOURCE_ID");
    lcbDocPaySource->SetListSource(m_data->dsSources());
    lcbDocPaySource->SetKeyField(QStringLiteral("PAYSOURCE_ID"));
    lcbDocPaySource->SetListField(QStringLiteral("PAYSOURCE_DESCR"));
    edPayDocSum = BindToField(new TDBNumberEditEh(tsDocument), "edPayDocSum", doc, "PAY_DOC_SUM");
    edPayDocSum->installEventFilter(this);
    edDocNotice = BindToField(new TDBEditEh(tsDocument), "edDocNotice", doc, "NOTICE");
    lblSumDifference = new QLabel(tsDocument);
    lblSumDifference->setObjectName(QStringLiteral("lblSumDifference"));
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(lcbDocPaySource, 1);
    auto *guideButton = new QToolBar(tsDocument);
    guideButton->addAction(actPaySourceGuide);
    sourceRow->addWidget(guideButton);
    auto *header = new QFormLayout;
    header->addRow(QStringLiteral("№ документа:"), edPayDocNo);
    header->addRow(QStringLiteral("Дата"), edPayDocDate);
    header->addRow(QStringLiteral("Источник платежа"), sourceRow);
    header->addRow(QStringLiteral("Сумма"), edPayDocSum);
    header->addRow(QStringLiteral("Примечание"), edDocNotice);
    header->addRow(QStringLiteral("Разница сумм"), lblSumDifference);
    auto *headerBar = new QToolBar(tsDocument);
    headerBar->addActions({ actSaveHeader, actCancelHeader, actDocOk, actDocCancel, actDocList });

    pcPayments = new QStackedWidget(tsDocument);
    pcPayments->setObjectName(QStringLiteral("pcPayments"));
    tsPaymentList = new QWidget(pcPayments);
    tsPaymentList->setObjectName(QStringLiteral("tsPaymentList"));
    auto *paymentBar = new QToolBar(tsPaymentList);
    paymentBar->addActions({ actNewPayment, actEditPayment, actDeletePayment, actPrintPayments, actPrintCashOrder,
        actCustBalance, actRecalcDebt });
    dbgPayment = new TKyv_DBGridEh(tsPaymentList);
    dbgPayment->setObjectName(QStringLiteral("dbgPayment"));
    dbgPayment->SetReadOnly(true);
    dbgPayment->SetFooterRowCount(1);
    dbgPayment->SumList().SetActive(true);
    dbgPayment->SetOptions(dbgPayment->Options() | dgMultiSelect);
    AddGridColumns(dbgPayment,
        { { "C_REC_NO", "№ п/п", 40, fvtCount }, { "CUST_DESCR", "Плательщик", 180, fvtNon },
            { "PAY_DATE", "Дата", 80, fvtNon }, { "PAY_SUM", "Сумма", 90, fvtSum },
            { "SERV_DESCR", "Вид платежа", 120, fvtNon }, { "PAYMENT_ID", "№ платежки", 70, fvtNon },
            { "NOTICE", "Примечание", 150, fvtNon } });
    dbgPayment->Columns()[5]->Title().Hint = QStringLiteral("Уникалный № платежки в системе");
    dbgPayment->SetDataSource(m_data->dsPayDocPayment());
    dbgPayment->installEventFilter(this);
    auto *listLayout = new QVBoxLayout(tsPaymentList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(paymentBar);
    listLayout->addWidget(PayerInfo(tsPaymentList, "pnlPaymentInfo", m_data->dsPayDocPayment(),
        { { "CUST_CODE", "Код" }, { "CUST_DESCR", "Плательщик" }, { "HOUSE_INFO", "Адрес" },
            { "CUST_STATE_DESCR", "Состояние" }, { "DEBT_SUM", "Долг" }, { "NOTICE", "Примечание" } }));
    listLayout->addWidget(dbgPayment, 1);
    pcPayments->addWidget(tsPaymentList);
    pcPayments->addWidget(CreatePaymentPage());

    auto *layout = new QVBoxLayout(tsDocument);
    layout->addWidget(headerBar);
    layout->addLayout(header);
    layout->addWidget(pcPayments, 1);
    return tsDocument;
}

QWidget *TfrmPayDoc::CreatePaymentPage()
{
    tsPayment = new QWidget(pcPayments);
    tsPayment->setObjectName(QStringLiteral("tsPayment"));
    TDataSource *pay = m_data->dsPayDocPayment();
    lcbPayerAccount = BindToField(new TDBLookupComboboxEh(tsPayment), "lcbPayerAccount", pay, "CUSTOMER_ID");
    SetLookupList(lcbPayerAccount, m_data->dsPayers(), "CUSTOMER_ID", "C_ACCOUNT_NO");
    lcbPayerName = BindToField(new TDBLookupComboboxEh(tsPayment), "lcbPayerName", pay, "CUSTOMER_ID");
    SetLookupList(lcbPayerName, m_data->dsPayers(), "CUSTOMER_ID", "C_SURNAME");
    edPayDate = BindToField(new TDBDateTimeEditEh(tsPayment), "edPayDate", pay, "PAY_DATE");
    edPaySum = BindToField(new TDBNumberEditEh(tsPayment), "edPaySum", pay, "PAY_SUM");
    lcbPayKind = BindToField(new TDBLookupComboboxEh(tsPayment), "lcbPayKind", pay, "SERV_ID");
    SetLookupList(lcbPayKind, m_data->dsKinds(), "SERV_ID", "SERV_DESCR");
    edPayNotice = BindToField(new TDBEditEh(tsPayment), "edPayNotice", pay, "NOTICE");
    edCustCode = new QLineEdit(tsPayment);
    edCustCode->setObjectName(QStringLiteral("edCustCode"));
    edCustCode->installEventFilter(this);
    for (QWidget *edit : std::initializer_list<QWidget *> {
             lcbPayerAccount, lcbPayerName, edPayDate, edPaySum, lcbPayKind, edPayNotice })
        edit->installEventFilter(this);
    connect(edCustCode, &QLineEdit::textEdited, this, guarded([this](const QString &) { SearchPayerByCode(); }));
    auto *payer = new QHBoxLayout;
    payer->addWidget(lcbPayerAccount);
    payer->addWidget(lcbPayerName, 2);
    auto *search = new QHBoxLayout;
    search->addWidget(edCustCode);
    auto *searchBar = new QToolBar(tsPayment);
    searchBar->addAction(actExtSearch);
    search->addWidget(searchBar);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Поиск по коду (F5)"), search);
    form->addRow(QStringLiteral("Плательщик"), payer);
    form->addRow(QStringLiteral("Дата"), edPayDate);
    form->addRow(QStringLiteral("Сумма"), edPaySum);
    form->addRow(QStringLiteral("Вид платежа"), lcbPayKind);
    form->addRow(QStringLiteral("Примечание"), edPayNotice);
    auto *bar = new QToolBar(tsPayment);
    bar->addActions({ actPaymentOk, actPaymentCancel });
    auto *layout = new QVBoxLayout(tsPayment);
    layout->addLayout(form);
    layout->addWidget(PayerInfo(tsPayment, "pnlPayerInfo", m_data->dsPayers(),
        { { "CUST_CODE", "Код" }, { "CUST_DESCR", "Плательщик" }, { "HOUSE_INFO", "Адрес" },
            { "CUST_STATE_DESCR", "Состояние" }, { "DEBT_SUM", "Долг" } }));
    layout->addWidget(bar);
    layout->addStretch(1);
    return tsPayment;
}

QString TfrmPayDoc::PeriodText() const
{
    return PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo);
}

void TfrmPayDoc::UpdateCaptions()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (pcMain->currentWidget() == tsDocument) {
        setWindowTitle(doc->State() == dsInsert
                ? QStringLiteral("Добавление нового документа")
                : QStringLiteral("Документ №") + FieldOf(doc, "PAY_DOC_NO")->AsString());
        return;
    }
    setWindowTitle(QStringLiteral("Платежные документы") + PeriodText());
    lblPeriod->setText(PeriodText());
}

void TfrmPayDoc::UpdateActions()
{
    TDataSet *doc = m_data->cdsPayDoc();
    const bool rows = doc->Active() && !doc->IsEmpty();
    actEditDoc->setEnabled(rows);
    actDeleteDoc->setEnabled(rows && !IsEditing(doc));
    actOpenDoc->setEnabled(rows);
    actPaySourceGuide->setEnabled(IsEditing(doc));
    const bool paymentEdited = IsEditing(m_data->cdsPayDocPayment());
    edCustCode->setEnabled(paymentEdited);
    actExtSearch->setEnabled(paymentEdited);
    const bool showDifference = pcPayments->currentWidget() == tsPaymentList && doc->Active() && !doc->IsEmpty();
    lblSumDifference->setVisible(showDifference);
    if (showDifference)
        lblSumDifference->setText(FieldOf(doc, "SUM_DIFFERENCE")->DisplayText());
    pcPayments->setVisible(doc->State() != dsInsert);
    if (pcMain->currentWidget() == tsDocument)
        UpdateCaptions();
}

void TfrmPayDoc::RememberDocument()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (doc->Active() && !doc->IsEmpty())
        m_rememberedDocId = FieldOf(doc, "PAY_DOC_ID")->Value();
}

void TfrmPayDoc::ReopenDocuments()
{
    TScreenCursorScope cursor(crHourGlass);
    RememberDocument();
    m_data->ClosePayments();
    const quint64 start = Services::clock()->tickCount();
    m_data->OpenDocuments();
    m_data->ApplyChannelFilter(actFilter->isChecked(), ChosenChannel());
    if (m_rememberedDocId.isValid())
        m_data->cdsPayDoc()->Locate(QStringLiteral("PAY_DOC_ID"), m_rememberedDocId);
    if (IsDebugMode())
        SendToEventMonitor(QStringLiteral("Выбрано ") + QString::number(m_data->cdsPayDoc()->RecordCount())
            + QStringLiteral(" зап. из cdsPayDoc. За ")
            + QString::number(double(Services::clock()->tickCount() - start) / 1000.0) + QStringLiteral(" с."));
    m_data->PeriodWidened = false;
    UpdateCaptions();
    UpdateActions();
}

void TfrmPayDoc::SetPeriod(int preset)
{
    PeriodPreset(preset, SelectionPeriodFrom, SelectionPeriodTo);
    ReopenDocuments();
}

void TfrmPayDoc::RunQuery()
{
    TScreenCursorScope cursor(crHourGlass);
    TellMainWindow(AMShowAnimate);
    struct Hide
    {
        ~Hide() { TellMainWindow(AMHideAnimate); }
    } hide;
    if (!m_data->cdsPayDoc()->Active()) {
        m_data->ReadDefaultSum();
        ReopenDocuments();
        lcbPaySource->SetKeyValue(ChosenChannel());
    }
    if (custDM)
        if (TDataSet *list = custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList")))
            list->Open();
}

void TfrmPayDoc::FilterChanged()
{
    if (IsEditing(m_data->cdsPayDoc())) {
        actFilter->setChecked(!actFilter->isChecked());
        return;
    }
    const bool on = actFilter->isChecked();
    cbFilter->setChecked(on);
    actFilter->setText(on ? QStringLiteral("Отключить фильтр") : QStringLiteral("Активизировать фильтр"));
    actFilter->setToolTip(on ? QStringLiteral("Отключить фильтр отбора по условию")
                             : QStringLiteral("Активизировать фильтр отбора по условию"));
    m_data->ApplyChannelFilter(on, ChosenChannel());
}

void TfrmPayDoc::NewDocument()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (!doc->Active())
        ReopenDocuments();
    doc->Append();
    if (doc->State() != dsInsert) {
        Services::messages()->error(QStringLiteral("Ошибка добавления"));
        return;
    }
    m_data->OpenPayments();
    pcMain->setCurrentWidget(tsDocument);
    pcPayments->setCurrentWidget(tsPaymentList);
    UpdateActions();
    edPayDocNo->setFocus();
}

void TfrmPayDoc::OpenDocument(bool edit)
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (!doc->Active() || doc->IsEmpty())
        return;
    if (edit)
        doc->Edit();
    m_data->OpenPayments();
    pcMain->setCurrentWidget(tsDocument);
    pcPayments->setCurrentWidget(tsPaymentList);
    UpdateActions();
    (edit ? static_cast<QWidget *>(edPayDocNo) : static_cast<QWidget *>(dbgPayment))->setFocus();
}

QVariant TfrmPayDoc::ChosenChannel() const
{
    TDataSet *temp = DM ? DM->mdTempCFG() : nullptr;
    if (temp && temp->Active() && !temp->IsEmpty())
        return FieldOf(temp, "PAYSOURCE_ID")->Value();
    return lcbPaySource->KeyValue();
}

void TfrmPayDoc::SaveHeaderAndStartPayment()
{
    if (IsEditing(m_data->cdsPayDoc()) && SaveHeader())
        NewPayment();
}

bool TfrmPayDoc::SaveHeader()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (!IsEditing(doc))
        return true;
    QString error = PayDocHeaderError(edPayDocNo->text());
    QWidget *offending = edPayDocNo;
    if (error.isEmpty()) {
        error = PaySourceError(DM, FieldOf(doc, "PAYSOURCE_ID")->Value());
        offending = lcbDocPaySource;
    }
    if (!error.isEmpty()) {
        Services::messages()->error(error);
        offending->setFocus();
        return false;
    }
    TScreenCursorScope cursor(crHourGlass);
    doc->Post();
    RememberDocument();
    UpdateActions();
    return true;
}

void TfrmPayDoc::DeleteDocument()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (!doc->Active() || doc->IsEmpty() || IsEditing(doc))
        return;
    QString warning;
    if (!PayDocDeletable(DM, FieldOf(doc, "PAY_DOC_ID")->Value(), warning)) {
        Services::messages()->warning(warning);
        return;
    }
    if (!ConfirmDeleteRecord(QStringLiteral("RU"),
            QStringLiteral("№ ") + FieldOf(doc, "PAY_DOC_NO")->AsString() + QStringLiteral(" от ")
                + DateToStr(DateToDayCount(FieldOf(doc, "PAY_DOC_DATE")->AsDateTime().date()))))
        return;
    TScreenCursorScope cursor(crHourGlass);
    doc->Delete();
}

void TfrmPayDoc::PickPaySource()
{
    if (IsEditing(m_data->cdsPayDoc()))
        PickGuideKey(m_data->cdsPayDoc(), QStringLiteral("PAYSOURCE_ID"), executePaySourceGuide,
            m_data->odsPayDocSourceLookUp());
}

bool TfrmPayDoc::SettlePayments()
{
    TClientDataSet *p = m_data->cdsPayDocPayment();
    if (!p->Active() || (p->ChangeCount() == 0 && !p->Modified() && !IsEditing(p)))
        return true;
    if (Services::messages()->confirm(QStringLiteral("Были изменения в платежке. Записать?"))) {
        if (!CheckPayment())
            return false;
        if (IsEditing(p))
            p->Post();
        return true;
    }
    if (IsEditing(p))
        p->Cancel();
    p->CancelUpdates();
    return true;
}

void TfrmPayDoc::RecalcQueued()
{
    if (!DM || !DMR || !DM->cdsMainCFG()->Active())
        return;
    DMR->CheckInvalidCustDebt(DM->cdsMainCFG()->FieldByName(QStringLiteral("DEBTMODE"))->AsInteger(), DM->AccDate());
}

void TfrmPayDoc::ReturnToList()
{
    if (!SaveHeader() || !SettlePayments())
        return;
    m_data->ClosePayments();
    RecalcQueued();
    if (custDM)
        if (TDataSet *list = custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList"))) {
            list->Close();
            list->Open();
        }
    pcMain->setCurrentWidget(tsList);
    ReopenDocuments();
    dbgPayDoc->setFocus();
}
