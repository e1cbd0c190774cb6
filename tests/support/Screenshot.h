#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace tarvik::test {

// The window's picture for the documentation, saved as `<name>.png` in the folder $TARVIK_SCREENSHOT_DIR names
// (`name` as "<folder>-<window>[-state]"); nothing is saved without the variable. The window is laid out with
// the Liberation fonts at `size`, or at its own size hint with those fonts when `size` is invalid, so the picture
// is the same on every machine given the same data and clock. Answers the saved file, empty when nothing was
// saved; a picture that cannot be written fails the test.
QString SaveScreenshot(QWidget *window, const QString &name, const QSize &size = QSize());

} // namespace tarvik::test
