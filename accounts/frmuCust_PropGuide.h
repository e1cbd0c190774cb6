#pragma once

#include "frmuGuide.h"

class TDBComboBoxEh;

// The short descriptions of the state codes written on customer cards. Opened only to look through and edit:
// it has no choice to hand back.
class TfrmCust_PropGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmCust_PropGuide(QWidget *parent = nullptr);

    TDBComboBoxEh *cbCode = nullptr;

    void openDataSets() override;
    void actInsertRecordExecute() override;
    void actEditRecordExecute() override;
    void listDoubleClick() override {}
    QString deleteName() const override;
};

extern TfrmCust_PropGuide *frmCust_PropGuide;

// The codes a card may carry: those written on cards (trimmed) and those described, sorted, each once.
QStringList CustPropCodes();

// Ignores the key and the mode; always Null in outKey.
bool executeCustPropGuide(const QVariant &initKey, int mode, QVariant &outKey);
