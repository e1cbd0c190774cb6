#pragma once

#include <QDialog>
#include <QPixmap>

class QPushButton;

// The report engine's about box: its logo, version and a few words on what it is for.
class TfrAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrAboutForm(QWidget *parent = nullptr);

    // Shows the box until it is closed; answers mrOk for its button, mrCancel when closed otherwise.
    static int Execute();

    QWidget *PaintBox1;
    QPushButton *Button1;
    // The logo the paint box shows.
    QPixmap Logo;
};
