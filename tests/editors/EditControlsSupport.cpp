#include "EditControlsSupport.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace tarvik::test {

EditorWindow::EditorWindow()
{
    auto *layout = new QVBoxLayout(&window);
    other = new QLineEdit(&window);
    other->setObjectName(QStringLiteral("other"));
    layout->addWidget(other);
    window.resize(300, 200);
}

void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(w, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

bool EditorWindow::focus(QWidget *w)
{
    QWidget *top = w->window();
    if (!top->isVisible()) {
        top->show();
        if (!QTest::qWaitForWindowExposed(top))
            return false;
    }
    QApplication::setActiveWindow(top);
    w->setFocus(Qt::TabFocusReason);
    return QTest::qWaitFor([w] { return w->hasFocus(); });
}

bool EditorWindow::leave()
{
    return focus(other);
}

} // namespace tarvik::test
