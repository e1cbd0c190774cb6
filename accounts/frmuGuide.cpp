#include "frmuGuide.h"

#include "ApplicationHint.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "XmlSettingsStorage.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uSettings.h"
#include "uWindowActions.h"
#include "uPaymentWindows.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString placementKey(const QString &path)
{
    QString key = path;
    while (key.endsWith(QLatin1Char('\\')))
        key.chop(1);
    return key;
}

// The hint shown while a step runs, cleared afterwards whatever happens.
class THintScope
{
public:
    explicit THintScope(const QString &hint) { SetApplicationHint(hint); }
    ~THintScope() { SetApplicationHint(QString()); }
};

int tagOf(const QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        const QVariant tag = w->property("Tag");
        if (tag.isValid())
            return tag.toInt();
    }
    return 0;
}

} // namespace

TfrmGuide::TfrmGuide(const TGuideSpec &spec, QWidget *parent)
    : QDialog(parent)
    , FEntryId(-1)
    , m_spec(spec)
{
    setObjectName(QString::fromLatin1(spec.objectName));
    setWindowTitle(spec.caption);
    setProperty("HelpContext", spec.helpContext);
    setModal(true);
    dsList = new TDataSource(this);
    dsList->setObjectName(QStringLiteral("dsList"));
    dsList->SetAutoEdit(false);
    dsList->OnDataChange = [this](TDataSource *, TField *) { guard([this] { checkBtns(); }); };
    dsList->OnStateChange = [this](TDataSource *) { guard([this] { checkBtns(); }); };
    createActions();
    createPages();
    resize(560, 420);
    if (DM)
        DM->LogUserAction(FEntryId, spec.caption, objectName());
}

TfrmGuide::~TfrmGuide()
{
    dsList->OnDataChange = nullptr;
    dsList->OnStateChange = nullptr;
    guard([this] {
        if (m_placementRead && !m_spec.placementPath.isEmpty())
            StoreFormPlacement(SettingsStorage(), *this, placementKey(m_spec.placementPath));
    });
}

QAction *TfrmGuide::makeAction(const char *name, const QString &caption, const QKeySequence &key,
                               std::function<void()> run, const QString &hint)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (!hint.isEmpty()) {
        // "short|long": the tip shows the short part, the status line the long one.
        const qsizetype bar = hint.indexOf(QLatin1Char('|'));
        action->setToolTip(bar < 0 ? hint : hint.left(bar));
        action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    }
    connect(action, &QAction::triggered, this, guarded([run](bool) { run(); }));
    addAction(action);
    return action;
}

