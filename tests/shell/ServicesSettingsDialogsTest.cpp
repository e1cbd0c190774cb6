// The two small dialogs of the configuration window: the CAS server parameters and the rounding test.
#include "frmuSettingsDialogs.h"

#include "ModalAnswer.h"
#include "uSettings.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Edits the modal dialog that is about to open and presses the button with the given caption.
tarvik::test::ModalAnswer answerNextDialog(const QString &host, const QString &port, const QString &button)
{
    return tarvik::test::ModalAnswer([] { return tarvik::test::activeModal<TfrmCasServerParams>() != nullptr; }, [=] {
        auto *dialog = tarvik::test::activeModal<TfrmCasServerParams>();
        dialog->edServerIP->setText(host);
        dialog->edPort->setText(port);
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == button)
                b->click();
        }
    });
}

} // namespace

TEST(ServicesCasServerParams, OkWritesTheTextsBackCancelKeepsThem)
{
    QString host = QStringLiteral("10.0.0.1");
    QString port = QStringLiteral("7000");
    tarvik::test::ModalAnswer cancel
        = answerNextDialog(QStringLiteral("10.0.0.2"), QStringLiteral("7001"), QStringLiteral("Cancel"));
    EXPECT_FALSE(executeCasServerParams(host, port));
    EXPECT_TRUE(cancel.ran());
    EXPECT_EQ(host, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(port, QStringLiteral("7000"));

    tarvik::test::ModalAnswer ok = answerNextDialog(QStringLiteral("cas.local"), QStringLiteral("7100"), QStringLiteral("Ok"));
    EXPECT_TRUE(executeCasServerParams(host, port));
    EXPECT_TRUE(ok.ran());
    EXPECT_EQ(host, QStringLiteral("cas.local"));
    EXPECT_EQ(port, QStringLiteral("7100"));
}

TEST(ServicesRoundTest, RoundsWithTheTypedDigitsOrSaysError)
{
    const int saved = AppSettings().RoundPrecision;
    AppSettings().RoundPrecision = -2;
    TfrmRoundTest dialog;
    AppSettings().RoundPrecision = saved;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Тест округления"));
    EXPECT_EQ(dialog.edNumber->text(), QStringLiteral("12750"));
    EXPECT_EQ(dialog.edDigits->text(), QStringLiteral("-2"));

    const struct
    {
        const char *number;
        const char *digits;
        const char *result;
    } cases[] = {{"12750", "-2", "12750"}, {"12776", "-2", "12800"}, {"12750", "-3", "13000"},
                 {"2.675", "2", "2.67"},   {"abc", "2", "Ошибка"},   {"12.5", "x", "Ошибка"}};
    for (const auto &c : cases) {
        dialog.edNumber->setText(QString::fromUtf8(c.number));
        dialog.edDigits->setText(QString::fromUtf8(c.digits));
        QTest::mouseClick(dialog.btnRound, Qt::LeftButton);
        EXPECT_EQ(dialog.edResult->text(), QString::fromUtf8(c.result)) << c.number << " " << c.digits;
    }
}
