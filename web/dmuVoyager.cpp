#include "dmuVoyager.h"

#include "DatabaseError.h"
#include "Exceptions.h"
#include "Formats.h"
#include "Guard.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "frmuMain.h"
#include "uLog.h"
#include "uSettings.h"

#include <QRegularExpression>

TdmVoyager *dmVoyager = nullptr;

namespace {

const QString ConnectCommand = QStringLiteral("actConnectToVoyager");

QString valueText(const QVariant &value)
{
    return !value.isValid() || value.isNull() ? QStringLiteral("Null") : value.toString();
}

} // namespace

TdmVoyager::TdmVoyager(QObject *parent)
    : QObject(parent)
    , m_connection(std::make_unique<TADOConnection>())
{
    setObjectName(QStringLiteral("dmVoyager"));
    dmVoyager = this;
    installTrace();
    RegisterCommand(ConnectCommand, [this] { actConnectToVoyager(); });
}

TdmVoyager::~TdmVoyager()
{
    UnRegisterCommand(ConnectCommand);
    guard([this] { m_connection->Close(); });
    if (dmVoyager == this)
        dmVoyager = nullptr;
}

void TdmVoyager::installTrace()
{
    // The connection's properties never show the password: it is masked as "***".
    TADOConnection &c = *m_connection;
    c.BeforeConnect = [](TADOConnection &conn) {
        for (const auto &[name, value] : conn.Properties())
            SendToEventMonitor(name + QStringLiteral("= ") + value);
    };
    c.AfterConnect = [](TADOConnection &) { SendToEventMonitor(QStringLiteral("Connected")); };
    c.OnConnectComplete = [](TADOConnection &conn, const QString &error, TEventStatus status) {
        SendToEventMonitor(status == TEventStatus::esOK ? QStringLiteral("Connect complete ") : error);
        for (const auto &[name, value] : conn.Properties())
            SendToEventMonitor(name + QStringLiteral(": ") + value);
    };
    c.OnDisconnect = [](TADOConnection &conn) {
        if (conn.InTransaction())
            conn.CommitTrans();
        SendToEventMonitor(QStringLiteral("Disconnect "));
    };
    c.AfterDisconnect = [](TADOConnection &) { SendToEventMonitor(QStringLiteral("DisConnected")); };
    c.OnBeginTransComplete = [](TADOConnection &, const QString &error, TEventStatus) {
        SendToEventMonitor(QStringLiteral("Begin transaction ") + error);
    };
    c.OnCommitTransComplete = [](TADOConnection &, const QString &error, TEventStatus status) {
        SendToEventMonitor(status == TEventStatus::esOK ? QStringLiteral("Commit transaction ") : error);
    };
    c.OnRollbackTransComplete = [](TADOConnection &, const QString &error, TEventStatus) {
        SendToEventMonitor(QStringLiteral("Rollback transaction ") + error);
    };
    c.OnWillExecute = [this](TADOConnection &, const TExecuteInfo &info) {
        SendToEventMonitor(QStringLiteral("WillExecute.. "));
        m_executeStart = Services::clock()->tickCount();
        SendToEventMonitor(info.CommandText);
        if (info.Parameters) {
            int index = 0;
            for (const TParam &p : *info.Parameters) {
                if (info.Source == TExecuteSource::DataSet)
                    SendToEventMonitor(QStringLiteral("P[%1] %2 = %3").arg(index).arg(p.Name(), valueText(p.Value())));
                else
                    SendToEventMonitor(p.Name() + QStringLiteral(" = ") + valueText(p.Value()));
                ++index;
            }
        }
        SendToEventMonitor(QString());
    };
    c.OnExecuteComplete = [this](TADOConnection &, double, const QString &, TEventStatus) {
        SendToEventMonitor(QStringLiteral("Execute time: ")
                           + FloatToStr(double(Services::clock()->tickCount() - m_executeStart) / 1000.0)
                           + QStringLiteral(" s."));
    };
}

void TdmVoyager::setVoyagerConnection(const QString &user, const QString &password, const QString &dataSource)
{
    if (dataSource.contains(QLatin1Char('=')))
        m_connection->SetConnectionString(QStringLiteral("Provider=MSDASQL.1;") + dataSource);
    else {
        m_connection->SetConnectionString(QStringLiteral("Provider=MSDASQL.1;"));
        m_connection->SetConnectionProperty(QStringLiteral("DSN"), dataSource);
    }
    m_connection->SetConnectionProperty(QStringLiteral("User ID"), user);
    m_connection->SetConnectionProperty(QStringLiteral("Password"), password);
}

QString TdmVoyager::checkedSchema()
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_]+$"));
    const QString schema = AppSettings().VoyagerSchema;
    if (!plain.match(schema).hasMatch())
        throw EDatabaseError(QStringLiteral("Invalid Voyager schema name \"%1\"").arg(schema));
    return schema;
}

bool TdmVoyager::voyagerUserExists(const QString &id)
{
    const int number = StrToInt(id);
    QSqlQuery q = m_connection->OpenQuery(
        QStringLiteral("select ID, DISABLED from ") + checkedSchema() + QStringLiteral(".suser where ID = :P_ID"),
        ParamsOf({ { QStringLiteral("P_ID"), number } }), TExecuteSource::DataSet);
    return q.next();
}

quint8 TdmVoyager::getVoyagerUserDisabled(const QString &id)
{
    if (!voyagerUserExists(id))
        return 255;
    try {
        const QVariant disabled = m_connection->SelectValue(
            QStringLiteral("select DISABLED from ") + checkedSchema() + QStringLiteral(".suser where ID = :P_ID"),
            ParamsOf({ { QStringLiteral("P_ID"), StrToInt(id) } }));
        if (!disabled.isValid())
            return 255;
        return disabled.toDouble() != 0 ? 1 : 0;
    } catch (const std::exception &) {
        return 255;
    }
}

bool TdmVoyager::setVoyagerUserDisabled(const QString &id, bool disabled)
{
    bool began = false;
    try {
        const QString text = QStringLiteral("update ") + checkedSchema()
                             + QStringLiteral(".suser set disabled = :P_DISABLED where ID = :P_ID ");
        const TParams params = ParamsOf(
            { { QStringLiteral("P_DISABLED"), disabled ? 1 : 0 }, { QStringLiteral("P_ID"), StrToInt(id) } });
        if (!m_connection->InTransaction()) {
            m_connection->BeginTrans();
            began = true;
        }
        m_connection->Execute(text, params, TExecuteSource::Command);
        if (m_connection->InTransaction())
            m_connection->CommitTrans();
        return true;
    } catch (const std::exception &e) {
        LogError(exceptionMessage(e));
        // The update's own transaction is not left open for a later statement to commit.
        if (began && m_connection->Connected() && m_connection->InTransaction())
            guard([this] { m_connection->RollbackTrans(); });
        return false;
    }
}

void TdmVoyager::actConnectToVoyager()
{
    if (dmVoyager != this || !AppSettings().useVoyager)
        return;
    TScreenCursorScope cursor(crHourGlass);
    try {
        m_connection->Close();
        checkedSchema();
        const TAppSettings &s = AppSettings();
        setVoyagerConnection(s.VoyagerUser, s.VoyagerPassword, s.VoyagerODBC);
        m_connection->Open();
    } catch (const std::exception &e) {
        LogError(exceptionMessage(e));
    }
    if (frmMain)
        frmMain->SetVoyagerStatusMsg(m_connection->Connected() ? QStringLiteral("Подключен к серверу Voyager")
                                                               : QStringLiteral("Ошибка при подключении к серверу Voyager"));
}
