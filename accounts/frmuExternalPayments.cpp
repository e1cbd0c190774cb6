#include "frmuExternalPayments.h"

#include "ClientDataSet.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_Dbf.h"
#include "Registry.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uWindowActions.h"
#include "uSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char *const kFloatFormat = "### ### ### ##0.00";

} // namespace

QString TfrmExternalPayments::PlacementKey()
{
    return QStringLiteral("\\Software\\Velmora\\tarvik\\Settings\\frmExternalPayments");
}

TfrmExternalPayments::TfrmExternalPayments(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmExternalPayments"));
    setWindowTitle(QStringLiteral("Внешние платежи"));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateActions();
    CreateDataSets();
    CreateGrids();

    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->addActions({ actLoadFromFile, actLoadFromDBF, actAddPayments });
    toolBar->addSeparator();
    toolBar->addAction(actClose);

    memErrors = new QPlainTextEdit(this);
    memErrors->setObjectName(QStringLiteral("memErrors"));
    memErrors->setReadOnly(true);

    auto *lists = new QSplitter(Qt::Horizontal, this);
    lists->addWidget(dbgPayDoc);
    lists->addWidget(dbgPayment);
    lists->setStretchFactor(1, 2);
    auto *body = new QSplitter(Qt::Vertical, this);
    body->addWidget(lists);
    body->addWidget(memErrors);
    body->setStretchFactor(0, 3);
    body->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(body);
    resize(760, 480);
    RestorePlacement();
}

TfrmExternalPayments::~TfrmExternalPayments() = default;

void TfrmExternalPayments::CreateActions()
{
    actLoadFromFile = AddWindowAction(this, "actLoadFromFile", QStringLiteral("Загрузить из файла"),
        QStringLiteral("Загрузить платежки из файла"), [this] { actLoadFromFileExecute(); });
    actLoadFromDBF = AddWindowAction(
        this, "actLoadFromDBF", QStringLiteral("Загрузить из DBF"), {}, [this] { actLoadFromDBFExecute(); });
    actAddPayments = AddWindowAction(this, "actAddPayments", QStringLiteral("Добавить платежи в базу"),
        QStringLiteral("Формирование платежек"), [this] { actAddPaymentsExecute(); });
    actClose = new QAction(QStringLiteral("Закрыть"), this);
    actClose->setObjectName(QStringLiteral("actClose"));
    connect(actClose, &QAction::triggered, this, &QWidget::close);
    addAction(actClose);
}

void TfrmExternalPayments::CreateDataSets()
{
    cdsPayDoc = new TClientDataSet(this);
    cdsPayDoc->setObjectName(QStringLiteral("cdsPayDoc"));
    TFieldDefs &docs = cdsPayDoc->FieldDefs();
    docs.Add(QStringLiteral("PayDocId"), ftInteger);
    docs.Add(QStringLiteral("PaySourceId"), ftInteger);
    docs.Add(QStringLiteral("PayDocNo"), ftString, 15);
    docs.Add(QStringLiteral("PayDocDateStr"), ftString, 10);
    docs.Add(QStringLiteral("PayDocSum"), ftFloat);
    cdsPayDoc->CreateDataSet();
    dsPayDoc = new TDataSource(this);
    dsPayDoc->SetDataSet(cdsPayDoc);

    cdsPayment = new TClientDataSet(this);
    cdsPayment->setObjectName(QStringLiteral("cdsPayment"));
    TFieldDefs &payments = cdsPayment->FieldDefs();
    payments.Add(QStringLiteral("RecNo"), ftInteger);
    payments.Add(QStringLiteral("PayDocId"), ftInteger);
    payments.Add(QStringLiteral("CustomerId"), ftInteger);
    payments.Add(QStringLiteral("PaymentId"), ftInteger);
    payments.Add(QStringLiteral("AccountNo"), ftString, 15);
    payments.Add(QStringLiteral("CustomerFIO"), ftString, 35);
    payments.Add(QStringLiteral("PayDateStr"), ftString, 10);
    payments.Add(QStringLiteral("PaySum"), ftFloat);
    cdsPayment->CreateDataSet();
    cdsPayment->SetMasterSource(dsPayDoc);
    cdsPayment->SetMasterFields(QStringLiteral("PayDocId"));
    dsPayment = new TDataSource(this);
    dsPayment->SetDataSet(cdsPayment);

    // Each list leaves its empty packet in the user's temporary folder, as the lists' files.
    cdsPayDoc->SaveToFile(QDir::temp().filePath(QStringLiteral("cdsPayDoc.xml")));
    cdsPayment->SaveToFile(QDir::temp().filePath(QStringLiteral("cdsPayment.xml")));
}

