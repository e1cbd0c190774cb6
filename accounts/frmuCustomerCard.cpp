// The customer card inside the customer list window: its actions, the editor page and what saving, cancelling
// and deleting a customer do. The information pages under the list are in frmuCustomerPages.cpp.
#include "frmuCustomer.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_DBNavigator.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuVoyager.h"
#include "dmuWeb.h"
#include "frmuCustomerDoc.h"
#include "frmuCustomerPayment.h"
#include "frmuCustomerService.h"
#include "frmuCustomerTicket.h"
#include "frmuHouseGuide.h"
#include "frmuSmartCards.h"
#include "frmuMain.h"
#include "uCardActions.h"
#include "uCardWork.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"
#include "uWindowActions.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TKyv_ClientDataSet *customers()
{
    return custDM ? custDM->cdsCustomer() : nullptr;
}

TField *customerField(const char *name)
{
    return customers()->FieldByName(QString::fromLatin1(name));
}

bool isBlankValue(const QVariant &value)
{
    return value.isNull() || value.toString().trimmed().isEmpty();
}

template <class T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <class T> T *tagged(T *widget, const char *name, int tag)
{
    named(widget, name);
    widget->setProperty("Tag", tag);
    return widget;
}

template <class T> T *bound(T *editor, const char *field)
{
    if (custDM)
        editor->SetDataSource(custDM->dsCustomer());
    editor->SetDataField(QString::fromLatin1(field));
    return editor;
}

} // namespace

QString CustomerInitials(const QString &firstName, const QString &middleName)
{
    QString initials;
    for (const QString &name : { firstName.trimmed(), middleName.trimmed() })
        if (!name.isEmpty())
            initials += name.left(1).toUpper() + QLatin1Char('.');
    return initials;
}

// Follows the customer list: every change of its state, rows or current row re-runs CheckBtns.
class TfrmCustomer::TCardLink : public TDataLink
{
public:
    explicit TCardLink(TfrmCustomer *form)
        : m_form(form)
    {
    }

protected:
    void ActiveChanged() override { check(); }
    void DataSetChanged() override { check(); }
    void EditingChanged() override { check(); }
    void RecordChanged(TField *) override { check(); }

private:
    void check()
    {
        guard([this] { m_form->CheckBtns(); });
    }
    TfrmCustomer *m_form;
};

TfrmCustomer::~TfrmCustomer()
{
    m_cardLink.reset();
}

bool TfrmCustomer::IsEditing() const
{
    TKyv_ClientDataSet *c = customers();
    return c && (c->State() == dsEdit || c->State() == dsInsert);
}

// ---- Actions

