#include "uSubscr.h"

#include "dmuRDM.h"
#include "dmuSMS.h"
#include "frmuMain.h"
#include "uCasPacket.h"
#include "uLog.h"
#include "uSettings.h"

namespace {

const QString CasDateFormat = QStringLiteral("yyyyMMdd");

// Whether a request for this package goes to the CAS server at all, and whether it can.
TCasOutcome casRoute(bool isDtv)
{
    if (!dmSMS || !AppSettings().useCAS || !isDtv)
        return TCasOutcome::NotAsked;
    return dmSMS->IsOpen() ? TCasOutcome::Accepted : TCasOutcome::NoConnection;
}

TCasAnswer exchange(const QString &request)
{
    TCasAnswer answer;
    answer.reply = dmSMS->sendCasRequest(request);
    answer.outcome = getReplyCode(answer.reply) == CasSuccessCode ? TCasOutcome::Accepted : TCasOutcome::Refused;
    return answer;
}

} // namespace

QString CustActLookUpStatement(bool withParentId)
{
    return QStringLiteral(
               "select S.SERV_ID, S.SERVTYPE_ID, CONCAT(S.SERV_DESCR, ' - (', SPKG.SERV_PACKAGE_DESCR, ')') as "
               "SERV_DESCR, "
               "S.CHILDSERV_ID, S.SERV_CODE, S.NOTICE, S.DTV_PACKAGE_CODE, P.DTV_PACKAGE_CODE as "
               "PARENT_DTV_PACKAGE_CODE, "
               "P.SERV_DESCR as RO_PARENT_SERV_DESCR, P.IS_DTV_PACKAGE as RO_IS_DTV_PACKAGE, P.NOTICE as PARENT_NOTICE")
        + (withParentId ? QStringLiteral(", P.SERV_ID as PARENT_SERV_ID") : QString())
        + QStringLiteral(
            " from ZOLT.CUSTOMER C, ZOLT.SERV S, ZOLT.SERV P, ZOLT.SERV_PACKAGE SPKG "
            "where C.CUSTOMER_ID = :CUSTOMER_ID and S.CHILDSERV_ID != -1 and S.SERVTYPE_ID between 2 and 3 "
            "and S.CHILDSERV_ID = P.SERV_ID and P.SERV_PACKAGE_ID = SPKG.SERV_PACKAGE_ID "
            // A package the customer has connected offers nothing.
            "and S.CHILDSERV_ID not in (select SS1.SERV_ID from ZOLT.SUBSCR_SERV SS1 "
            "where SS1.CUSTOMER_ID = C.CUSTOMER_ID and SS1.STATE_SGN = 1) "
            // A package the customer had offers no first connection.
            "and S.SERV_ID not in (select S3.SERV_ID from ZOLT.SERV S3 where S3.SERVTYPE_ID = 2 and S3.CHILDSERV_ID in "
            "(select SS2.SERV_ID from ZOLT.SUBSCR_SERV SS2 where SS2.CUSTOMER_ID = C.CUSTOMER_ID and SS2.STATE_SGN = "
            "0)) "
            // A package the customer never had offers no reconnection.
            "and S.SERV_ID not in (select S4.SERV_ID from ZOLT.SERV S4 where S4.SERVTYPE_ID = 3 and S4.CHILDSERV_ID "
            "not in (select SS3.SERV_ID from ZOLT.SUBSCR_SERV SS3 where SS3.CUSTOMER_ID = C.CUSTOMER_ID)) "
            "order by S.SERV_ID");
}

QString CustDisactLookUpStatement()
{
    return QStringLiteral(
        "select S.SERV_ID, S.SERVTYPE_ID, CONCAT(S.SERV_DESCR, ' - (', SPKG.SERV_PACKAGE_DESCR, ')') as SERV_DESCR, "
        "S.CHILDSERV_ID, S.SERV_CODE, S.NOTICE, S.IS_DTV_PACKAGE, S.DTV_PACKAGE_CODE, S.SERV_PACKAGE_ID, "
        "P.SERV_DESCR as PARENT_SERV_DESCR, P.IS_DTV_PACKAGE as PARENT_IS_DTV_PACKAGE, P.NOTICE as PARENT_NOTICE "
        "from ZOLT.SERV S, ZOLT.SERV P, ZOLT.SERV_PACKAGE SPKG where S.SERVTYPE_ID between 4 and 5 "
        "and S.CHILDSERV_ID = :SERV_ID and S.CHILDSERV_ID = P.SERV_ID and S.SERV_PACKAGE_ID = SPKG.SERV_PACKAGE_ID "
        "order by S.SERV_ID");
}

