// Reading payment registers without a database: tokens, accounts, each layout, code pages and bad lines.
#include "RegisterFiles.h"

#include "FormatSettings.h"
#include "Kyv_Dbf.h"
#include "uCommon.h"
#include "uRegisterImport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace registers;

namespace {

void expectRegister(
    const TPaymentRegister &reg, const std::vector<ExpectedDoc> &docs, const std::vector<ExpectedPayment> &payments)
{
    ASSERT_EQ(reg.docs.size(), qsizetype(docs.size()));
    for (size_t i = 0; i < docs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reg.docs[i].PayDocNo, docs[i].no);
        EXPECT_EQ(reg.docs[i].PayDocDateStr, docs[i].date);
        EXPECT_DOUBLE_EQ(reg.docs[i].PayDocSum, docs[i].sum);
        EXPECT_EQ(reg.docs[i].PaySourceId, docs[i].source);
    }
    ASSERT_EQ(reg.payments.size(), qsizetype(payments.size()));
    for (size_t i = 0; i < payments.size(); ++i) {
        SCOPED_TRACE(i);
        const TRegisterPayment &p = reg.payments[i];
        EXPECT_EQ(p.PayDocId, reg.docs[payments[i].doc].PayDocId) << "the payment belongs to its document";
        EXPECT_EQ(p.AccountNo, payments[i].account);
        EXPECT_EQ(p.PayDateStr, payments[i].date);
        EXPECT_DOUBLE_EQ(p.PaySum, payments[i].sum);
        EXPECT_EQ(p.CustomerId, -1) << "nothing is matched before the accounts are resolved";
    }
    EXPECT_TRUE(reg.complete);
}

} // namespace

TEST(RegisterImportTokens, SplitsAtEveryDelimiterWithEmptyTokensAndThenOnlyEmptyOnes)
{
    struct Case
    {
        QString text;
        QChar delimiter;
        QStringList tokens; // followed by empty tokens for ever
    };
    const Case cases[] = {
        { QStringLiteral("a;;b;"), QLatin1Char(';'), { "a", "", "b", "" } },
        { QStringLiteral("abc"), QLatin1Char(';'), { "abc" } },
        { QString(), QLatin1Char(';'), { "" } },
        { QStringLiteral(";"), QLatin1Char(';'), { "", "" } },
        { QStringLiteral(" x | y "), QLatin1Char('|'), { " x ", " y " } },
        { QStringLiteral("1^2^^\"3;4\""), QLatin1Char('^'), { "1", "2", "", "\"3;4\"" } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TKyv_StringTokenizer t(c.text, c.delimiter);
        for (const QString &expected : c.tokens)
            EXPECT_EQ(t.NextToken(), expected);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(t.NextToken(), QString());
    }
}

TEST(RegisterImportTokens, AccountsLoseZerosBlanksAndSignsInFront)
{
    const QPair<QString, QString> cases[] = {
        { "000123", "123" },
        { " -45", "45" },
        { "+0 7", "7" },
        { "1203", "1203" },
        { "000", "" },
        { "", "" },
        { "0A12", "A12" },
        { "12 0", "12 0" },
        { "/.,1", "1" },
    };
    for (const auto &[given, expected] : cases)
        EXPECT_EQ(stripAccountPrefix(given), expected) << given.toStdString();
}

TEST(RegisterImportLayouts, EachTextLayoutGivesItsDocumentsAndPayments)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    for (const RegisterCase &c : textCases()) {
        SCOPED_TRACE(c.name);
        TPaymentRegister reg;
        readCase(c, reg, 40);
        expectRegister(reg, c.docs, c.payments);
        EXPECT_EQ(reg.fileName, c.fileName);
    }
}

TEST(RegisterImportLayouts, DocumentIdsFollowTheNextFreeNumberOrAreZero)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    const auto cases = textCases();
    TPaymentRegister reg;
    readCase(cases[0], reg, 40);
    EXPECT_EQ(reg.docs[0].PayDocId, 40);
    EXPECT_EQ(reg.docs[1].PayDocId, 41) << "each later document the previous id + 1";
    readCase(cases[1], reg, 40);
    EXPECT_EQ(reg.docs[0].PayDocId, 40);
    readCase(cases[2], reg, 40);
    EXPECT_EQ(reg.docs[0].PayDocId, 0);
}

