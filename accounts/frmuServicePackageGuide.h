#pragma once

#include "uPickOrEditGuide.h"

// The service packages: every SERV_PACKAGE row but the placeholder -1. A double click picks in pick mode and
// opens the row for editing otherwise.
class TfrmServicePackageGuide : public TfrmPickOrEditGuide
{
    Q_OBJECT
public:
    explicit TfrmServicePackageGuide(QWidget *parent = nullptr);
};

extern TfrmServicePackageGuide *frmServicePackageGuide;

bool executeServicePackageGuide(const QVariant &initKey, int mode, QVariant &outKey);
