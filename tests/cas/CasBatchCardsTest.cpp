#include "frmuBatchCardsInsert.h"

#include "CasWindowFixture.h"
#include "KyvIniFile.h"
#include "Kyv_Translator.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

namespace {

class CasBatchCards : public CasWindowFixture
{
protected:
    // Types the fields of the dialog on screen and presses Ok.
    static void fillAndOk(TfrmBatchCardsInsert *dialog, const QString &start, const QString &quantity)
    {
        dialog->edStartNo->clear();
        QTest::keyClicks(dialog->edStartNo, start);
        dialog->edQuantity->clear();
        QTest::keyClicks(dialog->edQuantity, quantity);
        QTest::mouseClick(dialog->OkCancelBtns->bbtnOk, Qt::LeftButton);
    }

    // The batch as the guide runs it, the dialog answered with these fields.
    bool runBatch(const QString &start, const QString &quantity)
    {
        ModalAnswer answer([] { return activeModal<TfrmBatchCardsInsert>() != nullptr; },
            [start, quantity] { fillAndOk(activeModal<TfrmBatchCardsInsert>(), start, quantity); });
        const bool added = BatchCardsInsert();
        EXPECT_TRUE(answer.ran());
        return added;
    }
};

TEST_P(CasBatchCards, okRefusesAnEmptyOrExistingNumberAndABadQuantity)
{
    const struct
    {
        const char *start, *quantity, *message;
        bool focusOnQuantity;
    } cases[] = {
        { "", "1", "Invalid card number", false },
        { "  ", "3", "Invalid card number", false },
        { "123", "1", "Card with number [123] exists", false },
        { "500", "", "Invalid Quantity", true },
        { "500", "2x", "Invalid Quantity", true },
        { "500", "1.5", "Invalid Quantity", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        TfrmBatchCardsInsert dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Batch Smartcards Registration"));
        EXPECT_EQ(dialog.edQuantity->text(), QStringLiteral("1"));
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        m_messages.requests.clear();
        fillAndOk(&dialog, QString::fromLatin1(c.start), QString::fromLatin1(c.quantity));
        ASSERT_EQ(m_messages.requests.size(), 1);
        EXPECT_EQ(m_messages.lastText(), QString::fromLatin1(c.message));
        EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open for a correction";
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(QApplication::focusWidget(), c.focusOnQuantity ? dialog.edQuantity : dialog.edStartNo);
    }
    EXPECT_EQ(cardNumbers(), QStringList({ QStringLiteral("123") }));
}

TEST_P(CasBatchCards, aBatchSkipsTheNumbersThereAndIsWrittenWholeOrNotAtAll)
{
    exec(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (8, '1002', 1)"));
    m_dmr->CommitWork();
    ASSERT_TRUE(runBatch(QStringLiteral("1000"), QStringLiteral("5")));
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction()) << "the batch is committed";
    EXPECT_EQ(cardNumbers(),
        QStringList({ QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003"),
            QStringLiteral("1004"), QStringLiteral("123") }));

    // A card the database refuses takes the whole batch with it, and the user is told.
    auto owner = m_data.makeDmr();
    owner->DbLogON(
        QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword), QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    if (GetParam() == TestEngine::SQLite) {
        owner->dbConnection()->Execute(QStringLiteral("create trigger ZOLT.FAIL_CARD before insert on SMARTCARD "
                                                      "when new.SMARTCARD_NO = '2002' begin select raise(abort, "
                                                      "'injected failure'); end"));
    } else {
        owner->dbConnection()->Execute(QStringLiteral(
            "create function ZOLT.FAIL_CARD() returns trigger language plpgsql as $$ begin if new.SMARTCARD_NO = "
            "'2002' then raise exception 'injected failure'; end if; return new; end $$"));
        owner->dbConnection()->Execute(QStringLiteral("create trigger FAIL_CARD before insert on ZOLT.SMARTCARD "
                                                      "for each row execute function ZOLT.FAIL_CARD()"));
    }
    owner->DbLogOut();
    EXPECT_FALSE(runBatch(QStringLiteral("2000"), QStringLiteral("3")));
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Smartcards were not added"));
    EXPECT_EQ(cardNumbers().size(), 6);

    // Cancel adds nothing.
    ModalAnswer cancel([] { return activeModal<TfrmBatchCardsInsert>() != nullptr; },
        [] { QTest::mouseClick(activeModal<TfrmBatchCardsInsert>()->OkCancelBtns->bbtnCancel, Qt::LeftButton); });
    EXPECT_FALSE(BatchCardsInsert());
    EXPECT_EQ(cardNumbers().size(), 6);
}

INSTANTIATE_TEST_SUITE_P(
    CasDatabase, CasBatchCards, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

// The dialog in the interface language, from the dictionaries the program ships: its texts by their paths in
// the base dictionary, its messages by their keys in its own section.
TEST(CasBatchCardsLanguage, theShippedRussianDictionaryTranslatesTheDialogAndItsMessages)
{
    QTemporaryDir folder;
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    for (const char *language : { "en", "ru" }) {
        const QString shipped = QStringLiteral(TARVIK_SOURCE_DIR "/resources/dictionaries/tarvik_%1.ini")
                                    .arg(QString::fromLatin1(language));
        ASSERT_TRUE(QFile::copy(shipped,
            folder.filePath(program + QLatin1Char('_') + QString::fromLatin1(language) + QStringLiteral(".ini"))));
    }
    tarvik::test::MainWindowScope scope;
    AppSettings().UILanguage = QStringLiteral("ru");
    scope.main()->SetFolders(TProgramFolders::from(folder.path()));
    FakeMessageService messages;

    TfrmBatchCardsInsert dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Регистрация пачки смарткарт"));
    EXPECT_EQ(dialog.lblStartNo->text(), QStringLiteral("Номер первой карты"));
    EXPECT_EQ(dialog.OkCancelBtns->bbtnCancel->text(), QStringLiteral("Отмена"));
    dialog.edStartNo->clear();
    dialog.OkClick();
    EXPECT_EQ(messages.lastText(), QStringLiteral("Неверный номер карты"));
    dialog.edStartNo->setText(QStringLiteral("500"));
    dialog.edQuantity->setText(QStringLiteral("x"));
    dialog.OkClick();
    EXPECT_EQ(messages.lastText(), QStringLiteral("Неверное количество"));

    // The base dictionary's section is what the dialog's design texts give now.
    AppSettings().UILanguage = QStringLiteral("en");
    scope.main()->SetFolders(TProgramFolders::from(folder.path()));
    TfrmBatchCardsInsert design;
    TKyv_Translator collect(&design);
    const QString fresh = folder.filePath(QStringLiteral("fresh.ini"));
    ASSERT_TRUE(collect.CreateDictionary(&design, fresh));
    TKyvIniFile now(fresh), en(folder.filePath(program + QStringLiteral("_en.ini")));
    ASSERT_TRUE(now.Load());
    ASSERT_TRUE(en.Load());
    const QStringList shipped = en.SectionLines(QStringLiteral("frmBatchCardsInsert"));
    for (const QString &line : now.SectionLines(QStringLiteral("frmBatchCardsInsert")))
        EXPECT_TRUE(shipped.contains(line)) << line.toStdString();
}

} // namespace