void TfrmExternalPayments::CreateGrids()
{
    auto column = [](TKyv_DBGridEh *grid, const char *field, const QString &title, int width) {
        TColumnEh *c = grid->Columns().Add();
        c->SetFieldName(QString::fromLatin1(field));
        c->Title().SetCaption(title);
        c->SetWidth(width);
        return c;
    };
    dbgPayDoc = new TKyv_DBGridEh(this);
    dbgPayDoc->setObjectName(QStringLiteral("dbgPayDoc"));
    dbgPayDoc->SetReadOnly(true);
    dbgPayDoc->SetDataSource(dsPayDoc);
    column(dbgPayDoc, "PayDocNo", QStringLiteral("№ док."), 60);
    column(dbgPayDoc, "PayDocDateStr", QStringLiteral("Дата док."), 75);
    column(dbgPayDoc, "PayDocSum", QStringLiteral("Сумма"), 80)->SetDisplayFormat(QString::fromLatin1(kFloatFormat));

    dbgPayment = new TKyv_DBGridEh(this);
    dbgPayment->setObjectName(QStringLiteral("dbgPayment"));
    dbgPayment->SetReadOnly(true);
    dbgPayment->SetOptions(dbgPayment->Options() | dgMultiSelect);
    dbgPayment->SetFooterRowCount(1);
    dbgPayment->SumList().SetActive(true);
    dbgPayment->SetDataSource(dsPayment);
    column(dbgPayment, "RecNo", QStringLiteral("№ п.п."), 50)->Footer().SetValueType(fvtCount);
    column(dbgPayment, "CustomerFIO", QStringLiteral("Плательщик"), 200);
    column(dbgPayment, "PayDateStr", QStringLiteral("Дата"), 80);
    TColumnEh *sum = column(dbgPayment, "PaySum", QStringLiteral("Сумма"), 90);
    sum->SetDisplayFormat(QString::fromLatin1(kFloatFormat));
    sum->Footer().SetValueType(fvtSum);
    sum->Footer().SetDisplayFormat(QString::fromLatin1(kFloatFormat));
}

