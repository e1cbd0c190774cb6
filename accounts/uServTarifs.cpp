#include "uServTarifs.h"

#include "Exceptions.h"
#include "Formats.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uLog.h"

namespace {

QVariant selectValue(TDMR *dmr, const QString &text, const TParams &params)
{
    return dmr->dbConnection()->SelectValue(text, params);
}

QDate dateOf(const QVariant &v)
{
    return isNullValue(v) ? QDate() : v.toDateTime().date();
}

} // namespace

QVariant LastTarifId(TDMR *dmr, const QVariant &servId)
{
    const QVariant id = selectValue(dmr,
        QStringLiteral("select TARIF_ID from ZOLT.TARIF where SERV_ID = :P_SERV_ID and DATE_FROM = "
                       "(select max(DATE_FROM) from ZOLT.TARIF where SERV_ID = :P_SERV_ID) order by TARIF_ID desc"),
        { { QStringLiteral("P_SERV_ID"), servId } });
    return isNullValue(id) ? QVariant() : QVariant(id.toInt());
}

bool AddServiceTarif(TDMR *dmr, const QVariant &servId, const QVariant &previousTarifId, const QDate &dateFrom,
    double sum, int &tarifId, QString &error)
{
    error.clear();
    const QString wrongDate = QStringLiteral("Не верная дата: ") + DateToStr(DateToDayCount(dateFrom));
    if (!dateFrom.isValid()) {
        error = QStringLiteral("Не верная дата: ");
        return false;
    }
    if (!isNullValue(previousTarifId)) {
        const QDate previousStart = dateOf(selectValue(dmr,
            QStringLiteral("select DATE_FROM from ZOLT.TARIF where TARIF_ID = :P_TARIF_ID"),
            { { QStringLiteral("P_TARIF_ID"), previousTarifId } }));
        if (previousStart.isValid() && dateFrom <= previousStart) {
            error = wrongDate;
            return false;
        }
    }
    if (!dmr->AddTarif(servId, previousTarifId, dateFrom, sum, tarifId)) {
        const QString reason = dmr->LastCommandError();
        error = QStringLiteral("Тариф не записан: ")
            + (reason.isEmpty() ? QStringLiteral("база данных его не приняла") : reason);
        return false;
    }
    return true;
}

bool DeleteLastTarif(TDMR *dmr, const QVariant &servId, QString &error)
{
    error.clear();
    const QVariant last = LastTarifId(dmr, servId);
    if (isNullValue(last))
        return true;
    TADOConnection *db = dmr->dbConnection();
    const bool own = !db->InTransaction();
    try {
        if (own)
            db->BeginTrans();
        db->Execute(QStringLiteral("delete from ZOLT.TARIF where TARIF_ID = :P_TARIF_ID"),
            { { QStringLiteral("P_TARIF_ID"), last } });
        const QVariant previous = LastTarifId(dmr, servId);
        if (!isNullValue(previous))
            db->Execute(QStringLiteral("update ZOLT.TARIF set DATE_TO = :P_DATE_TO where TARIF_ID = :P_TARIF_ID"),
                { { QStringLiteral("P_DATE_TO"), QDateTime(TDMR::OpenEndDate(), QTime(0, 0)) },
                    { QStringLiteral("P_TARIF_ID"), previous } });
        if (own)
            db->CommitTrans();
        return true;
    } catch (const Exception &e) {
        if (own && db->InTransaction())
            db->RollbackTrans();
        LogError(e.message());
        error = QStringLiteral("Тариф не удален: ") + e.message();
        return false;
    }
}

TNewServiceDefaults NewServiceDefaults(TDM *dm, const QVariant &selectedPackageId)
{
    TNewServiceDefaults d;
    d.servId = int(dm->GetNextNo(QStringLiteral("SERV_ID"), QStringLiteral("ZOLT.SERV")));
    d.dtvPackageCode = int(dm->GetNextNo(QStringLiteral("DTV_PACKAGE_CODE"), QStringLiteral("ZOLT.SERV")));
    d.servPackageId = isNullValue(selectedPackageId)
        ? int(dm->GetMinId(QStringLiteral("SERV_PACKAGE_ID"), QStringLiteral("ZOLT.SERV_PACKAGE")))
        : selectedPackageId.toInt();
    d.servTypeId = int(dm->GetMinId(QStringLiteral("SERVTYPE_ID"), QStringLiteral("ZOLT.SERVTYPE")));
    return d;
}

bool ServTypeHasParent(int servTypeId)
{
    return servTypeId != 0 && servTypeId != 1;
}
