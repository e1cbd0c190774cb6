#pragma once

#include <QString>

// The program's log: lines reach the event monitor while it is open, and only while both the debug mode
// (from the command line) and the SQL monitor switch are on. Errors also go, whatever the switches, to the
// log file and to stderr once the program has named a log file. Every call is safe from any thread; lines
// from other threads reach the monitor through its event queue.

bool IsDebugMode();
void SetDebugMode(bool on);
// The check mark of the main window's "SQL Монитор" action; on at start.
bool IsSqlMonitorOn();
void SetSqlMonitor(bool on);

void SendToEventMonitor(const QString &text);
void LogError(const QString &text); // "ERROR: " + text
void LogDebug(const QString &text); // "DEBUG: " + text

// Routes the lower layers' platformLog lines through this log, under the same two switches.
void InstallLogService();

// The log file: from now on every error line goes, with its date and time, to `fileName` (its folder made when
// missing) and to stderr. The file stays below `maxBytes`: when the next line would pass the limit, the file
// becomes "<fileName>.1" (replacing the older one) and a new one starts. An empty name stops both.
constexpr qint64 LogFileMaxBytes = 2 * 1024 * 1024;
void SetLogFile(const QString &fileName, qint64 maxBytes = LogFileMaxBytes);
QString LogFileName();

// The update kinds of a client dataset's change log, as the reconcile handler names them.
enum class ReconcileKind { Modify, Insert, Delete };

// "ERROR: Ошибка обновления - <dataset> <kind>\r<message> <context>"
QString ReconcileErrorMessage(const QString &dataSetName, ReconcileKind kind, const QString &errorMessage,
                              const QString &errorContext);
// The one reconcile handler of every client dataset: logs the failure and shows it in an error box. The
// caller then cancels the row's change, so the row returns to its original values.
void HandleReconcileError(const QString &dataSetName, ReconcileKind kind, const QString &errorMessage,
                          const QString &errorContext);

// The computer's host name, at most 128 characters, trimmed.
QString GetLocalHostName();
// The program's four-part file version followed by ".0".
QString GetProgramVersion();
