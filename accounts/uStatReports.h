#pragma once

#include <QDate>
#include <QString>

// The statistical reports of the "Отчеты" menu: subscribers connected, reconnected and disconnected in a period
// or a month, for one package or all, and the number connected at the start and end of a period.

// Which connections "Вновь подключенные" lists: all, those by a free connection service, or paid ones.
enum class TConnectKind { All, Free, Paid };

// The statement of the connection (kind 2) or reconnection (kind 3) list: history rows whose activation started
// in the period, with the activation service's tariff of that day; a package of 0 or more restricts the list.
QString NewActivCustomersStatement(int servTypeId, const QDate &from, const QDate &to, int package,
                                   TConnectKind kind = TConnectKind::All);
// The statement of the disconnections whose period ended from `from` to `to`, both included, by account.
QString DisactCustomersStatement(const QDate &from, const QDate &to, int package);
// The two conditions of "Текущее состояние": connection periods open on `date` of customers whose contract runs
// past it.
QString MainStateCondition(const QDate &date);

// The reports: the debt queue first, then the period (or month) and, but for the current state, the package;
// the report runs only when the period was confirmed. In debug mode the designer opens instead of the preview.
void RunConnectionsReport(int servTypeId, bool perMonth, TConnectKind kind);
void RunDisactReport(bool perMonth);
void RunMainStateReport();

// The menu's actions as commands under the actions' names.
void RegisterStatReportCommands();
