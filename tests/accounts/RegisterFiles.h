#pragma once

// Generated payment registers: the text layouts and ERIP as CP1251 bytes, the dBase layouts as tables written
// through shapelib in the code page asked for, each with the documents and payments it must give.
#include "CodePage.h"
#include "uRegisterImport.h"

#include <QDir>
#include <QStringList>

#include <shapefil.h>

#include <set>
#include <vector>

namespace registers {

struct ExpectedDoc
{
    QString no, date;
    double sum;
    int source;
};

struct ExpectedPayment
{
    int doc; // index into the documents
    QString account, date;
    double sum;
};

struct RegisterCase
{
    const char *name;
    TRegisterKind kind;
    int mode;
    QString fileName;
    QStringList lines; // text and ERIP
    std::vector<ExpectedDoc> docs;
    std::vector<ExpectedPayment> payments;
};

inline const QDate Today(2026, 1, 20);

inline QByteArray textBytes(const QStringList &lines)
{
    return QStringToCP1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

// One column of a table: name, type ('C', 'N' or 'D'), width, decimals.
struct DbfField
{
    const char *name;
    char type;
    int width, decimals;
};

// Writes the table with the language-driver byte of the page; rows hold text per field (dates as "YYYYMMDD");
// the rows whose indexes are in `deleted` are marked deleted.
inline void writeDbf(const QString &path, CodePage page, const std::vector<DbfField> &fields,
    const std::vector<QStringList> &rows, const std::set<int> &deleted = {})
{
    QFile::remove(path);
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), page == CodePage::CP1251 ? "LDID/201" : "LDID/38");
    for (const DbfField &f : fields)
        DBFAddNativeFieldType(h, f.name, f.type, f.width, f.decimals);
    for (int r = 0; r < int(rows.size()); ++r) {
        for (int c = 0; c < int(fields.size()); ++c) {
            QByteArray bytes = encodeText(rows[r].value(c), page);
            DBFWriteAttributeDirectly(h, r, c, bytes.data());
        }
        if (deleted.count(r))
            DBFMarkRecordDeleted(h, r, 1);
    }
    DBFClose(h);
}

// The tables of the three dBase layouts, written into `dir`, with what each must give.
struct DbfCase
{
    const char *name;
    int mode;
    QString file;
    std::vector<DbfField> fields;
    std::vector<QStringList> rows;
    std::set<int> deleted;
    std::vector<ExpectedDoc> docs;
    std::vector<ExpectedPayment> payments;
};

inline std::vector<DbfCase> dbfCases()
{
    const QString today = Today.toString(QStringLiteral("dd/MM/yyyy"));
    return {
        { "mode 63: rows without a date and deleted rows are skipped", 63, QStringLiteral("post63.dbf"),
            { { "IDEN", 'C', 20, 0 }, { "DATA", 'D', 8, 0 }, { "LS", 'C', 10, 0 }, { "SUMMA", 'N', 12, 2 } },
            { { "a", "20260114", " 101", "12.50" }, { "b", "", "102", "99" }, { "c", "20260115", "102", "7.25" },
                { "d", "20260116", "103", "1000" } },
            { 3 }, { { QStringLiteral("post63.dbf"), today, 19.75, 0 } },
            { { 0, "101", "14/01/2026", 12.5 }, { 0, "102", "15/01/2026", 7.25 } } },
        { "mode 65: the post's layout", 65, QStringLiteral("post65.dbf"),
            { { "DATAO", 'D', 8, 0 }, { "N_NAB", 'C', 10, 0 }, { "SUMA", 'N', 12, 2 }, { "PIB", 'C', 25, 0 },
                { "ADRESSA", 'C', 50, 0 }, { "NKA", 'C', 6, 0 } },
            { { "20260110", "201", "30", "Иваненко", "ул. Лесная", "1" }, { "", "202", "5", "", "", "" } }, {},
            { { QStringLiteral("post65.dbf"), today, 30, 0 } }, { { 0, "201", "10/01/2026", 30 } } },
        { "any other mode: every row, accounts stripped, source 1", 64, QStringLiteral("bank.dbf"),
            { { "LICH", 'C', 13, 0 }, { "FIO", 'C', 50, 0 }, { "ADRES", 'C', 50, 0 }, { "SUMMA", 'N', 12, 2 },
                { "DATEOPL", 'D', 8, 0 } },
            { { "000301", "Смирнов", "Лесная 14", "40.10", "20260112" }, { "302", "Ёлкин", "", "0", "20260113" } }, {},
            { { QStringLiteral("bank.dbf"), today, 40.1, 1 } },
            { { 0, "301", "12/01/2026", 40.1 }, { 0, "302", "13/01/2026", 0 } } },
    };
}

