// Scripts typed into the SQL console: a ";" ends a statement only where the engine would end it, never inside a
// comment, a quoted text or name, or a dollar-quoted body; a script that does not split cleanly runs nothing.
#include "EngineFixture.h"
#include "SqlScript.h"

namespace {

class HardeningScript : public EngineDb
{
protected:
    void SetUp() override
    {
        EngineDb::SetUp();
        if (HasFatalFailure())
            return;
        makeOperator();
    }
    int payments()
    {
        return dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.PAYMENT")).toInt();
    }
    QString notice(int paymentId)
    {
        return dmr->dbConnection()
            ->SelectValue(QStringLiteral("select NOTICE from ZOLT.PAYMENT where PAYMENT_ID = %1").arg(paymentId))
            .toString();
    }
    bool server() const { return GetParam() == TestEngine::PostgreSQL; }
};

// Each script sets the notice of payment 1, hides a delete of every payment where no statement can start, and
// then sets the notice of payment 2 in a statement of its own.
TEST_P(HardeningScript, ASemicolonInACommentOrQuotedTextDoesNotEndTheStatement)
{
    struct Case
    {
        const char *first; // the statement on payment 1, up to its ";"
        const char *notice; // what it leaves in the notice
        bool serverOnly;
        bool embeddedOnly;
    };
    const Case cases[] = {
        { "update ZOLT.PAYMENT set NOTICE = 'done' where PAYMENT_ID = 1 -- done; delete from ZOLT.PAYMENT\n", "done",
            false, false },
        { "update ZOLT.PAYMENT set NOTICE = 'a; delete from ZOLT.PAYMENT' where PAYMENT_ID = 1",
            "a; delete from ZOLT.PAYMENT", false, false },
        { "update ZOLT.PAYMENT set NOTICE = 'it''s; delete from ZOLT.PAYMENT; ''' where PAYMENT_ID = 1",
            "it's; delete from ZOLT.PAYMENT; '", false, false },
        { "/* first; delete from ZOLT.PAYMENT; */ update ZOLT.PAYMENT set NOTICE = 'c' where PAYMENT_ID = 1", "c",
            false, false },
        { "update ZOLT.PAYMENT set NOTICE = (select \"n;delete from ZOLT.PAYMENT\" from "
          "(select 'q' as \"n;delete from ZOLT.PAYMENT\") X) where PAYMENT_ID = 1",
            "q", false, false },
        { "update ZOLT.PAYMENT set NOTICE = $$d; delete from ZOLT.PAYMENT;$$ where PAYMENT_ID = 1",
            "d; delete from ZOLT.PAYMENT;", true, false },
        { "update ZOLT.PAYMENT set NOTICE = $t$x;$$; delete from ZOLT.PAYMENT;$t$ where PAYMENT_ID = 1",
            "x;$$; delete from ZOLT.PAYMENT;", true, false },
        { "update ZOLT.PAYMENT set NOTICE = E'e\\'; delete from ZOLT.PAYMENT; --' where PAYMENT_ID = 1",
            "e'; delete from ZOLT.PAYMENT; --", true, false },
        { "/* a /* b */ ; delete from ZOLT.PAYMENT; */ update ZOLT.PAYMENT set NOTICE = 'n' where PAYMENT_ID = 1", "n",
            true, false },
        { "update ZOLT.PAYMENT set NOTICE = (select [b;delete from ZOLT.PAYMENT] from "
          "(select 'br' as [b;delete from ZOLT.PAYMENT])) where PAYMENT_ID = 1",
            "br", false, true },
    };
    for (const Case &c : cases) {
        if ((c.serverOnly && !server()) || (c.embeddedOnly && server()))
            continue;
        SCOPED_TRACE(c.first);
        exec(QStringLiteral("update ZOLT.PAYMENT set NOTICE = null"));
        const QString script = QString::fromUtf8(c.first)
            + QStringLiteral(";\nupdate ZOLT.PAYMENT set NOTICE = 'second' where PAYMENT_ID = 2; "
                             "-- the last line is a comment; delete from ZOLT.PAYMENT");
        EXPECT_TRUE(dmr->ExecSqlScript(script)) << dmr->LastScriptError().toStdString();
        EXPECT_EQ(payments(), 3);
        EXPECT_EQ(notice(1).toStdString(), c.notice);
        EXPECT_EQ(notice(2).toStdString(), "second");
    }
}

TEST_P(HardeningScript, AScriptThatDoesNotSplitCleanlyRunsNothingAndSaysWhy)
{
    struct Case
    {
        const char *rest; // after a first, sound statement that deletes payment 3
        const char *why;
        bool serverOnly;
    };
    const Case cases[] = {
        { "update ZOLT.PAYMENT set NOTICE = 'open where PAYMENT_ID = 1", "не закрыт текст в кавычках ' (строка 2)",
            false },
        { "update ZOLT.PAYMENT set NOTICE = 'x' /* where PAYMENT_ID = 1;\n delete from ZOLT.PAYMENT",
            "не закрыт комментарий /* (строка 2)", false },
        { "select \"open from ZOLT.PAYMENT", "не закрыто имя в кавычках \" (строка 2)", false },
        { "\n\nupdate ZOLT.PAYMENT set NOTICE = $f$open; delete from ZOLT.PAYMENT",
            "не закрыт текст в кавычках $f$ (строка 4)", true },
        { "update ZOLT.PAYMENT set NOTICE = E'it\\' where PAYMENT_ID = 1", "не закрыт текст в кавычках E' (строка 2)",
            true },
        { "/* a /* b */ delete from ZOLT.PAYMENT", "не закрыт комментарий /* (строка 2)", true },
    };
    for (const Case &c : cases) {
        if (c.serverOnly && !server())
            continue;
        SCOPED_TRACE(c.rest);
        const QString script
            = QStringLiteral("delete from ZOLT.PAYMENT where PAYMENT_ID = 3;\n") + QString::fromUtf8(c.rest);
        EXPECT_FALSE(dmr->ExecSqlScript(script));
        EXPECT_EQ(payments(), 3) << "not even the first statement ran";
        EXPECT_EQ(notice(1).toStdString(), "");
        EXPECT_EQ(dmr->LastScriptError().toStdString(), std::string("Скрипт не выполнен: ") + c.why + ".");
    }
}

// What each engine takes for a quote or a comment, and what it does not.
TEST(HardeningScriptSplit, EachEngineIsReadByItsOwnRules)
{
    const Dialect::Engine embedded = Dialect::Engine::SQLite, server = Dialect::Engine::PostgreSQL;
    const struct
    {
        Dialect::Engine engine;
        const char *script;
        QStringList statements;
    } cases[] = {
        { embedded, "select 1; -- a comment alone\n ; /* and another */ ;", { "select 1" } },
        { server, "select $1, a$b$ from t; select 2", { "select $1, a$b$ from t", "select 2" } },
        { embedded, "select '$$'; select $$; select 3", { "select '$$'", "select $$", "select 3" } },
        { embedded, "select 'a\\'; select 2", { "select 'a\\'", "select 2" } },
        { server, "select 'a\\'; select 2", { "select 'a\\'", "select 2" } },
        { embedded, "/* a /* b */ select 1; select 2", { "/* a /* b */ select 1", "select 2" } },
        { server, "select 'x'--; not a statement\n;\n\n", { "select 'x'--; not a statement" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        const TSqlScript split = SplitSqlScript(QString::fromUtf8(c.script), c.engine);
        EXPECT_EQ(split.error.toStdString(), "");
        EXPECT_EQ(split.statements.join(QStringLiteral(" | ")).toStdString(),
            c.statements.join(QStringLiteral(" | ")).toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningScript, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
