#pragma once

#include <QPoint>
#include <QtGlobal>

class QEvent;
class QChar;
class QWidget;

// What a control that hosts an editor in one of its cells (the grids) offers the editor. The editor asks its
// holder first about every key and event, so that navigation keys reach the holder before the editor uses
// them; a key set to 0 (or a true answer for events) ends the editor's own handling.
class IInplaceEditHolderEh
{
public:
    virtual ~IInplaceEditHolderEh() = default;

    // False makes the editor read-only.
    virtual bool HolderAllowsEdit(QWidget *editor) = 0;
    // Screen position and time (milliseconds of the clock the events carry) of the holder's last mouse press,
    // the one that opened the editor; lets the editor treat it as its own press (a click into the text).
    virtual void GetLastMouseDown(QPoint &screenPos, qint64 &time) = 0;
    virtual bool PreviewEditorMessage(QWidget *editor, QEvent *event) = 0;
    virtual void PreviewEditorKeyDown(QWidget *editor, int &key, Qt::KeyboardModifiers shift) = 0;
    virtual void PreviewEditorKeyPress(QWidget *editor, QChar &key) = 0;
    virtual void PreviewEditorKeyUp(QWidget *editor, int &key, Qt::KeyboardModifiers shift) = 0;
};
