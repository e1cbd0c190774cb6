#pragma once

#include "frmuGuide.h"

// The streets: every STREET row but the placeholder 0. A changed street code rebuilds the customer codes of
// the street's customers once the change is stored.
class TfrmStreetGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmStreetGuide(QWidget *parent = nullptr);

    void actEditRecordExecute() override;

    // The street's code as it was when the edit began; Null when no edit is pending a rebuild.
    QVariant FStreetCode;

protected:
    void newRecord(TDataSet *ds) override;
    void afterApply() override;
};

extern TfrmStreetGuide *frmStreetGuide;

bool executeStreetGuide(const QVariant &initKey, int mode, QVariant &outKey);
