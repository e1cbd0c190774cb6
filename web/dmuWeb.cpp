#include "dmuWeb.h"

#include "ApplicationHint.h"
#include "Services.h"
#include "dmuRDM.h"
#include "dmuWebServer.h"
#include "frmuMain.h"
#include "uCabinetText.h"
#include "uLog.h"
#include "uSettings.h"

#include <QRandomGenerator>

TdmWeb *dmWeb = nullptr;

namespace {

const QString StartCommand = QStringLiteral("actStartWebServer");
const QString StopCommand = QStringLiteral("actStopWebServer");

} // namespace

TdmWeb::TdmWeb(TDMR *dmr, QObject *parent)
    : QObject(parent)
    , m_dmr(dmr)
{
    setObjectName(QStringLiteral("dmWeb"));
    dmWeb = this;
    if (m_dmr)
        m_dmr->InitEmptyWebPasswords = [this] { InitEmptyWebPasswords(); };
    RegisterCommand(StartCommand, [this] { actStartWebServer(); });
    RegisterCommand(StopCommand, [this] { actStopWebServer(); });
}

TdmWeb::~TdmWeb()
{
    UnRegisterCommand(StartCommand);
    UnRegisterCommand(StopCommand);
    m_server.reset();
    if (m_dmr)
        m_dmr->InitEmptyWebPasswords = nullptr;
    if (dmWeb == this)
        dmWeb = nullptr;
}

bool TdmWeb::SetCustomerWebPassword(const QString &plainPassword, const QVariant &customerId)
{
    SendToEventMonitor(QStringLiteral("custId: ") + customerId.toString() + QStringLiteral(" passw: ***"));
    try {
        TADOConnection *db = m_dmr->dbConnection();
        db->Execute(QStringLiteral("update ZOLT.CUSTOMER set PASSW=:P_PASSW where CUSTOMER_ID = :P_CUSTOMER_ID"),
            ParamsOf({ { QStringLiteral("P_PASSW"), WebPasswordDigest(plainPassword) },
                { QStringLiteral("P_CUSTOMER_ID"), customerId } }),
            TExecuteSource::Command);
    } catch (const std::exception &e) {
        LogError(exceptionMessage(e));
        return false;
    }
    return m_dmr->CommitWork();
}

void TdmWeb::InitEmptyWebPasswords()
{
    // The rows are read first, so that no update changes the set being read.
    QList<QPair<QVariant, QString>> empty;
    QSqlQuery q = m_dmr->dbConnection()->OpenQuery(
        QStringLiteral("select CUSTOMER_ID, TO_CHAR(CONTRACT_DATE , 'yyyymmdd') as PASSW from ZOLT.CUSTOMER "
                       "where PASSW is null and CONTRACT_DATE is not null"),
        {}, TExecuteSource::DataSet);
    while (q.next())
        empty.append({ q.value(0), q.value(1).toString() });
    for (const auto &[id, password] : empty)
        SetCustomerWebPassword(password, id);
}

QString TdmWeb::MakeToken()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());
}

bool TdmWeb::Active() const
{
    return m_server && m_server->running();
}

bool TdmWeb::start(const QString &address, int port)
{
    m_server.reset();
    auto server = std::make_unique<Server>(*m_dmr->dbConnection());
    if (!server->start(address, port))
        return false;
    m_server = std::move(server);
    return true;
}

void TdmWeb::actStartWebServer()
{
    const int port = AppSettings().HTTPPort;
    const QString address = AppSettings().HTTPAddress;
    if ((m_port != port || m_address != address) && Active())
        actStopWebServer();
    if (Active() || !AppSettings().useHTTP)
        return;
    m_port = port;
    m_address = address;
    const QString portText = QString::number(port);
    if (start(address, port)) {
        const QString text = QStringLiteral("HTTP Server started. Port:") + portText;
        SendToEventMonitor(text);
        SetApplicationHint(text);
    } else {
        SendToEventMonitor(QStringLiteral("Can not start HTTP Server Port:") + portText);
        Services::messages()->error(QStringLiteral("Ошибка запуска HTTP сервера, Port: ") + portText);
    }
}

void TdmWeb::actStopWebServer()
{
    m_server.reset();
}
