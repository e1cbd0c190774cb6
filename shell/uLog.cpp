#include "uLog.h"

#include "LogSink.h"
#include "Services.h"
#include "WindowMessages.h"
#include "frmuBugDebug.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> debugMode{false};
std::atomic<bool> sqlMonitor{true};

struct LogFile
{
    QMutex mutex;
    QString fileName;
    qint64 maxBytes = LogFileMaxBytes;
};

LogFile &logFile()
{
    static LogFile file;
    return file;
}

void writeToLogFile(const QString &line)
{
    LogFile &log = logFile();
    const QMutexLocker lock(&log.mutex);
    if (log.fileName.isEmpty())
        return;
    QString text = line;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray bytes
        = (Services::clock()->now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + text + QLatin1Char('\n'))
              .toUtf8();
    const QFileInfo info(log.fileName);
    if (info.exists() && info.size() + bytes.size() > log.maxBytes) {
        const QString older = log.fileName + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(log.fileName, older);
    }
    QFile file(log.fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(bytes);
    std::fputs(("tarvik: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

} // namespace

bool IsDebugMode()
{
    return debugMode;
}

void SetDebugMode(bool on)
{
    debugMode = on;
}

bool IsSqlMonitorOn()
{
    return sqlMonitor;
}

void SetSqlMonitor(bool on)
{
    sqlMonitor = on;
}

void SendToEventMonitor(const QString &text)
{
    if (!debugMode || !sqlMonitor)
        return;
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    if (QThread::currentThread() != app->thread()) {
        // Widgets live on the user-interface thread: the line is handed over and looked up there.
        QMetaObject::invokeMethod(app, [text] { SendToEventMonitor(text); }, Qt::QueuedConnection);
        return;
    }
    if (TfrmBugDebug *monitor = frmBugDebug())
        SendMessage(monitor, AmAddDebugInfo, 0, 0, text);
}

void LogError(const QString &text)
{
    const QString line = QStringLiteral("ERROR: ") + text;
    writeToLogFile(line);
    SendToEventMonitor(line);
}

void LogDebug(const QString &text)
{
    SendToEventMonitor(QStringLiteral("DEBUG: ") + text);
}

void InstallLogService()
{
    setPlatformLogSink([](LogKind kind, const QString &text) {
        switch (kind) {
        case LogKind::Error:
            LogError(text);
            break;
        case LogKind::Debug:
            LogDebug(text);
            break;
        case LogKind::Raw:
            SendToEventMonitor(text);
            break;
        }
    },
    // The event monitor shows lines only in debug mode with the SQL monitor on.
    [](LogKind) { return debugMode && sqlMonitor; });
}

void SetLogFile(const QString &fileName, qint64 maxBytes)
{
    LogFile &log = logFile();
    const QMutexLocker lock(&log.mutex);
    log.fileName = fileName;
    log.maxBytes = maxBytes;
    if (!fileName.isEmpty())
        QDir().mkpath(QFileInfo(fileName).absolutePath());
}

QString LogFileName()
{
    LogFile &log = logFile();
    const QMutexLocker lock(&log.mutex);
    return log.fileName;
}

QString ReconcileErrorMessage(const QString &dataSetName, ReconcileKind kind, const QString &errorMessage,
                              const QString &errorContext)
{
    QString kindText;
    switch (kind) {
    case ReconcileKind::Modify:
        kindText = QStringLiteral("Изменение");
        break;
    case ReconcileKind::Insert:
        kindText = QStringLiteral("Добавление");
        break;
    case ReconcileKind::Delete:
        kindText = QStringLiteral("Удаление");
        break;
    }
    return QStringLiteral("ERROR: %1 %2\r%3 %4")
        .arg(QStringLiteral("Ошибка обновления - ") + dataSetName, kindText, errorMessage, errorContext);
}

void HandleReconcileError(const QString &dataSetName, ReconcileKind kind, const QString &errorMessage,
                          const QString &errorContext)
{
    const QString message = ReconcileErrorMessage(dataSetName, kind, errorMessage, errorContext);
    LogError(message);
    Services::messages()->error(message);
}

QString GetLocalHostName()
{
    return QHostInfo::localHostName().left(128).trimmed();
}

QString GetProgramVersion()
{
    QStringList parts = QStringLiteral(TARVIK_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts.append(QStringLiteral("0"));
    return parts.mid(0, 4).join(QLatin1Char('.')) + QStringLiteral(".0");
}
