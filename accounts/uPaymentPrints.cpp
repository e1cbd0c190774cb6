#include "uPaymentPrints.h"

#include "ComponentRegistry.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "frmuMain.h"
#include "uCommon.h"

TfrReport *MakePaymentsReport(
    QObject *window, TDataSet *dataSet, const QString &dataSetName, std::function<QString()> periodText)
{
    auto *source = new TfrDBDataSet(window);
    const QString sourceName = QStringLiteral("frDBDataSet") + dataSetName;
    source->setObjectName(sourceName);
    source->SetDataSet(dataSet);
    ComponentRegistry::instance().registerComponent(window, source, sourceName);
    auto *report = new TfrReport(window);
    report->Dataset = source;
    report->OnBeforePrint = [periodText](QStringList &memo, TfrView *view) {
        if (!view || view->ClassName() != QLatin1String("TfrMemoView") || view->Name != QLatin1String("frmemoPeriod"))
            return;
        memo = QStringList { periodText() };
        view->Memo = memo;
    };
    return report;
}

QString PaymentsPeriodMemo(bool channelFilter, const QString &channelName)
{
    const QString period = PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo);
    return channelFilter ? period + QStringLiteral("  ") + channelName : period;
}
