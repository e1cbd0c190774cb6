#include "frmuCASConsole.h"

#include "CasWindowFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "FormClasses.h"
#include "Formats.h"
#include "MainWindowScope.h"
#include "MemTable.h"
#include "Screenshot.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "uCasPacket.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

// The console as the main window opens it: made, told to load, shown.
class CasConsole : public CasWindowFixture
{
protected:
    void SetUp() override
    {
        CasWindowFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_console = std::make_unique<TfrmCASConsole>();
        SendMessage(m_console.get(), AMRunQuery);
        m_console->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_console.get()));
    }

    void TearDown() override
    {
        m_console.reset();
        CasWindowFixture::TearDown();
    }

    TMemTable *record() const { return m_sms->mdCASCFG(); }
    void set(const char *field, const QVariant &value)
    {
        if (record()->State() == dsBrowse)
            record()->Edit();
        record()->FieldByName(QString::fromLatin1(field))->SetValue(value);
    }
    void choose(int item) { m_console->cbCommand->setCurrentIndex(item); }
    void send()
    {
        QTest::mouseClick(m_console->findChild<QToolButton *>(QStringLiteral("btnSendCommand")), Qt::LeftButton);
    }
    QStringList log() const { return m_console->memoLog->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QString stamp() const { return DateTimeToStr(DateTimeToDayCount(m_clock.now())) + QLatin1Char(' '); }

    std::unique_ptr<TfrmCASConsole> m_console;
};

TEST_P(CasConsole, eachCommandEnablesTheInputsItUsesAndSetsItsCode)
{
    const struct
    {
        const char *code;
        bool card, provider, package, dates;
    } cases[] = {
        { "0100", false, false, false, false },
        { "0201", true, true, false, false },
        { "0203", true, true, false, false },
        { "0301", true, true, true, true },
        { "0302", true, true, true, false },
    };
    EXPECT_EQ(m_console->windowTitle(), QStringLiteral("CAS консоль"));
    EXPECT_EQ(m_console->property("HelpContext").toInt(), 5500);
    ASSERT_EQ(m_console->cbCommand->count(), 5);
    for (int item = 4; item >= 0; --item) {
        const auto &c = cases[item];
        choose(item);
        SCOPED_TRACE(c.code);
        EXPECT_EQ(record()->FieldByName(QStringLiteral("TYPE_CODE"))->AsString(), QString::fromLatin1(c.code));
        EXPECT_EQ(m_console->cbSmartCard->isEnabled(), c.card);
        EXPECT_EQ(m_console->btnSmartCard->isEnabled(), c.card);
        EXPECT_EQ(m_console->cbProvider->isEnabled(), c.provider);
        EXPECT_EQ(m_console->btnProvider->isEnabled(), c.provider);
        EXPECT_EQ(m_console->cbPackage->isEnabled(), c.package);
        EXPECT_EQ(m_console->btnPackage->isEnabled(), c.package);
        EXPECT_EQ(m_console->edDateFrom->isEnabled(), c.dates);
        EXPECT_EQ(m_console->edDateTo->isEnabled(), c.dates);
        EXPECT_TRUE(m_console->actSendCommand->isEnabled());
    }
    AppSettings().useCAS = false;
    choose(1);
    EXPECT_FALSE(m_console->actSendCommand->isEnabled()) << "with CAS off nothing is sent";
}

