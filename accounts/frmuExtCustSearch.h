#pragma once

#include "KyvFrames.h"

#include <QVariant>

class QComboBox;
class QLineEdit;
class TKyv_ADODataSet;
class TDataSet;

// The search by street, house number and flat. Its street and house-number lists are custDM's filter lookups;
// a choice only moves their current row. "Готово" selects the matching customers into a dataset of the
// dialog's own, so the customer list keeps its query.
class TfrmExtCustSearch : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmExtCustSearch(QWidget *parent = nullptr);
    ~TfrmExtCustSearch() override;

    QComboBox *cbStreet = nullptr;
    QComboBox *cbHouseNo = nullptr;
    QLineEdit *edFlat = nullptr;
    TOkCancelBtnsFrame *OkCancelBtnsFrame = nullptr;
    TKyv_ADODataSet *odsFound = nullptr;

    // The CUSTOMER_ID of the first customer found by the last "Готово", null before it or when none was.
    QVariant FoundCustomer() const;

    void done(int result) override;

private:
    void FillStreets();
    void FillHouseNos();
    void Search();
};
