#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace tarvik::test {

// The window's picture for the documentation, saved as `<name>.png` in the folder $TARVIK_SCREENSHOT_DIR names
// (`name` as "<folder>-<window>[-state]"); nothing is saved without the variable. The window is laid out at a
// fixed size with the Liberation fonts, so the picture is the same on every machine given the same data and
// clock. Answers the saved file, empty when nothing was saved; a picture that cannot be written fails the test.
QString SaveScreenshot(QWidget *window, const QString &name, const QSize &size = QSize(1024, 700));

} // namespace tarvik::test