void TfrmGuide::createActions()
{
    actInsertRecord = makeAction("actInsertRecord", QStringLiteral("Добавить запись"), QKeySequence(Qt::Key_Insert),
                                 [this] { actInsertRecordExecute(); });
    actDeleteRecord = makeAction("actDeleteRecord", QStringLiteral("Удалить запись"),
                                 QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { actDeleteRecordExecute(); });
    actEditRecord = makeAction("actEditRecord", QStringLiteral("Корректировка"), QKeySequence(Qt::Key_F2),
                               [this] { actEditRecordExecute(); });
    actRefresh = makeAction("actRefresh", QStringLiteral("Обновить"), {}, [this] { actRefreshExecute(); });
    actSearch = makeAction("actSearch", QStringLiteral("Поиск"), QKeySequence(Qt::CTRL | Qt::Key_F),
                           [this] { actSearchExecute(); }, QStringLiteral("Быстрый поиск"));
    actMrOk = makeAction("actMrOk", QStringLiteral("Ok"), {}, [this] { actMrOkExecute(); },
                         QStringLiteral("Подтвердить выбор|Подтвердить выбор и закрыть окно справочника"));
    actMrCancel = makeAction("actMrCancel", QStringLiteral("Отмена и выход"), {}, [this] { reject(); },
                             QStringLiteral("Отмена и выход|Отмена выбора и выход из справочника"));
    actClose = makeAction("actClose", QStringLiteral("Закрыть"), QKeySequence(Qt::CTRL | Qt::Key_W),
                          [this] { close(); }, QStringLiteral("Закрыть справочник"));
    actApply = makeAction("actApply", QStringLiteral("Готово"), {}, [this] { actApplyExecute(); });
    actCancel = makeAction("actCancel", QStringLiteral("Отмена"), {}, [this] { actCancelExecute(); });
    auto onEdit = [](auto slot) {
        return [slot] {
            if (auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget()))
                (edit->*slot)();
        };
    };
    actCut = makeAction("actCut", QStringLiteral("&Вырезать"), QKeySequence(Qt::CTRL | Qt::Key_X), onEdit(&QLineEdit::cut));
    actCopy = makeAction("actCopy", QStringLiteral("&Копировать"), QKeySequence(Qt::CTRL | Qt::Key_C),
                         onEdit(&QLineEdit::copy));
    actPaste = makeAction("actPaste", QStringLiteral("Вст&авить"), QKeySequence(Qt::CTRL | Qt::Key_V),
                          onEdit(&QLineEdit::paste));
    actSelectAll = makeAction("actSelectAll", QStringLiteral("Выделить все"), QKeySequence(Qt::CTRL | Qt::Key_A),
                              onEdit(&QLineEdit::selectAll));
    actUndo = makeAction("actUndo", QStringLiteral("&Отменить ввод"), QKeySequence(Qt::ALT | Qt::Key_Backspace),
                         onEdit(&QLineEdit::undo));
    // The edit actions act on the focused edit; an edit that handles a key itself (Ctrl+C, ...) keeps it.
    for (QAction *a : {actCut, actCopy, actPaste, actSelectAll, actUndo})
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    pmGuide = new QMenu(this);
    pmGuide->setObjectName(QStringLiteral("pmGuide"));
    pmGuide->addActions({actInsertRecord, actDeleteRecord, actEditRecord, actRefresh});
    pmGuide->addSeparator();
    pmGuide->addAction(actSearch);
    pmGuide->addSeparator();
    pmGuide->addActions({actCut, actCopy, actPaste, actSelectAll, actUndo});
    pmGuide->addSeparator();
    pmGuide->addAction(actClose);
}

void TfrmGuide::createPages()
{
    pcMain = CreateListPages(this, tsList, tsDetail);

    tbList = new QToolBar(tsList);
    tbList->setObjectName(QStringLiteral("tbList"));
    tbList->addActions({actInsertRecord, actDeleteRecord, actEditRecord, actRefresh});
    tbList->addSeparator();
    tbList->addAction(actMrOk);

    dbgList = new TKyv_DBGridEh(tsList);
    dbgList->setObjectName(QStringLiteral("dbgList"));
    dbgList->SetReadOnly(true);
    dbgList->SetOptionsEh(dbgList->OptionsEh() | dghRowHighlight | dghAutoSortMarking | dghIncSearch);
    dbgList->SetDataSource(dsList);
    dbgList->OnSortMarkingChanged = [](TCustomDBGridEh *grid) { SortByMarkers(grid); };
    dbgList->installEventFilter(this);
    dbgList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmGuide->popup(dbgList->mapToGlobal(at)); });

    auto *listLayout = new QVBoxLayout(tsList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    if (m_spec.hasSearch) {
        SearchFrame1 = new TSearchFrame(tsList);
        SearchFrame1->setObjectName(QStringLiteral("SearchFrame1"));
        edtSearch = SearchFrame1->edtSearch;
        connect(SearchFrame1->btnSearch, &QPushButton::clicked, actSearch, &QAction::trigger);
        connect(edtSearch, &QLineEdit::textChanged, this, guarded([this](const QString &) { searchRecord(); }));
        edtSearch->installEventFilter(this);
        listLayout->addWidget(SearchFrame1);
    } else {
        actSearch->setEnabled(false);
    }
    listLayout->addWidget(tbList);
    listLayout->addWidget(dbgList, 1);

    auto *detailLayout = new QVBoxLayout(tsDetail);
    detailForm = new QFormLayout;
    detailLayout->addLayout(detailForm);
    detailLayout->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnApply = new QPushButton(QStringLiteral("Готово"), tsDetail);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnCancel = new QPushButton(QStringLiteral("Отмена"), tsDetail);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnApply->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    connect(btnApply, &QPushButton::clicked, actApply, &QAction::trigger);
    connect(btnCancel, &QPushButton::clicked, actCancel, &QAction::trigger);
    buttons->addWidget(btnApply);
    buttons->addWidget(btnCancel);
    detailLayout->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcMain);
}

