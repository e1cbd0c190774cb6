#include "uPayDoc.h"

#include "AdoConnection.h"
#include "Money.h"
#include "Periods.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uCommon.h"

#include <optional>

TPayDocCommission PayDocCommission(double docSum, double leakPrc, double taxPrc)
{
    TPayDocCommission c;
    c.leakTax = RoundMoney(docSum / 100.0 * leakPrc);
    c.tax = taxPrc + 100.0 == 0 ? 0 : RoundMoney(taxPrc * c.leakTax / (taxPrc + 100.0));
    c.leak = RoundMoney(c.leakTax - c.tax);
    return c;
}

bool WidenPeriodFor(const QDate &docDate, QDate &from, QDate &to)
{
    if (!docDate.isValid())
        return false;
    bool widened = false;
    if (docDate < from) {
        from = docDate;
        widened = true;
    }
    if (docDate > to) {
        to = docDate;
        widened = true;
    }
    return widened;
}

QString PayDocHeaderError(const QString &docNo)
{
    return docNo.trimmed().isEmpty() ? QStringLiteral("Не введен № документа") : QString();
}

QString PaySourceError(TDM *dm, const QVariant &paySourceId)
{
    if (isNullValue(paySourceId) || paySourceId.toString().trimmed().isEmpty()
        || !dm->IsReferenced(QStringLiteral("PAYSOURCE_ID"), QStringLiteral("PAYSOURCE"), paySourceId))
        return QStringLiteral("Не выбран источник платежа");
    return {};
}

TPaymentField CheckPaymentValues(
    const QVariant &customerId, const QVariant &sum, const QVariant &servId, QString &message)
{
    auto emptyOrZero = [](const QVariant &v) { return !v.isValid() || v.isNull() || v.toDouble() == 0; };
    if (emptyOrZero(customerId)) {
        message = QStringLiteral("Не выбран плательщик");
        return TPaymentField::Payer;
    }
    if (emptyOrZero(sum)) {
        message = QStringLiteral("Не введена сумма платежа");
        return TPaymentField::Sum;
    }
    if (!servId.isValid() || servId.isNull()) {
        message = QStringLiteral("Не выбран вид платежа");
        return TPaymentField::Kind;
    }
    message.clear();
    return TPaymentField::None;
}

bool PayDocDeletable(TDM *dm, const QVariant &payDocId, QString &warning)
{
    if (!dm->IsReferenced(QStringLiteral("PAY_DOC_ID"), QStringLiteral("PAYMENT"), payDocId))
        return true;
    warning = QStringLiteral("Данный документ удалить нельзя, т.к. он содержит платежи");
    return false;
}

void QueuePaymentChange(TDM *dm, const QVariant &oldCustomerId, const QVariant &oldDate, const QVariant &newCustomerId,
    const QVariant &newDate)
{
    const std::optional<QDate> before = GivenDate(oldDate);
    const std::optional<QDate> after = GivenDate(newDate);
    QVariant from = newDate;
    if (before && (!after || *before < *after))
        from = oldDate;
    const bool hadCustomer = oldCustomerId.isValid() && !oldCustomerId.isNull();
    if (hadCustomer && oldCustomerId.toLongLong() != newCustomerId.toLongLong())
        DMR->QueueInvalidCustDebt(oldCustomerId, from, dm->AccDate());
    if (newCustomerId.isValid() && !newCustomerId.isNull())
        DMR->QueueInvalidCustDebt(newCustomerId, from, dm->AccDate());
}

bool DeletePayment(
    TDM *dm, const QVariant &paymentId, const QVariant &customerId, const QVariant &payDate, QString &error)
{
    if (DMR->runOwnTransaction([&] {
            DMR->dbConnection()->Execute(QStringLiteral("delete from ZOLT.PAYMENT where PAYMENT_ID = :P_PAYMENT_ID"),
                ParamsOf({ { QStringLiteral("P_PAYMENT_ID"), paymentId } }));
            DMR->QueueInvalidCustDebt(customerId, payDate, dm->AccDate());
        }))
        return true;
    error = DMR->LastCommandError();
    return false;
}

QString PayDocStatement()
{
    return QStringLiteral(
        "select M.PAY_DOC_ID, M.PAYSOURCE_ID, M.PAY_DOC_NO, M.PAY_DOC_DATE, M.PAY_DOC_SUM, M.NOTICE, "
        "round(cast(M.PAY_DOC_SUM - M.FULL_PAY_SUM as numeric), 2) as SUM_DIFFERENCE from "
        "(select D.PAY_DOC_ID, D.PAYSOURCE_ID, D.PAY_DOC_NO, D.PAY_DOC_DATE, D.PAY_DOC_SUM, D.NOTICE, "
        "COALESCE(sum(P.PAY_SUM), 0) as FULL_PAY_SUM from ZOLT.PAY_DOC D "
        "left join ZOLT.PAYMENT P on D.PAY_DOC_ID = P.PAY_DOC_ID "
        "where D.PAY_DOC_DATE >= :P_DATE_FROM and D.PAY_DOC_DATE < :P_DATE_TO "
        "group by D.PAY_DOC_ID, D.PAYSOURCE_ID, D.PAY_DOC_NO, D.PAY_DOC_DATE, D.PAY_DOC_SUM, D.NOTICE) M");
}

