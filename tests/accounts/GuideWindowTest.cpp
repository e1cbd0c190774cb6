// The guide windows' own keyboard, search, refresh and placement, on both engines.
#include "ApplicationHint.h"
#include "DBCtrlsEh.h"
#include "GuideFixture.h"
#include "Kyv_db.h"
#include "frmuAreaGuide.h"
#include "frmuCompanyGuide.h"
#include "frmuCust_PropGuide.h"
#include "frmuLocationGuide.h"
#include "frmuStreetGuide.h"
#include "frmuSubAreaGuide.h"
#include "frmuTeam.h"
#include "uSettings.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using GuideRoutine = bool (*)(const QVariant &, int, QVariant &);

class GuideWindow : public GuideFixture
{
protected:
    static QVariant value(TfrmGuide *g, const char *field)
    {
        return g->L->FieldByName(QString::fromLatin1(field))->Value();
    }
    // Gives the window and the widget the keyboard focus.
    static bool focus(QWidget *w)
    {
        w->window()->activateWindow();
        QApplication::setActiveWindow(w->window());
        w->setFocus();
        return QTest::qWaitFor([w] { return w->hasFocus(); });
    }
};

TEST_P(GuideWindow, SearchFieldFindsInEveryMemberWithOne)
{
    struct Case
    {
        const char *name;
        GuideRoutine run;
        const char *insert; // %1 key, %2 name
        const char *key;
        const char *typed;
    };
    const Case cases[] = {
        { "Area", executeAreaGuide, "insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (%1, '%2')", "AREA_ID", "бе" },
        { "SubArea", executeSubAreaGuide, "insert into ZOLT.SUBAREA (SUBAREA_ID, SUBAREA_NAME) values (%1, '%2')",
          "SUBAREA_ID", "Бе" },
        { "Location", executeLocationGuide,
          "insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) values (%1, '%2', 0)",
          "LOCATION_ID", "Бе" },
        { "Street", executeStreetGuide, "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (%1, '%1', '%2')",
          "STREET_ID", "Бе" },
        { "Company", executeCompanyGuide,
          "insert into ZOLT.COMPANY (COMPANY_ID, CODE, COMPANY_NAME, LOCATION_ID) values (%1, '%1', '%2', 0)",
          "COMPANY_ID", "6" },
        { "CustProp", executeCustPropGuide, "insert into ZOLT.CUST_PROP (CUST_PROP_ID, CUST_PROP_DESCR) values ('%1', '%2')",
          "CUST_PROP_ID", "6" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exec(QString::fromUtf8(c.insert).arg(5).arg(QStringLiteral("Альфа")));
        exec(QString::fromUtf8(c.insert).arg(6).arg(QStringLiteral("Бета")));
        QVariant out;
        runGuide(c.run, 5, 0, out, [&](TfrmGuide *g) {
            ASSERT_NE(g->edtSearch, nullptr);
            g->edtSearch->setText(QString::fromUtf8(c.typed));
            EXPECT_EQ(value(g, c.key).toInt(), 6);
            EXPECT_NE(g->edtSearch->palette().color(QPalette::Text), QColor(Qt::red));
            g->edtSearch->setText(QStringLiteral("Я"));
            EXPECT_EQ(value(g, c.key).toInt(), 6) << "text matching nothing leaves the row";
            EXPECT_EQ(g->edtSearch->palette().color(QPalette::Text), QColor(Qt::red));
        });
    }
}

TEST_P(GuideWindow, ReturnMovesOnFromTaggedEditsOnly)
{
    AppSettings().enterToTab = true;
    exec("insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (5, '12', 'Лесная')");
    QVariant out;
    runGuide(executeStreetGuide, 5, 0, out, [&](TfrmGuide *g) {
        g->actEditRecord->trigger();
        auto *code = g->findChild<QWidget *>(QStringLiteral("edtCode"));
        auto *name = g->findChild<QWidget *>(QStringLiteral("edtName"));
        ASSERT_TRUE(focus(code));
        QTest::keyClick(code, Qt::Key_Return);
        EXPECT_TRUE(name->hasFocus()) << "Return in tag 1 moves to the next edit";
        QTest::keyClick(name, Qt::Key_Return);
        EXPECT_FALSE(name->hasFocus()) << "Return in the last tagged edit moves on too";
        g->actCancel->trigger();
    });
    runGuide(executeLocationGuide, 0, 0, out, [&](TfrmGuide *g) {
        g->actEditRecord->trigger();
        auto *type = g->findChild<QWidget *>(QStringLiteral("cbType"));
        ASSERT_TRUE(focus(type));
        QTest::keyClick(type, Qt::Key_Return);
        EXPECT_TRUE(type->hasFocus()) << "an untagged control keeps Return";
        g->actCancel->trigger();
    });
    AppSettings().enterToTab = false;
    runGuide(executeStreetGuide, 5, 0, out, [&](TfrmGuide *g) {
        g->actEditRecord->trigger();
        auto *code = g->findChild<QWidget *>(QStringLiteral("edtCode"));
        ASSERT_TRUE(focus(code));
        QTest::keyClick(code, Qt::Key_Return);
        EXPECT_TRUE(code->hasFocus()) << "without the setting Return stays";
        g->actCancel->trigger();
    });
}

TEST_P(GuideWindow, RefreshRereadsUnderItsHint)
{
    QStringList hints;
    const ApplicationHintHandler previous = setApplicationHintHandler([&] { hints << ApplicationHint(); });
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (5, 'Центр')");
    QVariant out;
    runGuide(executeAreaGuide, 5, 0, out, [&](TfrmGuide *g) {
        EXPECT_EQ(g->L->RecordCount(), 1);
        m_other->dbConnection()->Execute(QStringLiteral("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (6, 'Юг')"));
        m_other->CommitWork();
        g->actRefresh->trigger();
        EXPECT_EQ(g->L->RecordCount(), 2);
    });
    setApplicationHintHandler(previous);
    EXPECT_EQ(hints, (QStringList { QStringLiteral("Обновление данных"), QString() }));
}

TEST_P(GuideWindow, PlacementIsKeptUnderTheWindowsPathAndSharedByDistrictsAndTeams)
{
    QVariant out;
    runGuide(executeAreaGuide, 0, 0, out, [&](TfrmGuide *g) { g->resize(640, 480); });
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmArea\\Width"), 0), 640);
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmArea\\Height"), 0), 480);
    runGuide(executeTeamGuide, 0, 0, out, [&](TfrmGuide *g) {
        EXPECT_EQ(g->size(), QSize(640, 480)) << "the teams guide opens where the districts guide was left";
    });
    runGuide(executeStreetGuide, 0, 0, out, [&](TfrmGuide *g) { g->resize(500, 300); });
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmStreet\\Width"), 0), 500);
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmArea\\Width"), 0), 640);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Guide, GuideWindow, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         [](const auto &info) { return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL"; });
