#include "uPaymentsExport.h"

#include "AdoConnection.h"
#include "CodePage.h"
#include "Money.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uPaymentWindows.h"
#include "uLog.h"
#include "uSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

TExportFileFactory &fileFactory()
{
    static TExportFileFactory factory;
    return factory;
}

QString text(const QSqlQuery &q, const char *name)
{
    const QVariant v = q.value(QString::fromLatin1(name));
    return v.isNull() ? QString() : v.toString();
}

// The main window's animation around the writing, shown whatever way the export ends.
class TExportScope
{
public:
    TExportScope() { TellMainWindow(AMShowAnimate); }
    ~TExportScope() { TellMainWindow(AMHideAnimate); }

private:
    TScreenCursorScope m_cursor { crHourGlass };
};

TADOConnection *database()
{
    return DMR && DMR->Get_DatabaseConnectStatus() ? DMR->dbConnection() : nullptr;
}

QString withSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

bool askFile(const QString &fileName, const QString &defaultExt, QString &chosen)
{
    FileDialogRequest request;
    request.fileName = fileName;
    request.defaultExt = defaultExt;
    request.filter = QStringLiteral("All files|*.*");
    if (!Services::dialogs()->saveFile(request))
        return false;
    chosen = request.fileName;
    return true;
}

void exportText(TADOConnection *db, int mode)
{
    QString fileName;
    if (!askFile(QStringLiteral("tv2.txt"), QStringLiteral("TXT"), fileName))
        return;
    TExportScope scope;
    QStringList lines;
    for (const TExportCustomer &c : ReadExportCustomers(db, Services::clock()->now()))
        lines << BankTextLine(c, mode);
    QString error;
    if (!SaveExportLines(fileName, lines, error))
        Services::messages()->error(error);
}

void exportErip(TADOConnection *db)
{
    // The counter moves once per run, before any dialog, so a number once offered is never offered again.
    TAppSettings &s = AppSettings();
    ++s.Erip202DocNo;
    for (const TExportCompany &company : ReadExportCompanies(db)) {
        const qint64 docNo = EripDocNo(company.companyId, s.Erip202DocNo);
        QString fileName;
        if (!askFile(withSeparator(s.Erip202DocPath) + QString::number(docNo) + QStringLiteral(".202"),
                QStringLiteral("202"), fileName))
            continue;
        s.Erip202DocPath = withSeparator(QFileInfo(fileName).path());
        TExportScope scope;
        const QDateTime now = Services::clock()->now();
        const QList<TExportCustomer> customers = ReadExportCustomers(db, now, company.companyId);
        QStringList lines { EripHeaderLine(company, docNo, now, int(customers.size())) };
        for (int i = 0; i < customers.size(); ++i)
            lines << EripLine(i + 1, customers[i]);
        QString error;
        if (!SaveExportLines(fileName, lines, error))
            Services::messages()->error(error);
    }
}

void exportBankDbf(TADOConnection *db)
{
    TAppSettings &s = AppSettings();
    QString fileName;
    if (!askFile(s.BankDbfFilePath, QStringLiteral("DBF"), fileName))
        return;
    if (!QFileInfo::exists(fileName)) {
        Services::messages()->error(
            QStringLiteral("Ошибка! DBF файл для выгрузки ") + fileName + QStringLiteral(" Не найден"));
        return;
    }
    s.BankDbfFilePath = fileName;
    TExportScope scope;
    QString error;
    if (!TKyv_Dbf::Refill(
            fileName, BankDbfRecords(ReadExportCustomers(db, Services::clock()->now()), s.importPaymentsMode), error)) {
        Services::messages()->error(error);
        return;
    }
    Services::messages()->information(
        QStringLiteral("Файл ") + fileName + QStringLiteral(" для выгрузки в банк подготовлен"));
}

} // namespace

