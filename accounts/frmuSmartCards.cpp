#include "frmuSmartCards.h"

#include "ApplicationHint.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuSMS.h"
#include "frmuBatchCardsInsert.h"
#include "frmuDTVProviderGuide.h"
#include "frmuMain.h"
#include "uCasPacket.h"
#include "uGuides.h"
#include "uSmartCards.h"
#include "uWindowActions.h"
#include "uGuideStatements.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>

TfrmSmartCards *frmSmartCards = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmSmartCards";
    s.caption = QStringLiteral("SMART карты");
    s.placementPath = QStringLiteral("frmSmartCards\\");
    s.helpContext = 5300;
    s.keyField = QStringLiteral("SMARTCARD_ID");
    s.nameField = QStringLiteral("SMARTCARD_NO");
    s.table = QStringLiteral("ZOLT.SmartCard");
    s.sortField = QStringLiteral("RO_SMARTCARD_NO");
    return s;
}

const QString CardNumberIndex = QStringLiteral("iRO_SMARTCARD_NO");

// The main window's animation while the CAS server is asked, stopped whatever the exchange does.
struct TCasExchangeScope
{
    TCasExchangeScope() { TellMainWindow(AMShowAnimate); }
    ~TCasExchangeScope() { TellMainWindow(AMHideAnimate); }
};

TMemTable *filterRecord()
{
    return DM ? DM->mdTempCFG() : nullptr;
}

} // namespace

TfrmSmartCards::TfrmSmartCards(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    cdsSmartCard = makeClientList("cdsSmartCard", "dspSmartCard", SmartCardListStatement());
    setList(cdsSmartCard, QStringLiteral("frmSmartCards.cdsSmartCard"));
    odsProviderLookup = makeLookup("odsProviderLookup", ProviderLookupStatement());

    dbgList->SetUseMultiTitle(true);
    addColumn("RO_SMARTCARD_NO", QStringLiteral("№ карты"), 90);
    addColumn("IS_ACTIVE", QStringLiteral("Активна"), 60);
    addColumn("RO_PROVIDER_NAME", QStringLiteral("Провайдер"), 140);
    addColumn("RO_CUSTOMER_ACCOUNT_NO", QStringLiteral("Клиент|Лиц. счет"), 80);
    addColumn("RO_CUSTOMER", QStringLiteral("Клиент|ФИО"), 160);

    edtCardNo = addEdit("edtCardNo", QStringLiteral("№ карты"), "SMARTCARD_NO", 1);
    cbProvider = addLookupCombo("cbProvider", QStringLiteral("Провайдер"), "DTV_PROVIDER_ID", odsProviderLookup,
        "DTV_PROVIDER_ID", "PROVIDER_NAME", 2);
    maxTag = 2;

    actApplyAndActivete = makeAction(
        "actApplyAndActivete", QStringLiteral("Активировать"), {}, [this] { actApplyAndActiveteExecute(); },
        QStringLiteral("Записать изменения и активировать карту"));
    auto *btnActivate = new QPushButton(tsDetail);
    btnActivate->setObjectName(QStringLiteral("btnApplyAndActivete"));
    btnActivate->setText(actApplyAndActivete->text());
    btnActivate->setToolTip(actApplyAndActivete->toolTip());
    connect(btnActivate, &QPushButton::clicked, actApplyAndActivete, &QAction::trigger);
    connect(actApplyAndActivete, &QAction::enabledChanged, btnActivate, &QWidget::setEnabled);
    addDetail(QString(), btnActivate, 0);

    actActivateSmartCard = makeAction(
        "actActivateSmartCard", QStringLiteral("Активировать карту"), {}, [this] { actActivateSmartCardExecute(); });
    actDeactivateSmartCard = makeAction(
        "actDeactivateSmartCard", QStringLiteral("Деактивировать"), {}, [this] { actDeactivateSmartCardExecute(); });
    acBatchCardsInsert = makeAction(
        "acBatchCardsInsert", QStringLiteral("Добавить пачку"), {}, [this] { acBatchCardsInsertExecute(); });
    actCardTypeFilter = makeAction(
        "actCardTypeFilter", QStringLiteral("Активизировать фильтр"), {}, [this] { actCardTypeFilterExecute(); },
        QStringLiteral("Активизировать фильтр отбора по условию"));
    actCardTypeFilter->setCheckable(true);
    cbCardState = new QComboBox(tbList);
    cbCardState->setObjectName(QStringLiteral("cbCardState"));
    cbCardState->addItem(QStringLiteral("Активная"), 1);
    cbCardState->addItem(QStringLiteral("Не активная"), 0);
    if (TMemTable *r = filterRecord(); r && !r->FieldByName(QStringLiteral("SMART_CARD_IS_ACTIVE"))->IsNull())
        cbCardState->setCurrentIndex(r->FieldByName(QStringLiteral("SMART_CARD_IS_ACTIVE"))->AsInteger() == 0 ? 1 : 0);
    connect(cbCardState, &QComboBox::currentIndexChanged, this, guarded([this](int) {
        if (TMemTable *r = filterRecord()) {
            if (r->State() != dsEdit && r->State() != dsInsert)
                r->Edit();
            r->FieldByName(QStringLiteral("SMART_CARD_IS_ACTIVE"))->SetValue(cbCardState->currentData());
        }
        applyFilter();
    }));
    tbList->addSeparator();
    tbList->addActions({ actActivateSmartCard, actDeactivateSmartCard, acBatchCardsInsert });
    tbList->addSeparator();
    tbList->addAction(actCardTypeFilter);
    tbList->addWidget(cbCardState);
}

