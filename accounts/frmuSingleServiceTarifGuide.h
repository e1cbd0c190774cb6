#pragma once

#include "uPickOrEditGuide.h"

// The price list of the services billed by fact: name and base price. A double click picks in pick mode and
// opens the row for editing otherwise.
class TfrmSingleServiceTarifGuide : public TfrmPickOrEditGuide
{
    Q_OBJECT
public:
    explicit TfrmSingleServiceTarifGuide(QWidget *parent = nullptr);

protected:
    void newRecord(TDataSet *ds) override;
};

extern TfrmSingleServiceTarifGuide *frmSingleServiceTarifGuide;

bool executeSingleServiceTarifGuide(const QVariant &initKey, int mode, QVariant &outKey);
