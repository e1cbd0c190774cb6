#pragma once

#include "frmuGuide.h"

class TKyv_ADODataSet;

// The streets: every STREET row but the placeholder 0. A changed street code rebuilds the customer codes of
// the street's customers once the change is stored.
class TfrmStreetGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmStreetGuide(QWidget *parent = nullptr);

    void actEditRecordExecute() override;
    void checkBtns() override;
    void closeDataSets() override;

    // The streets of the current street's name under other keys, shown while actDublicates is checked.
    QAction *actDublicates = nullptr;
    QWidget *pnlDublicates = nullptr;
    TKyv_DBGridEh *dbgDublicates = nullptr;
    TKyv_ADODataSet *qDublicates = nullptr;

    // The street's code as it was when the edit began; Null when no edit is pending a rebuild.
    QVariant FStreetCode;

protected:
    void newRecord(TDataSet *ds) override;
    void afterApply() override;

private:
    void showDublicates();
};

extern TfrmStreetGuide *frmStreetGuide;

bool executeStreetGuide(const QVariant &initKey, int mode, QVariant &outKey);
