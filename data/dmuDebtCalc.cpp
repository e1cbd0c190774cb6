#include "dmuDebtCalc.h"

#include "ApplicationHint.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Kyv_db.h"
#include "LogSink.h"
#include "Money.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuRDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <numeric>

TdmDebtCalc *dmDebtCalc = nullptr;

namespace {

// What goes of the balance rows from :P_DATE (the month after the closed one) on, before the close writes a row of
// that month for every customer. On the server: all of them, and the rows are written anew by its fastest path.
// On SQLite only the rows the close will not write over (later months, and customers that no longer exist) go,
// and the close's rows are written over in place: deleting a row of every customer, scattered over the whole
// table, then inserting it again costs SQLite twice. The date column's numeric affinity would make SQLite try to
// read every stored date text, and the bound one, as a number at each of millions of comparisons; a date text
// never reads as one, so comparing without the affinity ("+") is the same comparison at half the cost. The server
// takes no unary plus on a date, nor needs it.
bool WritesNextRowsOver(const TADOConnection &connection)
{
    return connection.Provider() == TADOConnection::TProvider::SQLite;
}

QString nextRowsDeletion(const TADOConnection &connection)
{
    return WritesNextRowsOver(connection)
               ? QStringLiteral("delete from ZOLT.PAY_ACCOUNT where +REL_DATE >= :P_DATE and (+REL_DATE > :P_DATE "
                                "or CUSTOMER_ID not in (select C.CUSTOMER_ID from ZOLT.CUSTOMER C))")
               : QStringLiteral("delete from ZOLT.PAY_ACCOUNT where REL_DATE >= :P_DATE");
}

// The account numbers are compared as the eye compares them, right-aligned in this many characters; the list's
// query orders them the same way.
constexpr int AccountWidth = 15;
const char *const AccountField = "ACCOUNT_NO";

QString RightAlignedAccount(const QString &account)
{
    // As the database's LPAD: a longer number is cut to its first characters.
    return account.left(AccountWidth).rightJustified(AccountWidth, QLatin1Char(' '));
}

bool Listed(const QString &names, const QString &name)
{
    const QStringList list = SplitFieldNames(names);
    return std::any_of(list.begin(), list.end(),
                       [&](const QString &n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
}

// The customer list's figures, in the order of its fields, each from the month (m) or from what is dated after it
// (a).
using Figures = const TMonthFigures &;
struct ListFigure
{
    const char *name;
    double (*value)(Figures m, Figures a);
};
const ListFigure ListFigures[] = {
    {"P_DEBT_IN_SUM", [](Figures m, Figures) { return m.in; }},
    {"FACTOR_VALUE", [](Figures m, Figures) { return m.factor; }},
    {"L_SINGLE_SERVICE_SUM", [](Figures m, Figures) { return m.byFact; }},
    {"L_SINGLE_SERVICE_SUM_A", [](Figures, Figures a) { return a.byFact; }},
    {"SINGLE_SERV_SUM", [](Figures m, Figures) { return m.oneOff; }},
    {"SINGLE_SERV_SUM_A", [](Figures, Figures a) { return a.oneOff; }},
    {"ACT_SERV_SUM", [](Figures m, Figures) { return m.activation; }},
    {"ACT_SERV_SUM_A", [](Figures, Figures a) { return a.activation; }},
    {"DISACT_SERV_SUM", [](Figures m, Figures) { return m.deactivation; }},
    {"DISACT_SERV_SUM_A", [](Figures, Figures a) { return a.deactivation; }},
    {"PAY_SUM", [](Figures m, Figures) { return m.payments; }},
    {"PAY_SUM_A", [](Figures, Figures a) { return a.payments; }},
    {"L_SUM", [](Figures m, Figures) { return m.subscriptionBase; }},
    {"C_SUM_ADD", [](Figures, Figures a) { return a.prepayBase; }},
    {"C_SUM", [](Figures m, Figures) { return m.subscriptionBase; }},
    {"C_ACT_SERV_SUM", [](Figures m, Figures) { return m.activation; }},
    {"C_PAY_SUM", [](Figures m, Figures) { return m.payments; }},
    {"C_SINGLE_SERVICE_SUM", [](Figures m, Figures) { return m.byFact; }},
    // Everything charged in the month, the factor applied per period as the close does, so that the outgoing
    // balance shown is the balance row the close writes.
    {"C_TO_PAY_SUM", [](Figures m, Figures) { return RoundCents(m.out + m.payments); }},
    {"DEBT_OUT_SUM", [](Figures m, Figures) { return m.out; }},
};

} // namespace

// ---- The customer list

void TCustDebtStateDataSet::SetSortFields(const QString &fields, const QString &descFields)
{
    for (const QString &name : SplitFieldNames(fields))
        FieldByName(name);
    m_sortFields = fields;
    m_descFields = descFields;
    if (Active())
        OrderChanged();
}

std::vector<int> TCustDebtStateDataSet::BaseOrder() const
{
    std::vector<int> order = TKyv_ADODataSet::BaseOrder();
    struct Key
    {
        const TField *field;
        bool descending;
        bool account;
    };
    std::vector<Key> keys;
    for (const QString &name : SplitFieldNames(m_sortFields))
        if (const TField *f = FindField(name))
            keys.push_back({f, Listed(m_descFields, name),
                            name.compare(QLatin1String(AccountField), Qt::CaseInsensitive) == 0});
    if (keys.empty() || order.size() < 2)
        return order;
    // Each row's values are worked out once (a computed figure costs the row's whole calculation), then sorted.
    const size_t width = keys.size();
    std::vector<QVariant> values(order.size() * width);
    for (size_t i = 0; i < order.size(); ++i)
        for (size_t k = 0; k < width; ++k) {
            QVariant v = RowValue(order[i], keys[k].field);
            if (isNullValue(v))
                v = QVariant();
            else if (keys[k].account)
                v = RightAlignedAccount(v.toString());
            values[i * width + k] = std::move(v);
        }
    std::vector<size_t> positions(order.size());
    std::iota(positions.begin(), positions.end(), size_t(0));
    std::stable_sort(positions.begin(), positions.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < width; ++k) {
            const int c = CompareValues(keys[k].field->DataType(), values[a * width + k], values[b * width + k], true);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    });
    std::vector<int> sorted;
    sorted.reserve(order.size());
    for (size_t p : positions)
        sorted.push_back(order[p]);
    InvalidateCalcCache();
    return sorted;
}

// ---- The data module

TdmDebtCalc::TdmDebtCalc(TDMR *dmr, QObject *parent)
    : QObject(parent)
    , m_dmr(dmr)
    , m_odsCustDebtState(std::make_unique<TCustDebtStateDataSet>())
    , m_dsCustDebtState(std::make_unique<TDataSource>())
{
    TCustDebtStateDataSet *list = m_odsCustDebtState.get();
    list->setObjectName(QStringLiteral("odsCustDebtState"));
    if (m_dmr)
        list->SetConnection(m_dmr->dbConnection());
    for (const char *name : {"CUSTOMER_ID", "START_DEBT_SUM", "DEBT_IN_SUM", "DEBT_SUM"})
        list->AddField<TFloatField>(QString::fromLatin1(name));
    for (const char *name : {"ACCOUNT_NO", "SURNAME", "CUSTOMER_NAME"})
        list->AddField<TStringField>(QString::fromLatin1(name));
    m_dateFromField = list->AddField<TDateTimeField>(QStringLiteral("P_DATE_FROM"), fkCalculated);
    m_dateToField = list->AddField<TDateTimeField>(QStringLiteral("P_DATE_TO"), fkCalculated);
    for (const ListFigure &figure : ListFigures) {
        TField *f = list->AddField<TFloatField>(QString::fromLatin1(figure.name), fkCalculated);
        m_figureFields.push_back(f);
        if (qstrcmp(figure.name, "C_TO_PAY_SUM") == 0)
            m_toPayField = f;
    }
    m_idField = list->FieldByName(QStringLiteral("CUSTOMER_ID"));
    list->OnCalcFields.add([this](TDataSet *ds) { odsCustDebtStateCalcFields(ds); });
    list->AfterClose.add([this](TDataSet *) { m_custFigures.clear(); });
    m_dsCustDebtState->SetDataSet(list);
}

TdmDebtCalc::~TdmDebtCalc()
{
    m_odsCustDebtState->Close();
    if (dmDebtCalc == this)
        dmDebtCalc = nullptr;
}

void TdmDebtCalc::hint(const QString &text)
{
    SetApplicationHint(text);
    if (OnHint)
        OnHint(text);
    QCoreApplication::processEvents();
}

bool TdmDebtCalc::closeAccountingMonth(int debtMode, const QDate &d)
{
    TADOConnection *connection = m_dmr->dbConnection();
    if (!connection->Connected() || !d.isValid())
        return false;
    const QDate month = StartOfMonth(d);
    const QDate next = StartOfMonth(month.addMonths(1));

    TScreenCursorScope wait(crHourGlass);
    m_dmr->FixTarifDates();
    m_dmr->CommitWork();
    bool result = false;
    try {
        connection->BeginTrans();
        hint(QStringLiteral("Удаляем всю информацию по состояниям долгов на период перевода остатков"));
        const QDate init = m_dmr->InitDate();
        if (next > init) {
            // A repeated close of the same month (after a rollback) starts clean. The next month's rows are all
            // written again: the open month's running balance is seldom the closed month's, which charges the
            // subscriptions.
            connection->Execute(nextRowsDeletion(*connection),
                                {{QStringLiteral("P_DATE"), QDateTime(next, QTime(0, 0), Qt::UTC)}});
            if (init.addMonths(1) >= next) {
                // Closing the initialisation month reseeds its balances, inside the close's transaction, so an
                // aborted close gives them back.
                connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
                connection->Execute(TDMR::ReseedPayAccountStatement());
            }
        }

        hint(QStringLiteral("Входящий долг по таблице состояний"));
        TTariffBook tariffs;
        tariffs.load(*connection);
        hint(QStringLiteral("Выборка по списку клиентов"));
        TActivityReader reader(*connection, tariffs, QString(), month);
        reader.SetSliceSize(m_sliceSize);
        reader.SetActivitySince(month);
        // Only the closed month's incoming balance is read: the next month's rows are all written again.
        reader.SetRowsBefore(next);
        m_dmr->sendToMainWindow(AMHideAnimate);
        hint(QString());

        const int count = int(reader.keys().size());
        const bool overwrite = WritesNextRowsOver(*connection);
        int done = 0;
        constexpr qint64 EventsEveryMs = 50;
        QElapsedTimer events;
        events.start();
        result = true;
        for (int slice = 0; result && slice < reader.sliceCount(); ++slice) {
            QList<TCustomerActivity> customers = reader.readSlice(slice);
            TBalanceWriter writer(*connection);
            for (TCustomerActivity &a : customers) {
                if (m_abort) {
                    result = false;
                    break;
                }
                // The closed month's outgoing balance is the next month's row, for every customer; the debt adds
                // everything dated after the closed month and, in debt mode 1 only, the next month's subscriptions.
                const TMonthFigures closed =
                    ComputeMonth(a, tariffs, ColumnMoney(a.payAccount.value(month)), month, false, debtMode);
                if (overwrite)
                    writer.updatePayAccount(a.id, next, closed.out);
                else
                    writer.insertPayAccount(a.id, next, closed.out);
                const TMonthFigures open = ComputeMonth(a, tariffs, closed.out, next, true, debtMode == 1 ? 1 : 0);
                if (MoneyDiffers(a.debtIn, closed.out) || MoneyDiffers(a.debtSum, open.debt))
                    writer.setDebts(a.id, closed.out, open.debt);
                ++done;
                if (OnProgress)
                    OnProgress(done, count);
                // The window stays responsive (and the abort button live) without a round of events per customer.
                if (events.hasExpired(EventsEveryMs)) {
                    QCoreApplication::processEvents();
                    events.restart();
                }
            }
            if (result)
                writer.flush();
        }
        if (result) {
            connection->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_DATE"),
                                {{QStringLiteral("P_DATE"), QDateTime(next, QTime(0, 0), Qt::UTC)}});
            connection->CommitTrans();
        } else {
            connection->RollbackTrans();
        }
    } catch (const std::exception &e) {
        // Nothing of a failed close stays, and the user learns why it failed.
        result = false;
        const QString message = exceptionMessage(e);
        if (connection->InTransaction()) {
            try {
                connection->RollbackTrans();
            } catch (const std::exception &re) {
                platformLog(LogKind::Error, exceptionMessage(re));
            }
        }
        platformLog(LogKind::Error, message);
        Services::messages()->error(message);
    }
    hint(QString());
    return result;
}

