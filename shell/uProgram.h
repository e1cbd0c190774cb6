#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QApplication;

// A data module that lives for the whole run: made after the main window, destroyed before it.
struct TModuleFactory
{
    QString name;
    std::function<QObject *()> create;
};

// The program body: the splash, the application's title, the main window and then the modules in the given
// order, the message loop, and at its end the modules destroyed last made first and then the main window
// (which writes the settings). An exception while the modules are made ends the program: it reaches the
// caller once the splash is gone. Answers the exit code.
int RunProgram(QApplication &app, const QStringList &arguments, const QList<TModuleFactory> &modules);
