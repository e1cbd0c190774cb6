#include "frmuEmployee.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuRDM.h"
#include "frmuTeam.h"
#include "uGuideStatements.h"

TfrmEmployee *frmEmployee = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmEmployee";
    s.caption = QStringLiteral("\"Сотрудники\"  (справочник)");
    s.placementPath = QStringLiteral("frmArea\\");
    s.helpContext = 5550;
    s.keyField = QStringLiteral("EMPLOYEE_ID");
    s.nameField = QStringLiteral("FULLNAME");
    s.table = QStringLiteral("ZOLT.EMPLOYEE");
    s.hasSearch = false;
    s.locateOnOpen = false;
    return s;
}

} // namespace

TfrmEmployee::TfrmEmployee(QWidget *parent)
    : TfrmCommandGuide(guideSpec(), parent)
{
    setList(makeServerList("odsEmployee", EmployeeListStatement()),
            QStringLiteral("frmEmployee.odsEmployee"));
    addColumn("FULLNAME", QStringLiteral("ФИО"), 200);
    addColumn("RO_TEAM_NAME", QStringLiteral("Бригада"), 150);

    m_teams = makeLookup("odsTeamLookup", TeamLookupStatement());
    actSelectTeam = makeAction("actSelectTeam", QStringLiteral("..."), {}, [this] {
        PickGuideKey(L, QStringLiteral("TEAM_ID"), executeTeamGuide, m_teams);
    }, QStringLiteral("Справочник бригад"));
    edtName = addEdit("edtName", QStringLiteral("Наименование *"), "FULLNAME", 1);
    cbTeam = addLookupCombo("cbTeam", QStringLiteral("Бригада *"), "TEAM_ID", m_teams, "TEAM_ID", "TEAM_NAME", 2,
                            actSelectTeam);
    maxTag = 2;
}

void TfrmEmployee::newRecord(TDataSet *ds)
{
    ds->FieldByName(QStringLiteral("TEAM_ID"))->SetValue(1);
}

void TfrmEmployee::actInsertRecordExecute()
{
    if (!m_teams->Active())
        m_teams->Open();
    TfrmCommandGuide::actInsertRecordExecute();
}

void TfrmEmployee::actEditRecordExecute()
{
    if (!m_teams->Active())
        m_teams->Open();
    TfrmCommandGuide::actEditRecordExecute();
}

bool TfrmEmployee::validateInput()
{
    if (L->FieldByName(QStringLiteral("FULLNAME"))->AsString().trimmed().isEmpty()) {
        Services::messages()->error(QStringLiteral("Не введено краткое наименование"));
        edtName->setFocus();
        return false;
    }
    return true;
}

void TfrmEmployee::storeRow(bool inserting)
{
    const QVariant name = L->FieldByName(QStringLiteral("FULLNAME"))->Value();
    const QVariant team = L->FieldByName(QStringLiteral("TEAM_ID"))->Value();
    if (inserting) {
        const QVariant id =
            DMR ? DMR->GetNextNo(QStringLiteral("EMPLOYEE_ID"), QStringLiteral("ZOLT.EMPLOYEE")) : QVariant(0);
        execCommand(EmployeeInsertStatement(),
                    { { QStringLiteral("P_EMPLOYEE_ID"), id },
                      { QStringLiteral("P_TEAM_ID"), team },
                      { QStringLiteral("P_FULLNAME"), name } });
    } else {
        execCommand(EmployeeUpdateStatement(),
                    { { QStringLiteral("P_EMPLOYEE_ID"), L->FieldByName(QStringLiteral("EMPLOYEE_ID"))->Value() },
                      { QStringLiteral("P_TEAM_ID"), team },
                      { QStringLiteral("P_FULLNAME"), name } });
    }
    m_teams->Close();
}

void TfrmEmployee::deleteRow()
{
    execCommand(EmployeeDeleteStatement(),
                { { QStringLiteral("P_EMPLOYEE_ID"), L->FieldByName(QStringLiteral("EMPLOYEE_ID"))->Value() } });
}

bool executeEmployeeGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmEmployee, initKey, mode, outKey);
}
