#include "frmuPayDoc.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "FormClasses.h"
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
#include "uDbgridColumns.h"
#include "uLog.h"
#include "uPayDocData.h"
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

void tellMain(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}

TField *field(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

bool editing(TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
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
    m_data->dsPayDoc()->OnStateChange = [this](TDataSource *) { UpdateActions(); };
    m_data->dsPayDoc()->OnDataChange = [this](TDataSource *, TField *) { UpdateActions(); };
    UpdateActions();
    resize(900, 560);
}

TfrmPayDoc::~TfrmPayDoc()
{
    m_data->dsPayDoc()->OnStateChange = nullptr;
    m_data->dsPayDoc()->OnDataChange = nullptr;
}

void TfrmPayDoc::CreateActions()
{
    auto make = [this](QAction *&action, const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) {
        action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(action, &QAction::triggered, this, guarded([run](bool) { run(); }));
        addAction(action);
    };
    make(actSetPeriod, "actSetPeriod", QStringLiteral("Установить период"), QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
        if (executePeriodDialog(SelectionPeriodFrom, SelectionPeriodTo))
            ReopenDocuments();
    });
    make(actPeriodAll, "actPeriodAll", QStringLiteral("Все"), {}, [this] { SetPeriod(0); });
    make(actPeriodToday, "actPeriodToday", QStringLiteral("Сегодня"), {}, [this] { SetPeriod(1); });
    make(actPeriodYesterday, "actPeriodYesterday", QStringLiteral("Вчера"), {}, [this] { SetPeriod(2); });
    make(actPeriodMonth, "actPeriodMonth", QStringLiteral("Месяц"), {}, [this] { SetPeriod(3); });
    make(actPeriodYear, "actPeriodYear", QStringLiteral("Год"), {}, [this] { SetPeriod(4); });
    make(actRefresh, "actRefresh", QStringLiteral("Обновить"), {}, [this] {
        if (!editing(m_data->cdsPayDoc()))
            ReopenDocuments();
    });
    make(actFilter, "actFilter", QStringLiteral("Активизировать фильтр"), {}, [this] { FilterChanged(); });
    actFilter->setCheckable(true);
    make(actNewDoc, "actNewDoc", QStringLiteral("Новый документ"), QKeySequence(Qt::Key_Insert),
        [this] { NewDocument(); });
    make(actEditDoc, "actEditDoc", QStringLiteral("Корректировка"), QKeySequence(Qt::Key_F2),
        [this] { OpenDocument(true); });
    make(actOpenDoc, "actOpenDoc", QStringLiteral("Раскрыть документ"), QKeySequence(Qt::Key_F4),
        [this] { OpenDocument(false); });
    make(actDeleteDoc, "actDeleteDoc", QStringLiteral("Удалить документ"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
        [this] { DeleteDocument(); });
    make(actPaySourceGuide, "actPaySourceGuide", QStringLiteral("..."), {}, [this] { PickPaySource(); });
    make(actSaveHeader, "actSaveHeader", QStringLiteral("Сохранить заголовок"), {}, [this] { SaveHeader(); });
    make(actCancelHeader, "actCancelHeader", QStringLiteral("Отмена изм. заголовока"), {}, [this] {
        const bool inserting = m_data->cdsPayDoc()->State() == dsInsert;
        m_data->cdsPayDoc()->Cancel();
        if (inserting)
            ReturnToList();
    });
    make(actDocList, "actDocList", QStringLiteral("Список документов"), QKeySequence(Qt::Key_Escape), [this] {
        if (pcPayments->currentWidget() == tsPayment)
            PaymentCancel();
        else
            ReturnToList();
    });
    make(actNewPayment, "actNewPayment", QStringLiteral("Добавить платеж"), {}, [this] { NewPayment(); });
    make(actEditPayment, "actEditPayment", QStringLiteral("Корректировка"), {}, [this] { EditPayment(); });
    make(actDeletePayment, "actDeletePayment", QStringLiteral("Удалить платеж"), {}, [this] { DeletePayments(); });
    make(actPaymentOk, "actPaymentOk", QStringLiteral("Готово"), {}, [this] { PaymentOk(); });
    make(actPaymentCancel, "actPaymentCancel", QStringLiteral("Отмена"), {}, [this] { PaymentCancel(); });
    make(actExtSearch, "actExtSearch", QStringLiteral("Расширенный поиск"), QKeySequence(Qt::Key_F7),
        [this] { ExtendedSearch(); });
    make(actRecalcDebt, "actRecalcDebt", QStringLiteral("Перерасчет долга"), {}, [this] {
        TDataSet *p = m_data->cdsPayDocPayment();
        if (!p->Active() || p->IsEmpty())
            return;
        const quint64 start = Services::clock()->tickCount();
        DM->CheckCustDebtFrom(field(p, "CUSTOMER_ID")->Value(), DM->AccDate());
        if (IsDebugMode())
            SendToEventMonitor(QStringLiteral("Перерасчитано за ")
                + QString::number(double(Services::clock()->tickCount() - start) / 1000.0) + QStringLiteral(" с."));
    });
    actRecalcDebt->setVisible(IsDebugMode());
    actRecalcDebt->setEnabled(IsDebugMode());
    make(actCustBalance, "actCustBalance", QStringLiteral("Баланс клиента"), {}, [this] { ShowCustomerBalance(); });
    make(actPrint, "actPrint", QStringLiteral("Печать"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { PrintDocuments(); });
    make(actPaymentsByServ, "actPaymentsByServ", QStringLiteral("Отчет по видам платежей"), {}, [this] {
        QVariant serv;
        if (executeGetServId(serv))
            PrintPaymentsByServ(serv);
    });
    make(actPrintPayments, "actPrintPayments", QStringLiteral("Печать"), {}, [this] { PrintPayments(); });
    make(actPrintCashOrder, "actPrintCashOrder", QStringLiteral("Печать кассового ордера"), {},
        [this] { PrintCashOrder(false); });
    make(actDesignCashOrder, "actDesignCashOrder", QStringLiteral("Дизайнер кассового ордера"), {},
        [this] { PrintCashOrder(true); });
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
                if (!editing(DM->mdTempCFG()))
                    DM->mdTempCFG()->Edit();
                field(DM->mdTempCFG(), "PAYSOURCE_ID")->SetValue(lcbPaySource->KeyValue());
            }
            if (!editing(m_data->cdsPayDoc()))
                m_data->ApplyChannelFilter(actFilter->isChecked(), lcbPaySource->KeyValue());
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
    auto bind = [doc](auto *control, const char *name, const char *fieldName) {
        control->setObjectName(QString::fromLatin1(name));
        control->SetDataSource(doc);
        control->SetDataField(QString::fromLatin1(fieldName));
        return control;
    };
    edPayDocNo = bind(new TDBEditEh(tsDocument), "edPayDocNo", "PAY_DOC_NO");
    edPayDocDate = bind(new TDBDateTimeEditEh(tsDocument), "edPayDocDate", "PAY_DOC_DATE");
    lcbDocPaySource = bind(new TDBLookupComboboxEh(tsDocument), "lcbDocPaySource", "PAYSOURCE_ID");
    lcbDocPaySource->SetListSource(m_data->dsSources());
    lcbDocPaySource->SetKeyField(QStringLiteral("PAYSOURCE_ID"));
    lcbDocPaySource->SetListField(QStringLiteral("PAYSOURCE_DESCR"));
    edPayDocSum = bind(new TDBNumberEditEh(tsDocument), "edPayDocSum", "PAY_DOC_SUM");
    edPayDocSum->installEventFilter(this);
    edDocNotice = bind(new TDBEditEh(tsDocument), "edDocNotice", "NOTICE");
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
    headerBar->addActions({ actSaveHeader, actCancelHeader, actDocList });

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
    auto bind = [pay](auto *control, const char *name, const char *fieldName) {
        control->setObjectName(QString::fromLatin1(name));
        control->SetDataSource(pay);
        control->SetDataField(QString::fromLatin1(fieldName));
        return control;
    };
    auto list = [](TDBLookupComboboxEh *combo, TDataSource *source, const char *key, const char *shown) {
        combo->SetListSource(source);
        combo->SetKeyField(QString::fromLatin1(key));
        combo->SetListField(QString::fromLatin1(shown));
    };
    lcbPayerAccount = bind(new TDBLookupComboboxEh(tsPayment), "lcbPayerAccount", "CUSTOMER_ID");
    list(lcbPayerAccount, m_data->dsPayers(), "CUSTOMER_ID", "C_ACCOUNT_NO");
    lcbPayerName = bind(new TDBLookupComboboxEh(tsPayment), "lcbPayerName", "CUSTOMER_ID");
    list(lcbPayerName, m_data->dsPayers(), "CUSTOMER_ID", "C_SURNAME");
    edPayDate = bind(new TDBDateTimeEditEh(tsPayment), "edPayDate", "PAY_DATE");
    edPaySum = bind(new TDBNumberEditEh(tsPayment), "edPaySum", "PAY_SUM");
    lcbPayKind = bind(new TDBLookupComboboxEh(tsPayment), "lcbPayKind", "SERV_ID");
    list(lcbPayKind, m_data->dsKinds(), "SERV_ID", "SERV_DESCR");
    edPayNotice = bind(new TDBEditEh(tsPayment), "edPayNotice", "NOTICE");
    edCustCode = new QLineEdit(tsPayment);
    edCustCode->setObjectName(QStringLiteral("edCustCode"));
    edCustCode->installEventFilter(this);
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
        setWindowTitle(doc->State() == dsInsert ? QStringLiteral("Добавление нового документа")
                                                : QStringLiteral("Документ №") + field(doc, "PAY_DOC_NO")->AsString());
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
    actDeleteDoc->setEnabled(rows && !editing(doc));
    actOpenDoc->setEnabled(rows);
    actPaySourceGuide->setEnabled(editing(doc));
    const bool paymentEdited = editing(m_data->cdsPayDocPayment());
    edCustCode->setEnabled(paymentEdited);
    actExtSearch->setEnabled(paymentEdited);
    const bool showDifference = pcPayments->currentWidget() == tsPaymentList && doc->Active() && !doc->IsEmpty();
    lblSumDifference->setVisible(showDifference);
    if (showDifference)
        lblSumDifference->setText(field(doc, "SUM_DIFFERENCE")->DisplayText());
    pcPayments->setVisible(doc->State() != dsInsert);
    if (pcMain->currentWidget() == tsDocument)
        UpdateCaptions();
}

void TfrmPayDoc::RememberDocument()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (doc->Active() && !doc->IsEmpty())
        m_rememberedDocId = field(doc, "PAY_DOC_ID")->Value();
}

