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

// Every settlement with its full name L_LOCATION_FULL (the type's short name, a blank and the name), by name: the
// choices of the settlement drop-downs.
QString LocationFullNamesSql();

extern TfrmLocationGuide *frmLocationGuide;

bool executeLocationGuide(const QVariant &initKey, int mode, QVariant &outKey);
