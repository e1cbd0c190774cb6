#include "uStatReports.h"

#include "FR_Class.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "frmuMain.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuSelectRootServ.h"
#include "uCommon.h"

namespace {

QString packageCondition(const char *column, int package)
{
    return package >= 0 ? QStringLiteral(" and %1 = %2").arg(QLatin1String(column)).arg(package) : QString();
}

// The package the filter record holds; negative for all of them.
int chosenPackage()
{
    const TField *serv = DM ? DM->mdTempCFG()->FindField(QStringLiteral("SERV_ID")) : nullptr;
    return serv && !serv->IsNull() ? serv->AsInteger() : -1;
}

// The common start of every report: the debts brought up to date, then the period of a dialog or a month.
bool askPeriod(bool perMonth, bool askPackage)
{
    if (DM && DMR) {
        const TDM::TMainCfg cfg = DM->OpenMainCFG();
        DMR->CheckInvalidCustDebt(cfg.debtMode, cfg.accDate);
    }
    bool confirmed = false;
    if (perMonth) {
        QDate month = SelectionPeriodFrom;
        confirmed = executeSelectMonth(month);
        if (confirmed) {
            SelectionPeriodFrom = month;
            SelectionPeriodTo = EndOfMonth(month);
        }
    } else {
        QDate from = SelectionPeriodFrom, to = SelectionPeriodTo;
        confirmed = executePeriodDialog(from, to);
        if (confirmed) {
            SelectionPeriodFrom = from;
            SelectionPeriodTo = to;
        }
    }
    // The package is asked for whether or not the period was confirmed.
    if (askPackage)
        executeSelectRootServ();
    return confirmed;
}

void runReport(TKyv_ClientDataSet *ds, TfrReport *report, const QString &templateName)
{
    ds->Close();
    ds->Open();
    dmReports->ShowReport(report, templateName, TdmReports::PreviewOrDesigner());
}

} // namespace

QString NewActivCustomersStatement(int servTypeId, const QDate &from, const QDate &to, int package, TConnectKind kind)
{
    QString text = QStringLiteral(
        "select C.*, CONCAT(C.SURNAME, ' ', C.INITIALS) as FIO, "
        "CONCAT(ST.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as ADRESS, H.LOCATION_ID, H.AREA_ID, "
        "H.STREET_ID, H.HOUSE_NO, H.Q_FLAT, ST.STREET_NAME, SH.DATE_FROM, SH.DATE_TO, SH.SUBSCR_HIST_ID, "
        "SH.SUBSCR_SERV_ID, S.SERVTYPE_ID, S.SERV_DESCR, T.TARIF_SUM "
        "from ZOLT.CUSTOMER C, ZOLT.HOUSE H, ZOLT.STREET ST, ZOLT.SUBSCR_HIST SH, ZOLT.SERV S, ZOLT.TARIF T "
        "where SH.CUSTOMER_ID = C.CUSTOMER_ID and C.HOUSE_ID = H.HOUSE_ID and H.STREET_ID = ST.STREET_ID "
        "and T.SERV_ID = SH.ACT_SERV_ID and SH.DATE_FROM between T.DATE_FROM and T.DATE_TO "
        "and SH.ACT_SERV_ID = S.SERV_ID and S.SERVTYPE_ID = %1 and ")
                       .arg(servTypeId);
    text += BuildRangeCondition(QStringLiteral("SH.DATE_FROM"), from, to);
    text += packageCondition("S.CHILDSERV_ID", package);
    if (kind == TConnectKind::Free)
        text += QStringLiteral(" and T.TARIF_SUM = 0");
    else if (kind == TConnectKind::Paid)
        text += QStringLiteral(" and T.TARIF_SUM <> 0");
    // A list in the same order on every engine.
    return text + QStringLiteral(" order by SH.DATE_FROM, C.ACCOUNT_NO, SH.SUBSCR_HIST_ID");
}

QString DisactCustomersStatement(const QDate &from, const QDate &to, int package)
{
    return QStringLiteral(
               "select C.CUSTOMER_ID, C.ACCOUNT_NO as C_ACCOUNT_NO, CONCAT(C.SURNAME, ' ', C.INITIALS) as FULLNAME, "
               "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as CUSTADRESS, SH1.DATE_TO, ST1.DESCR "
               "from ZOLT.HOUSE H, ZOLT.CUSTOMER C, ZOLT.STREET S, ZOLT.SUBSCR_HIST SH1, ZOLT.SERV S1, "
               "ZOLT.SERVTYPE ST1 where H.HOUSE_ID = C.HOUSE_ID and H.STREET_ID = S.STREET_ID "
               "and SH1.CUSTOMER_ID = C.CUSTOMER_ID and SH1.DISACT_SERV_ID = S1.SERV_ID "
               "and SH1.DATE_TO between %1 and %2 and S1.SERVTYPE_ID = ST1.SERVTYPE_ID "
               "and S1.SERVTYPE_ID between 4 and 5")
               .arg(DateToSqlLiteral(from), DateToSqlLiteral(to))
           + packageCondition("S1.CHILDSERV_ID", package)
           + QStringLiteral(" order by C.ACCOUNT_NO, SH1.DATE_TO, SH1.SUBSCR_HIST_ID");
}