inline std::vector<RegisterCase> textCases()
{
    const QString today = Today.toString(QStringLiteral("dd/MM/yyyy"));
    return {
        { "mode 0: two documents, each with its payments; the sums less their second part", TRegisterKind::Text, 0,
            QStringLiteral("bank0.txt"),
            { QStringLiteral("*;123;01/02/2015;2;100.50;0.50"), QStringLiteral("000101;01.15;60.00;0;1502"),
                QStringLiteral(" -102;01.15;41.00;1;1602"), QStringLiteral("*;124;02/02/2015;1;10;0"),
                QStringLiteral("103;02.15;10;0;0302") },
            { { QStringLiteral("123"), QStringLiteral("01/02/2015"), 100.0, 0 },
                { QStringLiteral("124"), QStringLiteral("02/02/2015"), 10, 0 } },
            { { 0, "101", "15/02/2015", 60 }, { 0, "102", "16/02/2015", 40 }, { 1, "103", "03/02/2015", 10 } } },
        { "mode 57: the document from the \"#\" lines", TRegisterKind::Text, 57, QStringLiteral("r57.txt"),
            { QStringLiteral("# 123;Номер реестра"), QStringLiteral("# 150,25;Сумма реестра"),
                QStringLiteral("# 15.01.2026 10:00;Дата формирования реестра"),
                QStringLiteral("x;y;000201;100,25;a;b;15.01.2026"), QStringLiteral("x;y;202;50;a;b;16.01.2026") },
            { { QStringLiteral("123"), QStringLiteral("15.01.2026"), 150.25, 0 } },
            { { 0, "201", "15.01.2026", 100.25 }, { 0, "202", "16.01.2026", 50 } } },
        { "mode 58: every line but the last", TRegisterKind::Text, 58, QStringLiteral("r58.txt"),
            { QStringLiteral("000301;Иванов;12,50;x;15.01.26"), QStringLiteral("302;Петров; 7.5 ;x;16.01.26"),
                QStringLiteral("303;Итого;20;x;17.01.26") },
            { { QStringLiteral("0"), today, 20, 0 } },
            { { 0, "301", "15/01/2026", 12.5 }, { 0, "302", "16/01/2026", 7.5 } } },
        { "mode 59: bars, every line but the last", TRegisterKind::Text, 59, QStringLiteral("r59.txt"),
            { QStringLiteral("0401|10,00|15.01.26"), QStringLiteral("402| 1 005 |16.01.26"),
                QStringLiteral("итог|1015|") },
            { { QStringLiteral("0"), today, 1015, 0 } },
            { { 0, "401", "15/01/2026", 10 }, { 0, "402", "16/01/2026", 1005 } } },
        { "mode 62: the header in the first lines, payments from line 13, accounts as they stand", TRegisterKind::Text,
            62, QStringLiteral("r62.txt"),
            QStringList { QStringLiteral(" REG-77"), QStringLiteral(" 30,00") } + QStringList(10, QStringLiteral("--"))
                + QStringList { QStringLiteral("a;b;501;20,00;15.01.2026"), QStringLiteral("a;b;0502;10;16.01.2026") },
            { { QStringLiteral("REG-77"), today, 30, 0 } },
            { { 0, "501", "15.01.2026", 20 }, { 0, "0502", "16.01.2026", 10 } } },
        { "mode 63: the document named and dated by the file name", TRegisterKind::Text, 63,
            QStringLiteral("PAYMENT260115.txt"),
            { QStringLiteral("15.01.2026;x;601;12,00"), QStringLiteral("16.01.2026;x;602;3") },
            { { QStringLiteral("260115"), QStringLiteral("15.01.2026"), 15, 1 } },
            { { 0, "601", "15.01.2026", 12 }, { 0, "602", "16.01.2026", 3 } } },
        { "ERIP: one header and three payments", TRegisterKind::Erip, 0, QStringLiteral("r.210"),
            { QStringLiteral("1^SENDER1^H2^15.01.2026^3^^^^^777^20260115103000^^60,50^^^^^"),
                QStringLiteral("1^^000701^^^^20,50^^^20260114120000^^^^^^^^^^"),
                QStringLiteral("2^^702^^^^30^^^20260113120000^^^^^^^^^^"),
                QStringLiteral("3^^703^^^^10^^^20260112235959^^^^^^^^^^") },
            { { QStringLiteral("777"), QStringLiteral("15/01/2026"), 60.5, 0 } },
            { { 0, "701", "14/01/2026", 20.5 }, { 0, "702", "13/01/2026", 30 }, { 0, "703", "12/01/2026", 10 } } },
    };
}

// Reads a text or ERIP case as the window does.
inline void readCase(const RegisterCase &c, TPaymentRegister &reg, int firstDocId = 1)
{
    const QStringList lines = RegisterLines(textBytes(c.lines));
    if (c.kind == TRegisterKind::Erip)
        ReadEripRegister(lines, c.fileName, firstDocId, reg);
    else
        ReadTextRegister(c.mode, lines, c.fileName, firstDocId, Today, reg);
}

} // namespace registers
