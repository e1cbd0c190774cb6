// Matching a read register's accounts to customers and storing its documents.
#include "uRegisterImport.h"

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

} // namespace

void ResolveRegisterAccounts(TDMR &dmr, TPaymentRegister &reg)
{
    // Every account of the register with the first of its payments; `nextOfAccount` links each payment to the
    // next one of the same account (-1 ends), so that a customer found is handed to all its payments at once.
    const int n = int(reg.payments.size());
    QHash<QString, int> firstOfAccount;
    firstOfAccount.reserve(n);
    std::vector<int> nextOfAccount(size_t(n), -1);
    std::vector<int> lastOfAccount(size_t(n), -1); // kept at each account's first payment
    for (int i = 0; i < n; ++i) {
        TRegisterPayment &p = reg.payments[i];
        p.CustomerId = -1;
        p.CustomerFIO.clear();
        if (p.AccountNo.isEmpty())
            continue;
        const auto it = firstOfAccount.constFind(p.AccountNo);
        if (it == firstOfAccount.constEnd()) {
            firstOfAccount.insert(p.AccountNo, i);
            lastOfAccount[size_t(i)] = i;
        } else {
            nextOfAccount[size_t(lastOfAccount[size_t(*it)])] = i;
            lastOfAccount[size_t(*it)] = i;
        }
    }
    if (!firstOfAccount.isEmpty()) {
        QString sql = QStringLiteral("select C.ACCOUNT_NO, C.CUSTOMER_ID, "
                                     "COALESCE(C.SURNAME, '') || ' ' || COALESCE(C.INITIALS, '') "
                                     "from ZOLT.CUSTOMER C ");
        TParams params;
        if (firstOfAccount.size() <= kNamedAccounts) {
            QStringList names;
            int i = 0;
            for (auto it = firstOfAccount.cbegin(); it != firstOfAccount.cend(); ++it) {
                const QString name = QStringLiteral("P_A%1").arg(i++);
                names.append(QLatin1Char(':') + name);
                params.CreateParam(ftString, name).SetAsString(it.key());
            }
            sql += QStringLiteral("where C.ACCOUNT_NO in (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
        } else {
            sql += QStringLiteral("where C.ACCOUNT_NO is not null");
        }
        QSqlQuery q = dmr.dbConnection()->OpenQuery(sql, params);
        while (q.next()) {
            const auto it = firstOfAccount.constFind(q.value(0).toString());
            if (it == firstOfAccount.constEnd())
                continue;
            const int id = int(q.value(1).toDouble());
            // Of several customers holding one account, the last one (the greatest number) wins, as the card's
            // look-up answers.
            const int first = *it;
            if (reg.payments[first].CustomerId != -1 && reg.payments[first].CustomerId > id)
                continue;
            const QString fio = q.value(2).toString().left(35);
            for (int i = first; i != -1; i = nextOfAccount[size_t(i)]) {
                reg.payments[i].CustomerId = id;
                reg.payments[i].CustomerFIO = fio;
            }
        }
    }
    for (const TRegisterPayment &p : reg.payments)
        if (p.CustomerId == -1)
            reg.errors.append(kUnknownAccount + p.AccountNo);
}

TRegisterStoreResult StoreRegister(
    TDMR &dmr, const TPaymentRegister &reg, bool erip, const QDate &today, const QDate &accDate)
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
    for (const TRegisterDoc &doc : reg.docs) {
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