void TfrmCustomer::CreateCardActions()
{
    auto make = [this](const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) { return AddAction(name, caption, key, std::move(run)); };
    actNewCustomer = make("actNewCustomer", QStringLiteral("Добавить клиента"), QKeySequence(Qt::Key_Insert),
        [this] { actNewCustomerExecute(); });
    actNewCustomer->setToolTip(QStringLiteral("Добавить нового абонента"));
    actEditCustomer = make("actEditCustomer", QStringLiteral("Корректировать"), QKeySequence(Qt::Key_F2),
        [this] { actEditCustomerExecute(); });
    actDelCustomer = make("actDelCustomer", QStringLiteral("Удалить клиента"),
        QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { actDelCustomerExecute(); });
    actApply = make("actApply", QStringLiteral("Готово"), {}, [this] { actApplyExecute(); });
    actCancel = make("actCancel", QStringLiteral("Отмена"), {}, [this] { actCancelExecute(); });
    actSelectHouse = make("actSelectHouse", QStringLiteral("..."), {}, [this] { actSelectHouseExecute(); });
    actClearValidToDate = make("actClearValidToDate", QStringLiteral("X"), {}, [this] {
        if (IsEditing())
            customerField("VALID_TO")->Clear();
    });
    actCustomerPayment = make("actCustomerPayment", QStringLiteral("Ввести платеж"), {}, [this] {
        if (!HasCurrentCustomer())
            return;
        executeCustomerPayment(customerField("CUSTOMER_ID")->Value());
        actRefreshCustomerExecute();
        ReopenDetail(custDM->ServerDataSet(QStringLiteral("odsCustPayment")));
    });
    actNewTicket = make("actNewTicket", QStringLiteral("Добавить заявку"), {}, [this] {
        if (!HasCurrentCustomer())
            return;
        executeCustomerTicket(customerField("CUSTOMER_ID")->Value(), this);
        actRefreshCustomerExecute();
        ReopenDetail(custDM->ServerDataSet(QStringLiteral("odsCustTickets")));
    });
    actAppendSmartCard = make("actAppendSmartCard", QStringLiteral("Добавить смарткарту"), {},
        [this] { actAppendSmartCardExecute(); });
    actReloadVoyagerState
        = make("actReloadVoyagerState", QStringLiteral("Обновить"), {}, [this] { ReloadVoyagerState(); });
    actActivateVoyagerUser = make("actActivateVoyagerUser", QStringLiteral("Активировать"), {}, [this] {
        ConfirmVoyagerUser(false);
        ReloadVoyagerState();
    });
    actDeactivateVoyagerUser = make("actDeactivateVoyagerUser", QStringLiteral("Блокировать"), {}, [this] {
        ConfirmVoyagerUser(true);
        ReloadVoyagerState();
    });
    actSetWebPassword
        = make("actSetWebPassword", QStringLiteral("Назначить"), {}, [this] { actSetWebPasswordExecute(); });

    // The work of these lies in the card's entry points; a pending edit is posted first.
    auto posting = [this](void (*entry)(TfrmCustomer *)) {
        return [this, entry] {
            if (IsEditing())
                customers()->Post();
            entry(this);
            CheckBtns();
        };
    };
    auto printing = [this](void (*entry)(TfrmCustomer *, bool), bool design) {
        return [this, entry, design] { entry(this, design); };
    };
    actRecalcDebt = make("actRecalcDebt", QStringLiteral("Пересчитать долг и признаки"), {}, posting(CardRecalcDebt));
    actRecalcDebtAll = make("actRecalcDebtAll", QStringLiteral("Пересчитать всем"), {}, posting(CardRecalcDebtAll));
    actRecalcStateAll
        = make("actRecalcStateAll", QStringLiteral("Контроль признаков всем"), {}, posting(CardRecalcStateAll));
    actActivateSubscr = make("actActivateSubscr", QStringLiteral("Подключить"), {}, posting(CardActivateSubscr));
    actDisactivateSubscr
        = make("actDisactivateSubscr", QStringLiteral("Отключить"), {}, posting(CardDisactivateSubscr));
    actShowCustSubscrHistory
        = make("actShowCustSubscrHistory", QStringLiteral("История"), {}, posting(CardShowCustSubscrHistory));
    actSubsribeAll = make("actSubsribeAll", QStringLiteral("Подключить всех"), {}, posting(CardSubscribeAll));
    actRemoveAllHistory = make("actRemoveAllHistory", QStringLiteral("Очистить всем историю подключений"), {},
        posting(CardRemoveAllHistory));
    actShowCustomerBalance = make("actShowCustomerBalance", QStringLiteral("Показать баланс"), {},
        printing(CardShowCustomerBalance, false));
    actDesignCustomerBalance
        = make("actDesignCustomerBalance", QStringLiteral("Дизайнер"), {}, printing(CardShowCustomerBalance, true));
    actPrintCustomersReport = make("actPrintCustomersReport", QStringLiteral("Печать выборки"), {},
        printing(CardPrintCustomersReport, false));
    actPrintCustomersReport->setToolTip(QStringLiteral("Печать выборки по клиентам"));
    actDesignCustomersReport = make("actDesignCustomersReport", QStringLiteral("Дизайнер  выборки по клиентам"), {},
        printing(CardPrintCustomersReport, true));
    actPrintLetter
        = make("actPrintLetter", QStringLiteral("Печать уведомлений"), {}, printing(CardPrintLetter, false));
    actDesignLetters
        = make("actDesignLetters", QStringLiteral("Дизайнер уведомлений"), {}, printing(CardPrintLetter, true));
    actPrintContract
        = make("actPrintContract", QStringLiteral("Печать договора"), {}, printing(CardPrintContract, false));
    actDesignContract
        = make("actDesignContract", QStringLiteral("Дизайнер Договора"), {}, printing(CardPrintContract, true));
    actPrintRequest = make("actPrintRequest", QStringLiteral("Печать заказа"), {}, printing(CardPrintRequest, false));
    actDesignRequest
        = make("actDesignRequest", QStringLiteral("Дизайнер заказа"), {}, printing(CardPrintRequest, true));
    actPrintKvit = make("actPrintKvit", QStringLiteral("Печать квитанции"), {}, printing(CardPrintKvit, false));
    actDesignKvit = make("actDesignKvit", QStringLiteral("Дизайн квитанции"), {}, printing(CardPrintKvit, true));
    actPrintPaymentKO1 = make("actPrintPaymentKO1", QStringLiteral("Печать кассового ордера КО1"), {},
        printing(CardPrintPaymentKO1, false));
    actDesignPaymentKO1 = make("actDesignPaymentKO1", QStringLiteral("Дизайнер кассового ордера КО1"), {},
        printing(CardPrintPaymentKO1, true));
}

