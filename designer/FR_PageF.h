#pragma once

#include <QWidget>

// The window in which a dialog page is edited: it looks like the dialog, at the page's bounds, and stays above
// the designer window that owns it.
class TfrPageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TfrPageForm(QWidget *designer);
};
