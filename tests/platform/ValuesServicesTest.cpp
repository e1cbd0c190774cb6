// The service seams: the real message box and its Russian captions, the fakes tests install, the reachability
// check and the log hook.
#include "LogSink.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

TEST(ValuesMessageService, RealBoxShowsRussianCaptionsAndLineBreaks)
{
    const auto messageBoxUp = [] { return tarvik::test::activeModal<QMessageBox>() != nullptr; };
    QString title;
    QString text;
    QStringList buttons;
    tarvik::test::ModalAnswer answerNo(messageBoxUp, [&] {
        auto *box = tarvik::test::activeModal<QMessageBox>();
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton *b : box->buttons())
            buttons << b->text();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == QStringLiteral("&Нет"))
                b->click();
        }
    });
    const TModalResult result
        = Services::messages()->messageDlg(QStringLiteral("Первая\rВторая"), mtConfirmation, mbYesNo, mbNo);
    EXPECT_TRUE(answerNo.ran());
    EXPECT_EQ(result, mrNo);
    EXPECT_EQ(title, QStringLiteral("Подтверждение"));
    EXPECT_EQ(text, QStringLiteral("Первая\nВторая"));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList { QStringLiteral("&Да"), QStringLiteral("&Нет") }));

    tarvik::test::ModalAnswer escape(messageBoxUp, [] { tarvik::test::activeModal<QMessageBox>()->reject(); });
    EXPECT_EQ(Services::messages()->messageDlg(QStringLiteral("?"), mtWarning, mbOKCancel), mrCancel);
    EXPECT_TRUE(escape.ran());

    EXPECT_EQ(MessageService::captionFor(mtError), QStringLiteral("Ошибка"));
    EXPECT_EQ(MessageService::captionFor(mtWarning), QStringLiteral("Предупреждение"));
    EXPECT_EQ(MessageService::captionFor(mtInformation), QStringLiteral("Информация"));
}

TEST(ValuesMessageService, FakeRecordsAndAnswersAsScripted)
{
    MessageService *real = Services::messages();
    {
        FakeMessageService fake;
        ASSERT_EQ(Services::messages(), &fake);
        fake.answer(mrNo);
        EXPECT_FALSE(Services::messages()->confirm(QStringLiteral("Удалять запись? 5")));
        EXPECT_TRUE(Services::messages()->confirm(QStringLiteral("again")));
        Services::messages()->error(QStringLiteral("Ошибка соединения"));
        ASSERT_EQ(fake.requests.size(), 3);
        EXPECT_EQ(fake.requests[0].type, mtConfirmation);
        EXPECT_EQ(fake.requests[0].buttons, mbYesNo);
        EXPECT_EQ(fake.requests[2].type, mtError);
        EXPECT_EQ(fake.lastText(), QStringLiteral("Ошибка соединения"));
        {
            FakeMessageService inner;
            inner.defaultAnswer = mrNo;
            EXPECT_FALSE(Services::messages()->confirm(QStringLiteral("inner")));
        }
        EXPECT_EQ(Services::messages(), &fake);
    }
    EXPECT_EQ(Services::messages(), real);
}

TEST(ValuesDialogService, FakeAnswersEachKindInTurn)
{
    FakeDialogService fake;
    fake.answerOpen(QStringLiteral("/tmp/a.frf"), 2);
    fake.answerSave(QString());
    fake.answerColor(QColor(Qt::red));

    FileDialogRequest open { QStringLiteral("Открыть"), QStringLiteral("Отчеты|*.frf|Все|*.*"), 1, {}, {}, {} };
    ASSERT_TRUE(Services::dialogs()->openFile(open));
    EXPECT_EQ(open.fileName, QStringLiteral("/tmp/a.frf"));
    EXPECT_EQ(open.filterIndex, 2);
    FileDialogRequest save;
    EXPECT_FALSE(Services::dialogs()->saveFile(save));
    EXPECT_FALSE(Services::dialogs()->openPicture(save));
    EXPECT_EQ(fake.fileRequests.size(), 3);

    QColor color;
    EXPECT_TRUE(Services::dialogs()->chooseColor(color));
    EXPECT_EQ(color, QColor(Qt::red));
    QFont font;
    EXPECT_FALSE(Services::dialogs()->chooseFont(font, color));

    EXPECT_EQ(DialogService::toQtFilter(QStringLiteral("Отчеты|*.frf;*.frp|Все файлы|*.*")),
        QStringLiteral("Отчеты (*.frf *.frp);;Все файлы (*.*)"));
}

TEST(ValuesClock, FakeMovesOnlyWhenTold)
{
    const quint64 before = Services::clock()->tickCount();
    {
        FakeClock clock(QDateTime(QDate(2021, 12, 31), QTime(23, 59, 59)));
        EXPECT_EQ(Services::clock()->today(), QDate(2021, 12, 31));
        const quint64 t0 = Services::clock()->tickCount();
        clock.advance(2000);
        EXPECT_EQ(Services::clock()->today(), QDate(2022, 1, 1));
        EXPECT_EQ(Services::clock()->tickCount() - t0, 2000u);
    }
    EXPECT_GE(Services::clock()->tickCount(), before);
    EXPECT_LE(qAbs(Services::clock()->now().secsTo(QDateTime::currentDateTime())), 5);
}

TEST(ValuesShellService, FakeRecordsOpensStartsAndLayouts)
{
    FakeShellService shell;
    EXPECT_TRUE(Services::shell()->openDocument(QStringLiteral("http://localhost/help")));
    EXPECT_TRUE(Services::shell()->startProgram(QStringLiteral("calc"), { QStringLiteral("-x") }));
    Services::shell()->activateKeyboardLayout(QStringLiteral("00000409"));
    shell.succeed = false;
    EXPECT_FALSE(Services::shell()->openDocument(QStringLiteral("/nowhere")));
    EXPECT_EQ(shell.opened.size(), 2);
    EXPECT_EQ(shell.started, QStringList { QStringLiteral("calc -x") });
    EXPECT_EQ(shell.layouts, QStringList { QStringLiteral("00000409") });
}

TEST(ValuesReachability, LocalHostAnswersAndSilenceTimesOut)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    EXPECT_TRUE(Services::reachability()->ping(QStringLiteral("127.0.0.1"), 2000, server.serverPort()));
    EXPECT_FALSE(Services::reachability()->ping(QStringLiteral("no-such-host.invalid"), 500));

    FakeReachability fake;
    fake.reachable << QStringLiteral("10.0.0.5");
    EXPECT_TRUE(Services::reachability()->ping(QStringLiteral("10.0.0.5"), 100));
    EXPECT_FALSE(Services::reachability()->ping(QStringLiteral("10.0.0.6"), 100));
    EXPECT_EQ(fake.pinged.size(), 2);
}

TEST(ValuesLogSink, ForwardsToTheInstalledSinkOnly)
{
    platformLog(LogKind::Error, QStringLiteral("dropped without a sink"));
    QList<std::pair<LogKind, QString>> lines;
    const PlatformLogSink previous
        = setPlatformLogSink([&](LogKind kind, const QString &text) { lines << std::make_pair(kind, text); });
    platformLog(LogKind::Error, QStringLiteral("ERROR: x"));
    platformLog(LogKind::Debug, QStringLiteral("d"));
    setPlatformLogSink(previous);
    platformLog(LogKind::Raw, QStringLiteral("after"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].first, LogKind::Error);
    EXPECT_EQ(lines[0].second, QStringLiteral("ERROR: x"));
    EXPECT_EQ(lines[1].first, LogKind::Debug);
}

} // namespace
