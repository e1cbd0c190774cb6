#include "uSession.h"

#include "Guard.h"
#include "Services.h"
#include "dmuRDM.h"
#include "uCommon.h"
#include "uSettings.h"

namespace Session {

namespace {

bool connected()
{
    return DM && DM->IsDatabaseConnected();
}

void run(const std::function<void()> &hook)
{
    if (hook)
        hook();
}

// The login dialog with the remembered values; what the user confirmed is remembered, also when the logon
// then fails. True when the connection is open, also for a user without rights.
bool login(const TConnectHooks &hooks, const QString &connectionsFolder)
{
    TAppSettings &s = AppSettings();
    DM->LoginDialog = hooks.loginDialog;
    DM->RememberedUserName = s.logonUserName;
    DM->RememberedPassword = s.sessionPassword;
    DM->RememberedDatabase = s.logonDataBase;
    DMR->SetConnectionsFolder(connectionsFolder);
    const bool connected = DM->Login();
    s.logonUserName = DM->RememberedUserName;
    s.sessionPassword = DM->RememberedPassword;
    s.logonDataBase = DM->RememberedDatabase;
    return connected;
}

// Each kind of failure has its own remedy, so each starts with its own text; the engine's words follow. A
// cancelled dialog tried nothing and says nothing.
void showLoginError()
{
    QString text;
    switch (DM->LastLoginFailure()) {
    case TLogonFailure::None:
    case TLogonFailure::Cancelled:
        return;
    case TLogonFailure::Credentials:
        text = QStringLiteral("Ошибка соединения с базой данных\rВозможно имя или пароль введены неверно");
        break;
    case TLogonFailure::Missing:
        text = QStringLiteral("База данных не найдена");
        break;
    case TLogonFailure::Damaged:
        text = QStringLiteral("База данных повреждена");
        break;
    case TLogonFailure::Unreachable:
        text = QStringLiteral("База данных недоступна");
        break;
    case TLogonFailure::Other:
        text = QStringLiteral("Ошибка соединения с базой данных");
        break;
    }
    if (const QString reason = DM->LastLoginError(); !reason.isEmpty())
        text += QLatin1Char('\r') + reason;
    Services::messages()->messageDlg(text, mtError, mbYes, mbYes);
}

} // namespace

void LogOut(const TConnectHooks &hooks)
{
    run(hooks.closeAllChildren);
    if (DM)
        DM->LogOut();
}

void UpdateStructure(const TConnectHooks &hooks)
{
    if (!DMR)
        return;
    if (!DMR->UpdateDbStructure())
        Services::messages()->error(DMR->LastUpgradeError());
    // The user connects again on the new structure; a failed update whose owner logon did not even connect
    // ends disconnected as well.
    if (connected())
        LogOut(hooks);
}

TConnectResult Connect(const TConnectHooks &hooks, const QString &connectionsFolder)
{
    TConnectResult result;
    if (!DM || !DMR)
        return result;
    SetKeyboardLanguage(QStringLiteral("EN"));
    if (connected())
        LogOut(hooks);
    else if (!login(hooks, connectionsFolder))
        showLoginError();
    else if (DMR->IsReadOnly())
        // Told once, at login, before the first write of the session fails with the engine's words.
        Services::messages()->information(ReadOnlyNotice);

    if (connected() && !DMR->IsDbVersionCurrent()) {
        // No session goes on with a structure of another version: the update ends it as well.
        if (Services::messages()->confirm(QStringLiteral("Формат базы данных не соответствует данной версии программы\r"
                                                         "Часть функций может не работать, или работать неправильно\r"
                                                         " Рекомендуется произвести обновление структуры БД\r"
                                                         " См. пункт меню \"Сервис -> Обновление структуры БД\"")))
            UpdateStructure(hooks);
        else
            LogOut(hooks);
    }

    // A user without rights is refused before the session writes anything (the configuration row, the
    // tariff correction, the recalculation queue).
    if (connected() && DM->UserId() == -1) {
        Services::messages()->error(QStringLiteral("У пользователя [") + AppSettings().logonUserName
            + QStringLiteral("] нет прав для работы с программой"));
        LogOut(hooks);
    }

    if (connected()) {
        guard([&] {
            result.mainCfg = DM->OpenMainCFG(true);
            if (!result.mainCfg.exists) {
                // The configuration window opens on a complete row rather than an empty table.
                DM->CreateDefaultMainCFG();
                result.mainCfg = DM->OpenMainCFG(true);
                run(hooks.openConfiguration);
            }
        });
    }

    if (connected() && DMR->HasInvalidTarifs()) {
        if (Services::messages()->confirm(QStringLiteral("Тарифы введены не полностью\r"
                                                         "Часть функций может не работать, или работать неправильно\r"
                                                         "Рекомендуется произвести авто корректировку")))
            // A correction that cannot be written (a read-only database) is shown; the connect goes on.
            guard([] { DMR->AutoCorrectTarifs(); });
    }

    if (connected()) {
        if (!result.mainCfg.exists) {
            DM->CreateDefaultMainCFG();
            result.mainCfg = DM->OpenMainCFG(true);
        }
        DMR->CheckInvalidCustDebt(result.mainCfg.debtMode, result.mainCfg.accDate);
        DM->cdsAppUser()->Open();
        DM->SetWorkDate(Services::clock()->today());
    } else {
        if (DM->cdsMainCFG()->Active())
            DM->cdsMainCFG()->Close();
        result.mainCfg = {};
    }
    result.connected = connected();
    return result;
}

} // namespace Session