void TfrmCustomer::StartConnecting()
{
    CardActivateSubscr(this);
}

// ---- The editor page

QWidget *TfrmCustomer::CreatePersonPage()
{
    tsPerson = named(new QWidget, "tsPerson");
    auto *form = new QGridLayout(tsPerson);
    form->setContentsMargins(0, 0, 0, 0);
    edSurname = bound(tagged(new TDBEditEh(tsPerson), "edSurname", 3), "SURNAME");
    edFirstName = bound(tagged(new TDBEditEh(tsPerson), "edFirstName", 4), "FIRSTNAME");
    edMidleName = bound(tagged(new TDBEditEh(tsPerson), "edMidleName", 5), "MIDLENAME");
    edInitials = bound(tagged(new TDBEditEh(tsPerson), "edInitials", 6), "INITIALS");
    edPaspNo = bound(tagged(new TDBEditEh(tsPerson), "edPaspNo", 9), "PASP_NO");
    edPaspOrg = bound(tagged(new TDBEditEh(tsPerson), "edPaspOrg", 9), "PASP_ORG");
    edPaspDate = bound(tagged(new TDBDateTimeEditEh(tsPerson), "edPaspDate", 7), "PASP_DATE");
    edBirthday = bound(tagged(new TDBDateTimeEditEh(tsPerson), "edBirthday", 7), "BIRTHDAY");
    const std::pair<QString, QWidget *> rows[] = {
        { QStringLiteral("Фамилия *"), edSurname },
        { QStringLiteral("Имя"), edFirstName },
        { QStringLiteral("Отчество"), edMidleName },
        { QStringLiteral("Инициалы"), edInitials },
        { QStringLiteral("Паспорт №"), edPaspNo },
        { QStringLiteral("Выдан"), edPaspOrg },
        { QString(), edPaspDate },
        { QStringLiteral("День рожд."), edBirthday },
    };
    int row = 0;
    for (const auto &[caption, editor] : rows) {
        form->addWidget(new QLabel(caption, tsPerson), row / 2, (row % 2) * 2);
        form->addWidget(editor, row / 2, (row % 2) * 2 + 1);
        ++row;
    }
    for (TDBEditEh *name : { edFirstName, edMidleName })
        name->OnExit = [this](QObject *) { NamesExit(); };
    return tsPerson;
}

QWidget *TfrmCustomer::CreateCompanyPage()
{
    tsCompany = named(new QWidget, "tsCompany");
    auto *form = new QFormLayout(tsCompany);
    form->setContentsMargins(0, 0, 0, 0);
    edCompanyName = bound(tagged(new TDBEditEh(tsCompany), "edCompanyName", 3), "SURNAME");
    edTaxNo = bound(tagged(new TDBEditEh(tsCompany), "edTaxNo", 3), "TAX_NO");
    form->addRow(QStringLiteral("Наименование"), edCompanyName);
    form->addRow(QStringLiteral("ИНН"), edTaxNo);
    return tsCompany;
}

