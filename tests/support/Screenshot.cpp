#include "Screenshot.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLayout>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace tarvik::test {

namespace {

void layOut(QWidget *window, const QSize &size)
{
    window->resize(size);
    QCoreApplication::sendPostedEvents();
    if (QLayout *layout = window->layout())
        layout->activate();
    QCoreApplication::sendPostedEvents();
}

} // namespace

QString SaveScreenshot(QWidget *window, const QString &name, const QSize &size)
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty() || !window)
        return {};
    const QFont previous = QApplication::font();
    QFont fixed(QStringLiteral("Liberation Sans"));
    fixed.setPointSize(9);
    fixed.setStyleHint(QFont::SansSerif);
    QApplication::setFont(fixed);
    const QSize previousSize = window->size();
    QCoreApplication::sendPostedEvents();
    layOut(window, size.isValid() ? size : window->sizeHint());
    const QImage picture = window->grab().toImage();
    QApplication::setFont(previous);
    layOut(window, previousSize);

    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    QDir().mkpath(folder);
    const bool saved = !picture.isNull() && picture.save(file);
    EXPECT_TRUE(saved) << "cannot write " << file.toStdString();
    return saved ? file : QString();
}

} // namespace tarvik::test
