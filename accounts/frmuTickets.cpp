#include "frmuTickets.h"

#include "ApplicationHint.h"
#include "ComponentRegistry.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "frmuMain.h"
#include "frmuPeriod.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"
#include "uTicketEdits.h"
#include "uTickets.h"
#include "uWindowActions.h"
#include "uPaymentWindows.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

TField *field(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

QDate dateOf(const QVariant &v)
{
    return isNullValue(v) ? QDate() : v.toDateTime().date();
}

} // namespace

TfrmTickets::TfrmTickets(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmTickets"));
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("HelpContext", 5100);
    if (DM)
        DM->LogUserAction(-1, QStringLiteral("Заявки"), objectName());

    odsTickets = new TKyv_ClientDataSet(this);
    odsTickets->setObjectName(QStringLiteral("odsTickets"));
    auto *server = new TKyv_ADODataSet(this);
    server->setObjectName(QStringLiteral("adsTickets"));
    if (DMR)
        server->SetConnection(DMR->dbConnection());
    auto *provider = new TDataSetProvider(this);
    provider->setObjectName(QStringLiteral("dspTickets"));
    provider->SetOptions(poAllowCommandText | poReadOnly);
    provider->SetDataSet(server);
    odsTickets->SetDataProvider(provider);
    odsTickets->SetReadOnly(true);
    dsTickets = new TDataSource(this);
    dsTickets->setObjectName(QStringLiteral("dsTickets"));
    dsTickets->SetDataSet(odsTickets);
    dsTickets->SetAutoEdit(false);
    odsTeamFilter = new TKyv_ADODataSet(this);
    odsTeamFilter->setObjectName(QStringLiteral("odsTeamFilter"));
    odsTeamFilter->SetCommandText(TeamFilterCommandText());
    if (DMR)
        odsTeamFilter->SetConnection(DMR->dbConnection());
    odsTeam = CreateTeamList(this, QStringLiteral("odsTeam"));
    mdTempDataSet = CreateTicketTempDataSet(this);
    dsTempDataSet = new TDataSource(this);
    dsTempDataSet->setObjectName(QStringLiteral("dsTempDataSet"));
    dsTempDataSet->SetDataSet(mdTempDataSet);

    CreateActions();
    CreateReports();

    pcMain = CreateListPages(this, tsList, tsEdit, "tsEdit");
    CreateListPage();
    CreateEditPage();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcMain);
    pcMain->setCurrentWidget(tsList);
    setWindowTitle(QStringLiteral("Заявки"));
    resize(900, 520);
    checkBtns();
}

TfrmTickets::~TfrmTickets() = default;