void TfrmCustomer::CreateEditorPage()
{
    auto *grid = new QGridLayout(tsDetail);
    int row = 0;
    auto addRow = [&](const QString &caption, QWidget *editor, QWidget *extra = nullptr) {
        grid->addWidget(new QLabel(caption, tsDetail), row, 0);
        if (extra) {
            auto *line = new QHBoxLayout;
            line->addWidget(editor, 1);
            line->addWidget(extra);
            grid->addLayout(line, row, 1);
        } else {
            grid->addWidget(editor, row, 1);
        }
        ++row;
    };
    auto button = [this](QAction *action, const char *name) {
        auto *b = named(new QPushButton(action->text(), tsDetail), name);
        b->setFixedWidth(24);
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
        return b;
    };

    edAccountNo = bound(tagged(new TDBEditEh(tsDetail), "edAccountNo", 1), "ACCOUNT_NO");
    cbIsCompany = bound(tagged(new TDBCheckBoxEh(tsDetail), "cbIsCompany", 2), "IS_COMPANY");
    cbIsCompany->SetCaption(QStringLiteral("Юр. лицо"));
    cbIsCompany->SetValueChecked(QStringLiteral("1"));
    cbIsCompany->SetValueUnchecked(QStringLiteral("0"));
    cbIsCompany->setToolTip(QStringLiteral("Признак юридического лица"));
    addRow(QStringLiteral("№ лиц. счета"), edAccountNo, cbIsCompany);

    pcPersonCompany = named(new QStackedWidget(tsDetail), "pcPersonCompany");
    pcPersonCompany->addWidget(CreatePersonPage());
    pcPersonCompany->addWidget(CreateCompanyPage());
    grid->addWidget(pcPersonCompany, row++, 0, 1, 2);

    edPhone = bound(tagged(new TDBEditEh(tsDetail), "edPhone", 9), "PHONE_NO");
    addRow(QStringLiteral("Телефоны"), edPhone);

    TDataSource *houses = custDM ? custDM->DataSource(QStringLiteral("dsHouseLookup")) : nullptr;
    auto houseList = [&](const char *name, int tag, const char *shown) {
        auto *combo = bound(tagged(new TDBLookupComboboxEh(tsDetail), name, tag), "HOUSE_ID");
        combo->SetListSource(houses);
        combo->SetKeyField(QStringLiteral("HOUSE_ID"));
        combo->SetListField(QString::fromLatin1(shown));
        return combo;
    };
    cbStreet = houseList("cbStreet", 10, "FULL_STREET_NAME");
    cbHouseNo = houseList("cbHouseNo", 11, "HOUSE_NO");
    addRow(QStringLiteral("Улица *"), cbStreet, button(actSelectHouse, "btnSelectHouse"));
    addRow(QStringLiteral("№ дома"), cbHouseNo);
    edFlatNo = bound(tagged(new TDBEditEh(tsDetail), "edFlatNo", 12), "FLAT_NO");
    addRow(QStringLiteral("№ квартиры *"), edFlatNo);

    edContractNo = bound(tagged(new TDBEditEh(tsDetail), "edContractNo", 9), "CONTRACT_NO");
    edContractDate = bound(tagged(new TDBDateTimeEditEh(tsDetail), "edContractDate", 7), "CONTRACT_DATE");
    edValidTo = bound(tagged(new TDBDateTimeEditEh(tsDetail), "edValidTo", 8), "VALID_TO");
    for (TDBDateTimeEditEh *date : { edContractDate, edValidTo })
        date->SetEditFormat(QStringLiteral("dd.MM.yyyy"));
    auto *contract = new QHBoxLayout;
    contract->addWidget(edContractNo, 1);
    contract->addWidget(new QLabel(QStringLiteral("С:"), tsDetail));
    contract->addWidget(edContractDate);
    contract->addWidget(new QLabel(QStringLiteral("По:"), tsDetail));
    contract->addWidget(edValidTo);
    contract->addWidget(button(actClearValidToDate, "btnClearValidTo"));
    grid->addWidget(new QLabel(QStringLiteral("Договор №:"), tsDetail), row, 0);
    grid->addLayout(contract, row++, 1);

    edNotice = bound(tagged(new TDBEditEh(tsDetail), "edNotice", 13), "NOTICE");
    edNotice2 = bound(tagged(new TDBEditEh(tsDetail), "edNotice2", 13), "NOTICE2");
    addRow(QStringLiteral("Примечание"), edNotice);
    addRow(QString(), edNotice2);
    edRefNo = bound(tagged(new TDBEditEh(tsDetail), "edRefNo", 1), "REF_NO");
    edRefNo->setToolTip(QStringLiteral("Код интеграции с внешними системами"));
    addRow(QStringLiteral("Внешн. код"), edRefNo);
    cbCompany = bound(named(new TDBLookupComboboxEh(tsDetail), "cbCompany"), "L_COMPANY");
    addRow(QStringLiteral("Подразделение"), cbCompany);
    edDebt = bound(named(new TDBEditEh(tsDetail), "edDebt"), "DEBT_SUM");
    edDebt->SetReadOnly(true);
    addRow(QStringLiteral("Долг:"), edDebt);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QAction *action : { actApply, actCancel }) {
        auto *b = named(new QPushButton(action->text(), tsDetail), action == actApply ? "btnApply" : "btnCancel");
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);

    edAccountNo->OnExit = [this](QObject *) { AccountNoExit(); };
    cbIsCompany->OnClick = [this](QObject *) { guard([this] { IsCompanyClick(); }); };
    for (QWidget *w : tsDetail->findChildren<QWidget *>())
        if (w->property("Tag").isValid())
            w->installEventFilter(this);
    // A comma in the account number or the external code is a point.
    for (TDBEditEh *edit : { edAccountNo, edRefNo })
        edit->OnKeyPress = [](QObject *, QChar &key) {
            if (key == QLatin1Char(','))
                key = QLatin1Char('.');
        };

    m_cardLink = std::make_unique<TCardLink>(this);
    if (custDM)
        m_cardLink->SetDataSource(custDM->dsCustomer());
}

