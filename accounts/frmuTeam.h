#pragma once

#include "frmuGuide.h"

// The field teams that service tickets are assigned to; the team "-" (row 1) is never listed. Stored by the
// window's own statements.
class TfrmTeam : public TfrmCommandGuide
{
    Q_OBJECT
public:
    explicit TfrmTeam(QWidget *parent = nullptr);

    TDBEditEh *edtName = nullptr;

    bool validateInput() override;

protected:
    void storeRow(bool inserting) override;
    void deleteRow() override;
};

extern TfrmTeam *frmTeam;

bool executeTeamGuide(const QVariant &initKey, int mode, QVariant &outKey);
