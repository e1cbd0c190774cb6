#pragma once

#include <QString>

#include <functional>

class QObject;
class TDataSet;
class TfrReport;

// A report of a payment window over one of its datasets: the report and its report dataset belong to the
// window, the report dataset is registered as "frDBDataSet" + `dataSetName` (the name the shipped templates
// use), and the text object "frmemoPeriod" gets `periodText()` before printing.
TfrReport *MakePaymentsReport(
    QObject *window, TDataSet *dataSet, const QString &dataSetName, std::function<QString()> periodText);

// The period text of the payment prints: the period, followed by two blanks and the channel while the channel
// filter is on.
QString PaymentsPeriodMemo(bool channelFilter, const QString &channelName);