void TfrmSmartCards::newRecord(TDataSet *ds)
{
    TfrmGuide::newRecord(ds);
    ds->FieldByName(QStringLiteral("IS_ACTIVE"))->SetValue(0);
}

bool TfrmSmartCards::currentActive() const
{
    return hasRows() && L->FieldByName(QStringLiteral("IS_ACTIVE"))->AsInteger() == 1;
}

bool TfrmSmartCards::currentHasCustomer() const
{
    return hasRows() && !L->FieldByName(QStringLiteral("RO_CUSTOMER_ID"))->IsNull();
}

void TfrmSmartCards::checkBtns()
{
    TfrmGuide::checkBtns();
    // The base follows the list from the moment it is set, before the card's own controls are made.
    if (!actDeactivateSmartCard)
        return;
    // In the pick modes Ok comes with the first card that belongs to nobody and then stays.
    if (FMode != 0 && hasRows() && !currentHasCustomer())
        m_okLatched = true;
    actMrOk->setEnabled(FMode != 0 && hasRows() && m_okLatched);
    const bool locked = currentActive() && !isEditing();
    edtCardNo->setEnabled(!locked);
    cbProvider->setEnabled(!locked);
    actApplyAndActivete->setEnabled(!locked);
    const bool canActivate = hasRows() && !currentActive();
    actActivateSmartCard->setEnabled(canActivate);
    actDeactivateSmartCard->setEnabled(!canActivate);
}

void TfrmSmartCards::applyFilter()
{
    QStringList parts;
    if (FMode == 2)
        parts << QStringLiteral("(RO_CUSTOMER_ID is null) ");
    if (actCardTypeFilter->isChecked() && cbCardState->currentIndex() >= 0)
        parts << QStringLiteral("(IS_ACTIVE=") + cbCardState->currentData().toString() + QLatin1Char(')');
    cdsSmartCard->SetFilter(parts.join(QStringLiteral(" and ")));
    cdsSmartCard->SetFiltered(!parts.isEmpty());
    checkBtns();
}

void TfrmSmartCards::openDataSets()
{
    applyFilter();
    TfrmGuide::openDataSets();
    // The card actions need the CAS server: the connection is tried when the guide opens.
    if (dmSMS && !dmSMS->IsOpen())
        dmSMS->actConnectToCASServer();
    checkBtns();
}

bool TfrmSmartCards::searchRecord()
{
    if (!edtSearch || !cdsSmartCard->Active())
        return false;
    QString text = edtSearch->text();
    if (text.isEmpty())
        return TfrmGuide::searchRecord();
    // The list shows the numbers right-aligned in ten places; what is typed is compared the same way.
    if (cdsSmartCard->IndexName().compare(CardNumberIndex, Qt::CaseInsensitive) != 0)
        return TfrmGuide::searchRecord();
    text = text.rightJustified(10, QLatin1Char(' '));
    const bool found = cdsSmartCard->LocateByValues(text);
    QPalette palette = edtSearch->palette();
    palette.setColor(QPalette::Text, found ? palette.color(QPalette::WindowText) : QColor(Qt::red));
    edtSearch->setPalette(palette);
    return found;
}

bool TfrmSmartCards::validateInput()
{
    const QString number = L->FieldByName(QStringLiteral("SMARTCARD_NO"))->AsString().trimmed();
    if (number.isEmpty()) {
        Services::messages()->error(QStringLiteral("Invalid card number"));
        edtCardNo->setFocus();
        return false;
    }
    if (L->State() == dsInsert && DMR && DMR->SmartCardExists(number)) {
        Services::messages()->error(QStringLiteral("Card with number [") + number + QStringLiteral("] exists"));
        edtCardNo->setFocus();
        return false;
    }
    return true;
}

void TfrmSmartCards::actMrOkExecute()
{
    if (!hasRows() || FMode == 0 || !actMrOk->isEnabled())
        return;
    FCurKey = L->FieldByName(QStringLiteral("SMARTCARD_ID"))->Value();
    accept();
}

