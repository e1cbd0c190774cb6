#include "frmuCustomerTicket.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uLog.h"
#include "uTicketEdits.h"
#include "uTickets.h"
#include "uWindowActions.h"
#include "uPaymentWindows.h"

#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString text(TDataSet *ds, const char *field)
{
    return ds->FieldByName(QString::fromLatin1(field))->AsString();
}


} // namespace

TfrmCustomerTicket::TfrmCustomerTicket(const QVariant &customerId, QWidget *parent)
    : TfrmKyvModal(parent)
    , m_customerId(customerId)
{
    setObjectName(QStringLiteral("frmCustomerTicket"));
    setWindowTitle(QStringLiteral("Новая заявка"));

    mdTempDataSet = CreateTicketTempDataSet(this);
    mdTempDataSet->OnNewRecord.add([this](TDataSet *) { TempNewRecord(); });
    dsTempDataSet = new TDataSource(this);
    dsTempDataSet->setObjectName(QStringLiteral("dsTempDataSet"));
    dsTempDataSet->SetDataSet(mdTempDataSet);
    dsTempDataSet->OnDataChange = [this](TDataSource *, TField *field) {
        guard([this, field] {
            if (!field || field->FieldName() == QLatin1String("PLAN_DATE"))
                PlanDateChanged();
            if (!field || field->FieldName() == QLatin1String("TICKET_STATUS_ID"))
                ShowState();
        });
    };

    odsCustomer = new TKyv_ADODataSet(this);
    odsCustomer->setObjectName(QStringLiteral("odsCustomer"));
    odsCustomer->SetCommandText(TicketCustomerCommandText());
    odsTeam = CreateTeamList(this, QStringLiteral("odsTeam"));
    odsPlanedTickets = new TKyv_ADODataSet(this);
    odsPlanedTickets->setObjectName(QStringLiteral("odsPlanedTickets"));
    odsPlanedTickets->SetCommandText(PlannedTicketsCommandText());
    if (DMR)
        for (TKyv_ADODataSet *ds : { odsCustomer, odsPlanedTickets })
            ds->SetConnection(DMR->dbConnection());

    auto make = [this](QAction *&action, const char *name, const QString &caption, std::function<void()> run) {
        action = AddWindowAction(this, name, caption, QString(), std::move(run));
    };
    make(actApply, "actApply", QStringLiteral("Добавить"), [this] { actApplyExecute(); });
    make(actCancel, "actCancel", QStringLiteral("Отмена"), [this] {
        m_discarding = true;
        reject();
    });
    make(actSelectTeam, "actSelectTeam", QStringLiteral("..."), [this] { SelectTeamInto(mdTempDataSet, odsTeam); });
    actSelectTeam->setToolTip(QStringLiteral("Справочник бригад"));

    CreateEdits();
}

TfrmCustomerTicket::~TfrmCustomerTicket() = default;

