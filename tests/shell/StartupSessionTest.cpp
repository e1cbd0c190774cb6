// The connect and login flow of a session without a main window: the login with the remembered values, the
// refusals, the structure and tariff offers, the default configuration row of a first connect, the recalculation
// queue and the work date, and the logout of a second connect.
#include "StartupFixture.h"

#include "MoneyRule.h"
#include "uSession.h"

namespace {

const QString ConnectError = QStringLiteral("Ошибка соединения с базой данных");
const QString StructureOffer = QStringLiteral(
    "Формат базы данных не соответствует данной версии программы\rЧасть функций может не работать, или работать "
    "неправильно\r Рекомендуется произвести обновление структуры БД\r См. пункт меню \"Сервис -> Обновление "
    "структуры БД\"");
const QString TariffOffer = QStringLiteral("Тарифы введены не полностью\rЧасть функций может не работать, или "
                                           "работать неправильно\rРекомендуется произвести авто корректировку");

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

class StartupSession : public StartupFixture
{
protected:
    // What the flow asked of the windows around it.
    struct Asked
    {
        QStringList dialogValues; // user, password, database, choices as the dialog got them
        int dialogs = 0;
        int childrenClosed = 0;
        int configurationOpened = 0;
        int configurationRowsWhenOpened = -1;
    };

    // The hooks of a window that answers the login dialog with these values (Cancel when `ok` is false).
    Session::TConnectHooks hooks(const QString &user, const QString &password, bool ok = true)
    {
        Session::TConnectHooks h;
        h.loginDialog = [this, user, password, ok](QString &u, QString &p, QString &d, const QStringList &choices) {
            ++m_asked.dialogs;
            m_asked.dialogValues = QStringList { u, p, d, choices.join(QLatin1Char(',')) };
            if (!ok)
                return false;
            u = user;
            p = password;
            d = choices.value(0);
            return true;
        };
        h.closeAllChildren = [this] { ++m_asked.childrenClosed; };
        h.openConfiguration = [this] {
            ++m_asked.configurationOpened;
            m_asked.configurationRowsWhenOpened
                = selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt();
        };
        return h;
    }

    Session::TConnectResult connect(const QString &user = QStringLiteral("vmdemo"),
        const QString &password = QStringLiteral("wisp"), bool ok = true)
    {
        m_asked = {};
        return Session::Connect(hooks(user, password, ok), connectionsFolder());
    }

    // A first connect made the database with its configuration row; the session is closed again.
    void makeDatabase()
    {
        ASSERT_TRUE(connect().connected) << m_messages.lastText().toStdString();
        ASSERT_FALSE(connect().connected);
        m_messages.requests.clear();
    }

    // A statement on the database file while no session is open.
    void execInFile(const QString &sql, const TParams &params = {})
    {
        TADOConnection c;
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(databaseFile()));
        c.Open();
        c.Execute(sql, params);
    }

    void addTariffWithAGap()
    {
        execInFile(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID) values (1, 'Пакет', 0)"));
        execInFile(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                                  "values (1, 1, :P_FROM, :P_TO, 10)"),
            { { QStringLiteral("P_FROM"), day(2020, 1, 1) }, { QStringLiteral("P_TO"), day(2020, 3, 31) } });
    }

    Asked m_asked;
};

} // namespace

