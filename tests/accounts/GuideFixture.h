#pragma once

// The guide windows over a logged-on database on either engine, with the main window of a settings file of its
// own, scripted message boxes and a second connection that sees only what was committed.
#include "DataFixture.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuGuide.h"

#include <QAction>
#include <QApplication>
#include <QStackedWidget>

#include <functional>
#include <memory>

class GuideFixture : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        m_dmr = m_data.makeReadyDmr();
        ASSERT_TRUE(m_dmr->Get_DatabaseConnectStatus());
        DMR = m_dmr.get();
        m_dm = std::make_unique<TDM>(m_dmr.get());
        DM = m_dm.get();
        m_other = m_data.makeDmr();
        m_other->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST"));
        ASSERT_TRUE(m_other->Get_DatabaseConnectStatus());
    }

    void TearDown() override
    {
        m_dm.reset();
        DM = nullptr;
        DMR = nullptr;
    }

    void exec(const QString &sql, const TParams &params = {}) { m_dmr->dbConnection()->Execute(sql, params); }
    void exec(const char *sql) { exec(QString::fromUtf8(sql)); }
    // A value as the second connection reads it.
    QVariant seen(const QString &sql) const { return m_other->dbConnection()->SelectValue(sql); }
    QVariant seen(const char *sql) const { return seen(QString::fromUtf8(sql)); }

    static void trigger(QAction *a)
    {
        ASSERT_NE(a, nullptr);
        a->trigger();
    }

    // Runs a guide with `act` done on its window once it is up; `act` closes the window or leaves that to the
    // test. Answers the routine's result with the out key in `out`.
    bool runGuide(const std::function<bool(const QVariant &, int, QVariant &)> &guide, const QVariant &key, int mode,
                  QVariant &out, const std::function<void(TfrmGuide *)> &act)
    {
        bool ran = false;
        tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmGuide>() != nullptr; },
                                         [&] {
                                             TfrmGuide *g = tarvik::test::activeModal<TfrmGuide>();
                                             ran = true;
                                             act(g);
                                             if (g->isVisible() && g->isEditing())
                                                 g->L->Cancel();
                                             if (g->isVisible())
                                                 g->reject();
                                         });
        const bool ok = guide(key, mode, out);
        EXPECT_TRUE(ran) << "the guide never showed";
        return ok;
    }

    tarvik::test::MainWindowScope m_scope;
    DataFixture m_data { GetParam() };
    std::unique_ptr<TDMR> m_dmr, m_other;
    std::unique_ptr<TDM> m_dm;
    FakeMessageService m_messages;
};
