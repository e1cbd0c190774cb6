#pragma once

#include "Exceptions.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TDMR;
class TKyv_Dbf;

// Splits one line of a payment register at one delimiter. Two delimiters side by side give an empty token, a
// delimiter at the end of the line a final empty token, and every call after the end an empty token; there is
// no quoting, trimming or escaping.
class TKyv_StringTokenizer
{
public:
    TKyv_StringTokenizer(const QString &text, QChar delimiter);
    QString NextToken();

private:
    QString m_text;
    QChar m_delimiter;
    int m_position = 1; // 1-based, as the registers' layouts count characters
    int m_nextStart = -1; // start of the token after the current one; -1 when none is known yet
    int m_end = 1; // text length + 1
};

// An account number as the registers print it, without the zeros, blanks and signs some put before it: every
// leading character below "1" goes.
QString stripAccountPrefix(const QString &account);

// A register read into memory: its documents and their payments (linked by PayDocId), the lines of the error
// memo, and the ERIP header values the document notice quotes.
struct TRegisterDoc
{
    int PayDocId = 0;
    int PaySourceId = 0;
    QString PayDocNo;
    QString PayDocDateStr;
    double PayDocSum = 0;
};

struct TRegisterPayment
{
    int RecNo = 0;
    int PayDocId = 0;
    int CustomerId = -1; // -1 while the account is unknown
    QString AccountNo;
    QString CustomerFIO;
    QString PayDateStr;
    double PaySum = 0;
};

struct TPaymentRegister
{
    QList<TRegisterDoc> docs;
    QList<TRegisterPayment> payments;
    QStringList errors;
    // The name the document notice quotes: the file's name for a text register, its full path for a table.
    QString fileName;
    QString eripSender, eripHeader2, eripDate;
    // False when the reading stopped at a line it could not read: what was read is shown, not stored.
    bool complete = false;
};

// The layouts of the text registers (the setting importPaymentsMode) and of the dBase tables; any other text
// mode reads nothing.
bool IsTextRegisterMode(int mode);

// The lines of a register file as it stands (CP1251); a line break at the end opens no further line.
QStringList RegisterLines(const QByteArray &bytes);

// The readers. Each starts from empty lists; `firstDocId` is the next free document number, which the lists use
// to link payments to documents; `today` dates the documents that carry no date of their own. A line that
// cannot be read raises EConvertError naming its number, and what was read before it stays in `reg`.
void ReadTextRegister(int mode, const QStringList &lines, const QString &fileName, int firstDocId, const QDate &today,
    TPaymentRegister &reg);
void ReadEripRegister(const QStringList &lines, const QString &fileName, int firstDocId, TPaymentRegister &reg);
void ReadDbfRegister(int mode, const TKyv_Dbf &table, const QDate &today, TPaymentRegister &reg);

// Reads the bytes of a register file of the kind and layout as the window would, a table through a temporary
// file. A register that cannot be read raises Exception.
enum class TRegisterKind { Text, Erip, Dbf };
void ReadRegisterBytes(
    TRegisterKind kind, int mode, const QByteArray &bytes, const QString &fileName, TPaymentRegister &reg);

// Finds the customer of every payment by its account in one query (the last customer holding the account
// wins), names it "surname initials", and adds "Ошибка: Не найден клиент с Л/C:" + account to the errors for
// every account found nowhere. Raises the engine's error when the query fails.
void ResolveRegisterAccounts(TDMR &dmr, TPaymentRegister &reg);

// The organisations with their bank codes and their register folders: the folder a register is first looked
// for in is POST_PATH_IN of the first row (column 5).
QString RegisterFoldersStatement();

// "DD/MM/YYYY" read by position (day from characters 1-2, month 4-5, year 7-10, whatever the separators);
// invalid when that gives no date.
QDate RegisterDate(const QString &text);

// Storing a read register: every date and sum is checked before anything is written, then each document is
// written with its payments to known customers in one transaction.
struct TRegisterStoreResult
{
    bool checked = false; // false: nothing was stored, `problems` says why
    QStringList problems; // unreadable dates and sums, and documents that failed (named)
    int storedDocs = 0;
    int storedPayments = 0;
    int skippedPayments = 0; // unknown accounts
    double storedSum = 0;
    QString lastNotice;
};

// The notice of a stored document: "Обработан " + today + " Файл " + the file name, then either the ERIP
// header's date and sender or " (импорт)".
QString RegisterDocNotice(const TPaymentRegister &reg, bool erip, const QDate &today);

// Documents marked in `alreadyStored` (by position) are left out.
TRegisterStoreResult StoreRegister(TDMR &dmr, const TPaymentRegister &reg, bool erip, const QDate &today,
    const QDate &accDate, const QList<bool> &alreadyStored = {});

// Which documents of the register an earlier store of the same file left in the database, by position. A store
// cut short keeps the documents it finished, each whole. A document counts as stored when one stored from the
// file (its notice names it) has its source, number and sum and exactly its payments to known customers; each
// stored document answers for one document of the register. Raises the engine's error when the look-up fails.
QList<bool> StoredRegisterDocs(TDMR &dmr, const TPaymentRegister &reg, bool erip);

// The summary shown after storing: stored, skipped, sum, and the documents that failed.
QString RegisterStoreSummary(const TRegisterStoreResult &result);
