#pragma once

#include <QDialog>
#include <QVariant>

#include <memory>

class QAction;
class QStackedWidget;
class TDBEditEh;
class TDBNumberEditEh;
class TDataSource;
class TKyv_ClientDataSet;
class TKyv_DBGridEh;
class TDM;

// A channel can be deleted only while no payment document uses it; false and the warning naming it otherwise.
bool PaySourceDeletable(TDM *dm, const QVariant &paySourceId, const QString &name, QString &warning);

// The guide of payment channels ("Источники платежей"): the list and one channel's detail, the commission and
// VAT percentages of each. Every post and delete is applied and committed at once, and the channel list of the
// payment windows is read again.
class TfrmPaySourceGuide : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPaySourceGuide(int mode, QWidget *parent = nullptr);
    ~TfrmPaySourceGuide() override;

    TKyv_ClientDataSet *cdsPaySource() const { return m_cds.get(); }

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsDetail = nullptr;
    TKyv_DBGridEh *dbgPaySource = nullptr;
    TDBEditEh *edDescr = nullptr;
    TDBNumberEditEh *edLeakPrc = nullptr;
    TDBNumberEditEh *edTaxPrc = nullptr;
    QAction *actAdd = nullptr, *actEdit = nullptr, *actDelete = nullptr, *actRefresh = nullptr;
    QAction *actOk = nullptr, *actCancelExit = nullptr, *actPost = nullptr, *actCancel = nullptr,
            *actClose = nullptr;

    // Opens the list on the channel `key`.
    void OpenOn(const QVariant &key);
    QVariant CurrentKey() const;

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateActions();
    void Delete();
    void ShowDetail(bool insert);
    void Post();
    bool SettlePending();

    int m_mode;
    std::unique_ptr<TKyv_ClientDataSet> m_cds;
    std::unique_ptr<TDataSource> m_ds;
};

// The guide as the guide family opens it: mode 1 picks, 0 browses; true after "Ok" with the current channel
// in `outKey`; otherwise `outKey` keeps the initial key.
bool executePaySourceGuide(const QVariant &initKey, int mode, QVariant &outKey);
