#pragma once

#include <QDate>
#include <QDialog>

class QComboBox;
class QPushButton;
class QSpinBox;

// The month picker: a month of the list and a year.
class TfrmSelectMonth : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelectMonth(QWidget *parent = nullptr);

    void SetDate(const QDate &date);
    // The first day of the chosen month of the chosen year.
    QDate SelectedMonth() const;

    QComboBox *cbMonth = nullptr;
    QSpinBox *seYear = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
};

// The dialog made while it is open; null otherwise.
extern TfrmSelectMonth *frmSelectMonth;

// Shows the month picker at the date's month; on "Готово" the date becomes the first day of the chosen month
// and the answer is true. "Отмена", closing the window or an error leave the date as it was.
bool executeSelectMonth(QDate &date);