TEST(RegisterImportLayouts, EripKeepsTheHeaderForTheNoticeAndNumbersPaymentsByTheFile)
{
    const RegisterCase c = textCases().back();
    ASSERT_EQ(c.kind, TRegisterKind::Erip);
    TPaymentRegister reg;
    readCase(c, reg);
    EXPECT_EQ(reg.eripSender, QStringLiteral("SENDER1"));
    EXPECT_EQ(reg.eripHeader2, QStringLiteral("H2"));
    EXPECT_EQ(reg.eripDate, QStringLiteral("15.01.2026"));
    ASSERT_EQ(reg.payments.size(), 3);
    EXPECT_EQ(reg.payments[2].RecNo, 3);
    EXPECT_EQ(RegisterDocNotice(reg, true, Today),
        QStringLiteral("Обработан 20/01/2026 Файл r.210 от 15.01.2026 отпр. SENDER1"));
    EXPECT_EQ(RegisterDocNotice(reg, false, Today), QStringLiteral("Обработан 20/01/2026 Файл r.210 (импорт)"));
}

TEST(RegisterImportLayouts, SumsReadAsTheGeneralNumberReadingReadsThemWhateverTheSeparator)
{
    const QChar saved = FormatSettings().DecimalSeparator;
    const QString header = QStringLiteral("1^S^H^D^3^^^^^7^20260115103000^^1^^^^^");
    auto eripWithSum = [&header](const QString &sum) {
        return QStringList { header, QStringLiteral("1^^101^^^^%1^^^20260114120000^").arg(sum) };
    };
    for (QChar separator : { QLatin1Char('.'), QLatin1Char(',') }) {
        FormatSettings().DecimalSeparator = separator;
        for (const char *text :
            { "12,50", "-3.5", "7", "+2.25", "0.1", "007", "123456789012.345", "1 234,50", ",5", "5,", "", "1e3" }) {
            SCOPED_TRACE(std::string(text) + " with " + char(separator.unicode()));
            TPaymentRegister reg;
            ReadEripRegister(eripWithSum(QString::fromLatin1(text)), QStringLiteral("s.210"), 1, reg);
            ASSERT_EQ(reg.payments.size(), 1);
            EXPECT_EQ(reg.payments[0].PaySum, TextToFloat(QString::fromLatin1(text)));
        }
        for (const char *text : { "1x", "1,2,3", "--1", "1.2.", "-" }) {
            SCOPED_TRACE(text);
            TPaymentRegister reg;
            EXPECT_THROW(ReadEripRegister(eripWithSum(QString::fromLatin1(text)), QStringLiteral("s.210"), 1, reg),
                EConvertError);
            EXPECT_THROW(TextToFloat(QString::fromLatin1(text)), EConvertError);
        }
    }
    FormatSettings().DecimalSeparator = saved;
}

TEST(RegisterImportLayouts, AnUnknownModeReadsNothing)
{
    TPaymentRegister reg;
    ReadTextRegister(61, { QStringLiteral("1;2;3") }, QStringLiteral("x.txt"), 1, Today, reg);
    EXPECT_TRUE(reg.docs.isEmpty());
    EXPECT_TRUE(reg.payments.isEmpty());
    EXPECT_FALSE(IsTextRegisterMode(61));
}

TEST(RegisterImportLayouts, TheLastLineBreakOpensNoLineButAnEmptyLineBeforeItCounts)
{
    EXPECT_EQ(RegisterLines("a\r\nb\r\n"), QStringList({ "a", "b" }));
    EXPECT_EQ(RegisterLines("a\nb"), QStringList({ "a", "b" }));
    EXPECT_EQ(RegisterLines("a\r\n\r\n"), QStringList({ "a", "" }));
    EXPECT_EQ(RegisterLines("a\rb\r"), QStringList({ "a", "b" })) << "a lone CR ends a line too";
    EXPECT_EQ(RegisterLines(QStringToCP1251(QStringLiteral("Итого"))), QStringList({ "Итого" }));
}

