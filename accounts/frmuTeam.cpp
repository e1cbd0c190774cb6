#include "frmuTeam.h"

#include "DBCtrlsEh.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuRDM.h"
#include "uGuideStatements.h"

TfrmTeam *frmTeam = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmTeam";
    s.caption = QStringLiteral("\"Бригады\"  (справочник)");
    s.placementPath = QStringLiteral("frmArea\\");
    s.helpContext = 5560;
    s.keyField = QStringLiteral("TEAM_ID");
    s.nameField = QStringLiteral("TEAM_NAME");
    s.table = QStringLiteral("ZOLT.TEAM");
    s.hasSearch = false;
    s.locateOnOpen = false;
    return s;
}

} // namespace

TfrmTeam::TfrmTeam(QWidget *parent)
    : TfrmCommandGuide(guideSpec(), parent)
{
    setList(makeServerList("odsTeam", TeamListStatement()),
            QStringLiteral("frmTeam.odsTeam"));
    addColumn("TEAM_NAME", QStringLiteral("Наименование"), 250);
    edtName = addEdit("edtName", QStringLiteral("Наименование"), "TEAM_NAME", 1);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("TEAM_ID"), QStringLiteral("EMPLOYEE"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на сотрудников") };
}

bool TfrmTeam::validateInput()
{
    if (L->FieldByName(QStringLiteral("TEAM_NAME"))->AsString().trimmed().isEmpty()) {
        Services::messages()->error(QStringLiteral("Не введено наименование"));
        edtName->setFocus();
        return false;
    }
    return true;
}

void TfrmTeam::storeRow(bool inserting)
{
    const QVariant name = L->FieldByName(QStringLiteral("TEAM_NAME"))->Value();
    if (inserting) {
        const QVariant id = DMR ? DMR->GetNextNo(QStringLiteral("TEAM_ID"), QStringLiteral("ZOLT.TEAM")) : QVariant(0);
        execCommand(TeamInsertStatement(),
                    { { QStringLiteral("P_TEAM_ID"), id }, { QStringLiteral("P_TEAM_NAME"), name } });
        return;
    }
    execCommand(TeamUpdateStatement(),
                { { QStringLiteral("P_TEAM_ID"), L->FieldByName(QStringLiteral("TEAM_ID"))->Value() },
                  { QStringLiteral("P_TEAM_NAME"), name } });
}

void TfrmTeam::deleteRow()
{
    execCommand(TeamDeleteStatement(),
                { { QStringLiteral("P_TEAM_ID"), L->FieldByName(QStringLiteral("TEAM_ID"))->Value() } });
}

bool executeTeamGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmTeam, initKey, mode, outKey);
}
