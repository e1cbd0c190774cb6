// The customer's account statement: its lines, group by group, in the scratch table of the current user.
#include "dmuRDM.h"

#include "BalanceEngine.h"
#include "DataSource.h"
#include "Formats.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Money.h"
#include "MoneyRule.h"
#include "Periods.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlQuery>

#include <algorithm>

namespace {

QString shortDate(const QDate &d)
{
    return DateToStr(DateToDayCount(d));
}

struct PaymentLine
{
    QDateTime when;
    QString kind;
    double sum = 0;
};

struct ServiceLine
{
    QDateTime when;
    QString name;
    double amount = 0;
};

} // namespace

bool TDMR::FillCustBalance(const QVariant &customerId, int debtMode, const QDate &accDate, const QDate &startDate)
{
    if (!m_connection->Connected())
        return false;
    const QString userText = QString::number(qint64(m_userId));
    // The old lines must go first: a statement mixed with an older one would show both.
    if (!ExecSqlScript(QStringLiteral("delete from ZOLT.TMP_CUST_BALANCE where User_Id=") + userText))
        return false;

    const QDate init = InitDate();
    TTariffBook tariffs;
    tariffs.load(*m_connection);
    TActivityReader reader(*m_connection, tariffs, QString(), init);
    const qint64 id = qint64(customerId.toDouble());
    QList<TCustomerActivity> found = reader.readRange(id, id);
    if (found.isEmpty() || !init.isValid())
        return true;
    const TCustomerActivity &a = found.first();

    // Payments are listed with their kind, payments not tied to a service as well.
    QList<PaymentLine> payments;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select P.PAY_DATE, S.SERV_DESCR, P.PAY_SUM from ZOLT.PAYMENT P "
                           "left join ZOLT.SERV S on S.SERV_ID = P.SERV_ID "
                           "where P.CUSTOMER_ID = :P_CUSTOMER_ID order by P.PAY_DATE, P.PAYMENT_ID"),
            {{QStringLiteral("P_CUSTOMER_ID"), id}});
        while (q.next())
            payments.append({ColumnDateTime(q.value(0)), q.value(1).toString(), ColumnMoney(q.value(2))});
    }
    QList<ServiceLine> byFact;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select CS.SERVICE_DATE, ST.SERVICE_NAME, CS.AMOUNT from ZOLT.CUSTOMER_SERVICE CS "
                           "left join ZOLT.SINGLE_SERVICE_TARIF ST on ST.SINGLE_SERVICE_TARIF_ID = CS.SINGLE_SERVICE_TARIF_ID "
                           "where CS.CUSTOMER_ID = :P_CUSTOMER_ID and CS.AMOUNT <> 0 "
                           "order by CS.SERVICE_DATE, CS.CUSTOMER_SERVICE_ID"),
            {{QStringLiteral("P_CUSTOMER_ID"), id}});
        while (q.next())
            byFact.append({ColumnDateTime(q.value(0)), q.value(1).toString(), ColumnMoney(q.value(2))});
    }
    QHash<qint64, QString> serviceNames;
    {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select SERV_ID, SERV_DESCR from ZOLT.SERV"));
        while (q.next())
            serviceNames.insert(qint64(q.value(0).toDouble()), q.value(1).toString());
    }

    int group = 1;
    QString caption;
    auto line = [&](int sign, const QString &descr, double sum) {
        m_connection->Execute(
            QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, USER_ID, GROUP_ID, "
                           "GROUP_DESCR, SUM_VAL, SUM_SGN, DESCR) values (:P_ID, :P_CUSTOMER_ID, :P_USER_ID, "
                           ":P_GROUP_ID, :P_GROUP_DESCR, :P_SUM_VAL, :P_SUM_SGN, :P_DESCR)"),
            {{QStringLiteral("P_ID"), qint64(GetNextNo(QStringLiteral("TMP_CUST_BALANCE_ID"),
                                                       QStringLiteral("ZOLT.TMP_CUST_BALANCE")))},
             {QStringLiteral("P_CUSTOMER_ID"), id},
             {QStringLiteral("P_USER_ID"), qint64(m_userId)},
             {QStringLiteral("P_GROUP_ID"), group},
             {QStringLiteral("P_GROUP_DESCR"), caption.left(80)},
             {QStringLiteral("P_SUM_VAL"), RoundCents(sum)},
             {QStringLiteral("P_SUM_SGN"), sign},
             {QStringLiteral("P_DESCR"), descr.left(80)}},
            TExecuteSource::Command);
    };
    auto factorText = [](double factor) {
        return factor != 1 ? QStringLiteral(" скидка: ") + NumberToText(factor) : QString();
    };
    auto paymentLines = [&](const QDateTime &lo, const QDateTime &hi, bool withWord) {
        for (const PaymentLine &p : payments)
            if (p.when >= lo && (!hi.isValid() || p.when < hi))
                line(1,
                     (withWord ? QStringLiteral("Платеж ") : QString()) + p.kind + QLatin1Char(' ')
                         + p.when.toString(QStringLiteral("dd.MM.yyyy")),
                     p.sum);
    };
    auto byFactLines = [&](const QDateTime &lo, const QDateTime &hi) {
        for (const ServiceLine &s : byFact)
            if (s.when >= lo && (!hi.isValid() || s.when < hi))
                line(-1, s.name + QStringLiteral(" (") + shortDate(s.when.date()) + QLatin1Char(')'), s.amount);
    };
    auto sumLine = [&](const QString &descr, double sum) {
        if (sum != 0)
            line(-1, descr, sum);
    };

    // The initialisation date: payments before it and the starting debt.
    const QDateTime initAt(init, QTime(0, 0));
    caption = QStringLiteral("на дату инициализации (") + shortDate(init) + QLatin1Char(')');
    paymentLines(QDateTime(QDate(1, 1, 1), QTime(0, 0)), initAt, true);
    if (ColumnMoney(a.startDebt) != 0)
        line(-1, QStringLiteral("Долг на дату инициализации (") + shortDate(init) + QLatin1Char(')'),
             ColumnMoney(a.startDebt));
    QCoreApplication::processEvents();

    QDate earliestPayment;
    for (const PaymentLine &p : payments)
        if (!earliestPayment.isValid() || p.when.date() < earliestPayment)
            earliestPayment = p.when.date();

    QDate m = StartOfMonth(init);
    while (m <= accDate) {
        ++group;
        const QDateTime lo(m, QTime(0, 0));
        const QDateTime hi(m.addMonths(1), QTime(0, 0));
        caption = MonthYearCaption(m);
        const QVariant in = m_connection->SelectValue(
            QStringLiteral("select DEBT_SUM from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID and REL_DATE = :P_DATE"),
            {{QStringLiteral("P_CUSTOMER_ID"), id}, {QStringLiteral("P_DATE"), lo}});
        if (in.isValid())
            caption += QStringLiteral("  Вх. долг = ") + NumberToText(in);

        // The month's own charges and payments; its subscription only once it is closed.
        const TMonthFigures month = ComputeMonth(a, tariffs, 0, m, false, debtMode);
        if (m < accDate) {
            for (const TSubscriptionPeriod &p : a.periods) {
                if (!(p.from < StampOf(m.addMonths(1)) && p.to >= StampOf(m)))
                    continue;
                for (double tariff : tariffs.pricesAt(p.servId, StampOf(m))) {
                    const TChargePeriod period{StampDate(p.from), StampDate(p.to), tariff};
                    line(-1,
                         serviceNames.value(p.servId) + QLatin1Char(' ')
                             + PeriodCaption(std::max(period.dateFrom, m), std::min(period.dateTo, EndOfMonth(m)))
                             + factorText(month.factor),
                         PeriodCharge(period, m, month.factor));
                }
            }
        }
        byFactLines(lo, hi);
        sumLine(QStringLiteral("За разовые услуги"), month.oneOff);
        sumLine(QStringLiteral("За услуги подключения"), month.activation);
        sumLine(QStringLiteral("За услуги отключения"), month.deactivation);
        paymentLines(lo, hi, false);
        if (m == accDate && debtMode != 0) {
            const TMonthFigures open = ComputeMonth(a, tariffs, 0, m, true, debtMode);
            sumLine(QStringLiteral("Предоплата ") + MonthYearCaption(m) + factorText(open.factor), open.prepay);
        }
        QCoreApplication::processEvents();

        // A contract that began later than the initialisation month, paid only after it began, skips the months
        // between.
        if (m == StartOfMonth(init) && startDate.isValid() && m < startDate && earliestPayment.isValid()
            && earliestPayment > startDate && earliestPayment > init && StartOfMonth(startDate) != m)
            m = StartOfMonth(startDate);
        else
            m = StartOfMonth(m.addMonths(1));
    }

    // Everything dated after the open month.
    ++group;
    caption = QStringLiteral("После расчетного периода: ") + MonthYearCaption(m);
    const QDateTime after(m, QTime(0, 0));
    byFactLines(after, QDateTime());
    paymentLines(after, QDateTime(), true);
    const TMonthFigures rest = ComputeMonth(a, tariffs, 0, m, true, 0);
    sumLine(QStringLiteral("За услуги подключения"), rest.activation);
    sumLine(QStringLiteral("За услуги отключения"), rest.deactivation);
    return true;
}

