#pragma once

#include <QVariant>

class QObject;
class QWidget;
class TDBComboBoxEh;
class TDataSet;
class TKyv_ADODataSet;
class TMemTable;

// The pieces of the edit pages that the new-ticket dialog and the tickets window share.

// The temporary record an edit page works on: TICKET_DATE, PLAN_DATE, NOTICE, TICKET_STATUS_ID, TEAM_ID. The
// planned times are read from their edits, not from the record.
TMemTable *CreateTicketTempDataSet(QObject *owner);

// A planned time: two digits, a colon, two digits; any time may be typed, the drop-down offers the slots.
TDBComboBoxEh *CreatePlanTimeEdit(QWidget *parent, const QString &name);
// Offers the `field` of every row of the slot list (custDM's odsPlanTimeStartLookup or odsPlanTimeEndLookup),
// opening it when it is closed.
void FillPlanTimes(TDBComboBoxEh *edit, const QString &lookupName, const QString &field);
// The time as shown: "10:30", or the blanks' places kept empty (":").
QString PlanTimeText(TDBComboBoxEh *edit);
void SetPlanTimeText(TDBComboBoxEh *edit, const QVariant &value);

// Every field team by name (TEAM_ID, TEAM_NAME), on the database module's connection.
TKyv_ADODataSet *CreateTeamList(QObject *owner, const QString &name);

// Picks a team into the record's TEAM_ID through the teams guide in pick mode: nothing unless the record is being
// edited; the key is taken only when it differs and the team exists. The team list is read again afterwards, so
// that teams added in the guide appear.
void SelectTeamInto(TDataSet *record, TDataSet *teamList);

// Return moves the focus on from a control whose "Tag" lies in one of the ranges, when the setting enterToTab is
// on; answers whether the key was taken. Installed by the windows' key filters.
bool EnterMovesFocus(QWidget *window, QWidget *focused, int key, std::initializer_list<std::pair<int, int>> tags);
