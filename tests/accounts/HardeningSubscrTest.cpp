// Subscriptions the database refuses to store: a digital package the CAS server has just authorised is blocked
// again on the card and the user told, and "Подключить всех" counts and shows the customers it could not
// connect. On both engines, with a fake CAS server on loopback.
#include "FakeCasServer.h"
#include "SubscrFixture.h"
#include "frmuActSubscr.h"
#include "uLog.h"
#include "uSubscrActions.h"

#include "MemTable.h"

#include <QFile>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tarvik::test::FakeCasServer;

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

void set(TMemTable *record, const char *field, const QVariant &v)
{
    record->FieldByName(QString::fromLatin1(field))->SetValue(v);
}

class HardeningActivation : public SubscrCasFixture
{
protected:
    void SetUp() override
    {
        SubscrCasFixture::SetUp();
        SetLogFile(m_logDir.filePath(QStringLiteral("tarvik.log")));
    }
    void TearDown() override
    {
        SetLogFile({});
        SubscrCasFixture::TearDown();
    }

    QString log() const
    {
        QFile f(m_logDir.filePath(QStringLiteral("tarvik.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir m_logDir;
};

struct BlockCase
{
    const char *label;
    std::function<void(FakeCasServer &)> block; // how the server answers the block
    const char *outcome; // the block's answer as logged
    const char *told; // what the user reads after the refused write
};

TEST_P(HardeningActivation, AnAuthorisedPackageWhoseRowsCannotBeWrittenIsBlockedAgainAtOnce)
{
    const QString refused = QStringLiteral("Подключение не записано: база данных отказала в записи.\r");
    const BlockCase cases[] = {
        { "blocked again", [](FakeCasServer &f) { f.reply(FakeCasServer::replyWith("S000")); }, "S000 - Success",
            "Пакет на смарткарте 1234567 снова заблокирован." },
        { "block refused", [](FakeCasServer &f) { f.reply(FakeCasServer::replyWith("E201")); },
            "E201 - Invalid smartcard number",
            "Пакет на смарткарте 1234567 остался авторизован: E201 - Invalid smartcard number\r"
            "Заблокируйте его на этой карте вручную." },
        { "block unanswered", [](FakeCasServer &f) { f.silence(); }, "unknown response code:",
            "Пакет на смарткарте 1234567 остался авторизован: unknown response code:\r"
            "Заблокируйте его на этой карте вручную." },
    };
    customer(1);
    linkCard(1);
    for (const BlockCase &c : cases) {
        SCOPED_TRACE(c.label);
        // A disconnected digital package: its reconnection is offered. Another user removes the subscription
        // while the dialog is open, so that the reconnection's rows cannot be written.
        subscription(
            30, 1, 11, 22, QStringLiteral("2024-01-15"), QStringLiteral("2024-02-10"), 0, QStringLiteral("100"));
        openOn(1);
        connectCas();
        m_server.reply(FakeCasServer::replyWith("S000"));
        c.block(m_server);
        const int before = m_server.requests().size();
        m_messages.requests.clear();
        bool stayedOpen = false;
        auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
            exec(QStringLiteral("delete from ZOLT.SUBSCR_HIST where CUSTOMER_ID = 1"));
            exec(QStringLiteral("delete from ZOLT.SUBSCR_SERV where CUSTOMER_ID = 1"));
            m_dmr->CommitWork();
            set(d->mdTempDataSet, "ACT_SERV_ID", 23);
            set(d->mdTempDataSet, "CONTRACT_TILL", QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
            d->btnOk->click();
            stayedOpen = d->isVisible();
        });
        QDate date;
        EXPECT_FALSE(executeActivateSubscr(1, date));
        EXPECT_TRUE(dialog.ran());
        EXPECT_TRUE(stayedOpen) << "the user may try again";

        // The authorisation, then at once the block of the same card and package.
        const QList<QByteArray> sent = m_server.requests().mid(before);
        ASSERT_EQ(sent.size(), 2);
        EXPECT_TRUE(sent[0].startsWith("0015003100010301"
                                       "0001234567"
                                       "A"
                                       "000077"))
            << sent[0].toStdString();
        EXPECT_EQ(sent[1].toStdString(),
            "0015002100010302"
            "0001234567"
            "A"
            "000077");
        EXPECT_EQ(s(m_messages.lastText()), s(refused + QString::fromUtf8(c.told)));
        EXPECT_EQ(m_messages.requests.constLast().type, mtError);
        EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where CUSTOMER_ID = 1")).toInt(), 0);

        // Both answers are in the log, the authorisation with the database's reason.
        const QString text = log();
        EXPECT_TRUE(text.contains(QStringLiteral("Пакет 77 авторизован на смарткарте 1234567 (S000 - Success), "
                                                 "но подключение не записано: ")))
            << s(text);
        EXPECT_TRUE(text.contains(
            QStringLiteral("Блокировка пакета 77 на смарткарте 1234567: ") + QString::fromUtf8(c.outcome)))
            << s(text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningActivation, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

class HardeningConnectAll : public SubscrFixture
{
protected:
    // The database refuses every new connection period of the customer, as a rule of its own would.
    void refusePeriodsOf(int customer)
    {
        m_dmr->CommitWork();
        const bool sqlite = GetParam() == TestEngine::SQLite;
        const QString name = QStringLiteral("hardening_raw");
        {
            QSqlDatabase raw
                = sqlite ? QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name) : m_data.pg()->connect(name);
            if (sqlite)
                raw.setDatabaseName(m_data.sqliteFile());
            ASSERT_TRUE(raw.open()) << s(raw.lastError().text());
            QSqlQuery q(raw);
            const QStringList statements = sqlite
                ? QStringList { QStringLiteral("create trigger REFUSE_PERIOD before insert on SUBSCR_HIST "
                                               "when new.CUSTOMER_ID = %1 begin select raise(abort, 'refused'); end")
                                    .arg(customer) }
                : QStringList { QStringLiteral("create function zolt.refuse_period() returns trigger language plpgsql "
                                               "as $$ begin raise exception 'refused'; end $$"),
                      QStringLiteral("create trigger refuse_period before insert on zolt.subscr_hist for each row "
                                     "when (new.customer_id = %1) execute procedure zolt.refuse_period()")
                          .arg(customer) };
            for (const QString &sql : statements)
                ASSERT_TRUE(q.exec(sql)) << s(q.lastError().text());
        }
        QSqlDatabase::removeDatabase(name);
    }
};

TEST_P(HardeningConnectAll, RefusedActivationsAreCountedAndShownAtTheEndWhileTheOthersKeepTheirs)
{
    for (int id = 1; id <= 4; ++id)
        customer(id);
    // Customer 4 has the package connected: it is spared, neither tried nor refused.
    subscription(40, 4, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    refusePeriodsOf(2);
    customers()->Open();
    auto dialog = pickActivation(20, QDate(2024, 3, 1));
    ConnectListedCustomers();
    EXPECT_TRUE(dialog.ran());

    ASSERT_FALSE(m_messages.requests.isEmpty()) << "a refused activation is told";
    EXPECT_EQ(s(m_messages.lastText()),
        "Подключение не записано у 1 из 3 абонентов: база данных отказала в записи.\rЛиц. счета: 002");
    EXPECT_EQ(m_messages.requests.constLast().type, mtError);
    const auto periods = [this](int id) {
        return m_other->dbConnection()
            ->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where CUSTOMER_ID = %1").arg(id))
            .toInt();
    };
    EXPECT_EQ(periods(1), 1);
    EXPECT_EQ(periods(2), 0);
    EXPECT_EQ(m_other->dbConnection()
                  ->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_SERV where CUSTOMER_ID = 2"))
                  .toInt(),
        0)
        << "the refused customer keeps no subscription without its period";
    EXPECT_EQ(periods(3), 1) << "the walk goes on after a refusal";
    EXPECT_EQ(periods(4), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningConnectAll, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
