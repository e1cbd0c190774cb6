#pragma once

#include "frmuGuide.h"

class QComboBox;
class TKyv_ADODataSet;

// The operator's smart cards: the list with each card's provider and customer, the card's number and provider,
// activation and deactivation on the CAS server, batch registration and a filter by activity. Mode 2 picks
// among cards that belong to no customer.
class TfrmSmartCards : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmSmartCards(QWidget *parent = nullptr);

    TKyv_ClientDataSet *cdsSmartCard = nullptr;
    TKyv_ADODataSet *odsProviderLookup = nullptr;
    TDBEditEh *edtCardNo = nullptr;
    TDBLookupComboboxEh *cbProvider = nullptr;
    QComboBox *cbCardState = nullptr;
    QAction *actApplyAndActivete = nullptr;
    QAction *actDeactivateSmartCard = nullptr;
    QAction *actActivateSmartCard = nullptr;
    QAction *acBatchCardsInsert = nullptr;
    QAction *actCardTypeFilter = nullptr;

    void checkBtns() override;
    void openDataSets() override;
    bool validateInput() override;
    void actMrOkExecute() override;
    bool searchRecord() override;

    void actApplyAndActiveteExecute();
    void actDeactivateSmartCardExecute();
    void actActivateSmartCardExecute();
    void acBatchCardsInsertExecute();
    void actCardTypeFilterExecute();

protected:
    void newRecord(TDataSet *ds) override;

private:
    // The list's filter: cards without a customer in mode 2, the chosen activity while the filter is on.
    void applyFilter();
    bool currentActive() const;
    bool currentHasCustomer() const;
    QString providerValue(const char *field) const;
    // Sets the card's activity, stores it and reads the list again on the same card.
    void storeActivity(int active);
    bool casReady();

    bool m_okLatched = false;
};

extern TfrmSmartCards *frmSmartCards;

// Modes 0 browse, 1 pick, 2 pick among cards without a customer.
bool executeSmartCardsGuide(const QVariant &initKey, int mode, QVariant &outKey);

// The main-menu commands and the pickers ("pickSmartCard", "pickDTVProvider") of the smart-card guides.
void RegisterSmartCardGuides();
