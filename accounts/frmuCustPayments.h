#pragma once

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class TDataSource;
class TDBLookupComboboxEh;
class TKyv_ClientDataSet;
class TKyv_DBGridEh;
class TSearchFrame;
class TfrReport;

// The browser of every customer's payments in the shared period, of one channel while the channel filter is on.
class TfrmCustPayments : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmCustPayments(QWidget *parent = nullptr);
    ~TfrmCustPayments() override;

    TKyv_ClientDataSet *cdsCustPayments() const { return m_cds.get(); }
    TSearchFrame *SearchFrame = nullptr;
    TKyv_DBGridEh *dbgCustPayments = nullptr;
    TDBLookupComboboxEh *lcbPaySource = nullptr;
    QAction *actPeriod = nullptr, *actFilter = nullptr, *actPrint = nullptr, *actClose = nullptr;

    // Builds the statement over the shared period and the channel filter, and reads the payments again.
    void Reopen();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FilterChanged();
    QVariant ChosenChannel() const;

    std::unique_ptr<TKyv_ClientDataSet> m_cds;
    std::unique_ptr<TDataSource> m_ds, m_dsSources;
    TfrReport *m_report = nullptr;
};

void RegisterCustPaymentsForms();