void TfrmTickets::CreateActions()
{
    auto make = [this](QAction *&action, const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) { action = MakeWindowAction(this, name, caption, key, std::move(run)); };
    make(actTicketsEdit, "actTicketsEdit", QStringLiteral("Корректировка"), QKeySequence(Qt::Key_F2),
        [this] { actTicketsEditExecute(); });
    make(actTicketsRefresh, "actTicketsRefresh", QStringLiteral("Обновить"), {}, [this] {
        if (odsTickets->State() != dsEdit && odsTickets->State() != dsInsert)
            reopenDocuments();
        checkBtns();
    });
    actTicketsRefresh->setToolTip(QStringLiteral("Перечитать данные"));
    make(actTicketsSetPeriod, "actTicketsSetPeriod", QStringLiteral("Установить период"),
        QKeySequence(Qt::CTRL | Qt::Key_D), [this] { actTicketsSetPeriodExecute(); });
    actTicketsSetPeriod->setToolTip(QStringLiteral("Установить период отбора данных"));
    make(actPeriodAll, "actPeriodAll", QStringLiteral("Все"), {}, [this] { SetPeriodPreset(0); });
    make(actPeriodToday, "actPeriodToday", QStringLiteral("Сегодня"), {}, [this] { SetPeriodPreset(1); });
    make(actPeriodYesterday, "actPeriodYesterday", QStringLiteral("Вчера"), {}, [this] { SetPeriodPreset(2); });
    make(actPeriodMonth, "actPeriodMonth", QStringLiteral("Месяц"), {}, [this] { SetPeriodPreset(3); });
    make(actPeriodYear, "actPeriodYear", QStringLiteral("Год"), {}, [this] { SetPeriodPreset(4); });
    make(actFilterSignPlan, "actFilterSignPlan", QStringLiteral("План"), {},
        [this] { FilterChanged(cbFilterSignPlan, AppSettings().filterSignPlan); });
    make(actFilterSignProgress, "actFilterSignProgress", QStringLiteral("В работе"), {},
        [this] { FilterChanged(cbFilterSignProgress, AppSettings().filterSignProgress); });
    make(actFilterSignDone, "actFilterSignDone", QStringLiteral("Выполнена"), {},
        [this] { FilterChanged(cbFilterSignDone, AppSettings().filterSignDone); });
    make(actFilterSignCancel, "actFilterSignCancel", QStringLiteral("Отмена"), {},
        [this] { FilterChanged(cbFilterSignCancel, AppSettings().filterSignCancel); });
    make(actTicketsBrowseMode, "actTicketsBrowseMode", QStringLiteral("Список документов"),
        QKeySequence(Qt::Key_Escape), [this] { actTicketsBrowseModeExecute(); });
    make(actApply, "actApply", QStringLiteral("Сохранить"), {}, [this] { actApplyExecute(); });
    make(actSelectTeam, "actSelectTeam", QStringLiteral("..."), {}, [this] { SelectTeamInto(mdTempDataSet, odsTeam); });
    actSelectTeam->setToolTip(QStringLiteral("Выбор бригады из справочника"));
    make(actReportTickets, "actReportTickets", QStringLiteral("Печать списка"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { PrintReport(QStringLiteral("Tickets.frf"), false, true); });
    actReportTickets->setToolTip(QStringLiteral("Просмотр / печать списка заявок"));
    make(actReportDesign, "actReportDesign", QStringLiteral("Дизайнер"), {},
        [this] { PrintReport(QStringLiteral("Tickets.frf"), true, true); });
    actReportDesign->setToolTip(QStringLiteral("Дизайнер списка заявок"));
    make(actPrintTicket, "actPrintTicket", QStringLiteral("Печать наряда-заявки"), {},
        [this] { PrintReport(QStringLiteral("Ticket.frf"), false, false); });
    make(actPrintTickets, "actPrintTickets", QStringLiteral("Печать наряда-заявки"), {},
        [this] { PrintReport(QStringLiteral("Ticket.frf"), false, true); });
    actPrintTickets->setToolTip(QStringLiteral("Печать всех нарядов-заявок"));
    make(actDesignTicket, "actDesignTicket", QStringLiteral("Дизайн наряда-заявки"), {},
        [this] { PrintReport(QStringLiteral("Ticket.frf"), true, false); });

    // Shown for the list's tool bar and menus but without behaviour: tickets are made only from the customer card
    // and never deleted.
    const std::pair<const char *, const char *> idle[] = { { "actTicketsNew", "Новый документ" },
        { "actTicketsDel", "Удалить документ" }, { "actTicketsEditMode", "Раскрыть документ" },
        { "actTicketsSave", "Сохранить" }, { "actTicketsCancel", "Отменить" }, { "actTicketsSearch", "Поиск" },
        { "actClose", "Закрыть" }, { "actPaySourceFilter", "Источник" }, { "actCheckCustomersInDebt", "Должники" },
        { "actCancel", "Отмена" } };
    for (const auto &[name, caption] : idle) {
        QAction *a = nullptr;
        make(a, name, QString::fromUtf8(caption), {}, {});
        a->setEnabled(false);
    }
}

void TfrmTickets::CreateReports()
{
    frTickets = new TfrReport(this);
    frTickets->setObjectName(QStringLiteral("frTickets"));
    frDBDataSetodsTickets = new TfrDBDataSet(this);
    frDBDataSetodsTickets->setObjectName(QStringLiteral("frDBDataSetodsTickets"));
    frDBDataSetodsTickets->SetDataSet(odsTickets);
    frDBDataSetTicket = new TfrDBDataSet(this);
    frDBDataSetTicket->setObjectName(QStringLiteral("frDBDataSetTicket"));
    frDBDataSetTicket->SetDataSet(odsTickets);
    frTickets->OnBeforePrint = [this](QStringList &memo, TfrView *view) {
        if (view && view->Name.compare(QLatin1String("frmemoPeriod"), Qt::CaseInsensitive) == 0)
            memo = QStringList { m_periodCaption };
    };
    ComponentRegistry &registry = ComponentRegistry::instance();
    registry.registerOwner(this);
    for (QObject *c : std::initializer_list<QObject *> { odsTickets, frTickets, frDBDataSetodsTickets, frDBDataSetTicket })
        registry.registerComponent(this, c, c->objectName());
}

void TfrmTickets::CreateListPage()
{
    auto *toolBar = new QToolBar(tsList);
    toolBar->setObjectName(QStringLiteral("tbTickets"));
    auto *periodMenu = new QMenu(this);
    periodMenu->addActions({ actPeriodAll, actPeriodToday, actPeriodYesterday, actPeriodMonth, actPeriodYear });
    actTicketsSetPeriod->setMenu(periodMenu);
    toolBar->addActions({ actTicketsEdit, actTicketsRefresh, actTicketsSetPeriod });
    toolBar->addSeparator();
    toolBar->addActions({ actReportTickets, actPrintTicket, actPrintTickets });

    auto box = [this](QCheckBox *&cb, const char *name, QAction *action) {
        cb = new QCheckBox(action->text(), tsList);
        cb->setObjectName(QString::fromLatin1(name));
        connect(cb, &QCheckBox::toggled, action, [action] { action->trigger(); });
    };
    box(cbFilterSignPlan, "cbFilterSignPlan", actFilterSignPlan);
    box(cbFilterSignProgress, "cbFilterSignProgress", actFilterSignProgress);
    box(cbFilterSignDone, "cbFilterSignDone", actFilterSignDone);
    box(cbFilterSignCancel, "cbFilterSignCancel", actFilterSignCancel);

    lcbTeamFilter = new TDBLookupComboboxEh(tsList);
    lcbTeamFilter->setObjectName(QStringLiteral("lcbTeamFilter"));
    auto *dsTempCFG = new TDataSource(this);
    dsTempCFG->setObjectName(QStringLiteral("dsTempCFG"));
    if (DM)
        dsTempCFG->SetDataSet(DM->mdTempCFG());
    auto *dsTeamFilter = new TDataSource(this);
    dsTeamFilter->setObjectName(QStringLiteral("dsTeamFilter"));
    dsTeamFilter->SetDataSet(odsTeamFilter);
    lcbTeamFilter->SetDataSource(dsTempCFG);
    lcbTeamFilter->SetDataField(QStringLiteral("TEAM_ID"));
    lcbTeamFilter->SetListSource(dsTeamFilter);
    lcbTeamFilter->SetKeyField(QStringLiteral("TEAM_ID"));
    lcbTeamFilter->SetListField(QStringLiteral("TEAM_NAME"));
    dsTempCFG->OnDataChange = [this](TDataSource *, TField *changed) {
        if (changed && changed->FieldName().compare(QLatin1String("TEAM_ID"), Qt::CaseInsensitive) == 0)
            guard([this] { TeamFilterChanged(); });
    };

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Сегмент:"), tsList));
    for (QCheckBox *cb : { cbFilterSignPlan, cbFilterSignProgress, cbFilterSignDone, cbFilterSignCancel })
        filters->addWidget(cb);
    filters->addSpacing(16);
    filters->addWidget(new QLabel(QStringLiteral("Исполнители:"), tsList));
    filters->addWidget(lcbTeamFilter, 1);

    lblPeriod = new QLabel(tsList);
    lblPeriod->setObjectName(QStringLiteral("lblPeriod"));

    dbgTickets = new TKyv_DBGridEh(tsList);
    dbgTickets->setObjectName(QStringLiteral("dbgTickets"));
    dbgTickets->SetReadOnly(true);
    dbgTickets->SetUseMultiTitle(true);
    dbgTickets->SetOptions(dbgTickets->Options() | dgRowSelect);
    dbgTickets->SetOptionsEh(dbgTickets->OptionsEh() | dghAutoSortMarking);
    dbgTickets->SetDataSource(dsTickets);
    dbgTickets->OnSortMarkingChanged = [](TCustomDBGridEh *grid) { SortByMarkers(grid); };
    // A double click opens the edit page even on an empty list, where the edit action may be disabled.
    dbgTickets->OnDblClick = [this](TCustomDBGridEh *) { guard([this] { actTicketsEditExecute(); }); };
    const std::tuple<const char *, const char *, int> columns[] = { { "TICKET_NO", "Заявка|№", 36 },
        { "TICKET_DATE", "Заявка|Дата", 78 }, { "TICKET_STATUS", "Заявка|Статус", 76 },
        { "PLAN_DATE", "План|Дата", 78 }, { "PLAN_TIME_START", "План|С", 42 }, { "PLAN_TIME_END", "План|По", 42 },
        { "NOTICE", "Описание заявки", 170 }, { "RO_ADDRESS", "Адрес", 140 }, { "ACCOUNT_NO", "Абонент|Л.С.", 50 },
        { "FIO", "Абонент|ФИО", 90 }, { "PHONE_NO", "Абонент|Телефон", 70 }, { "RO_TEAM_NAME", "Исполнители", 100 } };
    for (const auto &[name, title, width] : columns)
        AddGridColumn(dbgTickets, name, QString::fromUtf8(title), width);

    auto *layout = new QVBoxLayout(tsList);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addLayout(filters);
    layout->addWidget(lblPeriod);
    layout->addWidget(dbgTickets, 1);
}

void TfrmTickets::CreateEditPage()
{
    CreateTicketEdits(*this, tsEdit, this, dsTempDataSet, odsTeam, actSelectTeam);

    auto *state = new QGroupBox(QStringLiteral(" Статус "), tsEdit);
    state->setObjectName(QStringLiteral("gbStatus"));
    auto *stateLayout = new QHBoxLayout(state);
    auto radio = [state, stateLayout](QRadioButton *&rb, const char *name, const QString &caption, int id) {
        rb = new QRadioButton(caption, state);
        rb->setObjectName(QString::fromLatin1(name));
        rb->setProperty("StateId", id);
        stateLayout->addWidget(rb);
    };
    radio(rbCancel, "rbCancel", QStringLiteral("Отмена"), tsCancelled);
    radio(rbPlan, "rbPlan", QStringLiteral("План"), tsPlan);
    radio(rbInWork, "rbInWork", QStringLiteral("В работе"), tsInProgress);
    radio(rbDone, "rbDone", QStringLiteral("Выполнена"), tsDone);

    btnSave = new QPushButton(QStringLiteral("Сохранить"), tsEdit);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    connect(btnSave, &QPushButton::clicked, actApply, &QAction::trigger);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), tsEdit);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, guarded([this](bool) { CancelClick(); }));

    QFormLayout *form = TicketEditsForm(*this, tsEdit);
    form->addRow(state);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(tsEdit);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addStretch();
}