void TfrmGuide::setTag(QWidget *edit, int tag)
{
    if (tag <= 0)
        return;
    edit->setProperty("Tag", tag);
    edit->installEventFilter(this);
    for (QWidget *child : edit->findChildren<QWidget *>())
        child->installEventFilter(this);
}

void TfrmGuide::addDetail(const QString &label, QWidget *edit, int tag)
{
    edit->setParent(tsDetail);
    detailForm->addRow(label, edit);
    setTag(edit, tag);
}

void TfrmGuide::addDetailRow(const QString &label, QLayout *row, QWidget *tagged, int tag)
{
    detailForm->addRow(label, row);
    if (tagged)
        setTag(tagged, tag);
}

TDBEditEh *TfrmGuide::addEdit(const char *name, const QString &label, const char *field, int tag)
{
    auto *edit = new TDBEditEh(tsDetail);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetDataSource(dsList);
    edit->SetDataField(QString::fromLatin1(field));
    addDetail(label, edit, tag);
    return edit;
}

TDBLookupComboboxEh *TfrmGuide::addLookupCombo(const char *name, const QString &label, const char *field,
                                               TDataSet *list, const char *listKey, const char *listField, int tag,
                                               QAction *pick)
{
    auto *source = new TDataSource(this);
    source->SetDataSet(list);
    auto *combo = new TDBLookupComboboxEh(tsDetail);
    combo->setObjectName(QString::fromLatin1(name));
    combo->SetListSource(source);
    combo->SetKeyField(QString::fromLatin1(listKey));
    combo->SetListField(QString::fromLatin1(listField));
    combo->SetDataSource(dsList);
    combo->SetDataField(QString::fromLatin1(field));
    if (!pick) {
        addDetail(label, combo, tag);
        return combo;
    }
    auto *row = new QHBoxLayout;
    row->addWidget(combo, 1);
    auto *button = new QToolButton(tsDetail);
    button->setObjectName(QStringLiteral("btn") + pick->objectName().mid(3));
    button->setText(QStringLiteral("..."));
    button->setToolTip(pick->toolTip());
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, pick, &QAction::trigger);
    row->addWidget(button);
    addDetailRow(label, row, combo, tag);
    return combo;
}

void TfrmGuide::sortBy(const QString &field)
{
    auto *cds = qobject_cast<TKyv_ClientDataSet *>(L);
    if (!cds || !cds->Active() || !cds->IndexName().isEmpty())
        return;
    for (int i = 0; i < dbgList->Columns().Count(); ++i) {
        TColumnEh *column = dbgList->Columns()[i];
        if (column->FieldName().compare(field, Qt::CaseInsensitive) == 0) {
            column->Title().SetSortMarker(smDownEh);
            SortByMarkers(dbgList);
            return;
        }
    }
}

TColumnEh *TfrmGuide::addColumn(const char *field, const QString &title, int width)
{
    return AddGridColumn(dbgList, field, title, width);
}

TKyv_ClientDataSet *TfrmGuide::makeClientList(const char *name, const char *provider, const QString &sql)
{
    auto *cds = new TKyv_ClientDataSet(this);
    cds->setObjectName(QString::fromLatin1(name));
    if (DM)
        cds->SetDataProvider(DM->Provider(QString::fromLatin1(provider)));
    cds->SetCommandText(sql);
    return cds;
}