TEST_P(CasConsole, aCardBlockSendsItsExactBytesAndLogsRequestAndReply)
{
    // A second card and provider, so that the request must follow the record's choice, not the lists' first rows.
    exec(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (9, '124', 0)"));
    exec(QStringLiteral(
        "insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (4, 'AA', 'B')"));
    m_dmr->CommitWork();
    SendMessage(m_console.get(), AMRunQuery);
    m_server.reply(tarvik::test::FakeCasServer::replyWith("S000"));
    choose(2);
    set("SMARTCARD_ID", 9);
    set("DTV_PROVIDER_ID", 3);
    send();
    ASSERT_TRUE(m_sms->IsOpen()) << "the console connects when the socket is closed";
    ASSERT_EQ(m_server.requests().size(), 1);
    const QByteArray request = "0015001B00010203"
                               "0000000124"
                               "A";
    EXPECT_EQ(m_server.requests().constFirst(), request);
    EXPECT_EQ(record()->FieldByName(QStringLiteral("COMMAND_TEXT"))->AsString(), QString::fromLatin1(request));
    const QString reply = QString::fromLatin1(tarvik::test::FakeCasServer::replyWith("S000"));
    EXPECT_EQ(log(),
        QStringList({ stamp() + QStringLiteral("Блокировка смарткарты : ") + QString::fromLatin1(request),
            stamp() + QStringLiteral("Ответ: ") + describeReply(reply) }));

    // The test needs no input, and a code no builder knows gives no request at all.
    m_console->memoLog->clear();
    choose(0);
    send();
    ASSERT_TRUE(m_server.waitForRequests(2));
    EXPECT_EQ(m_server.requests().value(1), QByteArray("0015001000010100"));
    EXPECT_EQ(log().value(0), stamp() + QStringLiteral("Тест TCP: 0015001000010100"));
    EXPECT_TRUE(log().value(1).startsWith(stamp() + QStringLiteral("Ответ: ")));
    m_console->memoLog->clear();
    set("TYPE_CODE", QStringLiteral("0999"));
    send();
    EXPECT_EQ(log(), QStringList({ stamp(), stamp() + QStringLiteral("Ошибка формирования кода") }));
    EXPECT_EQ(m_server.requests().size(), 2);
}

TEST_P(CasConsole, anInputInUseWithoutAChoiceStopsTheCommandWithItsText)
{
    const struct
    {
        int item;
        QVariant card, provider, package;
        const char *message;
    } cases[] = {
        { 1, QVariant(), 3, QVariant(), "Не выбрана смарткарта" },
        { 1, 7, QVariant(), QVariant(), "Не выбран провайдер" },
        { 2, 7, -1, QVariant(), "Не выбран провайдер" },
        { 3, 7, 3, QVariant(), "Не выбран пакет" },
        { 4, 7, 3, -1, "Не выбран пакет" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        choose(c.item);
        set("SMARTCARD_ID", c.card);
        set("DTV_PROVIDER_ID", c.provider);
        set("SERV_ID", c.package);
        m_messages.requests.clear();
        send();
        ASSERT_EQ(m_messages.requests.size(), 1);
        EXPECT_EQ(m_messages.lastText(), QString::fromUtf8(c.message));
        EXPECT_EQ(m_messages.requests.constLast().type, mtError);
    }
    EXPECT_EQ(m_server.connections(), 0) << "a refused command never reaches the server";
    EXPECT_TRUE(log().isEmpty());
}

TEST_P(CasConsole, theDotButtonsWriteThePickersChoiceAndWithoutAPickerChangeNothing)
{
    choose(3);
    set("SMARTCARD_ID", QVariant());
    QVariant offered;
    RegisterPicker(QStringLiteral("pickSmartCard"), [&offered](QVariant &key) {
        offered = key;
        key = 7;
        return true;
    });
    RegisterPicker(QStringLiteral("pickService"), [](QVariant &key) {
        key = QVariant();
        return true;
    });
    QTest::mouseClick(m_console->btnSmartCard, Qt::LeftButton);
    QTest::mouseClick(m_console->btnPackage, Qt::LeftButton);
    UnRegisterPicker(QStringLiteral("pickSmartCard"));
    UnRegisterPicker(QStringLiteral("pickService"));
    EXPECT_TRUE(isNullValue(offered));
    EXPECT_EQ(record()->FieldByName(QStringLiteral("SMARTCARD_ID"))->AsInteger(), 7);
    EXPECT_EQ(record()->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), -1) << "a null choice is not written";
    set("DTV_PROVIDER_ID", 3);
    QTest::mouseClick(m_console->btnProvider, Qt::LeftButton);
    EXPECT_EQ(record()->FieldByName(QStringLiteral("DTV_PROVIDER_ID"))->AsInteger(), 3);
}

TEST_P(CasConsole, closingClosesTheRecordAndTheThreeLookups)
{
    ASSERT_TRUE(record()->Active());
    ASSERT_TRUE(m_sms->rdsCASCFGSmartCardLookup()->Active());
    m_console->close();
    EXPECT_FALSE(record()->Active());
    for (TKyv_ADODataSet *ds :
        { m_sms->rdsCASCFGSmartCardLookup(), m_sms->rdsDTVProviderLookup(), m_sms->rdsDTVPackageLookup() })
        EXPECT_FALSE(ds->Active()) << ds->objectName().toStdString();
}

TEST_P(CasConsole, picture)
{
    if (GetParam() != TestEngine::SQLite)
        return;
    choose(3);
    set("SMARTCARD_ID", 7);
    set("DTV_PROVIDER_ID", 3);
    set("SERV_ID", 5);
    m_server.reply(tarvik::test::FakeCasServer::replyWith("S000"));
    send();
    ASSERT_EQ(log().size(), 2);
    tarvik::test::SaveScreenshot(m_console.get(), QStringLiteral("cas-console"), QSize(560, 420));
}

// The console as the user opens it: the main window's menu action makes the child window the CAS library
// registered at start, loaded and with its first command chosen.
class CasConsoleMenu : public CasWindowFixture
{
};

TEST_P(CasConsoleMenu, theMenuActionOpensTheRegisteredConsoleLoaded)
{
    tarvik::test::MainWindowScope scope;
    AppSettings().useCAS = true;
    TDM dm(DMR);
    ASSERT_TRUE(DM->IsDatabaseConnected());
    RegisterCasForms();
    scope.main()->UpdateMenu();
    QAction *action = scope.main()->findChild<QAction *>(QStringLiteral("actCASConsole"));
    ASSERT_TRUE(action);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
    ASSERT_EQ(scope.main()->ChildForms().size(), 1);
    auto *console = qobject_cast<TfrmCASConsole *>(scope.main()->ChildForms().constFirst());
    ASSERT_TRUE(console);
    EXPECT_TRUE(m_sms->mdCASCFG()->Active());
    EXPECT_TRUE(m_sms->rdsDTVProviderLookup()->Active());
    EXPECT_EQ(m_sms->mdCASCFG()->FieldByName(QStringLiteral("TYPE_CODE"))->AsString(), QStringLiteral("0100"));
    EXPECT_FALSE(console->cbSmartCard->isEnabled());
    action->trigger();
    EXPECT_EQ(scope.main()->ChildForms().size(), 1) << "a second opening shows the same window";
    console->parentWidget()->close();
    EXPECT_FALSE(m_sms->mdCASCFG()->Active());
}

INSTANTIATE_TEST_SUITE_P(
    CasDatabase, CasConsoleMenu, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

INSTANTIATE_TEST_SUITE_P(
    CasDatabase, CasConsole, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