QList<TExportCustomer> ReadExportCustomers(TADOConnection *db, const QDateTime &now, const QVariant &companyId)
{
    QString sql = QStringLiteral(
        "select C.ACCOUNT_NO, C.SURNAME, C.FIRSTNAME, C.MIDLENAME, C.INITIALS, C.FLAT_NO, C.DEBT_SUM, C.CUST_PROP, "
        "H.HOUSE_NO, S.STREET_NAME, L.LOCATION_NAME "
        "from ZOLT.CUSTOMER C join ZOLT.HOUSE H on C.HOUSE_ID = H.HOUSE_ID "
        "join ZOLT.STREET S on H.STREET_ID = S.STREET_ID "
        "join ZOLT.MAIN_CFG M on 1 = 1 join ZOLT.COMPANY CP on M.COMPANY_ID = CP.COMPANY_ID "
        "join ZOLT.LOCATION L on CP.LOCATION_ID = L.LOCATION_ID "
        "where C.VALID_TO >= :P_NOW");
    TParams params = ParamsOf({ { QStringLiteral("P_NOW"), now } });
    if (companyId.isValid() && !companyId.isNull()) {
        sql += QStringLiteral(" and C.COMPANY_ID = :P_COMPANY_ID");
        params = ParamsOf({ { QStringLiteral("P_NOW"), now }, { QStringLiteral("P_COMPANY_ID"), companyId } });
    }
    sql += QStringLiteral(" order by LPAD(C.ACCOUNT_NO, 15, ' '), C.CUSTOMER_ID");
    QSqlQuery q = db->OpenQuery(sql, params);
    QList<TExportCustomer> list;
    while (q.next()) {
        TExportCustomer c;
        c.account = text(q, "ACCOUNT_NO");
        c.surname = text(q, "SURNAME");
        c.firstName = text(q, "FIRSTNAME");
        c.midName = text(q, "MIDLENAME");
        c.initials = text(q, "INITIALS");
        c.flat = text(q, "FLAT_NO");
        c.custProp = text(q, "CUST_PROP");
        c.house = text(q, "HOUSE_NO");
        c.street = text(q, "STREET_NAME");
        c.location = text(q, "LOCATION_NAME");
        c.debt = q.value(QStringLiteral("DEBT_SUM")).toDouble();
        list << c;
    }
    return list;
}

QList<TExportCompany> ReadExportCompanies(TADOConnection *db)
{
    QSqlQuery q = db->OpenQuery(QStringLiteral("select C.COMPANY_ID, C.ERIP, C.UNN, C.BANK_CODE, C.TAX_CODE, "
                                               "C.POST_PATH_IN, C.POST_PATH_OUT from ZOLT.COMPANY C "
                                               "order by C.COMPANY_ID"));
    QList<TExportCompany> list;
    while (q.next())
        list << TExportCompany { q.value(0), text(q, "ERIP"), text(q, "UNN"), text(q, "BANK_CODE"), text(q, "TAX_CODE"),
            text(q, "POST_PATH_IN"), text(q, "POST_PATH_OUT") };
    return list;
}

QString AmountDueText(double debt)
{
    return QString::number(RoundCents(debt > 0 ? debt : 0), 'f', 2);
}

QString BankTextLine(const TExportCustomer &c, int mode)
{
    const QString name = c.surname + QLatin1Char(' ') + c.firstName + QLatin1Char(' ') + c.midName;
    const QString address
        = c.location + QLatin1Char(',') + c.street + QLatin1Char(',') + c.house + QLatin1Char(',') + c.flat;
    const QStringList parts = mode == 1 ? QStringList { c.account, name, address, AmountDueText(c.debt), c.custProp }
                                        : QStringList { name, address, c.account, AmountDueText(c.debt), c.custProp };
    return parts.join(QLatin1Char(';'));
}

QString EripHeaderLine(const TExportCompany &company, qint64 docNo, const QDateTime &now, int lineCount)
{
    return QStringLiteral("2^") + company.erip + QLatin1Char('^') + QString::number(docNo) + QLatin1Char('^')
        + now.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('^') + QString::number(lineCount)
        + QLatin1Char('^') + company.unn + QLatin1Char('^') + company.bankCode + QLatin1Char('^') + company.taxCode
        + QStringLiteral("^^974");
}

QString EripLine(int rowNo, const TExportCustomer &c)
{
    return QString::number(rowNo) + QLatin1Char('^') + c.account + QLatin1Char('^') + c.surname + QLatin1Char(' ')
        + c.firstName + QLatin1Char(' ') + c.midName + QLatin1Char('^') + c.street + QStringLiteral(" ,") + c.house
        + QStringLiteral(" ,") + c.flat + QStringLiteral("^^") + AmountDueText(c.debt) + QStringLiteral("^^^^^^^");
}

qint64 EripDocNo(const QVariant &companyId, int eripDocCounter)
{
    return companyId.toLongLong() + qint64(eripDocCounter) * 1000;
}

