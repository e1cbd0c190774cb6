#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
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
