#include "uTicketEdits.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuRDM.h"
#include "frmuGuide.h"
#include "frmuTeam.h"
#include "uGuideStatements.h"
#include "uSettings.h"
#include "uTickets.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
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

void CreateTicketEdits(TTicketEdits &e, QWidget *page, QObject *keyFilter, TDataSource *record, TDataSet *teamList,
    QAction *selectTeam)
{
    auto label = [page](const char *name) {
        auto *l = new QLabel(page);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    e.lblAccountNo = label("lblAccountNo");
    e.lblFIO = label("lblFIO");
    e.lblAddress = label("lblAddress");
    e.lblPhone = label("lblPhone");
    auto dateEdit = [page, keyFilter, record](const char *name, const char *field) {
        auto *d = new TDBDateTimeEditEh(page);
        d->setObjectName(QString::fromLatin1(name));
        d->SetDataSource(record);
        d->SetDataField(QString::fromLatin1(field));
        d->setProperty("Tag", 1);
        d->installEventFilter(keyFilter);
        return d;
    };
    e.dtpTicketDate = dateEdit("dtpTicketDate", "TICKET_DATE");
    e.dtpPlanDate = dateEdit("dtpPlanDate", "PLAN_DATE");
    e.cbTimeStart = CreatePlanTimeEdit(page, QStringLiteral("cbTimeStart"));
    e.cbTimeEnd = CreatePlanTimeEdit(page, QStringLiteral("cbTimeEnd"));
    e.memNotice = new QPlainTextEdit(page);
    e.memNotice->setObjectName(QStringLiteral("memNotice"));
    e.lcbTeam = new TDBLookupComboboxEh(page);
    e.lcbTeam->setObjectName(QStringLiteral("lcbTeam"));
    e.lcbTeam->setProperty("Tag", 2);
    e.lcbTeam->installEventFilter(keyFilter);
    auto *dsTeam = new TDataSource(page);
    dsTeam->setObjectName(QStringLiteral("dsTeam"));
    dsTeam->SetDataSet(teamList);
    e.lcbTeam->SetDataSource(record);
    e.lcbTeam->SetDataField(QStringLiteral("TEAM_ID"));
    e.lcbTeam->SetListSource(dsTeam);
    e.lcbTeam->SetKeyField(QStringLiteral("TEAM_ID"));
    e.lcbTeam->SetListField(QStringLiteral("TEAM_NAME"));
    e.btnSelectTeam = new QToolButton(page);
    e.btnSelectTeam->setObjectName(QStringLiteral("btnSelectTeam"));
    e.btnSelectTeam->setDefaultAction(selectTeam);
}

bool CheckPlanTimes(const TTicketEdits &e)
{
    for (const auto &[edit, caption] :
        { std::pair { e.cbTimeStart, QStringLiteral("с:") }, std::pair { e.cbTimeEnd, QStringLiteral("по:") } }) {
        const QString error = PlanTimeError(caption, PlanTimeText(edit));
        if (error.isEmpty())
            continue;
        Services::messages()->error(error);
        if (edit->isVisible() && edit->isEnabled())
            edit->setFocus();
        return false;
    }
    return true;
}

QStringList TicketPageValues(const TTicketEdits &e, TDataSet *record, int state)
{
    QStringList values;
    if (record->State() == dsEdit || record->State() == dsInsert)
        record->UpdateRecord();
    for (const char *name : { "TICKET_DATE", "PLAN_DATE", "TEAM_ID" })
        values << record->FieldByName(QString::fromLatin1(name))->AsString();
    return values << QString::number(state) << PlanTimeText(e.cbTimeStart) << PlanTimeText(e.cbTimeEnd)
                  << e.memNotice->toPlainText();
}

QFormLayout *TicketEditsForm(const TTicketEdits &e, QWidget *page)
{
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Лиц.счет"), e.lblAccountNo);
    form->addRow(QStringLiteral("ФИО"), e.lblFIO);
    form->addRow(QStringLiteral("Адрес"), e.lblAddress);
    form->addRow(QStringLiteral("Телефон"), e.lblPhone);
    form->addRow(QStringLiteral("Дата"), e.dtpTicketDate);
    auto *plan = new QHBoxLayout;
    plan->addWidget(e.dtpPlanDate);
    plan->addWidget(new QLabel(QStringLiteral("с:"), page));
    plan->addWidget(e.cbTimeStart);
    plan->addWidget(new QLabel(QStringLiteral("по:"), page));
    plan->addWidget(e.cbTimeEnd);
    form->addRow(QStringLiteral("Плановая дата"), plan);
    form->addRow(QStringLiteral("Описание заявки"), e.memNotice);
    auto *team = new QHBoxLayout;
    team->addWidget(e.lcbTeam, 1);
    team->addWidget(e.btnSelectTeam);
    form->addRow(QStringLiteral("Исполнители"), team);
    return form;
}

TKyv_ADODataSet *CreateTeamList(QObject *owner, const QString &name)
{
    auto *teams = new TKyv_ADODataSet(owner);
    teams->setObjectName(name);
    if (DMR)
        teams->SetConnection(DMR->dbConnection());
    teams->SetCommandText(TeamLookupStatement());
    return teams;
}

void SelectTeamInto(TDataSet *record, TDataSet *teamList)
{
    PickGuideKey(record, QStringLiteral("TEAM_ID"), [](const QVariant &initKey, int mode, QVariant &outKey) {
        const bool ok = executeTeamGuide(initKey, mode, outKey);
        // A team removed meanwhile by another user is not taken.
        if (!isNullValue(outKey) && !(DMR && DMR->TeamExists(outKey.toInt())))
            outKey = QVariant();
        return ok;
    }, teamList);
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