QString WrongDateText(const QDate &date)
{
    return QStringLiteral("Не верная дата: ") + date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString ValidateActivation(const TActivationChoice &choice, TActivationField &failed)
{
    failed = TActivationField::None;
    if (choice.isDtv) {
        if (!choice.dateFrom.isValid()) {
            failed = TActivationField::DateFrom;
            return QStringLiteral("Не выбрана начальная дата");
        }
        if (!choice.contractTill.isValid()) {
            failed = TActivationField::ContractTill;
            return QStringLiteral("Не выбрана конечная дата");
        }
        if (choice.smartCardId == 0) {
            failed = TActivationField::SmartCard;
            return QStringLiteral("Не выбрана смарткарта");
        }
    }
    // A start date must be given whatever the package: an activation without one would write a period that
    // begins nowhere.
    // The main window sets the earliest date when it is made; the rule holds without one too.
    const QDate earliest = EarliestDate.isValid() ? EarliestDate : QDate(1980, 1, 1);
    if (!choice.dateFrom.isValid() || choice.dateFrom < earliest) {
        failed = TActivationField::DateFrom;
        return choice.dateFrom.isValid() ? WrongDateText(choice.dateFrom) : QStringLiteral("Не выбрана начальная дата");
    }
    return {};
}

QString ValidateDisactivationDate(const QDate &periodStart, const QDate &dateTo)
{
    if (!dateTo.isValid())
        return QStringLiteral("Не выбрана конечная дата");
    if (periodStart.isValid() && dateTo < periodStart)
        return WrongDateText(dateTo);
    return {};
}

QString TCasAnswer::description() const
{
    return describeReply(reply);
}

QString CasPackageCodeText(const QVariant &code)
{
    if (!code.isValid() || code.isNull() || code.toString().trimmed().isEmpty())
        return {};
    return QString::number(qint64(code.toDouble()));
}

TCasAnswer AuthorizeCasPackage(bool isDtv, const QString &cardNo, const QString &casCode, const QVariant &packageCode,
    const QDate &dateFrom, const QDate &dateTo)
{
    const TCasOutcome route = casRoute(isDtv);
    if (route != TCasOutcome::Accepted)
        return { route, {} };
    return exchange(buildPackageAuthorizeRequest(CasPacketLead, CasPacketSender, CasPackageAuthorizeCode,
        cardNo.trimmed(), casCode.trimmed(), CasPackageCodeText(packageCode), dateFrom.toString(CasDateFormat),
        dateTo.toString(CasDateFormat)));
}

TCasAnswer BlockCasPackage(bool isDtv, const QString &cardNo, const QString &casCode, const QVariant &packageCode)
{
    const TCasOutcome route = casRoute(isDtv);
    if (route != TCasOutcome::Accepted)
        return { route, {} };
    return exchange(buildPackageBlockRequest(CasPacketLead, CasPacketSender, CasPackageBlockCode, cardNo.trimmed(),
        casCode.trimmed(), CasPackageCodeText(packageCode)));
}

QString UnstoredActivationText()
{
    return QStringLiteral("Подключение не записано: база данных отказала в записи.");
}

QString RevokeUnstoredAuthorisation(const TCasAnswer &authorisation, const QString &cardNo, const QString &casCode,
    const QVariant &packageCode, const QString &writeError)
{
    const QString package = CasPackageCodeText(packageCode);
    const QString card = cardNo.trimmed();
    LogError(QStringLiteral("Пакет ") + package + QStringLiteral(" авторизован на смарткарте ") + card
        + QStringLiteral(" (") + authorisation.description() + QStringLiteral("), но подключение не записано: ")
        + writeError);
    const TCasAnswer block = BlockCasPackage(true, card, casCode, packageCode);
    const QString outcome
        = block.outcome == TCasOutcome::NoConnection ? QStringLiteral("CAS connection error") : block.description();
    LogError(QStringLiteral("Блокировка пакета ") + package + QStringLiteral(" на смарткарте ") + card
        + QStringLiteral(": ") + outcome);
    if (block.outcome == TCasOutcome::Accepted)
        return UnstoredActivationText() + QStringLiteral("\rПакет на смарткарте ") + card
            + QStringLiteral(" снова заблокирован.");
    return UnstoredActivationText() + QStringLiteral("\rПакет на смарткарте ") + card
        + QStringLiteral(" остался авторизован: ") + outcome
        + QStringLiteral("\rЗаблокируйте его на этой карте вручную.");
}

bool HasConnectedService(const QVariant &customerId, const QVariant &servId)
{
    if (!DMR || !DMR->dbConnection()->Connected())
        return false;
    const QVariant n = DMR->dbConnection()->SelectValue(
        QStringLiteral("select count(*) from ZOLT.SUBSCR_SERV where CUSTOMER_ID = :P_CUSTOMER_ID "
                       "and SERV_ID = :P_SERV_ID and STATE_SGN = 1"),
        { { QStringLiteral("P_CUSTOMER_ID"), customerId }, { QStringLiteral("P_SERV_ID"), servId } });
    return n.toDouble() > 0;
}
