#pragma once

#include <QWidget>

// The start-up picture: borderless, centred, with the hourglass cursor, shown while the data modules are made.
class TfrmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmSplash(QWidget *parent = nullptr);

    // Shows the window and paints it at once, before the event loop runs.
    void ShowNow();

protected:
    void paintEvent(QPaintEvent *event) override;
};