QString MainStateCondition(const QDate &date)
{
    const QString d = DateToSqlLiteral(date);
    return QStringLiteral("where C.CUSTOMER_ID = SH.CUSTOMER_ID and SH.DATE_FROM <= %1 and SH.DATE_TO >= %1 "
                          "and C.VALID_TO > %1")
        .arg(d);
}

void RunConnectionsReport(int servTypeId, bool perMonth, TConnectKind kind)
{
    if (!askPeriod(perMonth, true))
        return;
    TKyv_ClientDataSet *ds = dmReports->cdsRepNewActivCustomers();
    ds->Close();
    ds->SetCommandText(
        NewActivCustomersStatement(servTypeId, SelectionPeriodFrom, SelectionPeriodTo, chosenPackage(), kind));
    const bool reconnections = servTypeId == 3;
    const QString name = reconnections ? QStringLiteral("NextTimeConnected") : QStringLiteral("NewConnectUsers");
    runReport(ds, dmReports->frRepNewActivCustomers(),
              name + (perMonth ? QStringLiteral("PerMonth.frf") : QStringLiteral(".frf")));
}

void RunDisactReport(bool perMonth)
{
    if (!askPeriod(perMonth, true))
        return;
    TKyv_ClientDataSet *ds = dmReports->cdsDisactByPeriodCustomers();
    ds->Close();
    ds->SetCommandText(DisactCustomersStatement(SelectionPeriodFrom, SelectionPeriodTo, chosenPackage()));
    runReport(ds, dmReports->frDisactByPeriodCustomers(),
              perMonth ? QStringLiteral("DisactByMonthCustomers.frf") : QStringLiteral("DisactByPeriodCustomers.frf"));
}

void RunMainStateReport()
{
    if (!askPeriod(false, false))
        return;
    TKyv_ClientDataSet *ds = dmReports->cdsRepMainState();
    ds->Close();
    ds->SubstitutionByName(QStringLiteral("where_str1"))->Value = MainStateCondition(SelectionPeriodFrom);
    ds->SubstitutionByName(QStringLiteral("where_str2"))->Value = MainStateCondition(SelectionPeriodTo);
    runReport(ds, dmReports->frRepMainState(), QStringLiteral("СтатОтчетЗаПериод.frf"));
}

void RegisterStatReportCommands()
{
    const struct
    {
        const char *action;
        int servType; // 2 connections, 3 reconnections, 4 disconnections, 0 the current state
        bool perMonth;
        TConnectKind kind;
    } reports[] = {
        {"actReportNewConnectCustALL", 2, false, TConnectKind::All},
        {"actReportNewConnectCustNotPayed", 2, false, TConnectKind::Free},
        {"actReportNewConnectCustPayed", 2, false, TConnectKind::Paid},
        {"actReportNextTimeConnectedCust", 3, false, TConnectKind::All},
        {"actReportDisactCustByPeriod", 4, false, TConnectKind::All},
        {"actReportNewConnectCustALLPerMonth", 2, true, TConnectKind::All},
        {"actReportNewConnectCustPayedPerMonth", 2, true, TConnectKind::Paid},
        {"actReportNewConnectCustNotPayedPerMonth", 2, true, TConnectKind::Free},
        {"actReportNextTimeConnectedCustPerMonth", 3, true, TConnectKind::All},
        {"actReportDisactCustByMonth", 4, true, TConnectKind::All},
        {"actReportMainState", 0, false, TConnectKind::All},
    };
    for (const auto &r : reports) {
        const int servType = r.servType;
        const bool perMonth = r.perMonth;
        const TConnectKind kind = r.kind;
        RegisterCommand(QString::fromLatin1(r.action), [servType, perMonth, kind] {
            if (!dmReports)
                return;
            if (servType == 0)
                RunMainStateReport();
            else if (servType == 4)
                RunDisactReport(perMonth);
            else
                RunConnectionsReport(servType, perMonth, kind);
        });
    }
}
