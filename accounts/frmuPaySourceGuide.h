#pragma once

#include "frmuGuide.h"

// The guide of payment channels ("Источники платежей"): each channel's name, the commission the operator pays
// it and the VAT contained in that commission. The payment windows read their channel list again after every
// stored change.
class TfrmPaySourceGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmPaySourceGuide(QWidget *parent = nullptr);

    // A channel without a name is refused: the payment windows could not tell it from another.
    bool validateInput() override;

protected:
    void newRecord(TDataSet *ds) override;
    void afterApply() override;

private:
    TDBEditEh *m_edDescr = nullptr;
};

extern TfrmPaySourceGuide *frmPaySourceGuide;

// Mode 1 picks, 0 browses; true after "Ok" with the current channel in `outKey`, which otherwise keeps the
// initial key.
bool executePaySourceGuide(const QVariant &initKey, int mode, QVariant &outKey);