QList<TDbfRecord> BankDbfRecords(const QList<TExportCustomer> &customers, int importMode)
{
    QList<TDbfRecord> records;
    for (const TExportCustomer &c : customers) {
        const QString fio = c.surname + QLatin1Char(' ') + c.firstName + QLatin1Char(' ') + c.midName;
        const QString address = c.street + QStringLiteral(" ,") + c.house + QStringLiteral(" ,") + c.flat;
        const double due = RoundCents(c.debt > 0 ? c.debt : 0);
        if (importMode == 65)
            records << TDbfRecord { { QStringLiteral("NAB"), c.account.left(9) },
                { QStringLiteral("PIB"), fio.left(25) }, { QStringLiteral("ADR"), address.left(45) },
                { QStringLiteral("NARAH"), due } };
        else
            records << TDbfRecord { { QStringLiteral("LS"), c.account.left(10) },
                { QStringLiteral("ADRES"), address.left(60) }, { QStringLiteral("NACH"), due } };
    }
    return records;
}

QList<TDbfRecord> PostDbfRecords(const QList<TExportCustomer> &customers, const QDate &today)
{
    QList<TDbfRecord> records;
    for (const TExportCustomer &c : customers)
        records << TDbfRecord { { QStringLiteral("LICH"), c.account.left(13) },
            { QStringLiteral("SUMMA"), RoundCents(c.debt > 0 ? c.debt : 0) }, { QStringLiteral("MES"), today.month() },
            { QStringLiteral("YEAR"), today.year() },
            { QStringLiteral("FIO"), (c.surname + QLatin1Char(' ') + c.initials).left(35) },
            { QStringLiteral("STREET"), c.street.left(35) }, { QStringLiteral("NOM_DOM"), c.house.left(6) },
            { QStringLiteral("NOM_KV"), c.flat.left(4) }, { QStringLiteral("NOM_KORP"), QString() } };
    return records;
}

TExportFileFactory SetExportFileFactory(TExportFileFactory factory)
{
    return std::exchange(fileFactory(), std::move(factory));
}

bool SaveExportLines(const QString &fileName, const QStringList &lines, QString &error)
{
    std::unique_ptr<QSaveFile> file = fileFactory() ? fileFactory()(fileName) : std::make_unique<QSaveFile>(fileName);
    bool ok = file->open(QIODevice::WriteOnly);
    for (int i = 0; ok && i < lines.size(); ++i) {
        const QByteArray bytes = QStringToCP1251(lines[i]) + "\r\n";
        ok = file->write(bytes) == bytes.size();
    }
    if (ok)
        ok = file->commit();
    else
        file->cancelWriting();
    if (!ok) {
        error = QStringLiteral("Ошибка создания файла ") + fileName;
        LogError(error + QStringLiteral(": ") + file->errorString());
    }
    return ok;
}

void actExportPaymentsExecute()
{
    TADOConnection *db = database();
    if (!db)
        return;
    switch (AppSettings().exportMode) {
    case 0:
    case 1:
        exportText(db, AppSettings().exportMode);
        break;
    case 2:
        exportErip(db);
        break;
    case 3:
        exportBankDbf(db);
        break;
    default:
        break;
    }
}

void actExportPaymentsPostExecute()
{
    TADOConnection *db = database();
    if (!db)
        return;
    for (const TExportCompany &company : ReadExportCompanies(db)) {
        QString fileName;
        if (!askFile(company.postPathOut, QStringLiteral("DBF"), fileName))
            continue;
        if (!QFileInfo::exists(fileName)) {
            Services::messages()->error(
                QStringLiteral("Ошибка DBF файл для выгрузки ") + fileName + QStringLiteral(" Не найден"));
            continue;
        }
        TExportScope scope;
        const QDateTime now = Services::clock()->now();
        QString error;
        if (!TKyv_Dbf::Refill(
                fileName, PostDbfRecords(ReadExportCustomers(db, now, company.companyId), now.date()), error)) {
            Services::messages()->error(error);
            continue;
        }
        Services::messages()->information(
            QStringLiteral("Файл ") + fileName + QStringLiteral(" для выгрузки в RADIUS подготовлен"));
    }
}

void RegisterPaymentsExportCommands()
{
    RegisterCommand(QStringLiteral("actExportPayments"), [] { actExportPaymentsExecute(); });
    RegisterCommand(QStringLiteral("actExportPaymentsPost"), [] { actExportPaymentsPostExecute(); });
}
