#pragma once

#include "frmuGuide.h"

class TDBLookupComboboxEh;

// The members of the field teams, each in one team ("-" when none). Stored by the window's own statements.
class TfrmEmployee : public TfrmCommandGuide
{
    Q_OBJECT
public:
    explicit TfrmEmployee(QWidget *parent = nullptr);

    QAction *actSelectTeam = nullptr;
    TDBEditEh *edtName = nullptr;
    TDBLookupComboboxEh *cbTeam = nullptr;

    bool validateInput() override;
    void actInsertRecordExecute() override;
    void actEditRecordExecute() override;

protected:
    void newRecord(TDataSet *ds) override;
    void storeRow(bool inserting) override;
    void deleteRow() override;

private:
    TDataSet *m_teams = nullptr;
};

extern TfrmEmployee *frmEmployee;

bool executeEmployeeGuide(const QVariant &initKey, int mode, QVariant &outKey);
