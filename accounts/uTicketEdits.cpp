#include "uTicketEdits.h"

#include "DBCtrlsEh.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuCust.h"
#include "dmuRDM.h"
#include "uLog.h"
#include "uSettings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

TMemTable *CreateTicketTempDataSet(QObject *owner)
{
    auto *temp = new TMemTable(owner);
    temp->setObjectName(QStringLiteral("mdTempDataSet"));
    TFieldDefs &defs = temp->FieldDefs();
    defs.Add(QStringLiteral("TICKET_DATE"), ftDate);
    defs.Add(QStringLiteral("PLAN_DATE"), ftDate);
    defs.Add(QStringLiteral("NOTICE"), ftString, 255);
    defs.Add(QStringLiteral("TICKET_STATUS_ID"), ftInteger);
    defs.Add(QStringLiteral("TEAM_ID"), ftInteger);
    return temp;
}

TDBComboBoxEh *CreatePlanTimeEdit(QWidget *parent, const QString &name)
{
    auto *edit = new TDBComboBoxEh(parent);
    edit->setObjectName(name);
    edit->SetEditMask(QStringLiteral("!90:00;1;_"));
    return edit;
}

void FillPlanTimes(TDBComboBoxEh *edit, const QString &lookupName, const QString &field)
{
    TDataSet *slotList = custDM ? custDM->ServerDataSet(lookupName) : nullptr;
    if (!slotList)
        return;
    if (!slotList->Active())
        slotList->Open();
    QStringList items;
    for (slotList->First(); !slotList->Eof(); slotList->Next())
        items << slotList->FieldByName(field)->AsString();
    const QString kept = edit->EditText();
    edit->SetItems(items);
    edit->SetEditText(kept);
}

QString PlanTimeText(TDBComboBoxEh *edit)
{
    return edit->Text();
}

void SetPlanTimeText(TDBComboBoxEh *edit, const QVariant &value)
{
    edit->SetText(isNullValue(value) ? QString() : value.toString());
}

TKyv_ADODataSet *CreateTeamList(QObject *owner, const QString &name)
{
    auto *teams = new TKyv_ADODataSet(owner);
    teams->setObjectName(name);
    if (DMR)
        teams->SetConnection(DMR->dbConnection());
    teams->SetCommandText(QStringLiteral("select TEAM_ID, TEAM_NAME from ZOLT.TEAM order by TEAM_NAME"));
    return teams;
}

void SelectTeamInto(TDataSet *record, TDataSet *teamList)
{
    if (!record || (record->State() != dsEdit && record->State() != dsInsert))
        return;
    // The teams guide is not part of this build yet; the team is chosen from the drop-down meanwhile.
    LogDebug(QStringLiteral("actSelectTeam: the teams guide is not available"));
    if (teamList) {
        teamList->Close();
        teamList->Open();
    }
}

bool EnterMovesFocus(QWidget *window, QWidget *focused, int key, std::initializer_list<std::pair<int, int>> tags)
{
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !AppSettings().enterToTab || !focused)
        return false;
    const int tag = focused->property("Tag").toInt();
    bool inRange = false;
    for (const auto &[low, high] : tags)
        inRange = inRange || (tag >= low && tag <= high);
    if (!inRange)
        return false;
    QPointer<QWidget> target(window);
    QTimer::singleShot(0, window, [target] {
        if (!target)
            return;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(target, &tab);
    });
    return true;
}