TKyv_ADODataSet *TfrmGuide::makeServerList(const char *name, const QString &sql)
{
    auto *ds = new TKyv_ADODataSet(this);
    ds->setObjectName(QString::fromLatin1(name));
    if (DMR)
        ds->SetConnection(DMR->dbConnection());
    ds->SetCommandText(sql);
    return ds;
}

TKyv_ADODataSet *TfrmGuide::makeLookup(const char *name, const QString &sql)
{
    TKyv_ADODataSet *ds = makeServerList(name, sql);
    lookups << ds;
    return ds;
}

void TfrmGuide::setList(TDataSet *ds, const QString &label)
{
    L = ds;
    dsList->SetDataSet(ds);
    ds->OnNewRecord.add([this](TDataSet *d) { newRecord(d); });
    auto *cds = qobject_cast<TClientDataSet *>(L);
    if (!cds || !DM)
        return;
    DM->InstallUpdateRule(cds, label);
    cds->BeforeClose.addFirst([](TDataSet *ds) {
        if (auto *k = qobject_cast<TKyv_ClientDataSet *>(ds))
            k->DeleteCustomIndexes();
    });
    cds->AfterPost.add([this](TDataSet *) { afterApply(); });
}

TField *TfrmGuide::keyField() const
{
    if (!L || !L->Active() || m_spec.keyField.isEmpty())
        return nullptr;
    return L->FindField(m_spec.keyField);
}

bool TfrmGuide::hasRows() const
{
    return L && L->Active() && !L->IsEmpty();
}

bool TfrmGuide::isEditing() const
{
    return L && (L->State() == dsEdit || L->State() == dsInsert);
}

QWidget *TfrmGuide::firstEdit() const
{
    QWidget *first = nullptr;
    int best = 0;
    for (QWidget *w : tsDetail->findChildren<QWidget *>()) {
        const QVariant tag = w->property("Tag");
        if (!tag.isValid() || tag.toInt() <= 0)
            continue;
        if (!first || tag.toInt() < best) {
            first = w;
            best = tag.toInt();
        }
    }
    return first;
}

void TfrmGuide::focusFirstEdit()
{
    QWidget *first = firstEdit();
    if (first && first->isEnabled() && first->focusPolicy() != Qt::NoFocus)
        first->setFocus();
}

QVariant TfrmGuide::nextKey() const
{
    if (!DM || m_spec.keyField.isEmpty() || m_spec.table.isEmpty())
        return {};
    return DM->GetNextNo(m_spec.keyField, m_spec.table);
}

void TfrmGuide::newRecord(TDataSet *ds)
{
    if (!m_spec.keyField.isEmpty())
        if (TField *k = ds->FindField(m_spec.keyField))
            k->SetValue(nextKey());
}

void TfrmGuide::checkBtns()
{
    if (m_spec.checkBtns == gcbNone)
        return;
    const bool rows = hasRows();
    actMrOk->setEnabled(rows && FMode != 0);
    if (m_spec.checkBtns == gcbFull) {
        actDeleteRecord->setEnabled(rows);
        actEditRecord->setEnabled(rows);
    }
}

void TfrmGuide::openDataSets()
{
    if (!L)
        return;
    L->Open();
    for (TDataSet *lookup : lookups)
        lookup->Open();
    if (!m_spec.sortField.isEmpty())
        sortBy(m_spec.sortField);
    // Sorting keeps the row read first as the current one; a key not in the list leaves the user on the top row.
    if (L->Active())
        L->First();
    if (m_spec.locateOnOpen && L->Active() && !L->IsEmpty() && !FInitKey.isNull() && FInitKey.isValid()
        && !m_spec.keyField.isEmpty())
        L->Locate(m_spec.keyField, FInitKey);
}

void TfrmGuide::closeDataSets()
{
    if (L)
        L->Close();
    for (TDataSet *lookup : lookups)
        lookup->Close();
}

void TfrmGuide::refreshList()
{
    if (auto *cds = qobject_cast<TClientDataSet *>(L)) {
        cds->Refresh();
        return;
    }
    L->Close();
    L->Open();
}

