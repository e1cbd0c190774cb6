#pragma once

#include <QWidget>

class QListWidget;

// The borderless window that shows a list of values below a field: its list fills it, and it takes no focus,
// so that typing stays in the field that opened it.
class TfrPopupListBox : public QWidget
{
    Q_OBJECT
public:
    // Rows of the list are this tall, and one pixel more apart.
    static constexpr int ItemHeight = 11;

    explicit TfrPopupListBox(QWidget *owner = nullptr);

    QListWidget *ListBox1;

protected:
    void resizeEvent(QResizeEvent *e) override;
};