bool TfrmCustomer::CardKey(QObject *watched, QKeyEvent *key)
{
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (!AppSettings().enterToTab)
        return false;
    const int tag = watched->property("Tag").toInt();
    if (tag == 1) {
        TKyv_ClientDataSet *c = customers();
        const bool company = c && c->Active() && customerField("IS_COMPANY")->AsInteger() == 1;
        (company ? edCompanyName : edSurname)->setFocus();
        return true;
    }
    if (tag == 10 || tag == 11) {
        if (static_cast<TDBLookupComboboxEh *>(watched)->ListVisible())
            return false;
    } else if (!((tag >= 2 && tag <= 9) || tag == 12 || tag == 16)) {
        return false;
    }
    focusNextChild();
    return true;
}

void TfrmCustomer::AccountNoExit()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || c->State() != dsInsert || !DM)
        return;
    const QString number = edAccountNo->Text();
    if (CustomersWithAccount(number) > 0)
        Services::messages()->warning(QStringLiteral("Лицевой счет ") + number + QStringLiteral(" уже есть в картотеке"));
}

void TfrmCustomer::NamesExit()
{
    if (!IsEditing() || customerField("IS_COMPANY")->AsInteger() == 1)
        return;
    const QString initials = CustomerInitials(edFirstName->Text(), edMidleName->Text());
    if (customerField("INITIALS")->AsString() != initials)
        customerField("INITIALS")->SetValue(initials);
}

void TfrmCustomer::IsCompanyClick()
{
    const bool company = cbIsCompany->Checked();
    pcPersonCompany->setCurrentWidget(company ? tsCompany : tsPerson);
    if (!company || !IsEditing())
        return;
    for (const char *name : { "FIRSTNAME", "MIDLENAME", "INITIALS" })
        if (customerField(name)->IsNull())
            customerField(name)->SetValue(QStringLiteral(" "));
}

// ---- New, edit, validate, save, cancel

void TfrmCustomer::actNewCustomerExecute()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return;
    pcMain->setCurrentWidget(tsDetail);
    if (IsEditing())
        return;
    TScreenCursorScope cursor(crHourGlass);
    struct Animation
    {
        Animation() { TellMainWindow(AMShowAnimate); }
        ~Animation() { TellMainWindow(AMHideAnimate); }
    } animation;
    c->Last();
    const QVariant house = c->IsEmpty() ? QVariant(0) : customerField("HOUSE_ID")->Value();
    c->Append();
    customerField("HOUSE_ID")->SetValue(house);
    edAccountNo->setFocus();
}

void TfrmCustomer::actEditCustomerExecute()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active() || c->IsEmpty())
        return;
    pcMain->setCurrentWidget(tsDetail);
    if (!IsEditing())
        c->Edit();
    edAccountNo->setFocus();
}

