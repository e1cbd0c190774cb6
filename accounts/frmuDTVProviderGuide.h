#pragma once

#include "frmuGuide.h"

// The digital-TV providers: each one's name and the code the CAS server knows it by.
class TfrmDTVProviderGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmDTVProviderGuide(QWidget *parent = nullptr);

protected:
    void newRecord(TDataSet *ds) override;
};

extern TfrmDTVProviderGuide *frmDTVProviderGuide;

// Modes 0 browse and 1 pick.
bool executeDTVProviderGuide(const QVariant &initKey, int mode, QVariant &outKey);
