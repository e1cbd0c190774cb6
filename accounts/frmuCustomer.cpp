#include "frmuCustomer.h"

#include "ApplicationHint.h"
#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Guard.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uCustFilter.h"
#include "uLog.h"
#include "uSettings.h"
#include "uWindowActions.h"
#include "uPaymentWindows.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

TKyv_ClientDataSet *customers()
{
    return custDM ? custDM->cdsCustomer() : nullptr;
}

double mainCfgNumber(const char *field)
{
    TDataSet *cfg = DM ? DM->cdsMainCFG() : nullptr;
    if (!cfg || !cfg->Active())
        return 0;
    TField *f = cfg->FindField(QString::fromLatin1(field));
    return f ? f->AsFloat() : 0;
}

void recalcQueuedCustomers()
{
    TDataSet *cfg = DM ? DM->cdsMainCFG() : nullptr;
    if (!DMR || !cfg || !cfg->Active())
        return;
    DMR->CheckInvalidCustDebt(cfg->FieldByName(QStringLiteral("DebtMode"))->AsInteger(),
        cfg->FieldByName(QStringLiteral("ACC_DATE"))->Value().toDate());
}

// The application hint while a step runs, cleared afterwards whatever happens.
class THintScope
{
public:
    explicit THintScope(const QString &hint) { SetApplicationHint(hint); }
    ~THintScope() { SetApplicationHint(QString()); }
};

} // namespace

TCustRowColor CustRowColor(const QDateTime &now, const QVariant &validTo, double reconnected, double debt,
    int state, double allowedDebt)
{
    if (!validTo.isNull() && validTo.toDateTime().isValid() && now > validTo.toDateTime())
        return crcGray;
    if (reconnected > 0)
        return crcBlue;
    if (debt > 0 && state == 1)
        return debt > allowedDebt ? crcRed : crcWindowText;
    if (debt > 0)
        return crcMaroon;
    return state == 1 ? crcWindowText : crcTeal;
}

QString CustSearchText(const QString &indexName, const QString &typed)
{
    const QString index = indexName.toUpper();
    auto is = [&index](const char *field) {
        const QString name = QStringLiteral("I") + QString::fromLatin1(field);
        return index == name || index == name + QStringLiteral("DESC");
    };
    if (is("RO_HOUSE_NO") || is("RO_FLAT_NO"))
        return typed.rightJustified(6, QLatin1Char(' '));
    if (is("RO_ACCOUNT_NO"))
        return typed.rightJustified(15, QLatin1Char(' '));
    if (is("CUST_CODE"))
        return QString(typed).replace(QLatin1Char(','), QLatin1Char('.'));
    return typed;
}

