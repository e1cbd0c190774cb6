#include "uProgram.h"

#include "frmuCFG.h"
#include "frmuTestSql.h"

#include "Services.h"
#include "frmuMain.h"
#include "frmuSplash.h"

#include <QApplication>

#include <memory>
#include <vector>

int RunProgram(QApplication &app, const QStringList &arguments, const QList<TModuleFactory> &modules)
{
    auto splash = std::make_unique<TfrmSplash>();
    splash->ShowNow();

    QApplication::setApplicationName(QStringLiteral("tarvik"));
    QApplication::setApplicationDisplayName(QStringLiteral("tarvik"));

    // The shell's own child windows.
    RegisterTestSqlForm();
    RegisterCFGForm();

    std::unique_ptr<TfrmMain> mainWindow;
    std::vector<std::unique_ptr<QObject>> made;
    mainWindow = std::make_unique<TfrmMain>(arguments);
    for (const TModuleFactory &module : modules)
        made.emplace_back(module.create());
    splash.reset();

    // Other top-level windows (the event monitor) do not keep the program alive once the main window closed.
    QObject::connect(mainWindow.get(), &TfrmMain::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    mainWindow->showMaximized();
    int code = 0;
    try {
        code = app.exec();
    } catch (...) {
        Services::messages()->showMessage(QStringLiteral("Untrapped exception !"));
    }

    while (!made.empty())
        made.pop_back();
    mainWindow.reset();
    return code;
}