void TfrmPayDoc::ReopenDocuments()
{
    TScreenCursorScope cursor(crHourGlass);
    RememberDocument();
    m_data->ClosePayments();
    const quint64 start = Services::clock()->tickCount();
    m_data->OpenDocuments();
    m_data->ApplyChannelFilter(actFilter->isChecked(), lcbPaySource->KeyValue());
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
    tellMain(AMShowAnimate);
    struct Hide
    {
        ~Hide() { tellMain(AMHideAnimate); }
    } hide;
    if (!m_data->cdsPayDoc()->Active()) {
        m_data->ReadDefaultSum();
        ReopenDocuments();
    }
    if (custDM)
        if (TDataSet *list = custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList")))
            list->Open();
}

void TfrmPayDoc::FilterChanged()
{
    if (editing(m_data->cdsPayDoc())) {
        actFilter->setChecked(!actFilter->isChecked());
        return;
    }
    const bool on = actFilter->isChecked();
    cbFilter->setChecked(on);
    actFilter->setText(on ? QStringLiteral("Отключить фильтр") : QStringLiteral("Активизировать фильтр"));
    actFilter->setToolTip(on ? QStringLiteral("Отключить фильтр отбора по условию")
                             : QStringLiteral("Активизировать фильтр отбора по условию"));
    m_data->ApplyChannelFilter(on, lcbPaySource->KeyValue());
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

bool TfrmPayDoc::SaveHeader()
{
    TDataSet *doc = m_data->cdsPayDoc();
    if (!editing(doc))
        return true;
    const QString error = PayDocHeaderError(edPayDocNo->text());
    if (!error.isEmpty()) {
        Services::messages()->error(error);
        edPayDocNo->setFocus();
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
    if (!doc->Active() || doc->IsEmpty() || editing(doc))
        return;
    QString warning;
    if (!PayDocDeletable(DM, field(doc, "PAY_DOC_ID")->Value(), warning)) {
        Services::messages()->warning(warning);
        return;
    }
    if (!ConfirmDeleteRecord(QString(),
            QStringLiteral("№ ") + field(doc, "PAY_DOC_NO")->AsString() + QStringLiteral(" от ")
                + field(doc, "PAY_DOC_DATE")->AsDateTime().date().toString(QStringLiteral("dd.MM.yyyy"))))
        return;
    TScreenCursorScope cursor(crHourGlass);
    doc->Delete();
}

void TfrmPayDoc::PickPaySource()
{
    if (editing(m_data->cdsPayDoc()))
        PickGuideKey(m_data->cdsPayDoc(), QStringLiteral("PAYSOURCE_ID"), executePaySourceGuide,
            m_data->odsPayDocSourceLookUp());
}

bool TfrmPayDoc::SettlePayments()
{
    TClientDataSet *p = m_data->cdsPayDocPayment();
    if (!p->Active() || (p->ChangeCount() == 0 && !p->Modified() && !editing(p)))
        return true;
    if (Services::messages()->confirm(QStringLiteral("Были изменения в платежке. Записать?"))) {
        if (!CheckPayment())
            return false;
        if (editing(p))
            p->Post();
        return true;
    }
    if (editing(p))
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
