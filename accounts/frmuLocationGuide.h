#pragma once

#include "frmuGuide.h"

// The settlements: every LOCATION row, the placeholder 0 included, with the settlement's type.
class TfrmLocationGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmLocationGuide(QWidget *parent = nullptr);

protected:
    void newRecord(TDataSet *ds) override;
};

extern TfrmLocationGuide *frmLocationGuide;

bool executeLocationGuide(const QVariant &initKey, int mode, QVariant &outKey);
