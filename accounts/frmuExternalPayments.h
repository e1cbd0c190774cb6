#pragma once

#include "uRegisterImport.h"

#include <QWidget>

class QAction;
class QPlainTextEdit;
class TClientDataSet;
class TDataSource;
class TKyv_DBGridEh;

// "Внешние платежи": reads one payment register of a bank, the post or the settlement system into a list of
// documents and their payments, shows which accounts match no customer, and stores the documents with their
// payments. A register that could not be read whole is shown but not stored, a register already stored is
// stored again only when the user says so, and one stored in part offers to store the documents it still lacks.
class TfrmExternalPayments : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmExternalPayments(QWidget *parent = nullptr);
    ~TfrmExternalPayments() override;

    QAction *actLoadFromFile = nullptr;
    QAction *actLoadFromDBF = nullptr;
    QAction *actAddPayments = nullptr;
    QAction *actClose = nullptr;
    TClientDataSet *cdsPayDoc = nullptr;
    TClientDataSet *cdsPayment = nullptr;
    TKyv_DBGridEh *dbgPayDoc = nullptr;
    TKyv_DBGridEh *dbgPayment = nullptr;
    QPlainTextEdit *memErrors = nullptr;

    // The register as read, which storing writes.
    const TPaymentRegister &Register() const { return m_register; }

    static QString PlacementKey();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateActions();
    void CreateDataSets();
    void CreateGrids();
    void actLoadFromFileExecute();
    void actLoadFromDBFExecute();
    void actAddPaymentsExecute();
    // Reads with `read`, then matches the accounts and shows the lists; a failure shows the file's message.
    void LoadRegister(const QString &shownName, const std::function<void()> &read);
    void ShowRegister();
    void StorePlacement() const;
    void RestorePlacement();

    TDataSource *dsPayDoc = nullptr;
    TDataSource *dsPayment = nullptr;
    TPaymentRegister m_register;
    int m_nextPaymentId = 0;
};

void RegisterExternalPaymentsForms();
