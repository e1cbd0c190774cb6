#pragma once

#include "KyvFrames.h"
#include "uTicketEdits.h"

#include <QDate>
#include <QVariant>

class QAction;
class QPushButton;
class QRadioButton;
class TDataSource;
class TKyv_ADODataSet;
class TKyv_DBGridEh;
class TMemTable;

// The new-ticket dialog of the customer card: the customer shown read-only, the dates, the planned times, the
// notice, the team and the state, and below them the tickets already planned from the planned day on, to choose
// a free slot. "Добавить" stores the ticket through TDMR::newCustomerTicket.
class TfrmCustomerTicket : public TfrmKyvModal, public TTicketEdits
{
    Q_OBJECT
public:
    explicit TfrmCustomerTicket(const QVariant &customerId, QWidget *parent = nullptr);
    ~TfrmCustomerTicket() override;

    void OpenDataSets();
    void CloseDataSets();

    TMemTable *mdTempDataSet = nullptr;
    TDataSource *dsTempDataSet = nullptr;
    TKyv_ADODataSet *odsCustomer = nullptr;
    TKyv_ADODataSet *odsTeam = nullptr;
    TKyv_ADODataSet *odsPlanedTickets = nullptr;

    QRadioButton *rbPlan = nullptr;
    QRadioButton *rbInWork = nullptr;
    TKyv_DBGridEh *dbgPlanedTickets = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnCancel = nullptr;

    QAction *actApply = nullptr;
    QAction *actCancel = nullptr;
    QAction *actSelectTeam = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Closing the dialog otherwise than with "Отмена" asks what to do with a ticket typed but not added.
    void reject() override;

private:
    void CreateEdits();
    void ShowCustomer();
    void TempNewRecord();
    void PlanDateChanged();
    void ShowState();
    void actApplyExecute();
    // Writes the ticket; false when the database refused it.
    bool StoreTicket();
    QStringList PageValues();

    QVariant m_customerId;
    // What the page showed when it was filled: a close with anything else asks first.
    QStringList m_startValues;
    bool m_discarding = false;
    QDate m_plannedFrom;
    bool m_showingState = false;
};

// Shows the new-ticket dialog for the customer; true when a ticket was stored. A ticket the database refuses
// closes the dialog as a cancel does.
bool executeCustomerTicket(const QVariant &customerId, QWidget *parent = nullptr);