TfrmCustomer::TfrmCustomer(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCustomer"));
    setWindowTitle(QStringLiteral("Список клиентов(абонентов)"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(580, 405);
    setProperty("HelpContext", 5000);

    CreateActions();
    CreateCardActions();
    CreateGrid();

    pcMain = CreateListPages(this, tsList, tsDetail);

    SearchFrame = new TSearchFrame(tsList);
    SearchFrame->setObjectName(QStringLiteral("SearchFrame"));
    SearchFrame->edtSearch->installEventFilter(this);
    connect(SearchFrame->edtSearch, &QLineEdit::textChanged, this, guarded([this](const QString &) {
        pcAddInfo->setCurrentIndex(0);
        SearchCustomer();
    }));

    auto *toolBar = new QToolBar(tsList);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->addActions({ actNewCustomer, actEditCustomer, actDelCustomer, actRefreshCustomer, actShowCustomerBalance,
        actPrintCustomersReport, actPnlClientInfoStatus });
    CreateFilterActions(toolBar);

    pcAddInfo = new QTabWidget(tsList);
    pcAddInfo->setObjectName(QStringLiteral("pcAddInfo"));
    CreateInfoPages();
    CreateEditorPage();

    auto *listLayout = new QVBoxLayout(tsList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(SearchFrame);
    listLayout->addWidget(toolBar);
    dbgCustomer->setParent(tsList);
    listLayout->addWidget(dbgCustomer, 3);
    listLayout->addWidget(pcAddInfo, 2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcMain);
    CheckBtns();
    resize(800, 500);
    setWindowState(windowState() | Qt::WindowMaximized);
}

QAction *TfrmCustomer::AddAction(const char *name, const QString &caption, const QKeySequence &key,
    std::function<void()> run)
{
    return MakeWindowAction(this, name, caption, key, std::move(run));
}

void TfrmCustomer::CreateActions()
{
    auto make = [this](QAction *&action, const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) { action = AddAction(name, caption, key, std::move(run)); };
    make(actSearch, "actSearch", QStringLiteral("Поиск"), QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        if (SearchFrame->edtSearch->isEnabled() && SearchFrame->edtSearch->isVisible())
            SearchFrame->edtSearch->setFocus();
        SearchCustomer();
    });
    make(actRefreshCustomer, "actRefreshCustomer", QStringLiteral("Обновить"), {},
        [this] { actRefreshCustomerExecute(); });
    make(actPnlClientInfoStatus, "actPnlClientInfoStatus", QStringLiteral("Карточка клиента"),
        QKeySequence(Qt::Key_F4), [this] { actPnlClientInfoStatusExecute(); });
    actPnlClientInfoStatus->setCheckable(true);
    make(actNextPageCopy, "actNextPageCopy", QStringLiteral("След. закладка"), {}, [this] { CyclePage(1); });
    make(actPrevPage, "actPrevPage", QStringLiteral("Пред. закладка"), {}, [this] { CyclePage(-1); });
    make(actClose, "actClose", QStringLiteral("Закрыть"), QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
}

void TfrmCustomer::CreateColumn(const char *field, const QString &title, int width)
{
    AddGridColumn(dbgCustomer, field, title, width);
}

void TfrmCustomer::CreateGrid()
{
    dbgCustomer = new TKyv_DBGridEh(this);
    dbgCustomer->setObjectName(QStringLiteral("dbgCustomer"));
    dbgCustomer->SetReadOnly(true);
    dbgCustomer->SetUseMultiTitle(true);
    dbgCustomer->SetFooterRowCount(1);
    dbgCustomer->SumList().SetActive(true);
    dbgCustomer->SetOptionsEh(dbgCustomer->OptionsEh() | dghRowHighlight | dghAutoSortMarking | dghMultiSortMarking
        | dghIncSearch);
    // The grid lays its columns out once, when all of them are made, not again for each column added.
    dbgCustomer->BeginLayout();
    CreateColumn("RO_ACCOUNT_NO", QStringLiteral("Лиц счет"), 70);
    CreateColumn("CUST_CODE", QStringLiteral("Код"), 60);
    CreateColumn("SURNAME", QStringLiteral("Клиент|Фамилия"), 120);
    CreateColumn("INITIALS", QStringLiteral("Клиент|И.О."), 40);
    CreateColumn("PHONE_NO", QStringLiteral("Телефон"), 80);
    CreateColumn("RO_LOCATION_NAME", QStringLiteral("Нас. пункт"), 90);
    CreateColumn("RO_STREET_NAME", QStringLiteral("Адрес|Улица"), 120);
    CreateColumn("RO_HOUSE_NO", QStringLiteral("Адрес|Дом"), 40);
    CreateColumn("RO_FLAT_NO", QStringLiteral("Адрес|№ кв."), 40);
    CreateColumn("DEBT_SUM", QStringLiteral("Долг"), 60);
    CreateColumn("CUST_PROP_DESCR", QStringLiteral("Кр. статус"), 80);
    CreateColumn("CUST_STATE_DESCR", QStringLiteral("Статус"), 90);
    CreateColumn("NOTICE", QStringLiteral("Примечание"), 120);
    CreateColumn("CUST_PROP", QStringLiteral("Признаки состояния"), 80);
    CreateColumn("VALID_TO", QStringLiteral("Договор по"), 70);
    CreateColumn("CUSTOMER_ID", QString(), 0);

    TDBGridColumnsEh &columns = dbgCustomer->Columns();
    columns[0]->SetAlignment(taRightJustify);
    columns[0]->Footer().SetValueType(fvtStaticText);
    columns[0]->Footer().SetValue(QStringLiteral("Итого"));
    columns[2]->Footer().SetValueType(fvtCount);
    columns[9]->Footer().SetValueType(fvtSum);
    columns[5]->SetVisible(AppSettings().showLocation);
    columns[13]->SetVisible(IsDebugMode());
    columns[14]->Title().SetTitleButton(false);
    columns[15]->SetVisible(false);
    dbgCustomer->EndLayout();

    if (custDM)
        dbgCustomer->SetDataSource(custDM->dsCustomer());
    dbgCustomer->OnGetCellParams = [this](TCustomDBGridEh *, TColumnEh *, TFont &font, TColor &background,
                                       TGridDrawState state) { GetRowParams(font, background, state); };
    dbgCustomer->OnSortMarkingChanged = [](TCustomDBGridEh *grid) { SortByMarkers(grid); };
    dbgCustomer->installEventFilter(this);
}

void TfrmCustomer::GetRowParams(TFont &font, TColor &background, TGridDrawState state)
{
    if (state & gdSelected) {
        font.SetColor(clHighlightText);
        background = clHighlight;
        return;
    }
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active() || c->IsEmpty())
        return;
    auto value = [c](const char *name) { return c->FieldByName(QString::fromLatin1(name))->Value(); };
    const TCustRowColor color = CustRowColor(Services::clock()->now(), value("VALID_TO"),
        value("PP_ACT_SGN").toDouble(), value("DEBT_SUM").toDouble(), value("CUST_STATE").toInt(),
        mainCfgNumber("CUSTVALIDSUM"));
    font.SetColor(CustListFontColors[color]);
}

bool TfrmCustomer::SearchCustomer()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return false;
    QLineEdit *edit = SearchFrame->edtSearch;
    const bool found = c->LocateByValues(CustSearchText(c->IndexName(), edit->text()));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, found ? QColor(Qt::black) : QColor(Qt::red));
    edit->setPalette(palette);
    return found;
}