TEST_F(StartupSession, FirstConnectWritesTheDefaultRowOpensTheConfigurationAndStartsTheWorkDate)
{
    AppSettings().logonUserName = QStringLiteral("VMDEMO");
    AppSettings().sessionPassword = QStringLiteral("wisp");
    AppSettings().logonDataBase = QStringLiteral("OTHER");
    const Session::TConnectResult result = connect(QStringLiteral("vmdemo"), QStringLiteral("wisp"));

    ASSERT_TRUE(result.connected) << m_messages.lastText().toStdString();
    EXPECT_TRUE(isConnected());
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    // The dialog got the remembered values and the connection files; what was confirmed is remembered.
    EXPECT_EQ(m_asked.dialogValues, (QStringList { "VMDEMO", "wisp", "OTHER", "TEST" }));
    EXPECT_EQ(AppSettings().logonUserName, QStringLiteral("vmdemo"));
    EXPECT_EQ(AppSettings().logonDataBase, QStringLiteral("TEST"));

    // One complete row, written before the configuration window opened on it.
    EXPECT_EQ(m_asked.configurationOpened, 1);
    EXPECT_EQ(m_asked.configurationRowsWhenOpened, 1);
    EXPECT_EQ(m_asked.childrenClosed, 0);
    EXPECT_EQ(selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 1);
    const struct
    {
        const char *column;
        int value;
    } columns[] = { { "COMPANY_ID", 1 }, { "ACC_DAY", 10 }, { "DEBTMODE", 0 }, { "CUSTVALIDSUM", 1000 } };
    for (const auto &c : columns)
        EXPECT_EQ(selectValue(QStringLiteral("select %1 + 0 from ZOLT.MAIN_CFG").arg(c.column)).toInt(), c.value)
            << c.column;
    EXPECT_EQ(ColumnDate(selectValue(QStringLiteral("select INIT_DATE from ZOLT.MAIN_CFG"))), QDate(2020, 6, 1));
    EXPECT_TRUE(result.mainCfg.exists);
    EXPECT_EQ(result.mainCfg.accDate, QDate(2020, 6, 1));
    EXPECT_EQ(result.mainCfg.debtMode, 0);

    EXPECT_TRUE(DM->cdsAppUser()->Active());
    EXPECT_EQ(DM->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Value().toDate(), QDate(2020, 6, 20));
}

TEST_F(StartupSession, ConnectOnAStoredRowReadsItAndOpensNoWindow)
{
    makeDatabase();
    execInFile(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D, DEBTMODE = 1"),
        { { QStringLiteral("P_D"), day(2020, 4, 1) } });
    const Session::TConnectResult result = connect();
    ASSERT_TRUE(result.connected);
    EXPECT_EQ(m_asked.configurationOpened, 0);
    EXPECT_EQ(result.mainCfg.accDate, QDate(2020, 4, 1));
    EXPECT_EQ(result.mainCfg.debtMode, 1);
    EXPECT_EQ(selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 1);
}

TEST_F(StartupSession, SecondConnectClosesTheChildrenAndEndsTheSession)
{
    ASSERT_TRUE(connect().connected);
    ASSERT_TRUE(DM->cdsMainCFG()->Active());
    const Session::TConnectResult result = connect();
    EXPECT_FALSE(result.connected);
    EXPECT_FALSE(isConnected());
    EXPECT_EQ(m_asked.dialogs, 0);
    EXPECT_EQ(m_asked.childrenClosed, 1);
    EXPECT_FALSE(result.mainCfg.exists);
    EXPECT_FALSE(DM->cdsMainCFG()->Active());
    EXPECT_FALSE(DM->cdsAppUser()->Active());
    EXPECT_TRUE(m_messages.requests.isEmpty());
}

TEST_F(StartupSession, LoginThatFailsShowsTheConnectionErrorAndWritesNothing)
{
    struct Case
    {
        const char *name;
        std::function<Session::TConnectHooks()> hooks;
        QString reason; // the engine's words after the system's text; empty: no box, nothing was tried
    };
    const Case cases[] = {
        { "cancelled", [this] { return hooks(QStringLiteral("vmdemo"), QStringLiteral("wisp"), false); }, QString() },
        { "no dialog at all",
            [this] {
                Session::TConnectHooks h = hooks(QStringLiteral("vmdemo"), QStringLiteral("wisp"));
                h.loginDialog = nullptr;
                return h;
            },
            QString() },
        { "a data file that cannot be made",
            [this] {
                writeUdl(QStringLiteral("TEST"),
                    QStringLiteral(
                        "Provider=SQLite;Data Source=/proc/no-such-place/tarvik.db;Create If Missing=True;"));
                return hooks(QStringLiteral("vmdemo"), QStringLiteral("wisp"));
            },
            QStringLiteral("/proc/no-such-place/tarvik.db") },
    };
    for (const Case &c : cases) {
        m_messages.requests.clear();
        m_asked = {};
        const Session::TConnectResult result = Session::Connect(c.hooks(), connectionsFolder());
        EXPECT_FALSE(result.connected) << c.name;
        EXPECT_FALSE(result.mainCfg.exists) << c.name;
        EXPECT_EQ(m_asked.configurationOpened, 0) << c.name;
        if (c.reason.isEmpty()) {
            EXPECT_TRUE(m_messages.requests.isEmpty()) << c.name << ": " << m_messages.lastText().toStdString();
            continue;
        }
        ASSERT_EQ(m_messages.requests.size(), 1) << c.name;
        const auto &box = m_messages.requests[0];
        EXPECT_EQ(box.type, mtError) << c.name;
        EXPECT_EQ(box.buttons, TMsgDlgButtons(mbYes)) << c.name;
        EXPECT_TRUE(box.text.startsWith(ConnectError + QLatin1Char('\r'))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(c.reason)) << box.text.toStdString();
    }
    EXPECT_FALSE(QFile::exists(databaseFile()));
}