QString TfrmGuide::deleteName() const
{
    if (!hasRows() || m_spec.nameField.isEmpty())
        return {};
    TField *f = L->FindField(m_spec.nameField);
    return f ? f->AsString() : QString();
}

void TfrmGuide::actInsertRecordExecute()
{
    if (!L || !L->Active())
        return;
    pcMain->setCurrentWidget(tsDetail);
    focusFirstEdit();
    if (!isEditing())
        L->Insert();
}

void TfrmGuide::actEditRecordExecute()
{
    if (!hasRows())
        return;
    pcMain->setCurrentWidget(tsDetail);
    focusFirstEdit();
    if (!isEditing())
        L->Edit();
}

void TfrmGuide::actApplyExecute()
{
    if (isEditing() && !validateInput())
        return;
    pcMain->setCurrentWidget(tsList);
    if (isEditing())
        postCurrent();
}

void TfrmGuide::postCurrent()
{
    L->Post();
}

void TfrmGuide::deleteCurrent()
{
    L->Delete();
}

void TfrmGuide::actCancelExecute()
{
    pcMain->setCurrentWidget(tsList);
    if (isEditing())
        L->Cancel();
}

void TfrmGuide::actDeleteRecordExecute()
{
    if (!hasRows())
        return;
    TField *k = L->FindField(m_spec.keyField);
    const QVariant key = k ? k->Value() : QVariant();
    const QString name = deleteName();
    for (const TGuideReference &r : refs) {
        if (DM && DM->IsReferenced(r.field, r.table, key)) {
            Services::messages()->warning(r.named ? QLatin1Char('"') + name + r.text : r.text);
            return;
        }
    }
    if (!ConfirmDeleteRecord(QStringLiteral("RU"), name))
        return;
    deleteCurrent();
}

void TfrmGuide::actRefreshExecute()
{
    if (!L || !L->Active())
        return;
    if (isEditing() && qobject_cast<TClientDataSet *>(L))
        L->Post();
    TScreenCursorScope cursor(crHourGlass);
    THintScope hint(QStringLiteral("Обновление данных"));
    refreshList();
}

void TfrmGuide::actSearchExecute()
{
    if (!edtSearch)
        return;
    if (edtSearch->isEnabled() && edtSearch->isVisible())
        edtSearch->setFocus();
    searchRecord();
}

bool TfrmGuide::searchRecord()
{
    if (!edtSearch || !L || !L->Active())
        return false;
    // Nothing typed looks for nothing: the row the window was opened on stays current.
    if (edtSearch->text().isEmpty()) {
        QPalette palette = edtSearch->palette();
        palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
        edtSearch->setPalette(palette);
        return true;
    }
    if (auto *cds = qobject_cast<TKyv_ClientDataSet *>(L))
        return cds->LocateByEdit(edtSearch);
    if (auto *ods = qobject_cast<TKyv_ADODataSet *>(L))
        return ods->LocateByEdit(m_spec.nameField, edtSearch);
    return false;
}

void TfrmGuide::actMrOkExecute()
{
    if (!hasRows() || FMode != 1 || !actMrOk->isEnabled())
        return;
    if (TField *k = L->FindField(m_spec.keyField))
        FCurKey = k->Value();
    accept();
}

void TfrmGuide::listDoubleClick()
{
    if (!hasRows())
        return;
    if (FMode == 1)
        actMrOk->trigger();
    else
        actEditRecord->trigger();
}

bool TfrmGuide::saveOnClose()
{
    L->Post();
    return true;
}

// ---- Guides stored by their own statements

bool TfrmCommandGuide::saveOnClose()
{
    if (!validateInput())
        return false;
    postCurrent();
    return true;
}

void TfrmCommandGuide::postCurrent()
{
    try {
        storeRow(L->State() == dsInsert);
    } catch (...) {
        // The database refused the row: the edit stays on its page, nothing stored, to be put right or cancelled.
        pcMain->setCurrentWidget(tsDetail);
        throw;
    }
    if (DMR)
        DMR->CommitWork();
    actRefreshExecute();
}

