#include "dmuSMS.h"

#include "CodePage.h"
#include "Exceptions.h"
#include "Formats.h"
#include "ApplicationHint.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Periods.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCasPacket.h"
#include "uSettings.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

TdmSMS *dmSMS = nullptr;

namespace {

constexpr int MaxReplyLength = 255;
// The status code ends with the reply's twelfth character.
constexpr int ReplyCodeEnd = 12;
// How long a ping waits for the host.
constexpr int PingTimeoutMs = 1000;

const char *const CommandNames[] = { "actConnectToCASServer", "actReConnectToCASServer", "actTestCASConnection" };

bool casEnabled()
{
    return dmSMS && AppSettings().useCAS;
}

} // namespace

TdmSMS::TdmSMS(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
{
    setObjectName(QStringLiteral("dmSMS"));
    dmSMS = this;
    connect(m_socket, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::ConnectingState)
            setStatus(QStringLiteral("Подключение к CAS: ") + endpoint(), "dmSMS.clientSocketConnecting(..)");
    });
    connect(m_socket, &QAbstractSocket::connected, this, [this] {
        // The peer's name by reverse look-up; empty when it has none.
        const QString address = m_socket->peerAddress().toString();
        QString name = QHostInfo::fromName(address).hostName();
        if (name == address)
            name.clear();
        setStatus(QStringLiteral("Соединен с CAS: ") + name, "dmSMS.clientSocketConnect(..)");
    });
    connect(m_socket, &QAbstractSocket::disconnected, this, [this] {
        setStatus(QStringLiteral("Нет соединения с CAS: ") + endpoint(), "dmSMS.clientSocketDisconnect(..)");
    });
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // A wait for a reply that ran out is no fault of the connection, and a server that closes it is
        // reported as the disconnect that follows.
        if ((error == QAbstractSocket::SocketTimeoutError && IsOpen()) || error == QAbstractSocket::RemoteHostClosedError)
            return;
        setStatus(QStringLiteral("Ошибка подключения к CAS: ") + endpoint(), "dmSMS.clientSocketError(..)");
    });

    createCommandRecord();

    RegisterCommand(QString::fromLatin1(CommandNames[0]), [this] { actConnectToCASServer(); });
    RegisterCommand(QString::fromLatin1(CommandNames[1]), [this] { actReConnectToCASServer(); });
    RegisterCommand(QString::fromLatin1(CommandNames[2]), [this] { actTestCASConnection(); });
    if (frmMain)
        frmMain->OnCloseCASSocket = [this] { closeCas(); };
}

TdmSMS::~TdmSMS()
{
    for (const char *name : CommandNames)
        UnRegisterCommand(QString::fromLatin1(name));
    if (frmMain)
        frmMain->OnCloseCASSocket = nullptr;
    // Closing at destruction tells nobody: the status bar may be gone already.
    m_socket->disconnect(this);
    m_socket->abort();
    m_mdCASCFG->Close();
    for (TKyv_ADODataSet *ds : { m_smartCards.get(), m_providers.get(), m_packages.get() })
        ds->Close();
    if (dmSMS == this)
        dmSMS = nullptr;
}

QString TdmSMS::endpoint() const
{
    return m_host + QLatin1Char(':') + QString::number(m_port);
}

void TdmSMS::setStatus(const QString &text, const char *source)
{
    if (frmMain)
        frmMain->SetCASStatusMsg(text);
    if (DM)
        DM->LogUserAction(JournalId, text, QString::fromLatin1(source));
}

bool TdmSMS::IsOpen() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool TdmSMS::connectCas(const QString &host, const QString &port)
{
    if (IsOpen() && host != m_host && port != QString::number(m_port))
        closeCas();
    if (!host.isEmpty()) {
        const int number = StrToInt(port);
        if (number < 1 || number > 65535)
            throw EConvertError(QStringLiteral("'%1' is not a valid port number").arg(port));
        m_host = host;
        m_port = quint16(number);
        if (!IsOpen()) {
            m_socket->abort();
            m_socket->connectToHost(m_host, m_port);
            m_socket->waitForConnected(AppSettings().CASResponseTimeOut);
            // A connect that timed out is dropped, so that the socket is closed, not left half-open.
            if (!IsOpen())
                m_socket->abort();
        }
    }
    return IsOpen();
}

void TdmSMS::reconnectCas(const QString &host, const QString &port)
{
    closeCas();
    connectCas(host, port);
}