bool TfrmCustomer::ValidateCustomerCard()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return false;
    auto focus = [](QWidget *w) {
        if (w->isVisible() && w->isEnabled())
            w->setFocus();
    };
    const bool company = customerField("IS_COMPANY")->AsInteger() == 1;
    if (isBlankValue(customerField("SURNAME")->Value())) {
        Services::messages()->error(
            company ? QStringLiteral("Не введено наименование") : QStringLiteral("Не введена фамилия"));
        focus(company ? edCompanyName : edSurname);
        return false;
    }
    const QVariant house = customerField("HOUSE_ID")->Value();
    if (house.isNull() || house.toDouble() == 0) {
        Services::messages()->error(QStringLiteral("Не выбрана улица"));
        focus(cbStreet);
        return false;
    }
    const QVariant flat = customerField("FLAT_NO")->Value();
    if (isBlankValue(flat)) {
        if (company)
            return true;
        Services::messages()->error(QStringLiteral("Не введена квартира"));
        focus(edFlatNo);
        return false;
    }
    const int n = CustomersInFlat(house, flat.toString());
    if ((c->State() == dsInsert && n > 0) || (c->State() != dsInsert && n > 1)) {
        Services::messages()->warning(QStringLiteral("По выбранному адресу уже есть запись в картотеке"));
        focus(edContractDate);
        return false;
    }
    return true;
}

void TfrmCustomer::actApplyExecute()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return;
    const bool inserted = c->State() == dsInsert;
    const QVariant id = customerField("CUSTOMER_ID")->Value();
    if (!SaveCard())
        return;
    pcMain->setCurrentWidget(tsList);
    actRefreshCustomerExecute();
    if (inserted && !AppSettings().useCAS && c->Active() && !c->IsEmpty()
        && customerField("CUSTOMER_ID")->Value().toDouble() == id.toDouble())
        StartConnecting();
}

void TfrmCustomer::actCancelExecute()
{
    TKyv_ClientDataSet *c = customers();
    pcMain->setCurrentWidget(tsList);
    if (!c || !c->Active())
        return;
    if (IsEditing())
        c->Cancel();
    actRefreshCustomerExecute();
}

void TfrmCustomer::actSelectHouseExecute()
{
    if (!IsEditing())
        return;
    TField *house = customerField("HOUSE_ID");
    QVariant picked;
    executeHouseGuide(house->IsNull() ? QVariant(0) : house->Value(), 1, picked);
    if (!picked.isNull() && picked.toDouble() != house->AsFloat())
        house->SetValue(picked);
    if (TDataSet *houses = custDM->ServerDataSet(QStringLiteral("odsHouseLookup"))) {
        houses->Close();
        houses->Open();
    }
}

// ---- Delete

void TfrmCustomer::actDelCustomerExecute()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active() || c->IsEmpty() || !DM || !DMR)
        return;
    if (IsEditing())
        c->Cancel();
    const QVariant id = customerField("CUSTOMER_ID")->Value();
    static const struct
    {
        const char *table, *text;
    } refusals[] = {
        { "Payment", "Запись о клиенте удалить нельзя, т.к. были платежи" },
        { "Subscr_Hist", "Запись о клиенте удалить нельзя, т.к. были подключения на абонентские услуги" },
        { "Subscr_Serv", "Запись о клиенте удалить нельзя, т.к. были абонентские услуги" },
        { "Single_Serv", "Запись о клиенте удалить нельзя, т.к. были разовые услуги" },
        { "Discount_Factor", "Запись о клиенте удалить нельзя, т.к. были скидки" },
    };
    for (const auto &r : refusals)
        if (DM->IsReferenced(QStringLiteral("CUSTOMER_ID"), QString::fromLatin1(r.table), id)) {
            Services::messages()->warning(QString::fromUtf8(r.text));
            return;
        }
    if (!ConfirmDeleteRecord(QStringLiteral("RU"),
            customerField("SURNAME")->AsString() + QLatin1Char(' ') + customerField("INITIALS")->AsString()))
        return;

    TScreenCursorScope cursor(crHourGlass);
    if (!DMR->DeleteCustomer(id)) {
        HandleReconcileError(QStringLiteral("cdsCustomer"), ReconcileKind::Delete, DMR->LastCommandError(), QString());
        return;
    }
    // The list follows: the row after the deleted one becomes current, or the one before at the end.
    c->Next();
    if (c->Eof())
        c->Prior();
    const QVariant next = customerField("CUSTOMER_ID")->Value();
    c->Close();
    c->Open();
    if (!next.isNull() && next.toDouble() != id.toDouble())
        c->Locate(QStringLiteral("CUSTOMER_ID"), next);
    SortByMarkers(dbgCustomer);
}

