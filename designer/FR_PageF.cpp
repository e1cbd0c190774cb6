#include "FR_PageF.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>

TfrKeyPreview::TfrKeyPreview(QWidget *window, THandler handler)
    : QObject(window)
    , m_window(window)
    , m_handler(std::move(handler))
{
    // The keys go to whichever control has the focus; only the application sees them all first.
    qApp->installEventFilter(this);
}

bool TfrKeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !m_handler || !watched->isWidgetType())
        return false;
    // A menu bar keeps its keys: they walk through its menus.
    if (static_cast<QWidget *>(watched)->window() != m_window || qobject_cast<QMenuBar *>(watched))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    return m_handler(key->key(), key->modifiers());
}

TfrPageForm::TfrPageForm(QWidget *designer)
    : QWidget(designer, Qt::Tool)
{
    setObjectName(QStringLiteral("frPageForm"));
    setWindowTitle(QStringLiteral("frPageForm"));
    resize(112, 86);
    setAutoFillBackground(true);
    new TfrKeyPreview(
        this, [this](int key, Qt::KeyboardModifiers shift) { return OnKeyDown && OnKeyDown(key, shift); });
}

void TfrPageForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void TfrPageForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A move reports the bounds as a resize does.
    if (OnResize)
        OnResize();
}

void TfrPageForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (OnResize)
        OnResize();
}
