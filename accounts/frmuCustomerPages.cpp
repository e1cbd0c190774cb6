// The customer card's information pages under the list: what each shows, the data each opens only while it is
// shown, and the state of the card's actions.
#include "frmuCustomer.h"

#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_DBNavigator.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uLog.h"
#include "uSettings.h"
#include "uPaymentWindows.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

TKyv_ClientDataSet *customers()
{
    return custDM ? custDM->cdsCustomer() : nullptr;
}

struct ColumnSpec
{
    const char *field;
    const char *title;
};

TKyv_DBGridEh *pageGrid(QWidget *page, const char *name, TDataSource *source, std::initializer_list<ColumnSpec> columns,
    bool readOnly = true)
{
    auto *grid = new TKyv_DBGridEh(page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->SetReadOnly(readOnly);
    grid->BeginLayout();
    for (const ColumnSpec &spec : columns)
        AddGridColumn(grid, spec.field, QString::fromUtf8(spec.title), 0, false);
    grid->EndLayout();
    grid->SetDataSource(source);
    return grid;
}

TKyv_DBNavigator *pageNavigator(QWidget *page, const char *name, TDataSource *source, TKyvNavControlSet buttons)
{
    auto *navigator = new TKyv_DBNavigator(page);
    navigator->setObjectName(QString::fromLatin1(name));
    navigator->SetDataSource(source);
    navigator->SetVisibleControls(buttons);
    return navigator;
}

QToolButton *actionButton(QWidget *page, QAction *action)
{
    auto *button = new QToolButton(page);
    button->setObjectName(QStringLiteral("btn") + action->objectName().mid(3));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

TDBEditEh *shownField(QWidget *page, const char *field, bool bold = false)
{
    auto *edit = new TDBEditEh(page);
    edit->setObjectName(QStringLiteral("ed") + QString::fromLatin1(field));
    if (custDM)
        edit->SetDataSource(custDM->dsCustomer());
    edit->SetDataField(QString::fromLatin1(field));
    edit->SetReadOnly(true);
    if (bold) {
        QFont font = edit->font();
        font.setBold(true);
        edit->setFont(font);
    }
    return edit;
}

} // namespace

QWidget *TfrmCustomer::CreatePage(QWidget *&page, const char *name, const QString &caption)
{
    page = new QWidget(pcAddInfo);
    page->setObjectName(QString::fromLatin1(name));
    pcAddInfo->addTab(page, caption);
    return page;
}

void TfrmCustomer::CreateInfoPages()
{
    auto source = [](const char *name) { return custDM ? custDM->DataSource(QString::fromLatin1(name)) : nullptr; };
    auto client = [](const char *name) -> TDataSet * {
        return custDM ? custDM->ClientDataSet(QString::fromLatin1(name)) : nullptr;
    };
    auto server = [](const char *name) -> TDataSet * {
        return custDM ? custDM->ServerDataSet(QString::fromLatin1(name)) : nullptr;
    };
    auto buttonRow = [](QVBoxLayout *layout, std::initializer_list<QWidget *> widgets) {
        auto *row = new QHBoxLayout;
        for (QWidget *w : widgets)
            row->addWidget(w);
        row->addStretch();
        layout->addLayout(row);
    };

    // "Сведения"
    {
        QWidget *page = CreatePage(tsInfo, "tsInfo", QStringLiteral("Сведения"));
        auto *grid = new QGridLayout(page);
        const std::pair<const char *, const char *> fields[] = {
            { "Лиц. счет", "ACCOUNT_NO" },
            { "Фамилия", "SURNAME" },
            { "Имя", "FIRSTNAME" },
            { "Отчество", "MIDLENAME" },
            { "Телефоны", "PHONE_NO" },
            { "Дата договора", "CONTRACT_DATE" },
            { "Дата перв. подкл.", "ACTIVIZ_DATE" },
            { "Улица", "RO_STREET_NAME" },
            { "Дом", "RO_HOUSE_NO" },
            { "Квартира", "FLAT_NO" },
            { "Примечание", "NOTICE" },
        };
        int row = 0;
        for (const auto &[caption, field] : fields) {
            grid->addWidget(new QLabel(QString::fromUtf8(caption), page), row % 6, (row / 6) * 2);
            grid->addWidget(shownField(page, field), row % 6, (row / 6) * 2 + 1);
            ++row;
        }
        grid->addWidget(new QLabel(QStringLiteral("Статус"), page), 6, 0);
        grid->addWidget(shownField(page, "CUST_STATE_DESCR", true), 6, 1);
        grid->addWidget(new QLabel(QStringLiteral("Долг"), page), 6, 2);
        grid->addWidget(shownField(page, "DEBT_SUM", true), 6, 3);
        grid->addWidget(actionButton(page, actRecalcDebt), 7, 0, 1, 2);
        m_pageData[tsInfo] = {};
    }
    // "Периодические услуги"
    {
        QWidget *page = CreatePage(tsSubscrServ, "tsSubscrServ", QStringLiteral("Периодические услуги"));
        auto *layout = new QVBoxLayout(page);
        TKyv_DBGridEh *services = pageGrid(page, "dbgSubscrServ", source("dsCustSubscrServ"),
            { { "L_SERVTYPE_DESCR", "Наименование" }, { "STATE_SGN", "Статус" }, { "L_SERV_TARIF", "Тариф" } });
        services->Columns()[1]->KeyList() = { QStringLiteral("0"), QStringLiteral("1") };
        services->Columns()[1]->PickList() = { QStringLiteral("Отключен"), QStringLiteral("Подключен") };
        services->OnDblClick = [this](TCustomDBGridEh *) { actShowCustSubscrHistory->trigger(); };
        layout->addWidget(services, 1);
        layout->addWidget(new QLabel(QStringLiteral("История подключений"), page));
        layout->addWidget(pageGrid(page, "dbgSubscrServHist", source("dsCustSubscrServHist"),
                              { { "DATE_FROM", "Дата подкл" }, { "L_ACT_SERV_DESCR", "Тип подкл" },
                                  { "RO_DATE_TO", "Дата откл" }, { "L_DISACT_SERV_DESCR", "Тип откл." },
                                  { "CONTRACT_DATE", "Дог. до" }, { "SMARTCARD_NO", "Смарткарта" } }),
            1);
        auto *more = actionButton(page, actSubsribeAll);
        more->setText(QStringLiteral("..."));
        more->addAction(actSubsribeAll);
        more->addAction(actRemoveAllHistory);
        more->setPopupMode(QToolButton::InstantPopup);
        buttonRow(layout,
            { actionButton(page, actActivateSubscr), actionButton(page, actDisactivateSubscr),
                actionButton(page, actShowCustSubscrHistory), more });
        actShowCustSubscrHistory->setIconText(QStringLiteral("Правка Истории"));
        m_pageData[tsSubscrServ] = { client("cdsSubscrServLookUp"), client("cdsCustSubscrServHistActLookUp"),
            client("cdsCustSubscrServHistDisactLookUp"), client("cdsCustSubscrServ"), client("cdsCustSubscrServHist") };
    }
    // "Услуги по факту"
    {
        QWidget *page = CreatePage(tsSingleService, "tsSingleService", QStringLiteral("Услуги по факту"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgSingleService", source("dsCustSingleService"),
            { { "SERVICE_DATE", "Дата" }, { "L_SINGLE_SERVICE_NAME", "Наименование" }, { "QUANTITY", "Кол-во" },
                { "PRICE", "Цена" }, { "AMOUNT", "Сумма" }, { "NOTICE", "Примечание" } }));
        navSingleService = pageNavigator(page, "navSingleService", source("dsCustSingleService"),
            { nbInsert, nbEdit, nbDelete });
        navSingleService->OnInsertBtnClick = [this](TKyv_DBNavigator *) { SingleServiceInsert(); };
        navSingleService->OnEditBtnClick = [this](TKyv_DBNavigator *) { SingleServiceEdit(); };
        navSingleService->OnDeleteBtnClick = [this](TKyv_DBNavigator *) { SingleServiceDelete(); };
        buttonRow(layout, { navSingleService });
        m_pageData[tsSingleService] = { server("odsSingleServLookUp"), client("cdsCustSingleService") };
    }
    // "Разовые услуги"
    {
        QWidget *page = CreatePage(tsSingleServ, "tsSingleServ", QStringLiteral("Разовые услуги"));
        auto *layout = new QVBoxLayout(page);
        TKyv_DBGridEh *grid = pageGrid(page, "dbgSingleServ", source("dsCustSingleServ"),
            { { "SERV_DATE", "Дата" }, { "L_SINGLESERV_DESCR", "Наименование" }, { "L_TARIF", "Тариф" } }, false);
        grid->Columns()[2]->SetReadOnly(true);
        layout->addWidget(grid);
        buttonRow(layout,
            { pageNavigator(page, "navSingleServ", source("dsCustSingleServ"), { nbPost, nbCancel, nbInsert, nbDelete }) });
        m_pageData[tsSingleServ]
            = { client("cdsSingleServLookUp"), client("cdsCustSingleServTarif"), client("cdsCustSingleServ") };
    }
    // "Коэф. скидки"
    {
        QWidget *page = CreatePage(tsDiscFactor, "tsDiscFactor", QStringLiteral("Коэф. скидки"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgDiscFactor", source("dsCustDiscFactor"),
            { { "DATE_FROM", "С" }, { "DATE_TO", "По" }, { "FACTOR_VALUE", "Коэффициент" } }, false));
        buttonRow(layout,
            { pageNavigator(page, "navDiscFactor", source("dsCustDiscFactor"), { nbPost, nbCancel, nbInsert, nbDelete }) });
        m_pageData[tsDiscFactor] = { client("cdsCustDiscFactor") };
    }
    // "Платежи"
    {
        QWidget *page = CreatePage(tsPayments, "tsPayments", QStringLiteral("Платежи"));
        auto *layout = new QVBoxLayout(page);
        TKyv_DBGridEh *grid = pageGrid(page, "dbgPayments", source("dsCustPayment"),
            { { "PAY_DATE", "Дата платежа" }, { "PAY_SUM", "Сумма" }, { "L_PAY_DOC", "Плат. документ" },
                { "PAYSOURCE_DESCR", "Ист. платежа" }, { "NOTICE", "Примечание" } });
        grid->SetFooterRowCount(1);
        grid->SumList().SetActive(true);
        grid->Columns()[1]->Footer().SetValueType(fvtSum);
        layout->addWidget(grid);
        buttonRow(layout,
            { actionButton(page, actCustomerPayment), actionButton(page, actPrintPaymentKO1),
                actionButton(page, actDesignPaymentKO1) });
        m_pageData[tsPayments] = { server("odsCustPayment") };
    }
    // "Заявки"
    {
        QWidget *page = CreatePage(tsTickets, "tsTickets", QStringLiteral("Заявки"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgTickets", source("dsCustTickets"),
            { { "TICKET_DATE", "Дата" }, { "PLAN_DATE", "План" }, { "PLAN_TIME_START", "время с:" },
                { "PLAN_TIME_END", "по:" }, { "NOTICE", "Описание заявки" }, { "RO_TEAM_NAME", "Исполнители" } }));
        buttonRow(layout, { actionButton(page, actNewTicket) });
        m_pageData[tsTickets] = { server("odsCustTickets") };
    }
    // "Калькуляция"
    {
        QWidget *page = CreatePage(tsCalc, "tsCalc", QStringLiteral("Калькуляция"));
        auto *grid = new QGridLayout(page);
        grid->addWidget(new QLabel(QStringLiteral("Текущий долг"), page), 0, 0);
        grid->addWidget(shownField(page, "DEBT_SUM"), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Входящий долг на дату инициализации"), page), 1, 0);
        auto *start = new TDBNumberEditEh(page);
        start->setObjectName(QStringLiteral("edStartDebt"));
        if (custDM)
            start->SetDataSource(custDM->dsCustomer());
        start->SetDataField(QStringLiteral("START_DEBT_SUM"));
        grid->addWidget(start, 1, 1);
        TKyv_DBNavigator *navigator
            = pageNavigator(page, "navStartDebt", custDM ? custDM->dsCustomer() : nullptr, { nbPost, nbCancel, nbEdit });
        grid->addWidget(navigator, 1, 2);
        auto *buttons = new QHBoxLayout;
        for (QAction *action : { actRecalcDebtAll, actRecalcStateAll, actRecalcDebt })
            buttons->addWidget(actionButton(page, action));
        buttons->addStretch();
        grid->addLayout(buttons, 2, 0, 1, 3);
        grid->setRowStretch(3, 1);
        m_pageData[tsCalc] = {};
    }
    // "Письма"
    {
        QWidget *page = CreatePage(tsLetters, "tsLetters", QStringLiteral("Письма"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgLetters", source("dsCustLetter"),
            { { "CUSTLETTERDATE", "Дата" }, { "L_LetterType", "Тип" } }, false));
        buttonRow(layout,
            { pageNavigator(page, "navLetters", source("dsCustLetter"), { nbPost, nbCancel, nbInsert, nbDelete }) });
        m_pageData[tsLetters] = { DMR ? DMR->odsLetterType() : nullptr, client("cdsCustLetter") };
    }
    // "Документы"
    {
        QWidget *page = CreatePage(tsDocs, "tsDocs", QStringLiteral("Документы"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgDocs", source("dsCustDoc"),
            { { "DOC_DATE", "Дата" }, { "DOC_NAME", "Наименование" }, { "DOC_URL", "URL" } }));
        navDocs = pageNavigator(page, "navDocs", source("dsCustDoc"), { nbInsert, nbEdit, nbDelete });
        navDocs->OnInsertBtnClick = [this](TKyv_DBNavigator *) { DocumentInsert(); };
        navDocs->OnEditBtnClick = [this](TKyv_DBNavigator *) { DocumentEdit(); };
        navDocs->OnDeleteBtnClick = [this](TKyv_DBNavigator *) { DocumentDelete(); };
        buttonRow(layout, { navDocs });
        m_pageData[tsDocs] = { client("cdsCustDoc") };
    }
    // "Смарткарты"
    {
        QWidget *page = CreatePage(tsSmartCards, "tsSmartCards", QStringLiteral("Смарткарты"));
        auto *layout = new QVBoxLayout(page);
        layout->addWidget(pageGrid(page, "dbgSmartCards", source("dsCustSmartCards"),
            { { "SMARTCARD_NO", "№ Смарткарты" }, { "IS_ACTIVE", "Активная" }, { "IS_MAIN", "Основная" } }));
        navSmartCards = pageNavigator(page, "navSmartCards", source("dsCustSmartCards"), { nbInsert, nbDelete, nbRefresh });
        navSmartCards->OnInsertBtnClick = [this](TKyv_DBNavigator *) { actAppendSmartCard->trigger(); };
        buttonRow(layout, { navSmartCards, actionButton(page, actAppendSmartCard) });
        m_pageData[tsSmartCards] = { client("cdsCustSmartCards") };
    }
    // "Voyager"
    {
        QWidget *page = CreatePage(tsVoyager, "tsVoyager", QStringLiteral("Voyager"));
        auto *grid = new QGridLayout(page);
        grid->addWidget(new QLabel(QStringLiteral("Идентификатор клиента"), page), 0, 0);
        grid->addWidget(shownField(page, "REF_NO"), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Статус"), page), 1, 0);
        lblVoyagerStatus = new QLabel(QStringLiteral("Не найден"), page);
        lblVoyagerStatus->setObjectName(QStringLiteral("lblVoyagerStatus"));
        grid->addWidget(lblVoyagerStatus, 1, 1);
        auto *buttons = new QHBoxLayout;
        for (QAction *action : { actReloadVoyagerState, actActivateVoyagerUser, actDeactivateVoyagerUser })
            buttons->addWidget(actionButton(page, action));
        buttons->addStretch();
        grid->addLayout(buttons, 2, 0, 1, 2);
        grid->setRowStretch(3, 1);
        m_pageData[tsVoyager] = {};
    }
    // "Web"
    {
        QWidget *page = CreatePage(tsWeb, "tsWeb", QStringLiteral("Web"));
        auto *grid = new QGridLayout(page);
        grid->addWidget(new QLabel(QStringLiteral("Пароль доступа"), page), 0, 0);
        edWebPassword = new QLineEdit(page);
        edWebPassword->setObjectName(QStringLiteral("edWebPassword"));
        edWebPassword->setToolTip(QStringLiteral("Пароль для Web доступа (не менее 3х символов)"));
        grid->addWidget(edWebPassword, 0, 1);
        grid->addWidget(actionButton(page, actSetWebPassword), 0, 2);
        grid->setRowStretch(1, 1);
        connect(edWebPassword, &QLineEdit::textChanged, this,
            [this](const QString &text) { actSetWebPassword->setEnabled(text.length() > 2); });
        connect(edWebPassword, &QLineEdit::returnPressed, this, [this] {
            if (actSetWebPassword->isEnabled())
                actSetWebPassword->trigger();
        });
        actSetWebPassword->setEnabled(false);
        m_pageData[tsWeb] = {};
    }
    connect(pcAddInfo, &QTabWidget::currentChanged, this, guarded([this](int) { pcAddInfoChange(); }));
}

void TfrmCustomer::OpenPageDataSets(QWidget *page, bool open)
{
    const auto it = m_pageData.find(page);
    if (it == m_pageData.end())
        return;
    if (open) {
        for (TDataSet *ds : it->second)
            if (ds && !ds->Active())
                ds->Open();
    } else {
        // Details first, their lookups after.
        for (auto ds = it->second.rbegin(); ds != it->second.rend(); ++ds)
            if (*ds && (*ds)->Active())
                (*ds)->Close();
    }
}

void TfrmCustomer::pcAddInfoChange()
{
    QWidget *shown = pcAddInfo->isVisible() || actPnlClientInfoStatus->isChecked() ? pcAddInfo->currentWidget() : nullptr;
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return;
    if (shown != tsInfo && IsEditing())
        c->Post();
    for (const auto &[page, dataSets] : m_pageData)
        if (page != shown)
            OpenPageDataSets(page, false);
    OpenPageDataSets(shown, true);
    if (shown == tsVoyager) {
        if (AppSettings().useVoyager)
            ReloadVoyagerState();
        else
            Services::messages()->warning(QStringLiteral("Система спутникового мониторинга отключена"));
    }
    CheckBtns();
}

void TfrmCustomer::CheckBtns()
{
    if (!pcAddInfo || !actNewCustomer)
        return;
    if (cbIsCompany)
        pcPersonCompany->setCurrentWidget(cbIsCompany->Checked() ? tsCompany : tsPerson);
    const bool cas = AppSettings().useCAS;
    const int cardsIndex = pcAddInfo->indexOf(tsSmartCards);
    pcAddInfo->setTabEnabled(cardsIndex, cas);
    pcAddInfo->setTabVisible(cardsIndex, cas);
    if (actFilterStatus) {
        const bool filtered = actFilterStatus->isChecked();
        actFilterStatus->setText(filtered ? QStringLiteral("Отключить фильтр") : QStringLiteral("Активизировать фильтр"));
        actFilterStatus->setToolTip(filtered ? QStringLiteral("Отключить фильтр отбора по условию")
                                             : QStringLiteral("Активизировать фильтр отбора по условию"));
    }
    const bool cardShown = actPnlClientInfoStatus->isChecked();
    pcAddInfo->setVisible(cardShown);
    if (cardShown && custDM)
        if (TDataSet *houses = custDM->ServerDataSet(QStringLiteral("odsHouseLookup")); houses && !houses->Active()
            && customers() && customers()->Active())
            houses->Open();

    TKyv_ClientDataSet *c = customers();
    if (c && c->Active()) {
        const bool rows = !c->IsEmpty();
        for (QAction *action : { actEditCustomer, actDelCustomer, actShowCustomerBalance, actDesignCustomerBalance,
                 actPrintLetter, actDesignLetters, actPrintCustomersReport, actDesignCustomersReport, actRecalcDebt,
                 actAppendSmartCard })
            action->setEnabled(rows);
        for (QWidget *page : { tsSubscrServ, tsSingleService, tsSingleServ, tsDiscFactor, tsPayments, tsCalc, tsLetters })
            pcAddInfo->setTabEnabled(pcAddInfo->indexOf(page), rows);
        if (rows)
            actNewCustomer->setEnabled(true);
        actNewCustomer->setToolTip(QStringLiteral("Добавить нового абонента"));
    }
    dbgCustomer->Columns()[5]->SetVisible(AppSettings().showLocation);

    // The services page's own buttons and the cash order follow their datasets.
    TDataSet *subscr = custDM ? custDM->ClientDataSet(QStringLiteral("cdsCustSubscrServ")) : nullptr;
    const bool subscrOpen = subscr && subscr->Active();
    actActivateSubscr->setEnabled(subscrOpen);
    actDisactivateSubscr->setEnabled(subscrOpen && !subscr->IsEmpty()
        && subscr->FieldByName(QStringLiteral("STATE_SGN"))->AsInteger() == 1);
    TDataSet *payments = custDM ? custDM->ServerDataSet(QStringLiteral("odsCustPayment")) : nullptr;
    const bool paid = payments && payments->Active() && !payments->IsEmpty();
    actPrintPaymentKO1->setEnabled(paid);
    actDesignPaymentKO1->setEnabled(paid);
}