TEST(RegisterImportBadLines, ALineThatCannotBeReadStopsTheReadingNamingItAndKeepsWhatCameBefore)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    struct Case
    {
        const char *name;
        TRegisterKind kind;
        int mode;
        QStringList lines;
        int goodPayments;
        int badLine;
    };
    const Case cases[] = {
        { "a sum that is no number", TRegisterKind::Text, 59, { "1|10|15.01.26", "2|1x|15.01.26", "3|5|15.01.26", "-" },
            1, 2 },
        { "a header without its whole number", TRegisterKind::Text, 0, { "*;1;01/02/2015;two;1;0", "1;01.15;1;0;0101" },
            0, 1 },
        { "mode 0 reads sums by the decimal separator only", TRegisterKind::Text, 0,
            { "*;1;01/02/2015;2;1;0", "1;01.15;1,5;0;0101" }, 0, 2 },
        { "an ERIP time stamp that is no time", TRegisterKind::Erip, 0,
            { "1^S^H^D^3^^^^^7^20260115103000^^1^^^^^", "1^^5^^^^1^^^20260199000000^^^^^^^^^^" }, 0, 2 },
        { "an ERIP time stamp one digit short", TRegisterKind::Erip, 0,
            { "1^S^H^D^3^^^^^7^20260115103000^^1^^^^^", "1^^5^^^^1^^^2026011412000^^^^^^^^^^" }, 0, 2 },
        { "an ERIP time stamp at hour 24", TRegisterKind::Erip, 0, { "1^S^H^D^3^^^^^7^20260115240000^^1^^^^^" }, 0, 1 },
        { "an ERIP line without its number", TRegisterKind::Erip, 0,
            { "1^S^H^D^3^^^^^7^20260115103000^^1^^^^^", "1^^5^^^^1^^^20260114000000^^^^^^^^^^", "" }, 1, 3 },
        { "the register sum of mode 62", TRegisterKind::Text, 62, { " N", " много" }, 0, 2 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TPaymentRegister reg;
        try {
            if (c.kind == TRegisterKind::Erip)
                ReadEripRegister(c.lines, QStringLiteral("f"), 1, reg);
            else
                ReadTextRegister(c.mode, c.lines, QStringLiteral("f"), 1, Today, reg);
            ADD_FAILURE() << "the reading went through";
        } catch (const EConvertError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Строка %1: ").arg(c.badLine))) << e.what();
        }
        EXPECT_FALSE(reg.complete);
        EXPECT_EQ(reg.payments.size(), c.goodPayments);
    }
}

TEST(RegisterImportTables, EachTableLayoutSkipsUndatedAndDeletedRowsAndCountsEveryRow)
{
    QTemporaryDir dir;
    for (const DbfCase &c : dbfCases()) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.file);
        writeDbf(path, CodePage::CP866, c.fields, c.rows, c.deleted);
        TKyv_Dbf table(path);
        TPaymentRegister reg;
        ReadDbfRegister(c.mode, table, Today, reg);
        expectRegister(reg, c.docs, c.payments);
        EXPECT_EQ(reg.fileName, path) << "a table is named by its full path";
    }
    // Mode 63 skips its second row (no date) and its fourth (deleted): the rows keep the table's numbers.
    TKyv_Dbf table(dir.filePath(QStringLiteral("post63.dbf")));
    TPaymentRegister reg;
    ReadDbfRegister(63, table, Today, reg);
    ASSERT_EQ(reg.payments.size(), 2);
    EXPECT_EQ(reg.payments[0].RecNo, 1);
    EXPECT_EQ(reg.payments[1].RecNo, 3);
}

