// Faults found by review in the shell, each with the behaviour that replaced it.
#include "StartupFixture.h"

#include "XmlSettingsStorage.h"

#include <QFile>
#include <QTimer>

namespace {

class HardeningShell : public StartupFixture
{
};

// UpdateMenu lets pending events run at its end; an event that asks for another update gets it after the
// current one, not nested inside it (where it would run the pending events of the outer one).
TEST_F(HardeningShell, AMenuUpdateAskedForDuringOneRunsAfterIt)
{
    TfrmMain *m = makeMain();
    showMain();
    auto inner = std::make_shared<bool>(false);
    auto asked = std::make_shared<bool>(false);
    QTimer::singleShot(0, m, [m, inner, asked] {
        *asked = true;
        QTimer::singleShot(0, m, [inner] { *inner = true; });
        m->UpdateMenu();
        EXPECT_FALSE(*inner) << "the nested update ran the outer update's events";
    });
    m->UpdateMenu();
    EXPECT_TRUE(*asked);
    EXPECT_TRUE(QTest::qWaitFor([inner] { return *inner; }, 30000));
}

// A reset that fails shows its error, keeps the program running and does not say the periods were reset.
TEST_F(HardeningShell, AFailedResetOfAllCalculationKeepsTheProgramRunning)
{
    TfrmMain *m = makeMain();
    showMain();
    login();
    int closed = 0;
    QObject::connect(m, &TfrmMain::closed, [&closed] { ++closed; });
    TADOConnection &c = *DMR->dbConnection();
    c.OnWillExecute = [previous = c.OnWillExecute](TADOConnection &conn, const TExecuteInfo &info) {
        if (previous)
            previous(conn, info);
        if (info.CommandText.startsWith(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM")))
            throw EDatabaseError(QStringLiteral("refused by the test"));
    };
    m_messages.answer(mrYes);
    m->actRemoveAllCalculation->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Ошибка сброса расчетов."));
    // The close would be posted by the action itself: once the events have run it would have come.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(isConnected());
}

// A settings file nested deeper than any settings path is ignored with a log line, and the defaults hold: it
// can then be written back without exhausting the stack.
TEST(HardeningSettings, AFileNestedTooDeeplyGivesTheDefaults)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\"?>\n<Configuration><preferences><HTTPPort>8123</HTTPPort></preferences>");
    for (int i = 0; i < 20000; ++i)
        f.write("<a>");
    f.write("x");
    for (int i = 0; i < 20000; ++i)
        f.write("</a>");
    f.write("</Configuration>\n");
    f.close();

    TXmlSettingsStorage storage(path);
    EXPECT_FALSE(storage.reload());
    EXPECT_FALSE(storage.valueExists(QStringLiteral("preferences\\HTTPPort")));
    EXPECT_EQ(storage.readInteger(QStringLiteral("preferences\\HTTPPort"), 80), 80);
    storage.writeInteger(QStringLiteral("preferences\\HTTPPort"), 81);
    storage.flush();
    TXmlSettingsStorage again(path);
    EXPECT_TRUE(again.reload());
    EXPECT_EQ(again.readInteger(QStringLiteral("preferences\\HTTPPort"), 80), 81);

}

} // namespace