bool TfrmSmartCards::saveOnClose()
{
    // A card stored on closing is checked as one stored with "Готово".
    return validateInput() && TfrmGuide::saveOnClose();
}

void TfrmSmartCards::listDoubleClick()
{
    // Both pick modes choose with a double click.
    if (FMode == 2 && hasRows())
        actMrOk->trigger();
    else
        TfrmGuide::listDoubleClick();
}

QString TfrmSmartCards::providerValue(const char *field) const
{
    const QVariant provider = L->FieldByName(QStringLiteral("DTV_PROVIDER_ID"))->Value();
    if (isNullValue(provider) || !odsProviderLookup->Active())
        return {};
    return odsProviderLookup->Lookup(QStringLiteral("DTV_PROVIDER_ID"), provider, QString::fromLatin1(field))
        .toString();
}

bool TfrmSmartCards::casReady()
{
    switch (SmartCardCasState()) {
    case TCardCasState::Off:
        return false;
    case TCardCasState::NotConnected:
        Services::messages()->error(QStringLiteral("CAS connection error"));
        return false;
    case TCardCasState::Ready:
        break;
    }
    return true;
}

void TfrmSmartCards::storeActivity(int active)
{
    const QVariant key = L->FieldByName(QStringLiteral("SMARTCARD_ID"))->Value();
    if (!isEditing())
        L->Edit();
    L->FieldByName(QStringLiteral("IS_ACTIVE"))->SetValue(active);
    L->Post();
    refreshList();
    L->Locate(QStringLiteral("SMARTCARD_ID"), key);
    checkBtns();
}

TCardCasReply TfrmSmartCards::postAndAsk(bool activate)
{
    if (isEditing())
        L->Post();
    const QString number = L->FieldByName(QStringLiteral("SMARTCARD_NO"))->AsString().trimmed();
    TCasExchangeScope animation;
    return activate ? ActivateSmartCardOnCas(number, providerValue("CAS_CODE"), providerValue("PROVIDER_NAME"))
                    : BlockSmartCardOnCas(number, providerValue("CAS_CODE"));
}

void TfrmSmartCards::actApplyAndActiveteExecute()
{
    if (!L->Active() || (!isEditing() && !hasRows()))
        return;
    if (!validateInput() || !casReady())
        return;
    const TCardCasReply reply = postAndAsk(true);
    if (!reply.accepted) {
        Services::messages()->error(QStringLiteral("Ошибка активации карты\r") + describeReply(reply.reply));
        return;
    }
    storeActivity(1);
    pcMain->setCurrentWidget(tsList);
}

void TfrmSmartCards::actDeactivateSmartCardExecute()
{
    if (!hasRows() || !casReady())
        return;
    const TCardCasReply reply = postAndAsk(false);
    if (!reply.accepted
        && !Services::messages()->confirm(QStringLiteral("Ошибка деактивации карты на уровне CAS\r")
                + describeReply(reply.reply) + QStringLiteral("\r\rСбросить метку активности карты?"),
            mbNo))
        return;
    storeActivity(0);
}

void TfrmSmartCards::actActivateSmartCardExecute()
{
    if (!hasRows() || currentActive())
        return;
    pcMain->setCurrentWidget(tsDetail);
    if (cbProvider->isEnabled())
        cbProvider->setFocus();
    if (!isEditing())
        L->Edit();
    checkBtns();
}

void TfrmSmartCards::acBatchCardsInsertExecute()
{
    {
        TScreenCursorScope cursor(crHourGlass);
        const struct ClearHint
        {
            ~ClearHint() { SetApplicationHint(QString()); }
        } clearHint;
        if (!BatchCardsInsert())
            return;
    }
    L->Close();
    L->Open();
    checkBtns();
}

void TfrmSmartCards::actCardTypeFilterExecute()
{
    const bool on = actCardTypeFilter->isChecked();
    actCardTypeFilter->setText(on ? QStringLiteral("Отключить фильтр") : QStringLiteral("Активизировать фильтр"));
    actCardTypeFilter->setToolTip(on ? QStringLiteral("Отключить фильтр отбора по условию")
                                     : QStringLiteral("Активизировать фильтр отбора по условию"));
    applyFilter();
}

bool executeSmartCardsGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmSmartCards, initKey, mode, outKey);
}

namespace {

void registerGuide(const char *command, const char *picker, TGuideRoutine routine)
{
    RegisterGuideCommand(command, routine);
    RegisterGuidePicker(picker, routine);
}

} // namespace

void RegisterSmartCardGuides()
{
    registerGuide("executeSmartCardsGuide", "pickSmartCard", executeSmartCardsGuide);
    registerGuide("executeDTVProviderGuide", "pickDTVProvider", executeDTVProviderGuide);
}