void TfrmCommandGuide::deleteCurrent()
{
    deleteRow();
    if (DMR)
        DMR->CommitWork();
    actRefreshExecute();
}

void TfrmCommandGuide::refreshList()
{
    // What the list held in its own edit is dropped: the rows are read again as the statements stored them.
    if (isEditing())
        L->Cancel();
    L->Close();
    L->Open();
}

void TfrmCommandGuide::execCommand(const QString &sql, const TParams &params)
{
    if (DMR)
        DMR->dbConnection()->Execute(sql, params);
}

bool TfrmGuide::closeQuestion()
{
    if (!isEditing())
        return true;
    if (!ConfirmSaveChanges()) {
        L->Cancel();
        return true;
    }
    bool saved = false;
    // A change that cannot be stored keeps the window open with the change, so nothing typed is lost.
    guard([this, &saved] { saved = saveOnClose(); });
    if (!saved)
        pcMain->setCurrentWidget(tsDetail);
    return saved;
}

void TfrmGuide::done(int result)
{
    if (m_closing)
        return;
    if (!closeQuestion())
        return;
    m_closing = true;
    guard([this] { closeDataSets(); });
    if (DM)
        DM->LogUserAction(FEntryId, QString(), QString());
    TellMainWindow(AMHideAnimate);
    QDialog::done(result);
    m_closing = false;
}

void TfrmGuide::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    guard([this] { openDataSets(); });
    TellMainWindow(AMHideAnimate);
    if (edtSearch)
        guard([this] { actSearch->trigger(); });
    checkBtns();
}

bool TfrmGuide::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == edtSearch && (enter || key->key() == Qt::Key_Down)) {
            dbgList->setFocus();
            return true;
        }
        if (enter && key->modifiers() == Qt::NoModifier && AppSettings().enterToTab) {
            auto *w = qobject_cast<QWidget *>(watched);
            const int tag = tagOf(w);
            if (w && w->hasFocus() && tag >= 1 && tag <= maxTag) {
                focusNextChild();
                return true;
            }
        }
    }
    if (watched == dbgList && event->type() == QEvent::MouseButtonDblClick) {
        guard([this] { listDoubleClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmGuide::Execute(const QVariant &initKey, int mode, QVariant &outKey)
{
    if (!m_placementRead && !m_spec.placementPath.isEmpty()) {
        RestoreFormPlacement(SettingsStorage(), *this, placementKey(m_spec.placementPath));
        m_placementRead = true;
    }
    FInitKey = initKey;
    FCurKey = initKey;
    FMode = mode;
    pcMain->setCurrentWidget(tsList);
    guard([this] { openDataSets(); });
    checkBtns();
    const bool ok = exec() == QDialog::Accepted;
    if (m_spec.cancelKey == gckAlwaysNull)
        outKey = QVariant();
    else if (ok)
        outKey = FCurKey;
    else
        outKey = m_spec.cancelKey == gckNull ? QVariant() : FInitKey;
    return ok;
}

bool PickGuideKey(TDataSet *ds, const QString &fieldName,
                  const std::function<bool(const QVariant &, int, QVariant &)> &guide, TDataSet *lookupToReopen)
{
    if (!ds || (ds->State() != dsEdit && ds->State() != dsInsert))
        return false;
    TField *field = ds->FieldByName(fieldName);
    const QVariant init = ds->Active() && (!ds->IsEmpty() || ds->State() == dsInsert) ? field->Value() : QVariant(0);
    QVariant out;
    guide(init.isNull() ? QVariant(0) : init, 1, out);
    bool changed = false;
    if (!out.isNull() && out.isValid() && out != field->Value()) {
        if (ds->State() != dsEdit && ds->State() != dsInsert)
            ds->Edit();
        field->SetValue(out);
        changed = true;
    }
    if (lookupToReopen) {
        lookupToReopen->Close();
        lookupToReopen->Open();
    }
    return changed;
}