void TfrmCustomerTicket::CreateEdits()
{
    CreateTicketEdits(*this, this, this, dsTempDataSet, odsTeam, actSelectTeam);
    dtpTicketDate->SetEditFormat(QStringLiteral("dd.MM.yyyy"));
    rbPlan = new QRadioButton(QStringLiteral("План"), this);
    rbPlan->setObjectName(QStringLiteral("rbPlan"));
    rbInWork = new QRadioButton(QStringLiteral("В работе"), this);
    rbInWork->setObjectName(QStringLiteral("rbInWork"));
    for (QRadioButton *rb : { rbPlan, rbInWork })
        connect(rb, &QRadioButton::toggled, this, guarded([this, rb](bool on) {
            if (!on || m_showingState || !mdTempDataSet->Active())
                return;
            if (mdTempDataSet->State() != dsEdit && mdTempDataSet->State() != dsInsert)
                mdTempDataSet->Edit();
            mdTempDataSet->FieldByName(QStringLiteral("TICKET_STATUS_ID"))->SetValue(rb == rbPlan ? tsPlan : tsInProgress);
        }));

    dbgPlanedTickets = new TKyv_DBGridEh(this);
    dbgPlanedTickets->setObjectName(QStringLiteral("dbgPlanedTickets"));
    dbgPlanedTickets->SetReadOnly(true);
    auto *dsPlanedTickets = new TDataSource(this);
    dsPlanedTickets->setObjectName(QStringLiteral("dsPlanedTickets"));
    dsPlanedTickets->SetDataSet(odsPlanedTickets);
    dbgPlanedTickets->SetDataSource(dsPlanedTickets);
    AddGridColumn(dbgPlanedTickets, "PLAN_DATE", QStringLiteral("План"), 70, false);
    AddGridColumn(dbgPlanedTickets, "PLAN_TIME_START", QStringLiteral("время с:"), 50, false);
    AddGridColumn(dbgPlanedTickets, "PLAN_TIME_END", QStringLiteral("по:"), 50, false);
    AddGridColumn(dbgPlanedTickets, "NOTICE", QStringLiteral("Описание заявки"), 200, false);
    AddGridColumn(dbgPlanedTickets, "RO_ADDRESS", QStringLiteral("Адрес"), 160, false);
    AddGridColumn(dbgPlanedTickets, "RO_LOCATION_NAME", QStringLiteral("Город"), 90, false);

    btnApply = new QPushButton(QStringLiteral("Добавить"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    connect(btnApply, &QPushButton::clicked, actApply, &QAction::trigger);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, actCancel, &QAction::trigger);

    QFormLayout *form = TicketEditsForm(*this, this);
    auto *state = new QHBoxLayout;
    state->addWidget(rbPlan);
    state->addWidget(rbInWork);
    state->addStretch();
    form->addRow(QString(), state);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("Текущие заявки"), this));
    layout->addWidget(dbgPlanedTickets, 1);
    resize(640, 560);
}

void TfrmCustomerTicket::OpenDataSets()
{
    FillPlanTimes(cbTimeStart, QStringLiteral("odsPlanTimeStartLookup"), QStringLiteral("START_TIME"));
    FillPlanTimes(cbTimeEnd, QStringLiteral("odsPlanTimeEndLookup"), QStringLiteral("END_TIME"));
    odsTeam->Open();
    odsCustomer->Close();
    odsCustomer->Params().ParamByName(QStringLiteral("P_CUSTOMER_ID")).SetValue(m_customerId);
    odsCustomer->Open();
    ShowCustomer();
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    m_startValues = PageValues();
}

void TfrmCustomerTicket::CloseDataSets()
{
    for (TDataSet *ds : std::initializer_list<TDataSet *> { mdTempDataSet, odsPlanedTickets, odsTeam, odsCustomer })
        ds->Close();
}

void TfrmCustomerTicket::ShowCustomer()
{
    if (odsCustomer->IsEmpty())
        return;
    lblAccountNo->setText(text(odsCustomer, "ACCOUNT_NO"));
    lblFIO->setText(QStringList { text(odsCustomer, "SURNAME"), text(odsCustomer, "FIRSTNAME"),
        text(odsCustomer, "MIDLENAME") }.join(QLatin1Char(' ')).simplified());
    lblAddress->setText(QStringList { text(odsCustomer, "STREET_NAME"), text(odsCustomer, "HOUSE_NO"),
        text(odsCustomer, "FLAT_NO") }.join(QLatin1Char(' ')).simplified());
    lblPhone->setText(text(odsCustomer, "PHONE_NO"));
}

void TfrmCustomerTicket::TempNewRecord()
{
    const QVariant workDate = DM ? DM->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Value() : QVariant();
    const TNewTicketDefaults d = NewTicketDefaults(workDate);
    mdTempDataSet->FieldByName(QStringLiteral("TICKET_DATE"))->SetValue(QDateTime(d.ticketDate, QTime(0, 0)));
    mdTempDataSet->FieldByName(QStringLiteral("PLAN_DATE"))->SetValue(QDateTime(d.planDate, QTime(0, 0)));
    mdTempDataSet->FieldByName(QStringLiteral("TICKET_STATUS_ID"))->SetValue(d.statusId);
    mdTempDataSet->FieldByName(QStringLiteral("TEAM_ID"))->SetValue(d.teamId);
}

