#include "uCustFilter.h"

#include "Dialect.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uCommon.h"

namespace {

const TField *fieldOf(const TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

bool flag(const TDataSet *ds, const char *name)
{
    const TField *f = fieldOf(ds, name);
    return !f->IsNull() && f->AsInteger() == 1;
}

// An integer key that is set and not 0.
bool keySet(const TDataSet *ds, const char *name)
{
    const TField *f = fieldOf(ds, name);
    return !f->IsNull() && f->AsInteger() != 0;
}

QString integer(const TDataSet *ds, const char *name)
{
    return QString::number(fieldOf(ds, name)->AsInteger());
}

// A number as SQL reads it: "." before the decimals, no grouping.
QString sqlNumber(double value)
{
    return QString::number(value, 'g', 15);
}

QString houseIn(const QString &condition)
{
    return QStringLiteral(" and (C.House_Id in (select HOUSE_ID from ZOLT.HOUSE where ") + condition
        + QStringLiteral("))");
}

QString range(const QString &field, const TDataSet *ds, const char *from, const char *to)
{
    return BuildRangeCondition(field, fieldOf(ds, from)->Value(), fieldOf(ds, to)->Value());
}

QString packageCondition(const TDataSet *ds)
{
    const TField *serv = fieldOf(ds, "SERV_ID");
    return !serv->IsNull() && serv->AsInteger() >= 0
        ? QStringLiteral("  and S.CHILDSERV_ID = ") + integer(ds, "SERV_ID")
        : QString();
}

QString letterCondition(
    const TDataSet *ds, const QString &alias, const char *from, const char *to, const char *notFlag, const char *type)
{
    QString w = flag(ds, notFlag) ? QStringLiteral(" and (C.Customer_Id not ") : QStringLiteral(" and (C.Customer_Id ");
    w += QStringLiteral(" in (select %1.Customer_Id from ZOLT.CUSTLETTER %1 where ").arg(alias)
        + range(alias + QStringLiteral(".CustLetterDate"), ds, from, to)
        + QStringLiteral(" and %1.Customer_Id = C.Customer_Id").arg(alias);
    if (fieldOf(ds, type)->AsInteger() != 0)
        w += QStringLiteral(" and %1.LetterTypeId  = ").arg(alias) + integer(ds, type);
    return w + QStringLiteral("))");
}

QString addressConditions(const TDataSet *r, const QString &houseNo)
{
    QString w;
    if (keySet(r, "STREET_ID") && !houseNo.isEmpty()) {
        w += houseIn(QStringLiteral("STREET_ID=") + integer(r, "STREET_ID") + QStringLiteral(" and HOUSE_NO=")
            + Dialect::quoteText(houseNo));
    } else {
        const TField *city = fieldOf(r, "CITY_ID");
        if (!city->IsNull() && city->AsInteger() >= 0)
            w += houseIn(QStringLiteral("LOCATION_ID=") + integer(r, "CITY_ID"));
        if (keySet(r, "STREET_ID"))
            w += houseIn(QStringLiteral("STREET_ID=") + integer(r, "STREET_ID"));
        if (!houseNo.isEmpty())
            w += houseIn(QStringLiteral("HOUSE_NO=") + Dialect::quoteText(houseNo));
    }
    const QString flat = fieldOf(r, "FLAT_NO")->AsString();
    if (!flat.isEmpty())
        w += QStringLiteral(" and (C.Flat_No = ") + Dialect::quoteText(flat) + QStringLiteral(")");
    if (keySet(r, "AREA_ID"))
        w += houseIn(QStringLiteral("AREA_ID=") + integer(r, "AREA_ID"));
    if (keySet(r, "SUBAREA_ID"))
        w += houseIn(QStringLiteral("SubArea_ID=") + integer(r, "SUBAREA_ID"));
    return w;
}

QString debtCondition(const TDataSet *r)
{
    const int mode = fieldOf(r, "DebtMode")->AsInteger();
    const TField *sum = fieldOf(r, "DEBT_SUM");
    const TField *sign = fieldOf(r, "DEBT_SIGN");
    if (mode == 0 && !sum->IsNull() && !sign->IsNull()) {
        static const char *const comparisons[] = { "<", "<=", "=", ">=", ">", "<>" };
        const int i = sign->AsInteger();
        const QString cmp = QString::fromLatin1(i >= 0 && i <= 5 ? comparisons[i] : ">");
        return QStringLiteral(" and (C.Debt_Sum ") + cmp + QLatin1Char(' ') + sqlNumber(sum->AsFloat())
            + QStringLiteral(")");
    }
    const TField *from = fieldOf(r, "DebtFrom");
    const TField *to = fieldOf(r, "DebtTo");
    if (mode == 1 && !from->IsNull() && !to->IsNull())
        return QStringLiteral(" and (C.Debt_Sum between ") + sqlNumber(from->AsFloat()) + QStringLiteral(" and ")
            + sqlNumber(to->AsFloat()) + QStringLiteral(")");
    return {};
}

QString stateCondition(const TDataSet *r)
{
    const bool s1 = flag(r, "STATE_1"), s5 = flag(r, "STATE_5"), s6 = flag(r, "STATE_6");
    if (s1 && !s5 && !s6) {
        const TField *act = fieldOf(r, "ACT_SERV_ID");
        if (!act->IsNull() && act->AsInteger() >= 0)
            return QStringLiteral(" and (C.Customer_Id in (select SS.Customer_Id from ZOLT.Subscr_Serv SS where "
                                  "SS.State_Sgn = 1  and SS.Serv_Id = ")
                + integer(r, "ACT_SERV_ID") + QStringLiteral("))");
        return QStringLiteral(" and (C.Cust_State = 1)");
    }
    if (s5 && !s1 && !s6)
        return QStringLiteral(" and (C.Cust_State = 5)");
    if (s6 && !s1 && !s5)
        return QStringLiteral(" and (C.Cust_State = 6)");
    QString states = QString(s5 ? QStringLiteral("5,") : QString()) + (s6 ? QStringLiteral("6,") : QString());
    states.chop(1);
    return QStringLiteral(" and (C.Cust_State in (") + states + QStringLiteral("))");
}

QString historyCondition(const TDataSet *r, const QString &dateField, const QString &serviceCondition)
{
    return QStringLiteral(" and (C.Customer_Id in (select SH.Customer_Id from ZOLT.Subscr_Hist SH,ZOLT.Serv S where  ")
        + range(dateField, r, "DATE_FROM", "DATE_TO") + serviceCondition + packageCondition(r) + QStringLiteral("))");
}

} // namespace

QString ChosenHouseNo(const TDataSet *houseNoList, const TDataSet *filterRecord)
{
    if (!houseNoList || !houseNoList->Active() || houseNoList->IsEmpty())
        return {};
    const TField *chosen = fieldOf(filterRecord, "HOUSE_ID");
    const TField *current = fieldOf(houseNoList, "HOUSE_ID");
    if (chosen->IsNull() || current->IsNull() || current->AsInteger() != chosen->AsInteger())
        return {};
    return fieldOf(houseNoList, "HOUSE_NO")->AsString();
}

QString BuildCustFilter(const TDataSet *r, bool filterOn, const QString &chosenHouseNo)
{
    if (!filterOn)
        return TcustDM::LiveContractsCondition();
    QString w;
    if (flag(r, "CHECK_ADRESS"))
        w += addressConditions(r, chosenHouseNo);
    if (flag(r, "CHECK_DEBT"))
        w += debtCondition(r);
    if (flag(r, "STATE_1") || flag(r, "STATE_5") || flag(r, "STATE_6"))
        w += stateCondition(r);
    if (flag(r, "SUBSCR_HIST_SGN"))
        w += QStringLiteral("and (C.Customer_Id not in (select distinct Customer_Id from ZOLT.Subscr_Hist group by "
                            "Customer_Id))");
    if (flag(r, "NOTICE_SGN"))
        w += QStringLiteral(" and (C.Notice is not null)");
    if (flag(r, "DISCOUNT_FACTOR_SGN"))
        w += QStringLiteral(" and (C.Customer_Id in (select C.Customer_Id from ZOLT.Customer C,ZOLT.Discount_Factor D "
                            "where C.Customer_Id = D.Customer_Id and D.Factor_Value < 1))");
    const bool period = flag(r, "PERIOD_SGN");
    if (period && flag(r, "ACT_SGN"))
        w += historyCondition(
            r, QStringLiteral("SH.Date_From"), QStringLiteral(" and S.Serv_Id = SH.Act_Serv_Id and S.ServType_Id = 2"));
    if (period && flag(r, "ACT_R_SGN"))
        w += historyCondition(
            r, QStringLiteral("SH.Date_From"), QStringLiteral(" and S.Serv_Id = SH.Act_Serv_Id and S.ServType_Id=3"));
    const bool byRequest = flag(r, "DIZACT_SGN"), forDebt = flag(r, "DIZACT_N_SGN");
    if (period && (byRequest || forDebt)) {
        QString types = byRequest ? QStringLiteral(" S.ServType_Id=4") : QStringLiteral("S.ServType_Id=5");
        if (byRequest && forDebt)
            types += QStringLiteral(" or S.ServType_Id=5");
        // The leading blank of the spelled-out condition is kept off, as the other history conditions have it.
        w += historyCondition(r, QStringLiteral("SH.Date_To"),
            QStringLiteral(" and S.Serv_Id = SH.DisAct_Serv_Id and (") + types + QStringLiteral(")"))
                 .mid(1);
    }
    if (flag(r, "INVALID_CONTRACT_DATE"))
        w += QStringLiteral(" and (C.CONTRACT_DATE > C.ACTIVIZ_DATE)");
    const QString prop = fieldOf(r, "CUST_PROP_DESCR")->AsString();
    if (prop != QStringLiteral("Все"))
        w += prop.isEmpty()
            ? QStringLiteral(" and (C.CUST_PROP_DESCR is NULL)")
            : QStringLiteral(" and (C.CUST_PROP_DESCR = ") + Dialect::quoteText(prop) + QStringLiteral(")");
    if (period && flag(r, "PAY_SGN")) {
        const TField *serv = fieldOf(r, "SERV_ID");
        if (!serv->IsNull() && serv->AsInteger() >= 0)
            w += QStringLiteral(" and (C.Customer_Id in (select P.Customer_Id from ZOLT.Payment P, ZOLT.Serv S where  ")
                + range(QStringLiteral("P.Pay_Date"), r, "DATE_FROM", "DATE_TO")
                + QStringLiteral(" and S.Serv_Id = P.Serv_Id and S.CHILDSERV_ID = ") + integer(r, "SERV_ID")
                + QStringLiteral("))");
        else
            w += QStringLiteral(" and (C.Customer_Id in (select P.Customer_Id from ZOLT.Payment P where  ")
                + range(QStringLiteral("P.Pay_Date"), r, "DATE_FROM", "DATE_TO") + QStringLiteral("))");
    }
    if (period && flag(r, "CUSTLETTER_SGN"))
        w += letterCondition(r, QStringLiteral("CL"), "DATE_FROM", "DATE_TO", "CustLetterNotSgn1", "LetterTypeId1");
    if (flag(r, "Period_Sgn2") && flag(r, "CustLetter_Sgn2"))
        w += letterCondition(r, QStringLiteral("CL2"), "DATE_FROM2", "DATE_TO2", "CustLetterNotSgn2", "LetterTypeId2");
    if (period && flag(r, "CONTRACT_DATE_SGN"))
        w += QStringLiteral(" and ") + range(QStringLiteral("C.CONTRACT_DATE"), r, "DATE_FROM", "DATE_TO");
    if (flag(r, "VALID_TO_SGN")) {
        const bool on = flag(r, "VALID_TO_ON"), off = flag(r, "VALID_TO_OFF");
        if (on && !off)
            w += QStringLiteral(" and (C.Valid_To > sysdate)");
        else if (off && !on)
            w += QStringLiteral(" and (C.Valid_To <= sysdate)");
    } else {
        w += TcustDM::LiveContractsCondition();
    }
    return w;
}

bool ApplyCustFilter(TKyv_ClientDataSet *customers, bool filterOn, QString conditions)
{
    TScreenCursorScope hourglass(crHourGlass);
    TSqlSubstitution *whereStr = customers->SubstitutionByName(QStringLiteral("where_str"));
    const QString old = whereStr->Value;
    if (filterOn && conditions != old)
        whereStr->Value = conditions;
    if (!filterOn) {
        conditions = TcustDM::LiveContractsCondition();
        whereStr->Value = conditions;
    }
    if ((!conditions.isEmpty() && !filterOn) || conditions != old) {
        customers->Close();
        customers->Open();
        return true;
    }
    return false;
}

QString ExtCustSearchConditions(const QVariant &streetId, const QString &houseNo, const QString &flat)
{
    QStringList conditions;
    const bool street = !isNullValue(streetId) && streetId.toInt() != 0;
    if (street && !houseNo.isEmpty()) {
        conditions << QStringLiteral("(HOUSE_ID = ") + DM->GetHouseId(streetId, houseNo) + QStringLiteral(")");
    } else {
        if (street)
            conditions << QStringLiteral("(HOUSE_ID in (") + DM->GetStreetHouseIds(streetId) + QStringLiteral("))");
        if (!houseNo.isEmpty())
            conditions << QStringLiteral("(HOUSE_ID in (") + DM->GetHouseIdsByNo(houseNo) + QStringLiteral("))");
    }
    if (!flat.isEmpty())
        conditions << QStringLiteral("(FLAT_NO = :FLAT_NO)");
    return conditions.join(QStringLiteral(" and "));
}

QString ExtCustSearchStatement(const QString &conditions)
{
    return QStringLiteral("select * from ZOLT.CUSTOMER")
        + (conditions.isEmpty() ? QString() : QStringLiteral(" where ") + conditions)
        + QStringLiteral(" order by CUSTOMER_ID");
}
