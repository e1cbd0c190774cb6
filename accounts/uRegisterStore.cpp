// Matching a read register's accounts to customers, storing its documents, and finding those a store before left.
#include "uRegisterImport.h"

#include "MoneyRule.h"
#include "dmuRDM.h"

#include <QHash>
#include <QSqlQuery>

#include <cmath>
#include <vector>

namespace {

const QString kUnknownAccount = QStringLiteral("Ошибка: Не найден клиент с Л/C:");
// Up to this many accounts the query names them; a larger register reads every account of the operator once,
// which is cheaper than a statement with thousands of parameters.
constexpr int kNamedAccounts = 500;

// The accounts of a register, each with the first of its payments, and every payment linked to the next one of
// its account. The table keeps the accounts' hashes beside their payments' numbers, so that a look-up among a
// hundred thousand accounts compares texts only when the hashes agree.
class TAccountIndex
{
public:
    explicit TAccountIndex(const QList<TRegisterPayment> &payments)
        : m_payments(payments)
        , m_next(size_t(payments.size()), -1)
    {
        size_t capacity = 16;
        while (capacity < 2 * size_t(payments.size()))
            capacity *= 2;
        m_slots.resize(capacity);
        m_mask = capacity - 1;
        std::vector<int> last(size_t(payments.size()), -1); // kept at each account's first payment
        for (int i = 0; i < int(payments.size()); ++i) {
            const QString &account = payments.at(i).AccountNo;
            if (account.isEmpty())
                continue;
            Slot &slot = m_slots[slotOf(account)];
            if (slot.first == -1) {
                slot.hash = hashOf(account);
                slot.first = i;
                last[size_t(i)] = i;
                ++m_count;
            } else {
                m_next[size_t(last[size_t(slot.first)])] = i;
                last[size_t(slot.first)] = i;
            }
        }
    }

    int count() const { return m_count; }
    // The first payment of the account, or -1.
    int first(QStringView account) const { return m_slots[slotOf(account)].first; }
    // The payment after `payment` of the same account, or -1.
    int next(int payment) const { return m_next[size_t(payment)]; }
    template <typename F> void forEachAccount(F &&f) const
    {
        for (const Slot &slot : m_slots)
            if (slot.first != -1)
                f(m_payments.at(slot.first).AccountNo);
    }

private:
    struct Slot
    {
        size_t hash = 0;
        int first = -1;
    };

    // Accounts are a few characters long: a plain multiplicative hash over them is cheaper than the general
    // one, and the process's seed keeps a file's accounts from being chosen to collide.
    size_t hashOf(QStringView account) const
    {
        quint64 h = 1469598103934665603ULL ^ m_seed;
        for (QChar c : account)
            h = (h ^ c.unicode()) * 1099511628211ULL;
        return size_t(h ^ (h >> 29));
    }

    // The slot holding the account, or the empty one where it would go.
    size_t slotOf(QStringView account) const
    {
        const size_t hash = hashOf(account);
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot &slot = m_slots[i];
            if (slot.first == -1 || (slot.hash == hash && m_payments.at(slot.first).AccountNo == account))
                return i;
        }
    }

    const QList<TRegisterPayment> &m_payments;
    std::vector<int> m_next;
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    size_t m_seed = QHashSeed::globalSeed();
    int m_count = 0;
};

// What makes two stores of one register document the same: its source, number and sum to the cent, and its
// payments (customer, day, sum to the cent) in any order.
struct TStoredDocKey
{
    int source = 0;
    QString no;
    double sum = 0;
    QStringList payments;

    void addPayment(qint64 customerId, const QDate &date, double paySum)
    {
        payments.append(QStringLiteral("%1 %2 %3").arg(customerId).arg(date.toString(Qt::ISODate), cents(paySum)));
    }
    QString text() const
    {
        QStringList sorted = payments;
        sorted.sort();
        return QStringLiteral("%1|%2|%3|").arg(source).arg(no, cents(sum)) + sorted.join(QLatin1Char(';'));
    }
    static QString cents(double value) { return QString::number(value, 'f', 2); }
};

} // namespace