void TfrmCustomerTicket::PlanDateChanged()
{
    if (!mdTempDataSet->Active())
        return;
    const QVariant v = mdTempDataSet->FieldByName(QStringLiteral("PLAN_DATE"))->Value();
    const QDate day = isNullValue(v) ? QDate() : v.toDateTime().date();
    if (day == m_plannedFrom && odsPlanedTickets->Active())
        return;
    if (!day.isValid()) {
        odsPlanedTickets->Close();
        return;
    }
    m_plannedFrom = day;
    odsPlanedTickets->Close();
    odsPlanedTickets->Params().ParamByName(QStringLiteral("P_PLAN_DATE")).SetValue(day);
    odsPlanedTickets->Open();
}

void TfrmCustomerTicket::ShowState()
{
    if (!mdTempDataSet->Active())
        return;
    const int state = mdTempDataSet->FieldByName(QStringLiteral("TICKET_STATUS_ID"))->AsInteger();
    m_showingState = true;
    rbPlan->setChecked(state == tsPlan);
    rbInWork->setChecked(state == tsInProgress);
    m_showingState = false;
}

QStringList TfrmCustomerTicket::PageValues()
{
    return TicketPageValues(
        *this, mdTempDataSet, mdTempDataSet->FieldByName(QStringLiteral("TICKET_STATUS_ID"))->AsInteger());
}

bool TfrmCustomerTicket::StoreTicket()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    auto field = [this](const char *name) { return mdTempDataSet->FieldByName(QString::fromLatin1(name)); };
    int ticketId = 0;
    return DMR
        && DMR->newCustomerTicket(m_customerId.toInt(), field("TEAM_ID")->AsInteger(), ticketId,
            PlanTimeText(cbTimeEnd), PlanTimeText(cbTimeStart), memNotice->toPlainText(),
            field("PLAN_DATE")->Value().toDateTime().date(), field("TICKET_DATE")->Value().toDateTime().date(),
            field("TICKET_STATUS_ID")->AsInteger());
}

void TfrmCustomerTicket::actApplyExecute()
{
    if (CheckPlanTimes(*this))
        done(StoreTicket() ? QDialog::Accepted : QDialog::Rejected);
}

void TfrmCustomerTicket::reject()
{
    const bool asked = !m_discarding && mdTempDataSet->Active() && PageValues() != m_startValues;
    m_discarding = false;
    if (!asked) {
        TfrmKyvModal::reject();
        return;
    }
    bool stored = false;
    const bool closing = CloseWithUnsavedEdits(
        [this, &stored] {
            if (!CheckPlanTimes(*this))
                return false;
            stored = StoreTicket();
            if (!stored)
                Services::messages()->warning(QStringLiteral("Заявка не сохранена: база данных отклонила её."));
            return stored;
        },
        [] {});
    if (!closing)
        return;
    if (stored)
        done(QDialog::Accepted);
    else
        TfrmKyvModal::reject();
}

void TfrmCustomerTicket::changeEvent(QEvent *event)
{
    TfrmKyvModal::changeEvent(event);
    MinimiseProgramWith(this, event);
}

bool TfrmCustomerTicket::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && EnterMovesFocus(this, static_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event)->key(), { { 1, 4 } }))
        return true;
    return TfrmKyvModal::eventFilter(watched, event);
}

bool executeCustomerTicket(const QVariant &customerId, QWidget *parent)
{
    TfrmCustomerTicket dialog(customerId, parent);
    bool stored = false;
    guard([&] {
        dialog.OpenDataSets();
        stored = dialog.exec() == QDialog::Accepted;
    });
    guard([&] { dialog.CloseDataSets(); });
    return stored;
}
