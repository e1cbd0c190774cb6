#pragma once

#include "frmuGuide.h"

// The sub-areas: every SUBAREA row but the placeholder 0. Edit and delete check for rows themselves.
class TfrmSubAreaGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmSubAreaGuide(QWidget *parent = nullptr);
};

extern TfrmSubAreaGuide *frmSubAreaGuide;

bool executeSubAreaGuide(const QVariant &initKey, int mode, QVariant &outKey);