void TfrmExternalPayments::actLoadFromFileExecute()
{
    const bool erip = AppSettings().exportMode == 2;
    FileDialogRequest request;
    request.filter = QStringLiteral("All files|*.*");
    if (erip) {
        request.initialDir = AppSettings().Erip210DocPath;
        request.fileName = QStringLiteral("*.210");
        request.defaultExt = QStringLiteral("210");
    }
    if (!Services::dialogs()->openFile(request))
        return;
    const QString path = request.fileName;
    const QString name = QFileInfo(path).fileName();
    LoadRegister(name, [&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Exception(file.errorString());
        const QStringList lines = RegisterLines(file.readAll());
        const int firstDocId = int(DMR->GetNextNo(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC")));
        if (erip) {
            AppSettings().Erip210DocPath = QDir::toNativeSeparators(QFileInfo(path).absolutePath()) + QDir::separator();
            ReadEripRegister(lines, name, firstDocId, m_register);
        } else {
            ReadTextRegister(
                AppSettings().importPaymentsMode, lines, name, firstDocId, Services::clock()->today(), m_register);
        }
    });
}

void TfrmExternalPayments::actLoadFromDBFExecute()
{
    FileDialogRequest request;
    request.filter = QStringLiteral("All files|*.*");
    request.defaultExt = QStringLiteral("dbf");
    QSqlQuery q = DMR->dbConnection()->OpenQuery(RegisterFoldersStatement());
    if (q.next())
        request.initialDir = q.value(5).toString();
    if (!Services::dialogs()->openFile(request))
        return;
    const QString path = request.fileName;
    LoadRegister(path, [&] {
        TKyv_Dbf table(path);
        ReadDbfRegister(AppSettings().importPaymentsMode, table, Services::clock()->today(), m_register);
    });
}

void TfrmExternalPayments::LoadRegister(const QString &shownName, const std::function<void()> &read)
{
    TScreenCursorScope cursor(crHourGlass);
    m_register = TPaymentRegister();
    m_register.fileName = shownName;
    QString failure;
    try {
        // Every row shows the next free payment number; storing numbers the payments afresh.
        m_nextPaymentId = int(DMR->GetNextNo(QStringLiteral("PAYMENT_ID"), QStringLiteral("ZOLT.PAYMENT")));
        read();
    } catch (const Exception &e) {
        m_register.complete = false;
        failure = e.message() + QLatin1Char('\r') + QStringLiteral("Не удается открыть файл \"%1\".").arg(shownName);
    }
    try {
        ResolveRegisterAccounts(*DMR, m_register);
    } catch (const Exception &e) {
        m_register.complete = false;
        failure += (failure.isEmpty() ? QString() : QStringLiteral("\r")) + e.message();
    }
    ShowRegister();
    if (!failure.isEmpty())
        Services::messages()->error(failure);
}

void TfrmExternalPayments::ShowRegister()
{
    cdsPayment->DisableControls();
    cdsPayDoc->DisableControls();
    cdsPayment->EmptyDataSet();
    cdsPayDoc->EmptyDataSet();
    for (const TRegisterDoc &d : m_register.docs) {
        cdsPayDoc->Append();
        cdsPayDoc->FieldByName(QStringLiteral("PayDocId"))->SetValue(d.PayDocId);
        cdsPayDoc->FieldByName(QStringLiteral("PaySourceId"))->SetValue(d.PaySourceId);
        cdsPayDoc->FieldByName(QStringLiteral("PayDocNo"))->SetValue(d.PayDocNo);
        cdsPayDoc->FieldByName(QStringLiteral("PayDocDateStr"))->SetValue(d.PayDocDateStr);
        cdsPayDoc->FieldByName(QStringLiteral("PayDocSum"))->SetValue(d.PayDocSum);
        cdsPayDoc->Post();
    }
    for (const TRegisterPayment &p : m_register.payments) {
        cdsPayment->Append();
        cdsPayment->FieldByName(QStringLiteral("RecNo"))->SetValue(p.RecNo);
        cdsPayment->FieldByName(QStringLiteral("PayDocId"))->SetValue(p.PayDocId);
        cdsPayment->FieldByName(QStringLiteral("CustomerId"))->SetValue(p.CustomerId);
        cdsPayment->FieldByName(QStringLiteral("PaymentId"))->SetValue(m_nextPaymentId);
        cdsPayment->FieldByName(QStringLiteral("AccountNo"))->SetValue(p.AccountNo.left(15));
        cdsPayment->FieldByName(QStringLiteral("CustomerFIO"))->SetValue(p.CustomerFIO);
        cdsPayment->FieldByName(QStringLiteral("PayDateStr"))->SetValue(p.PayDateStr);
        cdsPayment->FieldByName(QStringLiteral("PaySum"))->SetValue(p.PaySum);
        cdsPayment->Post();
    }
    cdsPayDoc->First();
    cdsPayDoc->EnableControls();
    cdsPayment->EnableControls();
    memErrors->setPlainText(m_register.errors.join(QLatin1Char('\n')));
}

void TfrmExternalPayments::actAddPaymentsExecute()
{
    if (m_register.docs.isEmpty()) {
        Services::messages()->information(QStringLiteral("Предварительно надо загрузить платежи из файла"));
        return;
    }
    if (!m_register.complete) {
        Services::messages()->warning(QStringLiteral("Файл \"%1\" прочитан не полностью, платежи не добавлены. "
                                                     "Исправьте файл и загрузите его снова.")
                                          .arg(m_register.fileName));
        return;
    }
    const bool erip = AppSettings().exportMode == 2;
    // The database tells a file stored before, also after a restart and also when its store was cut short: the
    // documents stored then are there whole, the others not at all.
    QList<bool> stored = StoredRegisterDocs(*DMR, m_register, erip);
    const qsizetype storedDocs = stored.count(true);
    if (storedDocs == m_register.docs.size()) {
        if (!Services::messages()->confirm(
                QStringLiteral("Платежи из файла \"%1\" уже добавлены в базу. Добавить их еще раз?")
                    .arg(m_register.fileName),
                mbNo))
            return;
        stored.clear();
    } else if (storedDocs > 0
        && !Services::messages()->confirm(
            QStringLiteral("Платежи из файла \"%1\" добавлены в базу не полностью: сохранено документов %2 из %3. "
                           "Добавить остальные документы?")
                .arg(m_register.fileName)
                .arg(storedDocs)
                .arg(m_register.docs.size()))) {
        return;
    }
    TRegisterStoreResult result;
    {
        TScreenCursorScope cursor(crHourGlass);
        const QDate today = Services::clock()->today();
        result = StoreRegister(*DMR, m_register, erip, today, DMR->AccDate(), stored);
    }
    if (!result.checked) {
        Services::messages()->warning(
            QStringLiteral("Платежи не добавлены:\r") + result.problems.join(QLatin1Char('\r')));
        return;
    }
    const QString summary = RegisterStoreSummary(result).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    if (result.problems.isEmpty())
        Services::messages()->information(result.lastNotice + QLatin1Char('\r') + summary);
    else
        Services::messages()->warning(summary);
}

void TfrmExternalPayments::StorePlacement() const
{
    TRegistry reg;
    if (!reg.OpenKey(PlacementKey(), true))
        return;
    const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    reg.WriteInteger(QStringLiteral("Left"), r.left());
    reg.WriteInteger(QStringLiteral("Top"), r.top());
    reg.WriteInteger(QStringLiteral("Width"), r.width());
    reg.WriteInteger(QStringLiteral("Height"), r.height());
    reg.WriteBool(QStringLiteral("Maximized"), isMaximized());
}

void TfrmExternalPayments::RestorePlacement()
{
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(PlacementKey()) || !reg.ValueExists(QStringLiteral("Width")))
        return;
    try {
        const int width = reg.ReadInteger(QStringLiteral("Width"));
        const int height = reg.ReadInteger(QStringLiteral("Height"));
        if (width > 0 && height > 0)
            setGeometry(reg.ReadInteger(QStringLiteral("Left")), reg.ReadInteger(QStringLiteral("Top")), width, height);
        if (reg.ReadBool(QStringLiteral("Maximized")))
            setWindowState(windowState() | Qt::WindowMaximized);
    } catch (const ERegistryException &) {
        // A placement written by hand that is no number leaves the window where it opened.
    }
}

bool TfrmExternalPayments::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event)) {
        if (m->Msg == AMRunQuery) {
            // Nothing to load: a register is read on request. The hourglass and animation only blink.
            TScreenCursorScope cursor(crHourGlass);
            TellMainWindow(AMShowAnimate);
            TellMainWindow(AMHideAnimate);
            return true;
        }
    }
    return QWidget::event(event);
}

void TfrmExternalPayments::closeEvent(QCloseEvent *event)
{
    guard([this] {
        StorePlacement();
        cdsPayment->EmptyDataSet();
        cdsPayDoc->EmptyDataSet();
        cdsPayment->Close();
        cdsPayDoc->Close();
    });
    TellMainWindow(AMChildClose);
    TellMainWindow(AMHideAnimate);
    event->accept();
}

void RegisterExternalPaymentsForms()
{
    RegisterFormClass<TfrmExternalPayments>(QStringLiteral("TfrmExternalPayments"));
}