void TdmDebtCalc::openCustDebtState(const QDate &month)
{
    m_odsCustDebtState->Close();
    TADOConnection *connection = m_dmr->dbConnection();
    const QDate from = StartOfMonth(month);
    const QDate next = StartOfMonth(from.addMonths(1));
    TScreenCursorScope wait(crHourGlass);
    hint(QStringLiteral("Выборка по списку клиентов"));
    // The view shows what the close would write: the figures come from the engine, not from a formula of its own.
    QHash<qint64, TCustFigures> figures;
    TTariffBook tariffs;
    tariffs.load(*connection);
    TActivityReader reader(*connection, tariffs, QString(), from);
    reader.SetSliceSize(m_sliceSize);
    reader.SetActivitySince(from);
    for (int slice = 0; slice < reader.sliceCount(); ++slice) {
        for (const TCustomerActivity &a : reader.readSlice(slice)) {
            TCustFigures &f = figures[a.id];
            f.month = ComputeMonth(a, tariffs, ColumnMoney(a.payAccount.value(from)), from, false, 0);
            // Prepayment mode only adds the next month's subscriptions, which the list shows whatever the mode.
            f.after = ComputeMonth(a, tariffs, f.month.out, next, true, 1);
        }
        QCoreApplication::processEvents();
    }
    m_custFigures = std::move(figures);
    m_listMonth = from;
    // The name joins with CONCAT: a customer without initials keeps its surname (with "||" the whole name would be
    // null).
    m_odsCustDebtState->SetCommandText(
        QStringLiteral("select C.CUSTOMER_ID, C.START_DEBT_SUM, C.DEBT_IN_SUM, C.DEBT_SUM,C.ACCOUNT_NO, C.SURNAME,"
                       "CONCAT(C.SURNAME, ' ', C.INITIALS) as CUSTOMER_NAME from ZOLT.CUSTOMER C ")
        + QStringLiteral("ORDER BY LPAD(C.ACCOUNT_NO,%1,' ')").arg(AccountWidth));
    try {
        m_odsCustDebtState->Open();
    } catch (...) {
        m_custFigures.clear();
        hint(QString());
        throw;
    }
    hint(QString());
}

void TdmDebtCalc::odsCustDebtStateCalcFields(TDataSet *)
{
    // Every row shown, summed in the footer or sorted by is calculated here: the fields are reached directly.
    m_dateFromField->SetValue(QDateTime(m_listMonth, QTime(0, 0), Qt::UTC));
    m_dateToField->SetValue(QDateTime(EndOfMonth(m_listMonth), QTime(0, 0), Qt::UTC));
    const auto found =
        m_idField->IsNull() ? m_custFigures.constEnd() : m_custFigures.constFind(qint64(m_idField->AsFloat()));
    if (found == m_custFigures.constEnd()) {
        // A customer added after the figures were read has none: nothing to pay is shown rather than a guess.
        m_toPayField->SetValue(0.0);
        return;
    }
    for (size_t i = 0; i < m_figureFields.size(); ++i)
        m_figureFields[i]->SetValue(ListFigures[i].value(found->month, found->after));
}