QString PayDocPaymentStatement()
{
    return QStringLiteral(
        "select &idx1 P.CUSTOMER_ID, P.SERV_ID, P.PAYMENT_ID, P.PAY_DOC_ID, P.PAY_DATE, P.PAY_SUM, P.NOTICE, "
        "CS.ACCOUNT_NO, CS.CUST_CODE, CONCAT(CS.ACCOUNT_NO, ' ', CS.SURNAME, ' ', CS.INITIALS) as CUST_DESCR, "
        "CS.DEBT_SUM, CS.CUST_STATE_DESCR, S.STREET_NAME, "
        "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', CS.FLAT_NO) as HOUSE_INFO, SV.SERV_DESCR "
        "from ZOLT.PAYMENT P join ZOLT.CUSTOMER CS on CS.CUSTOMER_ID = P.CUSTOMER_ID "
        "join ZOLT.HOUSE H on H.HOUSE_ID = CS.HOUSE_ID join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
        "join ZOLT.SERV SV on SV.SERV_ID = P.SERV_ID where P.PAY_DOC_ID = :p1 order by P.PAYMENT_ID");
}

QString PayersStatement()
{
    return QStringLiteral(
        "select CS.CUSTOMER_ID, CS.ACCOUNT_NO as C_ACCOUNT_NO, CONCAT(CS.SURNAME, ' ', CS.INITIALS) as C_SURNAME, "
        "CONCAT(CS.ACCOUNT_NO, ' ', CS.SURNAME, ' ', CS.INITIALS, "
        "case when CS.PHONE_NO is null then '' else CONCAT('  т.', CS.PHONE_NO) end) as CUST_DESCR, "
        "CS.CUST_CODE, CS.HOUSE_ID, CS.DEBT_SUM, CS.CUST_STATE_DESCR, "
        "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', CS.FLAT_NO) as HOUSE_INFO "
        "from ZOLT.CUSTOMER CS join ZOLT.HOUSE H on CS.HOUSE_ID = H.HOUSE_ID "
        "join ZOLT.STREET S on H.STREET_ID = S.STREET_ID where CS.VALID_TO > :P_NOW "
        "order by LPAD(CS.ACCOUNT_NO, 15, ' ')");
}

QString PaymentKindsStatement()
{
    return QStringLiteral("select SERV_ID, SERV_DESCR from ZOLT.SERV");
}

QString PaymentServicesStatement()
{
    return QStringLiteral("select SERV_ID, SERV_DESCR from ZOLT.SERV where SERV_ID > 0");
}

QString PaySourceLookupStatement()
{
    return QStringLiteral("select PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC from ZOLT.PAYSOURCE");
}

QString PaymentsByServStatement()
{
    return QStringLiteral(
        "select D.PAY_DOC_ID, D.PAY_DOC_NO, D.PAY_DOC_DATE, C.CUSTOMER_ID, C.CUST_DESCR, P.PAY_DATE, P.PAY_SUM "
        "from ZOLT.PAY_DOC D join ZOLT.PAYMENT P on D.PAY_DOC_ID = P.PAY_DOC_ID "
        "join (select CS.CUSTOMER_ID, CONCAT(case when H.AREA_ID = 1 then CS.ACCOUNT_NO "
        "else CONCAT(CS.ACCOUNT_NO, '.', CAST(H.AREA_ID as varchar(10))) end, ' ', CS.SURNAME, ' ', CS.INITIALS) "
        "as CUST_DESCR from ZOLT.CUSTOMER CS join ZOLT.HOUSE H on H.HOUSE_ID = CS.HOUSE_ID "
        "join ZOLT.STREET S on H.STREET_ID = S.STREET_ID) C on P.CUSTOMER_ID = C.CUSTOMER_ID "
        "where P.SERV_ID = :P_Serv_Id and D.PAY_DOC_DATE >= :PeriodFrom and D.PAY_DOC_DATE < :PeriodTo "
        "order by D.PAY_DOC_DATE, C.CUST_DESCR");
}

QString CustPaymentsStatement(const QDate &from, const QDate &to, bool channelFilter, const QVariant &paySourceId)
{
    // The last day counts whole: a payment made in its afternoon belongs to the period.
    const std::optional<QDate> start = GivenDate(from);
    const std::optional<QDate> end = GivenDate(to);
    QString range = QStringLiteral("(0=0)");
    if (end && start)
        range = QStringLiteral("(VP.PAY_DATE >= %1 and VP.PAY_DATE < %2)")
                    .arg(DateToSqlLiteral(*start), DateToSqlLiteral(end->addDays(1)));
    else if (end)
        range = QStringLiteral("(VP.PAY_DATE < %1)").arg(DateToSqlLiteral(end->addDays(1)));
    QString sql = QStringLiteral("select VP.* from ZOLT.V_CUST_PAYMENTS VP where ") + range;
    if (channelFilter && paySourceId.isValid() && !paySourceId.isNull())
        sql += QStringLiteral(" and VP.PAYSOURCE_ID=") + QString::number(paySourceId.toLongLong());
    return sql;
}
