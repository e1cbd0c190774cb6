#include "frmuCASConsole.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Formats.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "Variant.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "dmuSMS.h"
#include "uCasPacket.h"
#include "frmuMain.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void tellMain(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}

template <class T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The guides register their pickers by these names.
const QString SmartCardPicker = QStringLiteral("pickSmartCard");
const QString DTVProviderPicker = QStringLiteral("pickDTVProvider");
const QString ServicePicker = QStringLiteral("pickService");

// Per command list item: its code, its log label and the inputs it uses.
struct TConsoleCommand
{
    const char *code;
    const char *label;
    bool card, provider, package, dates;
};
const TConsoleCommand Commands[] = {
    { "0100", "Тест TCP: ", false, false, false, false },
    { "0201", "Активация смарткарты : ", true, true, false, false },
    { "0203", "Блокировка смарткарты : ", true, true, false, false },
    { "0301", "Авторизировать пакет : ", true, true, true, true },
    { "0302", "Блокировать авторизированный пакет : ", true, true, true, false },
};

bool noChoice(const QVariant &key)
{
    return isNullValue(key) || key.toInt() == -1;
}

} // namespace

TfrmCASConsole::TfrmCASConsole(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCASConsole"));
    setWindowTitle(QStringLiteral("CAS консоль"));
    setProperty("HelpContext", 5500);

    dsCASCFG = named(new TDataSource(this), "dsCASCFG");
    dsSmartCard = named(new TDataSource(this), "dsSmartCard");
    dsProvider = named(new TDataSource(this), "dsProvider");
    dsPackage = named(new TDataSource(this), "dsPackage");
    if (dmSMS) {
        dsCASCFG->SetDataSet(dmSMS->mdCASCFG());
        dsSmartCard->SetDataSet(dmSMS->rdsCASCFGSmartCardLookup());
        dsProvider->SetDataSet(dmSMS->rdsDTVProviderLookup());
        dsPackage->SetDataSet(dmSMS->rdsDTVPackageLookup());
    }

    memoLog = named(new QPlainTextEdit(this), "memoLog");
    memoLog->setReadOnly(true);
    cbCommand = named(new QComboBox(this), "cbCommand");
    cbCommand->addItems({ QStringLiteral("Тест TCP соединения"), QStringLiteral("Активировать смарткарту"),
        QStringLiteral("Блокировать смарткарту"), QStringLiteral("Авторизировать пакет"),
        QStringLiteral("Блокировать авторизированный пакет") });
    connect(cbCommand, &QComboBox::currentIndexChanged, this, guarded([this](int) { CommandChange(); }));

    const auto lookup = [this](const char *name, TDataSource *list, const char *key, const char *shown) {
        auto *combo = named(new TDBLookupComboboxEh(this), name);
        combo->SetListSource(list);
        combo->SetKeyField(QString::fromLatin1(key));
        combo->SetListField(QString::fromLatin1(shown));
        combo->SetDataSource(dsCASCFG);
        combo->SetDataField(QString::fromLatin1(key));
        return combo;
    };
    cbSmartCard = lookup("cbSmartCard", dsSmartCard, "SMARTCARD_ID", "SMARTCARD_NO");
    cbProvider = lookup("cbProvider", dsProvider, "DTV_PROVIDER_ID", "PROVIDER_NAME");
    cbPackage = lookup("cbPackage", dsPackage, "SERV_ID", "SERV_DESCR");
    const auto dateEdit = [this](const char *name, const char *field) {
        auto *edit = named(new TDBDateTimeEditEh(this), name);
        edit->SetEditFormat(QStringLiteral("dd.MM.yyyy"));
        edit->SetDataSource(dsCASCFG);
        edit->SetDataField(QString::fromLatin1(field));
        return edit;
    };
    edDateFrom = dateEdit("edDateFrom", "DATE_FROM");
    edDateTo = dateEdit("edDateTo", "DATE_TO");
    const auto pickButton = [this](const char *name, const QString &picker, const char *field) {
        auto *button = named(new QPushButton(QStringLiteral("..."), this), name);
        button->setFixedWidth(28);
        connect(button, &QPushButton::clicked, this, guarded([this, picker, field](bool) { pick(picker, field); }));
        return button;
    };
    btnSmartCard = pickButton("btnSmartCard", SmartCardPicker, "SMARTCARD_ID");
    btnProvider = pickButton("btnProvider", DTVProviderPicker, "DTV_PROVIDER_ID");
    btnPackage = pickButton("btnPackage", ServicePicker, "SERV_ID");

    actSendCommand = named(new QAction(QStringLiteral("Выполнить"), this), "actSendCommand");
    connect(actSendCommand, &QAction::triggered, this, guarded([this](bool) { actSendCommandExecute(); }));
    addAction(actSendCommand);
    auto *btnSend = named(new QToolButton(this), "btnSendCommand");
    btnSend->setDefaultAction(actSendCommand);

    auto *grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString &caption, QWidget *input, QWidget *button) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(input, row, 1);
        if (button)
            grid->addWidget(button, row, 2);
        ++row;
    };
    addRow(QStringLiteral("Команда"), cbCommand, btnSend);
    addRow(QStringLiteral("смарткарта №"), cbSmartCard, btnSmartCard);
    addRow(QStringLiteral("Провайдер"), cbProvider, btnProvider);
    addRow(QStringLiteral("Пакет"), cbPackage, btnPackage);
    addRow(QStringLiteral("Дата с:"), edDateFrom, nullptr);
    addRow(QStringLiteral("Дата по:"), edDateTo, nullptr);
    grid->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(memoLog, 1);
    resize(560, 420);
}

