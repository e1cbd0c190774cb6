#include "frmuTestSql.h"

#include "DBGridEh.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Formats.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uLog.h"

#include <QAction>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString secondsSince(quint64 start)
{
    return FloatToStr(double(Services::clock()->tickCount() - start) / 1000.0);
}

void tellMain(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}

} // namespace

TfrmTestSql::TfrmTestSql(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmTestSql"));
    setWindowTitle(QStringLiteral("Запрос SQL"));

    odsQuery = new TKyv_ADODataSet(this);
    odsQuery->setObjectName(QStringLiteral("odsQuery"));
    dsQuery = new TDataSource(this);
    dsQuery->setObjectName(QStringLiteral("dsQuery"));
    dsQuery->SetDataSet(odsQuery);

    actOpenQry = new QAction(QStringLiteral("Open"), this);
    actOpenQry->setObjectName(QStringLiteral("actOpenQry"));
    actOpenQry->setShortcut(QKeySequence(Qt::Key_F8));
    actOpenQry->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    actOpenQry->setProperty("ImageIndex", 122);
    connect(actOpenQry, &QAction::triggered, this, guarded([this](bool) { actOpenQryExecute(); }));
    actExecuteQry = new QAction(QStringLiteral("Execute"), this);
    actExecuteQry->setObjectName(QStringLiteral("actExecuteQry"));
    connect(actExecuteQry, &QAction::triggered, this, guarded([this](bool) { actExecuteQryExecute(); }));
    addActions({ actOpenQry, actExecuteQry });

    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->addActions({ actOpenQry, actExecuteQry });
    memoSql = new QPlainTextEdit(this);
    memoSql->setObjectName(QStringLiteral("memoSql"));
    memoSql->setPlainText(TestSqlStartText());
    grdResult = new TDBGridEh(this);
    grdResult->setObjectName(QStringLiteral("grdResult"));
    grdResult->SetDataSource(dsQuery);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(memoSql);
    splitter->addWidget(grdResult);
    splitter->setStretchFactor(1, 2);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(splitter, 1);
    layout->addWidget(StatusBar1);
    resize(600, 400);
}

TfrmTestSql::~TfrmTestSql() = default;

void TfrmTestSql::setStatus(const QString &text)
{
    StatusBar1->showMessage(text);
}

void TfrmTestSql::failed(const QString &message)
{
    LogError(message);
    setStatus(message);
}

void TfrmTestSql::closeQuery()
{
    odsQuery->Close();
    actOpenQry->setText(QStringLiteral("Open"));
    actOpenQry->setProperty("ImageIndex", 122);
}

bool TfrmTestSql::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event); m && m->Msg == AMRunQuery) {
        tellMain(AMShowAnimate);
        guard([this] { closeQuery(); });
        tellMain(AMHideAnimate);
        return true;
    }
    return QWidget::event(event);
}

void TfrmTestSql::actOpenQryExecute()
{
    if (odsQuery->Active()) {
        closeQuery();
        setStatus(QString());
        return;
    }
    setStatus(QStringLiteral("Selecting..."));
    try {
        odsQuery->SetConnection(DMR ? DMR->dbConnection() : nullptr);
        odsQuery->SetCommandText(memoSql->toPlainText());
        const quint64 start = Services::clock()->tickCount();
        odsQuery->Open();
        actOpenQry->setText(QStringLiteral("Close"));
        actOpenQry->setProperty("ImageIndex", 28);
        setStatus(QStringLiteral("Selected ") + QString::number(odsQuery->RecordCount()) + QStringLiteral("rec. Time: ")
            + secondsSince(start) + QStringLiteral(" sec"));
    } catch (const std::exception &e) {
        closeQuery();
        failed(exceptionMessage(e));
    }
}

void TfrmTestSql::actExecuteQryExecute()
{
    closeQuery();
    setStatus(QStringLiteral("Executing..."));
    if (!DMR) {
        failed(QStringLiteral("Нет соединения с базой данных"));
        return;
    }
    const quint64 start = Services::clock()->tickCount();
    // The script reports its failure by its answer; the statement's error is what the user needs to see.
    if (!DMR->ExecSqlScript(memoSql->toPlainText())) {
        failed(DMR->LastScriptError());
        return;
    }
    setStatus(QStringLiteral("Execute time: ") + secondsSince(start) + QStringLiteral(" sec"));
}

void TfrmTestSql::closeEvent(QCloseEvent *event)
{
    guard([this] { closeQuery(); });
    QWidget::closeEvent(event);
    tellMain(AMChildClose);
    tellMain(AMHideAnimate);
}

void RegisterTestSqlForm()
{
    RegisterFormClass<TfrmTestSql>(QStringLiteral("TfrmTestSql"));
}
