#pragma once

#include "Kyv_Dbf.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class QSaveFile;
class TADOConnection;

// The lists of live customers with the amounts they owe, written for the banks, the ERIP settlement system and
// the post. The lines are made here from plain columns; files are written whole or not at all.

// A live customer as the exports see it (texts empty where the database holds nothing).
struct TExportCustomer
{
    QString account, surname, firstName, midName, initials;
    QString location, street, house, flat, custProp;
    double debt = 0;
};

// A company row of the exchange: its ERIP service code, taxpayer number, bank, tax office and post paths.
struct TExportCompany
{
    QVariant companyId;
    QString erip, unn, bankCode, taxCode, postPathIn, postPathOut;
};

// The customers whose contract runs at `now` or later, by account number; of one company when `companyId` is
// given. The locality is the one of the operator's own company.
QList<TExportCustomer> ReadExportCustomers(TADOConnection *db, const QDateTime &now, const QVariant &companyId = {});
QList<TExportCompany> ReadExportCompanies(TADOConnection *db);

// The amount due: the debt when above 0, else 0, with two decimals and a point.
QString AmountDueText(double debt);
// A text line of mode 0 (name first) or 1 (account first).
QString BankTextLine(const TExportCustomer &c, int mode);
// The ".202" file: its header and one line per customer (row numbers from 1).
QString EripHeaderLine(const TExportCompany &company, qint64 docNo, const QDateTime &now, int lineCount);
QString EripLine(int rowNo, const TExportCustomer &c);
// The document number of a company's ".202" file.
qint64 EripDocNo(const QVariant &companyId, int eripDocCounter);

// The records of the bank table (`importMode` 65 gives the other layout) and of the post table.
QList<TDbfRecord> BankDbfRecords(const QList<TExportCustomer> &customers, int importMode);
QList<TDbfRecord> PostDbfRecords(const QList<TExportCustomer> &customers, const QDate &today);

// Writes the lines in CP1251, each ended by CR LF, to a temporary file renamed over `fileName` only when all
// was written; false with `error` naming the file otherwise, the previous file left as it was.
bool SaveExportLines(const QString &fileName, const QStringList &lines, QString &error);

// How the exports open their files; tests put a failing one in. Answers the previous factory.
using TExportFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &fileName)>;
TExportFileFactory SetExportFileFactory(TExportFileFactory factory);

// The two main-menu commands: the export in the format of the setting `exportMode`, and the post tables of
// every company.
void actExportPaymentsExecute();
void actExportPaymentsPostExecute();

void RegisterPaymentsExportCommands();
