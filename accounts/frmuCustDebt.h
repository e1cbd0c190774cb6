#pragma once

#include <QDate>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class TKyv_DBGridEh;

// The name the export proposes for the month that starts on `from`: "УслугиЗаМесяц" + year + two-digit month.
QString CustDebtProposedFileName(const QDate &from);
// The file the export writes for a chosen name: ".csv" appended unless the name ends with it in any case.
QString CustDebtExportFileName(const QString &chosen);

// "Услуги, оказанные клиентам за месяц": every customer's figures of one month as the monthly close computes
// them, with the month picker, the export to a CSV file and the customer's detailed balance.
class TfrmCustDebt : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmCustDebt(QWidget *parent = nullptr);
    ~TfrmCustDebt() override;

    QLabel *periodLabel = nullptr;
    TKyv_DBGridEh *dbgCustDebtState = nullptr;
    QAction *actPeriod = nullptr;
    QAction *actSaveAs = nullptr;
    QAction *actShowCustomerBalance = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    void CreateGrid();
    void LoadMonth();
    void CloseDataSets();
    void actPeriodExecute();
    void actSaveAsExecute();
    void actShowCustomerBalanceExecute();
};

extern TfrmCustDebt *frmCustDebt;

// The window class and the main menu's command "actCustDebt".
void RegisterCustDebtForms();
