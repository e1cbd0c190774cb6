// Faults found by review in the shell, each with the behaviour that replaced it.
#include "StartupFixture.h"

#include "FR_View.h"
#include "XmlSettingsStorage.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
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

// A preview opened at its own size showed a strip of a page, and closing it left an empty frame behind.
TEST_F(HardeningShell, AReportPreviewTakesTheWorkAreaAndClosesWithItsFrame)
{
    TfrmMain *m = makeMain();
    showMain();
    TfrReport report;
    previewInMainWindow(report);
    ASSERT_EQ(m->mdiArea->subWindowList().size(), 1);
    QMdiSubWindow *frame = m->mdiArea->subWindowList().first();
    auto *preview = qobject_cast<TfrPreviewForm *>(frame->widget());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(frame->geometry(), m->mdiArea->viewport()->rect());
    EXPECT_FALSE(frame->isMaximized()) << "the children opened after it would be maximised with it";

    QTest::keyClick(preview, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([m] { return m->mdiArea->subWindowList().isEmpty(); }));
}

// Qt's own texts (standard buttons, file dialogs) follow the interface language.
TEST_F(HardeningShell, QtsOwnButtonsSpeakTheInterfaceLanguage)
{
    for (const auto &[language, cancel] : { std::pair { "ru", "Отмена" }, std::pair { "en", "Cancel" } }) {
        SettingsStorage().writeString(QStringLiteral("preferences\\UILanguage"), QString::fromLatin1(language));
        SettingsStorage().flush();
        makeMain();
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8(cancel)) << language;
        m_main.reset();
    }
}

// A damaged settings file lost every section after the fault at the next exit, with no copy kept.
TEST_F(HardeningShell, ADamagedSettingsFileIsKeptAsideAndTheUserToldOnce)
{
    const QByteArray damaged = "<?xml version=\"1.0\"?>\n<Configuration><preferences><HTTPPort>8123</HTTPPort>"
                               "</preferences><frmMain><Left>7</Left></frm";
    {
        QFile f(settingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    makeMain();
    EXPECT_EQ(AppSettings().HTTPPort, 8123) << "what could be read is kept";
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].type, mtWarning);
    EXPECT_TRUE(m_messages.lastText().contains(settingsFile() + QStringLiteral(".bad")))
        << m_messages.lastText().toStdString();
    QFile kept(settingsFile() + QStringLiteral(".bad"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    kept.close();

    // The exit writes a sound file; the next start has nothing to say and the copy stays.
    m_main.reset();
    makeMain();
    EXPECT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_EQ(AppSettings().HTTPPort, 8123);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
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