bool TfrmTickets::ListHasRows() const
{
    return odsTickets->Active() && !odsTickets->IsEmpty();
}

void TfrmTickets::RunQuery()
{
    m_loading = true;
    struct Loaded
    {
        bool &flag;
        ~Loaded() { flag = false; }
    } loaded { m_loading };
    const TAppSettings &s = AppSettings();
    cbFilterSignPlan->setChecked(s.filterSignPlan);
    cbFilterSignProgress->setChecked(s.filterSignProgress);
    cbFilterSignDone->setChecked(s.filterSignDone);
    cbFilterSignCancel->setChecked(s.filterSignCancel);
    if (DM) {
        TMemTable *cfg = DM->mdTempCFG();
        if (!cfg->Active()) {
            cfg->Open();
            cfg->Append();
        }
        if (cfg->State() != dsEdit && cfg->State() != dsInsert)
            cfg->Edit();
        field(cfg, "TEAM_ID")->SetValue(s.teamFilterId);
    }
    odsTeamFilter->Close();
    odsTeamFilter->Open();
    m_loading = false;
    reopenDocuments();
}

void TfrmTickets::reopenDocuments()
{
    TScreenCursorScope cursor(crHourGlass);
    struct Animation
    {
        Animation() { TellMainWindow(AMShowAnimate); }
        ~Animation()
        {
            SetApplicationHint(QString());
            TellMainWindow(AMHideAnimate);
        }
    } animation;
    m_periodCaption = ::PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo);
    odsTickets->Close();
    const TAppSettings &s = AppSettings();
    odsTickets->SetCommandText(TicketsListCommandText(
        TicketStateList(s.filterSignPlan, s.filterSignProgress, s.filterSignDone, s.filterSignCancel),
        s.teamFilterId));
    odsTickets->Params().Clear();
    odsTickets->Params().CreateParam(ftDateTime, QStringLiteral("P_DATE_FROM")).SetValue(QDateTime(SelectionPeriodFrom, QTime(0, 0)));
    odsTickets->Params().CreateParam(ftDateTime, QStringLiteral("P_DATE_TO")).SetValue(QDateTime(SelectionPeriodTo, QTime(0, 0)));
    odsTickets->Open();
    updateCapton();
}

