#pragma once

#include <QDate>
#include <QDialog>

class QAction;
class QDateEdit;
class QPushButton;
class QToolBar;

// The date-range dialog of lists and reports: two dates, the month buttons, "Готово" and "Отмена".
class TfrmPeriod : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPeriod(QWidget *parent = nullptr);

    void SetPeriod(const QDate &from, const QDate &to);
    QDate DateFrom() const;
    QDate DateTo() const;

    QToolBar *tbPeriod = nullptr;
    QAction *actPrevMonth = nullptr;
    QAction *actCurMonth = nullptr;
    QAction *actNextMonth = nullptr;
    QAction *actCurDate = nullptr;
    QAction *actAllPeriod = nullptr;
    QDateEdit *dtpFrom = nullptr;
    QDateEdit *dtpTo = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

private:
    // The month `months` away from the end date's month, from its first to its last day.
    void ShiftMonth(int months);
    void btnOkClick();
};

// The dialog made while it is open; null otherwise.
extern TfrmPeriod *frmPeriod;

// Shows the date-range dialog with the given dates; on "Готово" both dates take the chosen whole days and the
// answer is true. Dates are shown as "DD/MM/YYYY" while it is open and the user's formats come back after.
bool executePeriodDialog(QDate &dateFrom, QDate &dateTo);