TEST(RegisterImportTables, TextsAreDecodedByTheTablesCodePageByte)
{
    QTemporaryDir dir;
    const DbfCase c = dbfCases()[2];
    for (CodePage page : { CodePage::CP866, CodePage::CP1251 }) {
        SCOPED_TRACE(page == CodePage::CP866 ? "866" : "1251");
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        writeDbf(path, page, c.fields,
            { { "А-12", "Ёлкин Щ.Ю.", "ул. Лесная", "1", "20260101" }, { "0Б7", "Смирнов", "", "2", "20260102" } });
        TKyv_Dbf table(path);
        EXPECT_EQ(table.TextCodePage(), page);
        EXPECT_EQ(table.AsString(0, table.FieldIndex(QStringLiteral("FIO"))), QStringLiteral("Ёлкин Щ.Ю."));
        TPaymentRegister reg;
        ReadDbfRegister(64, table, Today, reg);
        ASSERT_EQ(reg.payments.size(), 2);
        EXPECT_EQ(reg.payments[0].AccountNo, QStringLiteral("А-12"));
        EXPECT_EQ(reg.payments[1].AccountNo, QStringLiteral("Б7"));
    }
    // Reading and refilling agree on the pages a byte names and part on a byte naming none.
    struct PageCase
    {
        int languageDriver;
        CodePage reading, writing;
    };
    for (const PageCase &p :
        { PageCase { 0x26, CodePage::CP866, CodePage::CP866 }, PageCase { 0x65, CodePage::CP866, CodePage::CP866 },
            PageCase { 0x57, CodePage::CP1251, CodePage::CP1251 },
            PageCase { 0xC9, CodePage::CP1251, CodePage::CP1251 }, PageCase { 0x00, CodePage::CP866, CodePage::CP1251 },
            PageCase { 0x03, CodePage::CP866, CodePage::CP1251 } }) {
        SCOPED_TRACE(p.languageDriver);
        EXPECT_EQ(TKyv_Dbf::ReadingCodePage(p.languageDriver), p.reading) << "a register naming no page comes from DOS";
        EXPECT_EQ(TKyv_Dbf::WritingCodePage(p.languageDriver), p.writing) << "a partner's table is refilled in CP1251";
    }
}

TEST(RegisterImportTables, AWrongOrDamagedTableIsRefusedNamingTheFileOrField)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.dbf"));
    writeDbf(path, CodePage::CP866, { { "X", 'C', 5, 0 } }, { { "1" } });
    TKyv_Dbf table(path);
    TPaymentRegister reg;
    try {
        ReadDbfRegister(63, table, Today, reg);
        ADD_FAILURE() << "a table without the layout's fields was read";
    } catch (const EDbfError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("LS"))) << e.what();
    }

    // A header promising a million rows in a file that holds one.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(4);
    f.write(QByteArray("\x40\x42\x0f\x00", 4));
    f.close();
    EXPECT_THROW(TKyv_Dbf { path }, EDbfError);
    EXPECT_THROW(TKyv_Dbf { dir.filePath(QStringLiteral("none.dbf")) }, EDbfError);
}

TEST(RegisterImportTables, TheWholeFileReadsAsTheWindowWouldThroughReadRegisterBytes)
{
    QTemporaryDir dir;
    const DbfCase c = dbfCases()[0];
    const QString path = dir.filePath(c.file);
    writeDbf(path, CodePage::CP1251, c.fields, c.rows, c.deleted);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    TPaymentRegister reg;
    ReadRegisterBytes(TRegisterKind::Dbf, 63, f.readAll(), c.file, reg);
    EXPECT_EQ(reg.payments.size(), qsizetype(c.payments.size()));
}

TEST(RegisterImportDates, StoredDatesAreReadByPosition)
{
    EXPECT_EQ(RegisterDate(QStringLiteral("15/01/2026")), QDate(2026, 1, 15));
    EXPECT_EQ(RegisterDate(QStringLiteral("15.01.2026")), QDate(2026, 1, 15)) << "whatever the separators";
    EXPECT_EQ(RegisterDate(QStringLiteral("15.01.2026 10:00")), QDate(2026, 1, 15));
    for (const char *bad : { "", "/", "32/01/2026", "15/13/2026", "1/1/2026", "15/01/26", "aa/bb/cccc", "29/02/2025" })
        EXPECT_FALSE(RegisterDate(QString::fromLatin1(bad)).isValid()) << bad;
}