void TfrmTickets::updateCapton()
{
    if (pcMain->currentWidget() == tsList) {
        setWindowTitle(QStringLiteral("Заявки") + QLatin1Char(' ') + m_periodCaption);
        lblPeriod->setText(m_periodCaption);
    } else if (odsTickets->State() == dsInsert) {
        setWindowTitle(QStringLiteral("Добавление новой заявки"));
    } else {
        setWindowTitle(QStringLiteral("Заявка №")
            + (ListHasRows() ? field(odsTickets, "TICKET_NO")->AsString() : QString()));
    }
    checkBtns();
}

void TfrmTickets::checkBtns()
{
    if (!odsTickets->Active())
        actTicketsEdit->setEnabled(false);
    else if (!odsTickets->IsEmpty())
        actTicketsEdit->setEnabled(true);
}

void TfrmTickets::FilterChanged(QCheckBox *box, bool &setting)
{
    if (m_loading)
        return;
    setting = box->isChecked();
    reopenDocuments();
}

void TfrmTickets::TeamFilterChanged()
{
    if (m_loading || !DM)
        return;
    AppSettings().teamFilterId = field(DM->mdTempCFG(), "TEAM_ID")->AsInteger();
    reopenDocuments();
}

void TfrmTickets::SetPeriodPreset(int kind)
{
    PeriodPreset(kind, SelectionPeriodFrom, SelectionPeriodTo);
    reopenDocuments();
    checkBtns();
}

