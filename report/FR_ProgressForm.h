#pragma once

#include "FR_Progress.h"

#include <QDialog>

class QEventLoop;
class QLabel;
class QPushButton;

// The small window under which a report is built, printed or exported: the job starts once the window is up
// and runs inside its modal loop; Cancel asks the running report to stop.
class TfrProgressForm : public QDialog, public TfrProgress
{
    Q_OBJECT
public:
    explicit TfrProgressForm(QWidget *parent = nullptr);

    void SetCaption(const QString &text) override;
    void SetLabel1(const QString &text) override;
    void SetLabel2(const QString &text) override;
    void SetVisible(bool visible) override;
    void SetModalResult(int result) override;
    // An exception of the job ends the window and travels on to the caller once the modal loop is left.
    int RunModal(TfrReport &report) override;
    void ProcessMessages() override;

    void Localize();

    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QPushButton *Button1 = nullptr;

protected:
    void reject() override;

private:
    void StartWork();
    void Button1Click();

    bool m_running = false;
    QEventLoop *m_loop = nullptr;
};