TEST_F(StartupSession, UserWithoutRightsIsRefusedBeforeAnythingIsWritten)
{
    const Session::TConnectResult result = connect(QStringLiteral("Ivanov"), QStringLiteral("x"));
    EXPECT_FALSE(result.connected);
    ASSERT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("У пользователя [Ivanov] нет прав для работы с программой"));
    EXPECT_EQ(m_messages.requests[0].type, mtError);
    EXPECT_EQ(m_asked.childrenClosed, 1);
    EXPECT_EQ(m_asked.configurationOpened, 0);
    EXPECT_EQ(valueInFile(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 0);
}

TEST_F(StartupSession, OldStructureOffersTheUpdateAndEitherAnswerEndsTheSession)
{
    makeDatabase();
    struct Case
    {
        TModalResult answer;
        bool versionCurrentAfter;
    };
    for (const Case &c : { Case { mrNo, false }, Case { mrYes, true } }) {
        execInFile(QStringLiteral("update ZOLT.DB_VERSION set DB_VERSION = 1"));
        m_messages.requests.clear();
        m_messages.answer(c.answer);
        const Session::TConnectResult result = connect();
        EXPECT_FALSE(result.connected) << c.answer;
        EXPECT_FALSE(isConnected()) << c.answer;
        ASSERT_EQ(m_messages.requests.size(), 1) << c.answer;
        EXPECT_EQ(m_messages.requests[0].text, StructureOffer);
        EXPECT_EQ(m_messages.requests[0].type, mtConfirmation);
        EXPECT_EQ(m_asked.childrenClosed, 1) << c.answer;
        EXPECT_EQ(
            valueInFile(QStringLiteral("select DB_VERSION from ZOLT.DB_VERSION")).toInt() != 1, c.versionCurrentAfter)
            << c.answer;
    }
    // On the new structure the next connect makes a session.
    EXPECT_TRUE(connect().connected) << m_messages.lastText().toStdString();
    EXPECT_TRUE(DMR->IsDbVersionCurrent());
}

TEST_F(StartupSession, IncompleteTariffsAreCorrectedOnlyWhenTheUserAgrees)
{
    makeDatabase();
    addTariffWithAGap();
    struct Case
    {
        TModalResult answer;
        bool invalidAfter;
    };
    for (const Case &c : { Case { mrNo, true }, Case { mrYes, false } }) {
        m_messages.requests.clear();
        m_messages.answer(c.answer);
        ASSERT_TRUE(connect().connected) << c.answer;
        ASSERT_EQ(m_messages.requests.size(), 1) << c.answer;
        EXPECT_EQ(m_messages.lastText(), TariffOffer);
        EXPECT_EQ(DMR->HasInvalidTarifs(), c.invalidAfter) << c.answer;
        connect();
    }
}

TEST_F(StartupSession, QueuedRecalculationsAreWorkedOffAtConnect)
{
    makeDatabase();
    execInFile(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, CUST_STATE, "
                              "START_DEBT_SUM) values (1, '1', 'Абонент', 1, 0)"));
    execInFile(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) values (1, :P_D)"),
        { { QStringLiteral("P_D"), day(2020, 6, 1) } });
    ASSERT_TRUE(connect().connected);
    EXPECT_EQ(selectValue(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")).toInt(), 0);
}

TEST_F(StartupSession, StructureUpdateEndsAnOpenSession)
{
    ASSERT_TRUE(connect().connected);
    m_asked = {};
    Session::UpdateStructure(hooks(QString(), QString()));
    EXPECT_FALSE(isConnected());
    EXPECT_EQ(m_asked.childrenClosed, 1);
    EXPECT_EQ(m_asked.dialogs, 0);
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
}