void TfrmTickets::actTicketsSetPeriodExecute()
{
    if (executePeriodDialog(SelectionPeriodFrom, SelectionPeriodTo))
        reopenDocuments();
    checkBtns();
}

void TfrmTickets::actTicketsEditExecute()
{
    pcMain->setCurrentWidget(tsEdit);
    mdTempDataSet->Close();
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    odsTeam->Close();
    odsTeam->Open();
    const bool row = ListHasRows();
    auto value = [this, row](const char *name) { return row ? field(odsTickets, name)->Value() : QVariant(); };
    for (const char *name : { "TICKET_DATE", "PLAN_DATE", "NOTICE", "TICKET_STATUS_ID", "TEAM_ID" })
        field(mdTempDataSet, name)->SetValue(value(name));
    SetPlanTimeText(cbTimeStart, value("PLAN_TIME_START"));
    SetPlanTimeText(cbTimeEnd, value("PLAN_TIME_END"));
    memNotice->setPlainText(value("NOTICE").toString());
    const int state = value("TICKET_STATUS_ID").toInt();
    for (QRadioButton *rb : { rbCancel, rbPlan, rbInWork, rbDone })
        rb->setChecked(rb->property("StateId").toInt() == state);
    lblAccountNo->setText(value("ACCOUNT_NO").toString());
    lblFIO->setText(value("FIO").toString());
    lblAddress->setText(value("RO_ADDRESS").toString());
    lblPhone->setText(value("PHONE_NO").toString());
    FillPlanTimes(cbTimeStart, QStringLiteral("odsPlanTimeStartLookup"), QStringLiteral("START_TIME"));
    FillPlanTimes(cbTimeEnd, QStringLiteral("odsPlanTimeEndLookup"), QStringLiteral("END_TIME"));
    updateCapton();
    m_editStartValues = EditPageValues();
    if (dtpTicketDate->isEnabled())
        dtpTicketDate->setFocus();
}

