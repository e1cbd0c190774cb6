#include "frmuPaySourceGuide.h"

#include "ApplicationHint.h"
#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uDbgridColumns.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

TField *field(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

bool editing(TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

void forgetChannelList()
{
    if (custDM)
        if (TDataSet *list = custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList")))
            list->Close();
}

} // namespace

bool PaySourceDeletable(TDM *dm, const QVariant &paySourceId, const QString &name, QString &warning)
{
    if (!dm->IsReferenced(QStringLiteral("PAYSOURCE_ID"), QStringLiteral("PAY_DOC"), paySourceId))
        return true;
    warning = QLatin1Char('"') + name + QLatin1Char('"')
        + QStringLiteral(" удалить нельзя, т.к. есть ссылка из платежных документов");
    return false;
}

TfrmPaySourceGuide::TfrmPaySourceGuide(int mode, QWidget *parent)
    : QDialog(parent)
    , m_mode(mode)
    , m_cds(std::make_unique<TKyv_ClientDataSet>())
    , m_ds(std::make_unique<TDataSource>())
{
    setObjectName(QStringLiteral("frmPaySourceGuide"));
    setWindowTitle(QStringLiteral("Источники платежей"));
    setProperty("HelpContext", 7050);
    m_cds->setObjectName(QStringLiteral("cdsPaySource"));
    m_cds->SetDataProvider(DM ? DM->Provider(QStringLiteral("dspPaySource")) : nullptr);
    m_cds->SetCommandText(QStringLiteral("select * from ZOLT.PAYSOURCE"));
    m_cds->OnNewRecord.add([](TDataSet *ds) {
        field(ds, "PAYSOURCE_ID")->SetValue(DM->GetNextNo(QStringLiteral("PAYSOURCE_ID"), QStringLiteral("ZOLT.PAYSOURCE")));
        field(ds, "LEAK_PRC")->SetValue(0);
        field(ds, "TAX_PRC")->SetValue(0);
    });
    if (DM)
        DM->InstallUpdateRule(m_cds.get(), QStringLiteral("TfrmPaySource.cdsPaySourceReconcileError"));
    m_cds->AfterPost.add([](TDataSet *) { forgetChannelList(); });
    m_cds->AfterDelete.add([](TDataSet *) { forgetChannelList(); });
    m_ds->SetDataSet(m_cds.get());
    m_ds->OnStateChange = [this](TDataSource *) { UpdateActions(); };
    m_ds->OnDataChange = [this](TDataSource *, TField *) { UpdateActions(); };

    auto make = [this](QAction *&action, const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) {
        action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(action, &QAction::triggered, this, guarded([run](bool) { run(); }));
        addAction(action);
    };
    make(actAdd, "actAdd", QStringLiteral("Добавить"), QKeySequence(Qt::Key_Insert), [this] { ShowDetail(true); });
    make(actEdit, "actEdit", QStringLiteral("Правка"), QKeySequence(Qt::Key_F2), [this] { ShowDetail(false); });
    make(actDelete, "actDelete", QStringLiteral("Удалить"), QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { Delete(); });
    make(actRefresh, "actRefresh", QStringLiteral("Обновить"), {}, [this] {
        TScreenCursorScope cursor(crHourGlass);
        SetApplicationHint(QStringLiteral("Обновление данных"));
        if (editing(m_cds.get()))
            m_cds->Post();
        m_cds->Refresh();
        SetApplicationHint(QString());
    });
    make(actOk, "actOk", QStringLiteral("Ok"), {}, [this] {
        if (SettlePending())
            accept();
    });
    make(actCancelExit, "actCancelExit", QStringLiteral("Отмена и выход"), {}, [this] { reject(); });
    make(actPost, "actPost", QStringLiteral("Готово"), {}, [this] { Post(); });
    make(actCancel, "actCancel", QStringLiteral("Отмена"), {}, [this] {
        m_cds->Cancel();
        pcMain->setCurrentWidget(tsList);
    });
    make(actClose, "actClose", QStringLiteral("Закрыть"), {}, [this] { reject(); });

    pcMain = new QStackedWidget(this);
    tsList = new QWidget(pcMain);
    tsList->setObjectName(QStringLiteral("tsList"));
    auto *listBar = new QToolBar(tsList);
    listBar->addActions({ actAdd, actEdit, actDelete, actRefresh, actOk, actCancelExit, actClose });
    dbgPaySource = new TKyv_DBGridEh(tsList);
    dbgPaySource->setObjectName(QStringLiteral("dbgPaySource"));
    dbgPaySource->SetReadOnly(true);
    AddGridColumns(dbgPaySource,
        { { "PAYSOURCE_DESCR", "Наименование", 200, fvtNon }, { "LEAK_PRC", "%  за усл", 70, fvtNon },
            { "TAX_PRC", "НДС", 60, fvtNon } });
    dbgPaySource->Columns()[1]->Title().Hint = QStringLiteral("% отдаваемый за услуги");
    dbgPaySource->Columns()[2]->Title().Hint = QStringLiteral("% Налога на добавленную стоимость");
    dbgPaySource->SetDataSource(m_ds.get());
    dbgPaySource->installEventFilter(this);
    auto *listLayout = new QVBoxLayout(tsList);
    listLayout->addWidget(listBar);
    listLayout->addWidget(dbgPaySource, 1);

    tsDetail = new QWidget(pcMain);
    tsDetail->setObjectName(QStringLiteral("tsDetail"));
    edDescr = new TDBEditEh(tsDetail);
    edDescr->setObjectName(QStringLiteral("edDescr"));
    edDescr->SetDataSource(m_ds.get());
    edDescr->SetDataField(QStringLiteral("PAYSOURCE_DESCR"));
    edLeakPrc = new TDBNumberEditEh(tsDetail);
    edLeakPrc->setObjectName(QStringLiteral("edLeakPrc"));
    edLeakPrc->SetDataSource(m_ds.get());
    edLeakPrc->SetDataField(QStringLiteral("LEAK_PRC"));
    edTaxPrc = new TDBNumberEditEh(tsDetail);
    edTaxPrc->setObjectName(QStringLiteral("edTaxPrc"));
    edTaxPrc->SetDataSource(m_ds.get());
    edTaxPrc->SetDataField(QStringLiteral("TAX_PRC"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Наименование"), edDescr);
    form->addRow(QStringLiteral("%  за усл"), edLeakPrc);
    form->addRow(QStringLiteral("% НДС"), edTaxPrc);
    auto *detailBar = new QToolBar(tsDetail);
    detailBar->addActions({ actPost, actCancel });
    auto *detailLayout = new QVBoxLayout(tsDetail);
    detailLayout->addLayout(form);
    detailLayout->addWidget(detailBar);
    detailLayout->addStretch(1);
    pcMain->addWidget(tsList);
    pcMain->addWidget(tsDetail);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pcMain);
    resize(520, 360);
}

TfrmPaySourceGuide::~TfrmPaySourceGuide()
{
    m_ds->OnStateChange = nullptr;
    m_ds->OnDataChange = nullptr;
    if (editing(m_cds.get()))
        m_cds->Cancel();
    m_cds->Close();
}

void TfrmPaySourceGuide::OpenOn(const QVariant &key)
{
    m_cds->Open();
    m_cds->SetIndexFieldNames(QStringLiteral("PAYSOURCE_DESCR"));
    if (!isNullValue(key))
        m_cds->Locate(QStringLiteral("PAYSOURCE_ID"), key);
    pcMain->setCurrentWidget(tsList);
    UpdateActions();
}

QVariant TfrmPaySourceGuide::CurrentKey() const
{
    return m_cds->Active() && !m_cds->IsEmpty() ? field(m_cds.get(), "PAYSOURCE_ID")->Value() : QVariant();
}

void TfrmPaySourceGuide::UpdateActions()
{
    const bool rows = m_cds->Active() && !m_cds->IsEmpty();
    actOk->setEnabled(m_mode == 1 && rows);
    actEdit->setEnabled(rows);
    actDelete->setEnabled(rows && !editing(m_cds.get()));
}

void TfrmPaySourceGuide::ShowDetail(bool insert)
{
    if (insert)
        m_cds->Append();
    else if (!m_cds->IsEmpty())
        m_cds->Edit();
    else
        return;
    pcMain->setCurrentWidget(tsDetail);
    edDescr->setFocus();
}

void TfrmPaySourceGuide::Post()
{
    if (editing(m_cds.get()))
        m_cds->Post();
    pcMain->setCurrentWidget(tsList);
}

void TfrmPaySourceGuide::Delete()
{
    if (!m_cds->Active() || m_cds->IsEmpty())
        return;
    const QString name = field(m_cds.get(), "PAYSOURCE_DESCR")->AsString();
    QString warning;
    if (!PaySourceDeletable(DM, CurrentKey(), name, warning)) {
        Services::messages()->warning(warning);
        return;
    }
    if (ConfirmDeleteRecord(QString(), name))
        m_cds->Delete();
}

bool TfrmPaySourceGuide::SettlePending()
{
    if (!editing(m_cds.get()))
        return true;
    if (ConfirmSaveChanges())
        m_cds->Post();
    else
        m_cds->Cancel();
    return true;
}

void TfrmPaySourceGuide::reject()
{
    guard([this] { SettlePending(); });
    QDialog::reject();
}

bool TfrmPaySourceGuide::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dbgPaySource && event->type() == QEvent::MouseButtonDblClick)
        (m_mode == 1 ? actOk : actEdit)->trigger();
    return QDialog::eventFilter(watched, event);
}

bool executePaySourceGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    TfrmPaySourceGuide guide(mode, QApplication::activeWindow());
    guide.OpenOn(initKey);
    const bool ok = guide.exec() == QDialog::Accepted;
    outKey = ok ? guide.CurrentKey() : initKey;
    return ok;
}
