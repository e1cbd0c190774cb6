#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The monthly close's dialog: the month to close in its caption, the progress of the walk over the customers,
// "Все" to close every month up to the current one, and the buttons to start and to abort.
class TfrmDebtCalc : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmDebtCalc(QWidget *owner = nullptr);

    // " Закрыть месяц <open month> Перевод остатков на <next month>", the open month read afresh from the
    // configuration row.
    void checkCaption();
    // Reads the configuration row afresh and closes its open month in its debt mode; true when it was closed.
    bool closeOneMonth();

    // The buttons' actions.
    void actStartExecute();
    void actAbortExecute();
    bool Running() const { return m_running; }

    QLabel *lblStatus;
    QProgressBar *ProgressBar1;
    QCheckBox *cbxAll;
    QPushButton *actStart;
    QPushButton *actAbort;

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    bool m_running = false;
};

// Opens the dialog modally; answers true (after "Месяц успешно закрыт") when it closed what it was asked to.
bool executeMonthClose(QWidget *owner = nullptr);

// The open dialog, or null.
extern TfrmDebtCalc *frmDebtCalc;
