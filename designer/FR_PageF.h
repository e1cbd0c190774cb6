#pragma once

#include <QWidget>

#include <functional>

// Hands the keys pressed in any widget of one window (its menu bar aside) to a handler before the widget sees them; a
// key the handler used goes no further. The handler must change nothing for a key it leaves, which may come to it again
// on its way to the widget's parents.
class TfrKeyPreview : public QObject
{
public:
    using THandler = std::function<bool(int key, Qt::KeyboardModifiers shift)>;

    TfrKeyPreview(QWidget *window, THandler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    THandler m_handler;
};

// The window in which a dialog page is edited: it looks like the dialog, at the page's bounds, and stays above
// the designer window that owns it. The user cannot close it; switching pages or closing the designer removes it.
class TfrPageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TfrPageForm(QWidget *designer);

    // After the window was moved or resized, by the user or by the designer placing it at the page's bounds.
    std::function<void()> OnResize;
    // The keys pressed in the window, before its controls see them.
    TfrKeyPreview::THandler OnKeyDown;

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
