#pragma once

#include <QVariant>
#include <QWidget>

#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TKyv_DBGridEh;
class TPayDocData;
class TfrReport;
class TSearchFrame;

// The payment documents window: the documents of the shared period with their commission, one open document
// with its payments, and the entry of one payment. Every payment change queues its customer; the debts are
// brought up to date whenever the user leaves a payment, returns to the list or closes the window.
class TfrmPayDoc : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmPayDoc(QWidget *parent = nullptr);
    ~TfrmPayDoc() override;

    TPayDocData *Data() const { return m_data.get(); }

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsDocument = nullptr;
    QStackedWidget *pcPayments = nullptr;
    QWidget *tsPaymentList = nullptr;
    QWidget *tsPayment = nullptr;
    QLabel *lblPeriod = nullptr;
    TSearchFrame *SearchFrame = nullptr;
    TKyv_DBGridEh *dbgPayDoc = nullptr;
    TKyv_DBGridEh *dbgPayment = nullptr;
    QCheckBox *cbFilter = nullptr;
    TDBLookupComboboxEh *lcbPaySource = nullptr;
    TDBEditEh *edPayDocNo = nullptr;
    TDBDateTimeEditEh *edPayDocDate = nullptr;
    TDBLookupComboboxEh *lcbDocPaySource = nullptr;
    TDBNumberEditEh *edPayDocSum = nullptr;
    TDBEditEh *edDocNotice = nullptr;
    QLabel *lblSumDifference = nullptr;
    TDBLookupComboboxEh *lcbPayerAccount = nullptr;
    TDBLookupComboboxEh *lcbPayerName = nullptr;
    TDBDateTimeEditEh *edPayDate = nullptr;
    TDBNumberEditEh *edPaySum = nullptr;
    TDBLookupComboboxEh *lcbPayKind = nullptr;
    TDBEditEh *edPayNotice = nullptr;
    QLineEdit *edCustCode = nullptr;

    QAction *actSetPeriod = nullptr, *actPeriodAll = nullptr, *actPeriodToday = nullptr, *actPeriodYesterday = nullptr,
            *actPeriodMonth = nullptr, *actPeriodYear = nullptr;
    QAction *actRefresh = nullptr, *actFilter = nullptr;
    QAction *actNewDoc = nullptr, *actEditDoc = nullptr, *actOpenDoc = nullptr, *actDeleteDoc = nullptr;
    QAction *actPaySourceGuide = nullptr, *actSaveHeader = nullptr, *actCancelHeader = nullptr;
    QAction *actDocList = nullptr, *actDocOk = nullptr, *actDocCancel = nullptr;
    QAction *actNewPayment = nullptr, *actEditPayment = nullptr, *actDeletePayment = nullptr;
    QAction *actPaymentOk = nullptr, *actPaymentCancel = nullptr, *actExtSearch = nullptr;
    QAction *actRecalcDebt = nullptr, *actCustBalance = nullptr;
    QAction *actPrint = nullptr, *actPaymentsByServ = nullptr, *actPrintPayments = nullptr,
            *actPrintCashOrder = nullptr, *actDesignCashOrder = nullptr;

    // The window's caption and the label over the list: the period text of the shared period.
    QString PeriodText() const;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    QWidget *CreateListPage();
    QWidget *CreateDocumentPage();
    QWidget *CreatePaymentPage();
    void RunQuery();
    void SetPeriod(int preset);
    void ReopenDocuments();
    void UpdateCaptions();
    void UpdateActions();
    void FilterChanged();
    void NewDocument();
    void OpenDocument(bool edit);
    bool SaveHeader();
    // The header posted when it is being edited, and a new payment started in the document.
    void SaveHeaderAndStartPayment();
    // The channel of the filter: the one the filter record holds.
    QVariant ChosenChannel() const;
    void DeleteDocument();
    void PickPaySource();
    void ReturnToList();
    void NewPayment();
    void EditPayment();
    bool CheckPayment();
    void PaymentOk();
    void PaymentCancel();
    void DeletePayments();
    bool SettlePayments();
    void SearchPayerByCode();
    void ExtendedSearch();
    void RecalcQueued();
    void PrintDocuments();
    void PrintPaymentsByServ(const QVariant &servId);
    void PrintPayments();
    void PrintCashOrder(bool design);
    void ShowCustomerBalance();
    QString ChannelMemo() const;
    void RememberDocument();

    std::unique_ptr<TPayDocData> m_data;
    QVariant m_rememberedDocId;
    TfrReport *m_documentsReport = nullptr;
    TfrReport *m_paymentsReport = nullptr;
};

// The payment-kind picker ("Выбор вида платежа"): true with the chosen SERV_ID on "Готово".
bool executeGetServId(QVariant &servId);

void RegisterPayDocForms();
