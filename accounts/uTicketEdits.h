#pragma once

#include <QStringList>
#include <QVariant>

class QAction;
class QFormLayout;
class QLabel;
class QObject;
class QPlainTextEdit;
class QToolButton;
class QWidget;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TDataSet;
class TDataSource;
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

// The customer shown read-only and the ticket's own edits, as both edit pages lay them out; the windows inherit
// them, so that the edits stay their members by name.
struct TTicketEdits
{
    QLabel *lblAccountNo = nullptr;
    QLabel *lblFIO = nullptr;
    QLabel *lblAddress = nullptr;
    QLabel *lblPhone = nullptr;
    TDBDateTimeEditEh *dtpTicketDate = nullptr;
    TDBDateTimeEditEh *dtpPlanDate = nullptr;
    TDBComboBoxEh *cbTimeStart = nullptr;
    TDBComboBoxEh *cbTimeEnd = nullptr;
    QPlainTextEdit *memNotice = nullptr;
    TDBLookupComboboxEh *lcbTeam = nullptr;
    QToolButton *btnSelectTeam = nullptr;
};

// The planned times as an edit page can store them: a time missing or cut short is shown, its edit takes the
// focus, and the answer is false.
bool CheckPlanTimes(const TTicketEdits &edits);
// What the page shows of a ticket (the record's dates and team, the state, the times and the notice), to tell
// whether the user changed anything since the page was filled. The record's edits are taken in first.
QStringList TicketPageValues(const TTicketEdits &edits, TDataSet *record, int state);

// Makes the edits into `edits` on `page`, bound to the temporary record `record` shows and offering the teams of
// `teamList`; the dates and the team carry the "Tag"s the Return key walks and have `keyFilter` installed.
void CreateTicketEdits(TTicketEdits &edits, QWidget *page, QObject *keyFilter, TDataSource *record, TDataSet *teamList,
    QAction *selectTeam);
// The rows of the edits: the customer, the dates with the planned times, the notice and the team.
QFormLayout *TicketEditsForm(const TTicketEdits &edits, QWidget *page);

// Every field team by name (TEAM_ID, TEAM_NAME), on the database module's connection.
TKyv_ADODataSet *CreateTeamList(QObject *owner, const QString &name);

// Picks a team into the record's TEAM_ID through the teams guide in pick mode: nothing unless the record is being
// edited; the key is taken only when it differs and the team exists. The team list is read again afterwards, so
// that teams added in the guide appear.
void SelectTeamInto(TDataSet *record, TDataSet *teamList);

// Return moves the focus on from a control whose "Tag" lies in one of the ranges, when the setting enterToTab is
// on; answers whether the key was taken. Installed by the windows' key filters.
bool EnterMovesFocus(QWidget *window, QWidget *focused, int key, std::initializer_list<std::pair<int, int>> tags);
