#pragma once

#include "frmuGuide.h"

// The districts: every AREA row but the placeholder 0.
class TfrmAreaGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmAreaGuide(QWidget *parent = nullptr);
};

extern TfrmAreaGuide *frmAreaGuide;

bool executeAreaGuide(const QVariant &initKey, int mode, QVariant &outKey);