void ResolveRegisterAccounts(TDMR &dmr, TPaymentRegister &reg)
{
    for (TRegisterPayment &p : reg.payments) {
        p.CustomerId = -1;
        p.CustomerFIO.clear();
    }
    const TAccountIndex accounts(reg.payments);
    if (accounts.count() > 0) {
        QString sql = QStringLiteral("select C.ACCOUNT_NO, C.CUSTOMER_ID, "
                                     "COALESCE(C.SURNAME, '') || ' ' || COALESCE(C.INITIALS, '') "
                                     "from ZOLT.CUSTOMER C ");
        TParams params;
        if (accounts.count() <= kNamedAccounts) {
            QStringList names;
            accounts.forEachAccount([&](const QString &account) {
                const QString name = QStringLiteral("P_A%1").arg(names.size());
                names.append(QLatin1Char(':') + name);
                params.CreateParam(ftString, name).SetAsString(account);
            });
            sql += QStringLiteral("where C.ACCOUNT_NO in (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        // Otherwise every customer is read by a plain scan of the table; one without an account matches nothing.
        QSqlQuery q = dmr.dbConnection()->OpenQuery(sql, params);
        while (q.next()) {
            const int first = accounts.first(q.value(0).toString());
            if (first == -1)
                continue;
            const int id = int(q.value(1).toDouble());
            // Of several customers holding one account, the last one (the greatest number) wins, as the card's
            // look-up answers.
            if (reg.payments.at(first).CustomerId > id)
                continue;
            const QString fio = q.value(2).toString().left(35);
            for (int i = first; i != -1; i = accounts.next(i)) {
                TRegisterPayment &p = reg.payments[i];
                p.CustomerId = id;
                p.CustomerFIO = fio;
            }
        }
    }
    for (const TRegisterPayment &p : reg.payments)
        if (p.CustomerId == -1)
            reg.errors.append(kUnknownAccount + p.AccountNo);
}

TRegisterStoreResult StoreRegister(TDMR &dmr, const TPaymentRegister &reg, bool erip, const QDate &today,
    const QDate &accDate, const QList<bool> &alreadyStored)
{
    TRegisterStoreResult result;
    auto docName = [](const TRegisterDoc &doc) {
        return QStringLiteral("документ № %1 от %2").arg(doc.PayDocNo, doc.PayDocDateStr);
    };
    // Everything is checked first: a register with one bad date or sum stores nothing at all.
    for (const TRegisterDoc &doc : reg.docs) {
        if (!RegisterDate(doc.PayDocDateStr).isValid())
            result.problems.append(QStringLiteral("Неверная дата документа: ") + docName(doc));
        if (!std::isfinite(doc.PayDocSum))
            result.problems.append(QStringLiteral("Неверная сумма документа: ") + docName(doc));
    }
    for (const TRegisterPayment &p : reg.payments) {
        if (p.CustomerId == -1)
            continue;
        if (!RegisterDate(p.PayDateStr).isValid())
            result.problems.append(QStringLiteral("Неверная дата платежа № %1 (Л/C %2): \"%3\"")
                                       .arg(p.RecNo)
                                       .arg(p.AccountNo, p.PayDateStr));
        if (!std::isfinite(p.PaySum))
            result.problems.append(
                QStringLiteral("Неверная сумма платежа № %1 (Л/C %2)").arg(p.RecNo).arg(p.AccountNo));
    }
    if (!result.problems.isEmpty())
        return result;
    result.checked = true;

    QHash<int, QList<const TRegisterPayment *>> byDoc;
    for (const TRegisterPayment &p : reg.payments)
        byDoc[p.PayDocId].append(&p);
    const QString notice = RegisterDocNotice(reg, erip, today);
    for (qsizetype i = 0; i < reg.docs.size(); ++i) {
        if (alreadyStored.value(i))
            continue;
        const TRegisterDoc &doc = reg.docs.at(i);
        QList<TDMR::TRegisterPayment> rows;
        double sum = 0;
        int skipped = 0;
        for (const TRegisterPayment *p : byDoc.value(doc.PayDocId)) {
            if (p->CustomerId == -1) {
                ++skipped;
                continue;
            }
            rows.append({ p->CustomerId, p->PaySum, RegisterDate(p->PayDateStr) });
            sum += p->PaySum;
        }
        result.skippedPayments += skipped;
        int docId = 0;
        if (!dmr.newPayDocWithPayments(doc.PaySourceId, doc.PayDocNo, notice, doc.PayDocSum,
                RegisterDate(doc.PayDocDateStr), rows, accDate, docId)) {
            result.problems.append(
                QStringLiteral("Не сохранен ") + docName(doc) + QStringLiteral(": ") + dmr.LastCommandError());
            continue;
        }
        ++result.storedDocs;
        result.storedPayments += int(rows.size());
        result.storedSum += sum;
        result.lastNotice = notice;
    }
    return result;
}

QList<bool> StoredRegisterDocs(TDMR &dmr, const TPaymentRegister &reg, bool erip)
{
    QList<bool> stored(reg.docs.size(), false);
    // A stored notice names the file after the day it was stored on: "Обработан DD/MM/YYYY" are 20 characters.
    const QString file = RegisterDocNotice(reg, erip, QDate(2000, 1, 1)).mid(20);
    const TParams params { { QStringLiteral("P_FILE"), file } };
    TADOConnection &c = *dmr.dbConnection();
    QHash<qint64, TStoredDocKey> docs;
    {
        QSqlQuery q = c.OpenQuery(QStringLiteral("select D.PAY_DOC_ID, D.PAYSOURCE_ID, D.PAY_DOC_NO, D.PAY_DOC_SUM "
                                                 "from ZOLT.PAY_DOC D where substr(D.NOTICE, 21) = :P_FILE"),
            params);
        while (q.next())
            docs.insert(qint64(q.value(0).toDouble()),
                { int(q.value(1).toDouble()), q.value(2).toString(), q.value(3).toDouble(), {} });
    }
    if (docs.isEmpty())
        return stored;
    {
        QSqlQuery q = c.OpenQuery(
            QStringLiteral("select P.PAY_DOC_ID, P.CUSTOMER_ID, P.PAY_DATE, P.PAY_SUM from ZOLT.PAYMENT P "
                           "where P.PAY_DOC_ID in (select D.PAY_DOC_ID from ZOLT.PAY_DOC D "
                           "where substr(D.NOTICE, 21) = :P_FILE)"),
            params);
        while (q.next()) {
            const auto doc = docs.find(qint64(q.value(0).toDouble()));
            if (doc != docs.end())
                doc->addPayment(qint64(q.value(1).toDouble()), ColumnDate(q.value(2)), q.value(3).toDouble());
        }
    }
    QHash<QString, int> left; // stored documents of each kind not yet matched
    for (const TStoredDocKey &doc : std::as_const(docs))
        ++left[doc.text()];

    QHash<int, TStoredDocKey> read;
    for (const TRegisterDoc &doc : reg.docs)
        read.insert(doc.PayDocId, { doc.PaySourceId, doc.PayDocNo, doc.PayDocSum, {} });
    for (const TRegisterPayment &p : reg.payments)
        if (p.CustomerId != -1 && read.contains(p.PayDocId))
            read[p.PayDocId].addPayment(p.CustomerId, RegisterDate(p.PayDateStr), p.PaySum);
    for (qsizetype i = 0; i < reg.docs.size(); ++i) {
        const auto it = left.find(read.value(reg.docs.at(i).PayDocId).text());
        if (it != left.end() && *it > 0) {
            --*it;
            stored[i] = true;
        }
    }
    return stored;
}

QString RegisterStoreSummary(const TRegisterStoreResult &result)
{
    QString text = QStringLiteral("Сохранено документов: %1, платежей: %2 на сумму %3. Пропущено платежей: %4.")
                       .arg(result.storedDocs)
                       .arg(result.storedPayments)
                       .arg(QString::number(result.storedSum, 'f', 2))
                       .arg(result.skippedPayments);
    if (!result.problems.isEmpty())
        text += QLatin1Char('\n') + result.problems.join(QLatin1Char('\n'));
    return text;
}
