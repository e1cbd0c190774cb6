#include "ScreenCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

TCursor g_cursor = crDefault;

Qt::CursorShape shapeOf(TCursor cursor)
{
    switch (cursor) {
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crAppStart:
        return Qt::BusyCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

TCursor ScreenCursor()
{
    return g_cursor;
}

void SetScreenCursor(TCursor cursor)
{
    if (cursor == g_cursor)
        return;
    const bool hadOverride = g_cursor != crDefault;
    g_cursor = cursor;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return; // no screen: the value is still kept, so callers see what they set
    if (cursor == crDefault)
        QGuiApplication::restoreOverrideCursor();
    else if (hadOverride)
        QGuiApplication::changeOverrideCursor(QCursor(shapeOf(cursor)));
    else
        QGuiApplication::setOverrideCursor(QCursor(shapeOf(cursor)));
}

TScreenCursorScope::TScreenCursorScope(TCursor cursor)
    : m_saved(ScreenCursor())
{
    if (cursor != crDefault && cursor != m_saved) {
        SetScreenCursor(cursor);
        m_changed = true;
    }
}

TScreenCursorScope::~TScreenCursorScope()
{
    if (m_changed)
        SetScreenCursor(m_saved);
}