TfrmCASConsole::~TfrmCASConsole() = default;

void TfrmCASConsole::openData()
{
    if (!dmSMS)
        return;
    tellMain(AMShowAnimate);
    // The animation stops whatever the opening does.
    struct Hide
    {
        ~Hide() { tellMain(AMHideAnimate); }
    } hide;
    dmSMS->OpenCASCFG();
    for (TKyv_ADODataSet *ds :
        { dmSMS->rdsCASCFGSmartCardLookup(), dmSMS->rdsDTVProviderLookup(), dmSMS->rdsDTVPackageLookup() }) {
        ds->Close();
        ds->Open();
    }
}

bool TfrmCASConsole::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event); m && m->Msg == AMRunQuery) {
        // The main window shows a child before it loads it: the choice is applied again on the loaded record.
        guard([this] {
            openData();
            CommandChange();
        });
        return true;
    }
    return QWidget::event(event);
}

void TfrmCASConsole::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    guard([this] { CommandChange(); });
}

void TfrmCASConsole::CommandChange()
{
    for (QWidget *input : std::initializer_list<QWidget *> {
             cbSmartCard, cbProvider, cbPackage, edDateFrom, edDateTo, btnSmartCard, btnProvider, btnPackage })
        input->setEnabled(false);
    actSendCommand->setEnabled(AppSettings().useCAS);
    const int item = cbCommand->currentIndex();
    if (item < 0 || item >= int(std::size(Commands)))
        return;
    const TConsoleCommand &c = Commands[item];
    TDataSet *record = dsCASCFG->DataSet();
    if (record && record->Active()) {
        if (record->State() == dsBrowse)
            record->Edit();
        record->FieldByName(QStringLiteral("TYPE_CODE"))->SetValue(QString::fromLatin1(c.code));
    }
    cbSmartCard->setEnabled(c.card);
    btnSmartCard->setEnabled(c.card);
    cbProvider->setEnabled(c.provider);
    btnProvider->setEnabled(c.provider);
    cbPackage->setEnabled(c.package);
    btnPackage->setEnabled(c.package);
    edDateFrom->setEnabled(c.dates);
    edDateTo->setEnabled(c.dates);
}

void TfrmCASConsole::AddLog(const QString &message)
{
    memoLog->appendPlainText(DateTimeToStr(DateTimeToDayCount(Services::clock()->now())) + QLatin1Char(' ') + message);
}

