#pragma once

#include "KyvFrames.h"

#include <map>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class TDataSource;
class TDataSet;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TField;

// The settings of the customer list's filter, edited in place in the filter record (DM.mdTempCFG): address,
// debt, states, the period's events, letters, short status and contract. Every change goes to the record at
// once; the builder of the list reads them afterwards.
class TfrmCustFilterOptions : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmCustFilterOptions(QWidget *parent = nullptr);
    ~TfrmCustFilterOptions() override;

    TDataSource *dsTempCFG = nullptr;

    // Address.
    QCheckBox *cbCheckAdress = nullptr;
    TDBLookupComboboxEh *cbCity = nullptr;
    TDBLookupComboboxEh *cbStreet = nullptr;
    TDBLookupComboboxEh *cbHouseNo = nullptr;
    TDBEditEh *edFlatNo = nullptr;
    TDBLookupComboboxEh *cbArea = nullptr;
    TDBLookupComboboxEh *cbSubArea = nullptr;
    QCheckBox *cbDoubleAddress = nullptr;
    // Debt.
    QCheckBox *cbCheckDebt = nullptr;
    QRadioButton *rbDebtValue = nullptr;
    QRadioButton *rbDebtRange = nullptr;
    QComboBox *cbDebtSign = nullptr;
    TDBNumberEditEh *edDebtSum = nullptr;
    TDBNumberEditEh *edDebtFrom = nullptr;
    TDBNumberEditEh *edDebtTo = nullptr;
    // States.
    QCheckBox *cbState1 = nullptr;
    QCheckBox *cbState5 = nullptr;
    QCheckBox *cbState6 = nullptr;
    TDBLookupComboboxEh *cbActServ = nullptr;
    QCheckBox *cbSubscrHist = nullptr;
    QCheckBox *cbNotice = nullptr;
    QCheckBox *cbDiscountFactor = nullptr;
    // Period.
    QCheckBox *cbPeriod = nullptr;
    TDBDateTimeEditEh *edDateFrom = nullptr;
    TDBDateTimeEditEh *edDateTo = nullptr;
    TDBLookupComboboxEh *cbServ = nullptr;
    QCheckBox *cbAct = nullptr;
    QCheckBox *cbActR = nullptr;
    QCheckBox *cbDizact = nullptr;
    QCheckBox *cbDizactN = nullptr;
    QCheckBox *cbPay = nullptr;
    QCheckBox *cbContractDate = nullptr;
    QCheckBox *cbCustLetter = nullptr;
    QCheckBox *cbCustLetterNot1 = nullptr;
    QComboBox *cbLetterType1 = nullptr;
    // The second letter condition.
    QCheckBox *cbPeriod2 = nullptr;
    TDBDateTimeEditEh *edDateFrom2 = nullptr;
    TDBDateTimeEditEh *edDateTo2 = nullptr;
    QCheckBox *cbCustLetter2 = nullptr;
    QCheckBox *cbCustLetterNot2 = nullptr;
    QComboBox *cbLetterType2 = nullptr;
    // Other.
    QCheckBox *cbInvalidContractDate = nullptr;
    TDBLookupComboboxEh *cbCustPropDescr = nullptr;
    QCheckBox *cbValidTo = nullptr;
    QCheckBox *cbValidToOn = nullptr;
    QCheckBox *cbValidToOff = nullptr;

    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QCheckBox *flagBox(const char *name, const char *field, const QString &caption);
    QComboBox *listBox(const char *name, const char *field, const QStringList &items);
    void setField(const char *field, const QVariant &value);
    TField *field(const char *name) const;
    // The check boxes show the record's flags again (after a rule changed some).
    void showFlags();
    void reopen(TDataSet *ds);

    std::map<QCheckBox *, const char *> m_flags;
};

// Edits the filter record in the filter dialog with its lookups open; true when closed with "Готово". The record
// keeps what was edited either way.
bool executeCustFilterOptions();
