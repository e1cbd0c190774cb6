#pragma once

#include <QDialog>

#include <vector>

class QPushButton;
class TDataSet;
class TKyv_DBGridEh;
class TKyv_DBNavigator;

// "История подключений": the current customer's subscriptions and the periods of the one chosen, both editable,
// with the deletion of one period or of a subscription with all its periods.
class TfrmSubscrHistory : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSubscrHistory(QWidget *parent = nullptr);
    ~TfrmSubscrHistory() override;

    // Whether anything was inserted, edited or deleted while the window was open.
    bool Changed() const { return m_changed; }

    TKyv_DBGridEh *dbgSubscrServ = nullptr;
    TKyv_DBGridEh *dbgSubscrHist = nullptr;
    TKyv_DBNavigator *navSubscrServ = nullptr;
    TKyv_DBNavigator *navSubscrHist = nullptr;
    QPushButton *btnDeleteHist = nullptr;
    QPushButton *btnDeleteServ = nullptr;
    QPushButton *btnOk = nullptr;

    // "Удалить запись": the current period, after the question.
    void actDeleteHistExecute();
    // "Удалить": the current subscription with every period of it, after the question.
    void actDeleteServExecute();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void WatchChanges();

    bool m_changed = false;
    struct TWatch
    {
        TDataSet *dataSet;
        int editHandler, insertHandler;
    };
    std::vector<TWatch> m_watches;
};

extern TfrmSubscrHistory *frmSubscrHistory;

// Shows the history window; true when anything was edited or deleted meanwhile.
bool executeSubscrHistory();