// ---- Services by fact, documents, smart cards

bool TfrmCustomer::HasCurrentCustomer()
{
    TKyv_ClientDataSet *c = customers();
    if (c && c->Active() && !c->IsEmpty() && !customerField("CUSTOMER_ID")->IsNull())
        return true;
    Services::messages()->messageDlg(QStringLiteral("Не выбран клиент"), mtWarning, mbYes, mbYes);
    return false;
}

bool TfrmCustomer::ConfirmDetailDelete(TDataSet *ds)
{
    if (!HasCurrentCustomer() || !ds->Active() || ds->IsEmpty())
        return false;
    // The navigator's own question: its delete button is the card's here.
    return Services::messages()->messageDlg(QStringLiteral("Delete record?"), mtConfirmation, mbOKCancel, mbOK)
        != mrCancel;
}

void TfrmCustomer::ReopenDetail(TDataSet *ds)
{
    if (!ds)
        return;
    ds->Close();
    ds->Open();
}

void TfrmCustomer::MoveDebtForService(double delta, const QVariant &serviceDate)
{
    TKyv_ClientDataSet *c = customers();
    const QVariant id = customerField("CUSTOMER_ID")->Value();
    if (delta != 0) {
        if (!IsEditing())
            c->Edit();
        customerField("DEBT_SUM")->SetValue(RoundMoney(customerField("DEBT_SUM")->AsFloat() + delta));
        c->Post();
    }
    DM->MarkInvalidCustDebt(id, serviceDate);
    DM->CommitWork();
}

void TfrmCustomer::SingleServiceInsert()
{
    if (!HasCurrentCustomer())
        return;
    if (executeNewCustomerService()) {
        SingleServiceAdded();
        return;
    }
    actRefreshCustomerExecute();
    ReopenDetail(custDM->ClientDataSet(QStringLiteral("cdsCustSingleService")));
}

void TfrmCustomer::SingleServiceEdit()
{
    if (!HasCurrentCustomer())
        return;
    if (executeEditCustomerService()) {
        SingleServiceEdited();
        return;
    }
    actRefreshCustomerExecute();
    ReopenDetail(custDM->ClientDataSet(QStringLiteral("cdsCustSingleService")));
}

void TfrmCustomer::SingleServiceAdded()
{
    TDataSet *services = custDM->ClientDataSet(QStringLiteral("cdsCustSingleService"));
    ReopenDetail(services);
    // The newest row is the dialog's: its amount is charged now, the month is recalculated at the refresh.
    double newest = -1;
    QVariant amount, date;
    for (services->First(); !services->Eof(); services->Next()) {
        const double key = services->FieldByName(QStringLiteral("CUSTOMER_SERVICE_ID"))->AsFloat();
        if (key > newest) {
            newest = key;
            amount = services->FieldByName(QStringLiteral("AMOUNT"))->Value();
            date = services->FieldByName(QStringLiteral("SERVICE_DATE"))->Value();
        }
    }
    if (newest < 0)
        return;
    MoveDebtForService(amount.toDouble(), date);
    actRefreshCustomerExecute();
    ReopenDetail(services);
}

void TfrmCustomer::SingleServiceEdited()
{
    TDataSet *services = custDM->ClientDataSet(QStringLiteral("cdsCustSingleService"));
    if (services->Active() && !services->IsEmpty())
        MoveDebtForService(0, services->FieldByName(QStringLiteral("SERVICE_DATE"))->Value());
    actRefreshCustomerExecute();
    ReopenDetail(services);
}

void TfrmCustomer::SingleServiceDelete()
{
    TDataSet *services = custDM->ClientDataSet(QStringLiteral("cdsCustSingleService"));
    if (!ConfirmDetailDelete(services))
        return;
    const double amount = services->FieldByName(QStringLiteral("AMOUNT"))->AsFloat();
    const QVariant date = services->FieldByName(QStringLiteral("SERVICE_DATE"))->Value();
    services->Delete();
    MoveDebtForService(-amount, date);
    actRefreshCustomerExecute();
    ReopenDetail(services);
}

