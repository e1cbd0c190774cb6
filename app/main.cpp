#include "DataFolder.h"
#include "Exceptions.h"
#include "Guard.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "dmuSMS.h"
#include "dmuVoyager.h"
#include "dmuWeb.h"
#include "frmuCASConsole.h"
#include "uAccounts.h"
#include "uLog.h"
#include "uProgram.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    // Exceptions that escape an event handler reach the program's handler instead of ending the program.
    GuardedApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    InstallLogService();
    RegisterAccountsForms();
    SetLogFile(QDir(UserDataFolder()).filePath(QStringLiteral("tarvik.log")));

    // The data modules, in the order they are made; the layers above add theirs as they come.
    const QList<TModuleFactory> modules = {
        { QStringLiteral("DMR"), [] { return DMR = new TDMR(); } },
        { QStringLiteral("DM"), [] { return new TDM(DMR, nullptr, QApplication::arguments()); } },
        { QStringLiteral("custDM"), [] { return new TcustDM(DM, DMR); } },
        { QStringLiteral("dmDebtCalc"), [] { return dmDebtCalc = new TdmDebtCalc(DMR); } },
        { QStringLiteral("dmReports"), [] { return dmReports = new TdmReports(DM, DMR, custDM); } },
        { QStringLiteral("dmSMS"), [] { return new TdmSMS(); } },
        { QStringLiteral("dmVoyager"), [] { return new TdmVoyager(); } },
        { QStringLiteral("dmWeb"), [] { return new TdmWeb(DMR); } },
    };
    // The windows of the libraries above the shell: a registration left to a static object would be dropped
    // by the linker with the object file that holds it.
    RegisterCasForms();
    try {
        return RunProgram(app, QApplication::arguments().mid(1), modules);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tarvik: %s\n", exceptionMessage(e).toLocal8Bit().constData());
        return 1;
    }
}