void TfrmCASConsole::pick(const QString &picker, const char *field)
{
    const TPicker choose = FindPicker(picker);
    if (!choose) {
        LogError(QStringLiteral("Не подключено: ") + picker);
        return;
    }
    TDataSet *record = dsCASCFG->DataSet();
    if (!record || !record->Active())
        return;
    TField *f = record->FieldByName(QString::fromLatin1(field));
    QVariant key = f->Value();
    if (!choose(key) || isNullValue(key) || key == f->Value())
        return;
    if (record->State() == dsBrowse)
        record->Edit();
    f->SetValue(key);
}

void TfrmCASConsole::followRecord()
{
    TDataSet *record = dsCASCFG->DataSet();
    const struct
    {
        TDataSource *list;
        const char *key;
    } lists[] = { { dsSmartCard, "SMARTCARD_ID" }, { dsProvider, "DTV_PROVIDER_ID" }, { dsPackage, "SERV_ID" } };
    for (const auto &l : lists) {
        TDataSet *ds = l.list->DataSet();
        const QVariant key = record->FieldByName(QString::fromLatin1(l.key))->Value();
        if (ds && ds->Active() && !isNullValue(key))
            ds->Locate(QString::fromLatin1(l.key), key);
    }
}

void TfrmCASConsole::actSendCommandExecute()
{
    if (!dmSMS)
        return;
    TDataSet *record = dsCASCFG->DataSet();
    if (!record->Active())
        dmSMS->OpenCASCFG();
    const struct
    {
        QWidget *input;
        const char *field;
        const char *message;
    } checks[] = {
        { cbSmartCard, "SMARTCARD_ID", "Не выбрана смарткарта" },
        { cbProvider, "DTV_PROVIDER_ID", "Не выбран провайдер" },
        { cbPackage, "SERV_ID", "Не выбран пакет" },
    };
    for (const auto &c : checks) {
        if (c.input->isEnabled() && noChoice(record->FieldByName(QString::fromLatin1(c.field))->Value())) {
            Services::messages()->error(QString::fromUtf8(c.message));
            c.input->setFocus();
            return;
        }
    }
    if (!dmSMS->IsOpen())
        dmSMS->actConnectToCASServer();
    if (record->State() == dsBrowse)
        record->Edit();
    TField *commandText = record->FieldByName(QStringLiteral("COMMAND_TEXT"));
    commandText->Clear();
    if (!dmSMS->IsOpen())
        return;
    tellMain(AMShowAnimate);
    struct Hide
    {
        ~Hide() { tellMain(AMHideAnimate); }
    } hide;
    const QString code = record->FieldByName(QStringLiteral("TYPE_CODE"))->AsString();
    followRecord();
    const QString request = dmSMS->buildCasCommand(code);
    commandText->SetValue(request);
    QString label;
    for (const TConsoleCommand &c : Commands) {
        if (code == QLatin1String(c.code))
            label = QString::fromUtf8(c.label);
    }
    AddLog(label + request);
    if (request.trimmed().isEmpty()) {
        AddLog(QStringLiteral("Ошибка формирования кода"));
        return;
    }
    AddLog(QStringLiteral("Ответ: ") + describeReply(dmSMS->sendCasRequest(request)));
}

void TfrmCASConsole::closeEvent(QCloseEvent *event)
{
    if (dmSMS) {
        guard([] {
            dmSMS->mdCASCFG()->Close();
            for (TKyv_ADODataSet *ds :
                { dmSMS->rdsCASCFGSmartCardLookup(), dmSMS->rdsDTVProviderLookup(), dmSMS->rdsDTVPackageLookup() })
                ds->Close();
        });
    }
    QWidget::closeEvent(event);
    tellMain(AMChildClose);
    tellMain(AMHideAnimate);
}

void RegisterCasForms()
{
    RegisterFormClass<TfrmCASConsole>(QStringLiteral("TfrmCASConsole"));
}