void TfrmCustomer::SearchEnter()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return;
    if (c->IndexName().isEmpty() && dbgCustomer->Columns().Count() > 0) {
        dbgCustomer->Columns()[0]->Title().SetSortMarker(smDownEh);
        SortByMarkers(dbgCustomer);
    }
    // Numbers are typed on the English layout, names on the Russian one.
    const QString index = c->IndexName().toUpper();
    bool numeric = false;
    for (const char *field : { "ACCOUNT_NO", "RO_ACCOUNT_NO", "PHONE_NO", "DEBT_SUM" }) {
        const QString name = QStringLiteral("I") + QString::fromLatin1(field);
        numeric = numeric || index == name || index == name + QStringLiteral("DESC");
    }
    SetKeyboardLanguage(numeric ? QStringLiteral("EN") : QStringLiteral("RU"));
}

bool TfrmCustomer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SearchFrame->edtSearch) {
        if (event->type() == QEvent::FocusIn)
            guard([this] { SearchEnter(); });
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
                dbgCustomer->setFocus();
                return true;
            }
        }
    }
    if (watched->property("Tag").isValid()) {
        if (event->type() == QEvent::KeyPress && CardKey(watched, static_cast<QKeyEvent *>(event)))
            return true;
        if (event->type() == QEvent::FocusIn && watched == static_cast<QObject *>(edCompanyName))
            SetKeyboardLanguage(QStringLiteral("RU"));
    }
    if (watched == dbgCustomer && event->type() == QEvent::MouseButtonDblClick) {
        TKyv_ClientDataSet *c = customers();
        if (c && c->Active() && !c->IsEmpty())
            actEditCustomer->trigger();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmCustomer::actPnlClientInfoStatusExecute()
{
    CheckBtns();
    if (actPnlClientInfoStatus->isChecked())
        pcAddInfo->setCurrentIndex(0);
    pcAddInfoChange();
}

void TfrmCustomer::CyclePage(int step)
{
    const int count = pcAddInfo->count();
    if (count == 0)
        return;
    // Pages hidden or disabled by the settings and the list's state are stepped over.
    int index = pcAddInfo->currentIndex();
    for (int i = 0; i < count; ++i) {
        index = (index + step + count) % count;
        if (pcAddInfo->isTabVisible(index) && pcAddInfo->isTabEnabled(index))
            break;
    }
    pcAddInfo->setCurrentIndex(index);
}

void TfrmCustomer::RunQuery()
{
    TScreenCursorScope cursor(crHourGlass);
    struct Animation
    {
        Animation() { TellMainWindow(AMShowAnimate); }
        ~Animation() { TellMainWindow(AMHideAnimate); }
    } animation;
    TKyv_ClientDataSet *c = customers();
    if (!c)
        return;
    if (c->State() != dsEdit && c->State() != dsInsert)
        pcMain->setCurrentWidget(tsList);
    pcAddInfo->setCurrentIndex(0);
    FilterBeforeFirstOpen();
    recalcQueuedCustomers();
    struct Lookup
    {
        TDataSet *ds;
        const char *hint, *middle;
    };
    const Lookup lookups[] = {
        { custDM->ClientDataSet(QStringLiteral("cdsCustFiltStreetLookup")), "Открытие \"Улицы\" ..",
            " зап. из CustDM.cdsCustFiltStreetLookup. За " },
        { custDM->ClientDataSet(QStringLiteral("cdsCustFiltHouseNoLookup")), "Открытие \"№ домов\" ..",
            " зап. из CustDM.cdsCustFiltHouseNoLookup. За " },
        { custDM->ServerDataSet(QStringLiteral("odsHouseLookup")), "Открытие \"Дома\" ..",
            " зап. из CustDM.odsHouseLookUp. За " },
    };
    for (const Lookup &l : lookups) {
        THintScope hint(QString::fromUtf8(l.hint));
        const quint64 start = Services::clock()->tickCount();
        l.ds->Open();
        if (IsDebugMode())
            SendToEventMonitor(QStringLiteral("Выбрано ") + QString::number(l.ds->RecordCount()) + QString::fromUtf8(l.middle)
                + QString::number(double(Services::clock()->tickCount() - start) / 1000.0) + QStringLiteral(" с."));
    }
    THintScope hint(QStringLiteral("Открытие \"Клиенты\" .."));
    dbgCustomer->setUpdatesEnabled(false);
    struct Release
    {
        QWidget *w;
        ~Release() { w->setUpdatesEnabled(true); }
    } release { dbgCustomer };
    c->Open();
}

void TfrmCustomer::actRefreshCustomerExecute()
{
    TKyv_ClientDataSet *c = customers();
    if (!c || !c->Active())
        return;
    if (c->State() == dsEdit || c->State() == dsInsert)
        c->Post();
    const QVariant remembered = c->IsEmpty() ? QVariant(-1) : c->FieldByName(QStringLiteral("CUSTOMER_ID"))->Value();
    TScreenCursorScope cursor(crHourGlass);
    THintScope hint(QStringLiteral("Обновление данных картотеки клиентов"));
    recalcQueuedCustomers();
    if (remembered.toInt() == -1) {
        c->Refresh();
    } else {
        c->Close();
        c->Open();
        c->Locate(QStringLiteral("CUSTOMER_ID"), remembered);
    }
    if (c->Active())
        SortByMarkers(dbgCustomer);
}

void TfrmCustomer::CloseCustomerDataSets()
{
    if (!custDM)
        return;
    // The pages' details and their lookups first: they outlive the list otherwise.
    for (const auto &[page, dataSets] : m_pageData)
        OpenPageDataSets(page, false);
    for (const char *name : { "cdsCustomer", "cdsCustFiltStreetLookup", "cdsCustFiltHouseNoLookup" })
        if (TDataSet *ds = custDM->ClientDataSet(QString::fromLatin1(name)))
            ds->Close();
    for (const char *name : { "odsHouseLookup", "odsCustCompany" })
        if (TDataSet *ds = custDM->ServerDataSet(QString::fromLatin1(name)))
            ds->Close();
    if (DMR)
        DMR->odsLetterType()->Close();
    if (TSqlSubstitution *where = custDM->cdsCustomer()->SubstitutionByName(QStringLiteral("where_str")))
        where->Value.clear();
}

bool TfrmCustomer::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event)) {
        if (m->Msg == AMRunQuery) {
            guard([this] { RunQuery(); });
            return true;
        }
        if (m->Msg == AMLargeIconsChanged) {
            CheckBtns();
            return true;
        }
    }
    return QWidget::event(event);
}