void TdmSMS::closeCas()
{
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        return;
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

void TdmSMS::discardPendingInput()
{
    do
        m_socket->readAll();
    while (m_socket->waitForReadyRead(0));
}

QString TdmSMS::sendCasRequest(const QString &request)
{
    if (!IsOpen())
        return {};
    QByteArray reply;
    try {
        discardPendingInput();
        if (!IsOpen())
            return {};
        const QDeadlineTimer deadline(qMax(0, AppSettings().CASResponseTimeOut));
        m_socket->write(QStringToCP1251(request));
        while (m_socket->bytesToWrite() > 0)
            if (!m_socket->waitForBytesWritten(int(deadline.remainingTime())))
                return {};
        for (;;) {
            reply += m_socket->read(MaxReplyLength - reply.size());
            if (reply.size() >= ReplyCodeEnd || reply.contains('\0') || deadline.hasExpired()
                || !m_socket->waitForReadyRead(int(deadline.remainingTime())))
                break;
        }
    } catch (const std::exception &) {
        return {};
    }
    const qsizetype nul = reply.indexOf('\0');
    if (nul >= 0)
        reply.truncate(nul);
    return CP1251ToQString(reply);
}

bool TdmSMS::pingHost(const QString &host)
{
    bool ok = false;
    const int port = AppSettings().CASserverPort.toInt(&ok);
    return Services::reachability()->ping(host, PingTimeoutMs, ok && port > 0 && port <= 65535 ? quint16(port) : 7);
}

void TdmSMS::actConnectToCASServer()
{
    if (!casEnabled() || IsOpen())
        return;
    TScreenCursorScope cursor(crHourGlass);
    const TAppSettings &s = AppSettings();
    if (!pingHost(s.CASserverIP)) {
        SetApplicationHint(QStringLiteral("CAS server ") + s.CASserverIP + QStringLiteral(" not reachable!"));
        return;
    }
    SetApplicationHint(QStringLiteral("Соединение с CAS сервером"));
    try {
        connectCas(s.CASserverIP, s.CASserverPort);
    } catch (const std::exception &) {
        ++CASFailureCount;
        if (CASFailureCount > 5) {
            if (Services::messages()->confirm(
                    QStringLiteral("Количество неудачных попыток подключения к CAS превысило 5.\rОтключить работу с CAS ?")))
                AppSettings().useCAS = false;
            else
                CASFailureCount = 0;
        }
    }
}

void TdmSMS::actReConnectToCASServer()
{
    if (!casEnabled())
        return;
    TScreenCursorScope cursor(crHourGlass);
    const TAppSettings &s = AppSettings();
    if (!pingHost(s.CASserverIP)) {
        SetApplicationHint(QStringLiteral("CAS server ") + s.CASserverIP + QStringLiteral(" not reachable!"));
        return;
    }
    SetApplicationHint(QStringLiteral("Переподключение к CAS серверу"));
    reconnectCas(s.CASserverIP, s.CASserverPort);
}

void TdmSMS::actTestCASConnection()
{
    if (!casEnabled() || !IsOpen())
        return;
    const QString reply = sendCasRequest(buildCasTestRequest(CasPacketLead, CasPacketSender, CasTestCode));
    if (getReplyCode(reply) != CasSuccessCode && frmMain)
        frmMain->SetCASStatusMsg(describeReply(reply));
}

// ---- The console's command record

void TdmSMS::createCommandRecord()
{
    m_mdCASCFG = std::make_unique<TMemTable>();
    m_mdCASCFG->setObjectName(QStringLiteral("mdCASCFG"));
    const struct
    {
        const char *name;
        TFieldType type;
        int size;
    } fields[] = {
        { "TYPE_CODE", ftString, 4 }, { "COMMAND_TEXT", ftString, 255 }, { "SMARTCARD_ID", ftInteger, 0 },
        { "DTV_PROVIDER_ID", ftInteger, 0 }, { "SERV_ID", ftInteger, 0 }, { "DATE_FROM", ftDate, 0 },
        { "DATE_TO", ftDate, 0 },
    };
    for (const auto &spec : fields) {
        TField *f = CreateField(spec.type, m_mdCASCFG.get());
        f->SetFieldName(QString::fromLatin1(spec.name));
        f->SetSize(spec.size);
        f->SetDataSet(m_mdCASCFG.get());
    }
    m_mdCASCFG->OnNewRecord.add([](TDataSet *ds) {
        const QDateTime now = Services::clock()->now();
        ds->FieldByName(QStringLiteral("DATE_FROM"))->SetValue(now);
        ds->FieldByName(QStringLiteral("DATE_TO"))->SetValue(EndOfMonth(now.date()));
        ds->FieldByName(QStringLiteral("DTV_PROVIDER_ID"))->SetValue(-1);
        ds->FieldByName(QStringLiteral("SERV_ID"))->SetValue(-1);
    });

    const auto lookup = [](std::unique_ptr<TKyv_ADODataSet> &ds, const char *name, const QString &text) {
        ds = std::make_unique<TKyv_ADODataSet>();
        ds->setObjectName(QString::fromLatin1(name));
        ds->SetCommandText(text);
        if (DMR)
            ds->SetConnection(DMR->dbConnection());
    };
    lookup(m_smartCards, "rdsCASCFGSmartCardLookup",
        QStringLiteral("select S.SMARTCARD_ID, S.SMARTCARD_NO, S.IS_ACTIVE, CONCAT(C.SURNAME, ' ', C.INITIALS) as "
                       "RO_CUSTOMER, C.ACCOUNT_NO as RO_CUSTOMER_ACCOUNT_NO, C.CUSTOMER_ID as RO_CUSTOMER_ID "
                       "from ZOLT.SMARTCARD S left join ZOLT.CUSTOMER_SMARTCARDS CS on S.SMARTCARD_ID = "
                       "CS.SMARTCARD_ID left join ZOLT.CUSTOMER C on CS.CUSTOMER_ID = C.CUSTOMER_ID "
                       "where S.SMARTCARD_ID <> 0 order by S.SMARTCARD_NO"));
    lookup(m_providers, "rdsDTVProviderLookup",
        QStringLiteral("select DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE from ZOLT.DTV_PROVIDER "
                       "where DTV_PROVIDER_ID <> 0 order by PROVIDER_NAME"));
    lookup(m_packages, "rdsDTVPackageLookup",
        QStringLiteral("select SERV_ID, SERV_DESCR, DTV_PACKAGE_CODE from ZOLT.SERV where IS_DTV_PACKAGE = 1 "
                       "order by SERV_DESCR"));
}

void TdmSMS::OpenCASCFG()
{
    TMemTable *t = m_mdCASCFG.get();
    if (!t->Active())
        t->Open();
    if (t->State() == dsBrowse) {
        if (t->IsEmpty())
            t->Append();
        else
            t->Edit();
    }
    t->FieldByName(QStringLiteral("SMARTCARD_ID"))->SetValue(0);
    t->FieldByName(QStringLiteral("DTV_PROVIDER_ID"))->SetValue(0);
    t->FieldByName(QStringLiteral("TYPE_CODE"))->SetValue(CasTestCode);
}

QString TdmSMS::buildCasCommand(const QString &code)
{
    if (!m_mdCASCFG->Active())
        OpenCASCFG();
    const auto text = [](TKyv_ADODataSet *ds, const char *field) {
        return ds->Active() && !ds->IsEmpty() ? ds->FieldByName(QString::fromLatin1(field))->AsString() : QString();
    };
    const auto date = [this](const char *field) {
        return m_mdCASCFG->FieldByName(QString::fromLatin1(field))->AsDateTime().toString(QStringLiteral("yyyyMMdd"));
    };
    const QString cardNo = text(m_smartCards.get(), "SMARTCARD_NO");
    const QString casCode = text(m_providers.get(), "CAS_CODE");
    // The package code is sent as the integer text of the service's number.
    const QString packageCode = text(m_packages.get(), "DTV_PACKAGE_CODE").isEmpty()
                                    ? QString()
                                    : QString::number(m_packages->FieldByName(QStringLiteral("DTV_PACKAGE_CODE"))->AsInteger());
    if (code == CasTestCode)
        return buildCasTestRequest(CasPacketLead, CasPacketSender, code);
    if (code == CasCardActivateCode)
        return buildCardActivateRequest(
            CasPacketLead, CasPacketSender, code, cardNo, casCode, text(m_providers.get(), "PROVIDER_NAME"));
    if (code == CasCardBlockCode)
        return buildCardBlockRequest(CasPacketLead, CasPacketSender, code, cardNo, casCode);
    if (code == CasPackageAuthorizeCode)
        return buildPackageAuthorizeRequest(CasPacketLead, CasPacketSender, code, cardNo, casCode, packageCode,
            date("DATE_FROM"), date("DATE_TO"));
    if (code == CasPackageBlockCode)
        return buildPackageBlockRequest(CasPacketLead, CasPacketSender, code, cardNo, casCode, packageCode);
    return {};
}