int TfrmTickets::CheckedState() const
{
    for (QRadioButton *rb : { rbCancel, rbPlan, rbInWork, rbDone })
        if (rb->isChecked())
            return rb->property("StateId").toInt();
    return 0;
}

QStringList TfrmTickets::EditPageValues()
{
    return TicketPageValues(*this, mdTempDataSet, CheckedState());
}

void TfrmTickets::actApplyExecute()
{
    if (SaveTicket())
        actTicketsBrowseModeExecute();
}

bool TfrmTickets::SaveTicket()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    // An empty list opens an empty edit page: there is no ticket to change.
    if (!ListHasRows())
        return true;
    if (!CheckPlanTimes(*this))
        return false;
    const int ticketId = field(odsTickets, "TICKET_ID")->AsInteger();
    const bool stored = DMR
        && DMR->updateTicket(ticketId, memNotice->toPlainText(), field(mdTempDataSet, "TEAM_ID")->AsInteger(),
            CheckedState(), PlanTimeText(cbTimeEnd), PlanTimeText(cbTimeStart),
            dateOf(field(mdTempDataSet, "PLAN_DATE")->Value()), dateOf(field(mdTempDataSet, "TICKET_DATE")->Value()));
    if (!stored)
        // What was typed stays on the page, so that it can be corrected or dropped with "Отмена".
        Services::messages()->warning(QStringLiteral("Заявка №") + field(odsTickets, "TICKET_NO")->AsString()
            + QStringLiteral(" не сохранена: база данных отклонила изменения."));
    return stored;
}

void TfrmTickets::CancelClick()
{
    if (odsTickets->State() == dsEdit || odsTickets->State() == dsInsert)
        odsTickets->Cancel();
    actTicketsBrowseModeExecute();
}

void TfrmTickets::actTicketsBrowseModeExecute()
{
    closeEditPageDataSets();
    pcMain->setCurrentWidget(tsList);
    reopenDocuments();
}

void TfrmTickets::closeEditPageDataSets()
{
    mdTempDataSet->Close();
    odsTeam->Close();
}

void TfrmTickets::closeDataSets()
{
    closeEditPageDataSets();
    odsTickets->Close();
    odsTeamFilter->Close();
}

void TfrmTickets::PrintReport(const QString &templateName, bool design, bool allTickets)
{
    frDBDataSetTicket->RangeBegin = allTickets ? rbFirst : rbCurrent;
    frDBDataSetTicket->RangeEnd = allTickets ? reLast : reCurrent;
    if (dmReports)
        dmReports->ShowReport(frTickets, templateName, design ? TReportShow::Designer : TReportShow::MDIPreview);
}

bool TfrmTickets::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = static_cast<QWidget *>(watched);
        if (EnterMovesFocus(this, widget, key->key(), { { 1, 5 }, { 11, 15 } }))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmTickets::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event); m && m->Msg == AMRunQuery) {
        guard([this] { RunQuery(); });
        return true;
    }
    return QWidget::event(event);
}

void TfrmTickets::closeEvent(QCloseEvent *event)
{
    bool closing = true;
    if (pcMain->currentWidget() == tsEdit && ListHasRows()) {
        closing = false;
        // A save that raised keeps the page and what was typed on it.
        guard([this, &closing] {
            closing = !mdTempDataSet->Active() || EditPageValues() == m_editStartValues
                || CloseWithUnsavedEdits([this] { return SaveTicket(); }, [] {});
        });
    }
    if (!closing) {
        event->ignore();
        return;
    }
    guard([this] { closeDataSets(); });
    if (DM)
        DM->LogUserAction(-1, QString(), QString());
    TellMainWindow(AMChildClose);
    TellMainWindow(AMHideAnimate);
    event->accept();
}
