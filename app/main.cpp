#include "Guard.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    // Exceptions that escape an event handler reach the program's handler instead of ending the program.
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvik"));
    QApplication::setApplicationDisplayName(QStringLiteral("tarvik"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("tarvik"));
    auto *label = new QLabel(QStringLiteral("tarvik"), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(1024, 700);
    window.show();
    return app.exec();
}