void TDMR::createBalanceReaders()
{
    const auto make = [this](const char *name, const QString &text) {
        auto ds = std::make_unique<TKyv_ADODataSet>();
        ds->setObjectName(QString::fromLatin1(name));
        ds->SetConnection(m_connection.get());
        ds->SetCommandText(text);
        // Several users build statements in the same table: each reads only its own lines.
        ds->BeforeOpen.add([this](TDataSet *d) {
            d->Params().ParamByName(QStringLiteral("P_USER_ID")).SetValue(m_userId);
        });
        return ds;
    };
    m_odsBalanceGroup = make("odsBalanceGroup",
                             QStringLiteral("select distinct GROUP_ID, USER_ID, GROUP_DESCR from ZOLT.TMP_CUST_BALANCE "
                                            "where USER_ID = :P_USER_ID order by GROUP_ID"));
    m_dsBalanceGroup = std::make_unique<TDataSource>();
    m_dsBalanceGroup->SetDataSet(m_odsBalanceGroup.get());
    const auto lines = [&](const char *name, const char *sign) {
        auto ds = make(name,
                       QStringLiteral("select USER_ID, GROUP_ID, DESCR, SUM_VAL from ZOLT.TMP_CUST_BALANCE "
                                      "where USER_ID = :P_USER_ID and SUM_SGN %1 0 order by TMP_CUST_BALANCE_ID")
                           .arg(QLatin1String(sign)));
        ds->SetMasterSource(m_dsBalanceGroup.get());
        ds->SetMasterFields(QStringLiteral("USER_ID;GROUP_ID"));
        return ds;
    };
    m_odsBalanceIncome = lines("odsBalanceIncome", ">");
    m_odsBalanceOutgo = lines("odsBalanceOutgo", "<=");
    // The lines are read with the groups, so that a new statement is never shown with an older one's lines.
    m_odsBalanceGroup->AfterOpen.add([this](TDataSet *) {
        for (TKyv_ADODataSet *d : {m_odsBalanceIncome.get(), m_odsBalanceOutgo.get()}) {
            d->Close();
            d->Open();
        }
    });
    m_odsBalanceGroup->AfterClose.add([this](TDataSet *) {
        m_odsBalanceIncome->Close();
        m_odsBalanceOutgo->Close();
    });
    m_mdsBalanceReport = std::make_unique<TMemTable>();
    m_mdsBalanceReport->setObjectName(QStringLiteral("mdsBalanceReport"));
    const struct
    {
        const char *name;
        TFieldType type;
        int size;
    } fields[] = {{"Group_Descr", ftString, 250}, {"IN_DESCR", ftString, 250}, {"IN_SUM", ftFloat, 0},
                  {"OUT_DESCR", ftString, 250}, {"OUT_SUM", ftFloat, 0}};
    for (const auto &spec : fields) {
        TField *f = CreateField(spec.type, m_mdsBalanceReport.get());
        f->SetFieldName(QString::fromLatin1(spec.name));
        f->SetSize(spec.size);
        f->SetDataSet(m_mdsBalanceReport.get());
    }
}