bool TfrmCustomer::SaveCard()
{
    if (!ValidateCustomerCard())
        return false;
    if (IsEditing())
        customers()->Post();
    return true;
}

bool TfrmCustomer::CloseQuestion()
{
    if (!IsEditing())
        return true;
    // What the focused editor holds is part of the card being saved or dropped.
    customers()->UpdateRecord();
    const bool closing = CloseWithUnsavedEdits([this] { return SaveCard(); }, [this] { customers()->Cancel(); });
    if (!closing)
        pcMain->setCurrentWidget(tsDetail);
    return closing;
}

void TfrmCustomer::closeEvent(QCloseEvent *event)
{
    bool closing = false;
    // A save that raised keeps the card and what was typed in it.
    guard([this, &closing] { closing = CloseQuestion(); });
    if (!closing) {
        event->ignore();
        return;
    }
    guard([this] {
        TKyv_ClientDataSet *c = customers();
        if (c && (c->State() == dsEdit || c->State() == dsInsert))
            c->Cancel();
        CloseCustomerDataSets();
    });
    TellMainWindow(AMHideAnimate);
    TellMainWindow(AMChildClose);
    event->accept();
}

void RegisterCustomerForms()
{
    RegisterFormClass<TfrmCustomer>(QStringLiteral("TfrmCustomer"));
}
