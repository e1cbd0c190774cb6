#pragma once

#include "frmuGuide.h"

class QScrollArea;
class TDBCheckBoxEh;
class TDBLookupComboboxEh;

// The code a new organisation gets: the largest code made only of digits plus 1, as text ("1" when none is).
QString NextCompanyCode(const QStringList &codes);

// The operator company and the other organisations with their bank and registration details. The one the
// configuration names cannot be deleted; a stored change reloads the configuration row, whose company details
// the documents print.
class TfrmCompanyGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmCompanyGuide(QWidget *parent = nullptr);

    QAction *actSelectLocation = nullptr;
    QScrollArea *sbDetail = nullptr;
    TDBCheckBoxEh *chkResident = nullptr;
    TDBLookupComboboxEh *cbLocation = nullptr;

    void actInsertRecordExecute() override;

protected:
    void newRecord(TDataSet *ds) override;
    void afterApply() override;
};

extern TfrmCompanyGuide *frmCompanyGuide;

bool executeCompanyGuide(const QVariant &initKey, int mode, QVariant &outKey);
