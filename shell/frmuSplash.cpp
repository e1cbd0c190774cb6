#include "frmuSplash.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setCursor(Qt::WaitCursor);
    setFixedSize(420, 240);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSplash::ShowNow()
{
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(18, 52, 96));
    sky.setColorAt(1, QColor(44, 110, 168));
    p.fillRect(rect(), sky);
    p.setPen(QColor(255, 255, 255));
    QFont title(QStringLiteral("DejaVu Sans"), 40, QFont::Bold);
    p.setFont(title);
    p.drawText(rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("tarvik"));
    QFont subtitle(QStringLiteral("DejaVu Sans"), 11);
    p.setFont(subtitle);
    p.setPen(QColor(210, 226, 240));
    p.drawText(rect().adjusted(0, 80, 0, 0), Qt::AlignCenter, QStringLiteral("абоненты · услуги · платежи"));
}