void TfrmCustomer::DocumentInsert()
{
    if (HasCurrentCustomer())
        DocumentChanged(executeNewCustomerDoc());
}

void TfrmCustomer::DocumentEdit()
{
    if (HasCurrentCustomer()) {
        executeEditCustomerDoc();
        DocumentChanged(false);
    }
}

void TfrmCustomer::DocumentChanged(bool inserted)
{
    if (inserted && IsEditing())
        customers()->Post();
    actRefreshCustomerExecute();
    ReopenDetail(custDM->ClientDataSet(QStringLiteral("cdsCustDoc")));
}

void TfrmCustomer::DocumentDelete()
{
    TDataSet *docs = custDM->ClientDataSet(QStringLiteral("cdsCustDoc"));
    if (!ConfirmDetailDelete(docs))
        return;
    docs->Delete();
    ReopenDetail(docs);
}

void TfrmCustomer::actAppendSmartCardExecute()
{
    if (!HasCurrentCustomer())
        return;
    if (!AppSettings().useCAS) {
        Services::messages()->information(
            QStringLiteral("Для работы с CAS требуется настроить параметры CAS сервера\rСм. меню "
                           "\"Сервис->Настройка Конфигурации->CAS\""));
        return;
    }
    TDataSet *cards = custDM->ClientDataSet(QStringLiteral("cdsCustSmartCards"));
    const QVariant current = cards->Active() && !cards->IsEmpty()
        ? cards->FieldByName(QStringLiteral("SMARTCARD_ID"))->Value()
        : QVariant(0);
    QVariant picked;
    if (executeSmartCardsGuide(current, 1, picked) && !picked.isNull() && picked.toDouble() != current.toDouble())
        DM->SetCustMainSmartCard(customerField("CUSTOMER_ID")->Value(), picked);
    ReopenDetail(cards);
}

// ---- Voyager and the web password

void TfrmCustomer::ReloadVoyagerState()
{
    actActivateVoyagerUser->setEnabled(false);
    actDeactivateVoyagerUser->setEnabled(false);
    lblVoyagerStatus->setText(QStringLiteral("Не найден"));
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active() || c->IsEmpty() || !dmVoyager)
        return;
    const QString ref = customerField("REF_NO")->AsString().trimmed();
    if (ref.isEmpty())
        return;
    const quint8 disabled = dmVoyager->getVoyagerUserDisabled(ref);
    if (disabled == 1) {
        lblVoyagerStatus->setText(QStringLiteral("Блокирован"));
        actActivateVoyagerUser->setEnabled(true);
    } else if (disabled == 0) {
        lblVoyagerStatus->setText(QStringLiteral("Активен"));
        actDeactivateVoyagerUser->setEnabled(true);
    }
}

void TfrmCustomer::ConfirmActivateVoyagerUser()
{
    ConfirmVoyagerUser(false);
}

void TfrmCustomer::ConfirmBlockVoyagerUser()
{
    ConfirmVoyagerUser(true);
}

void TfrmCustomer::ConfirmVoyagerUser(bool block)
{
    if (!Services::messages()->confirm(block ? QStringLiteral("Блокировать клиента в системе Voyager ?")
                                             : QStringLiteral("Активировать клиента в системе Voyager ?")))
        return;
    const QString ref = customerField("REF_NO")->AsString().trimmed();
    if (ref.isEmpty()) {
        Services::messages()->error(
            QStringLiteral("Ошибка. В карточке клиента не назначен код клиента в системе Voyager"));
        return;
    }
    if (dmVoyager && dmVoyager->voyagerUserExists(ref))
        dmVoyager->setVoyagerUserDisabled(ref, block);
    else
        Services::messages()->error(
            QStringLiteral("Ошибка. Не найден клиент в системе Voyager с кодом [") + ref + QLatin1Char(']'));
}

void TfrmCustomer::actSetWebPasswordExecute()
{
    if (!HasCurrentCustomer() || edWebPassword->text().length() <= 2 || !dmWeb)
        return;
    if (dmWeb->SetCustomerWebPassword(edWebPassword->text(), customerField("CUSTOMER_ID")->Value()))
        Services::messages()->information(QStringLiteral("Пароль обновлен"));
}
