#include "frmuCFG.h"

#include "ApplicationHint.h"
#include "ClientDataSet.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBNavigator.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "ScreenCursor.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "frmuMain.h"
#include "frmuSettingsDialogs.h"
#include "uLog.h"
#include "uSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString CompanyPicker = QStringLiteral("pickCompany");

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

// The integer a field holds, or the fallback when its text is not one.
int integerOf(const QLineEdit *edit, int fallback)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

// A check box that sets its setting as soon as it is clicked.
QCheckBox *settingBox(QWidget *parent, const char *name, const QString &caption, bool TAppSettings::*setting)
{
    auto *box = named(new QCheckBox(caption, parent), name);
    QObject::connect(box, &QCheckBox::toggled, box, [setting](bool on) { AppSettings().*setting = on; });
    return box;
}

void postLogged(TDataSet *dataSet, const QString &name)
{
    if (!dataSet || (dataSet->State() != dsEdit && dataSet->State() != dsInsert))
        return;
    try {
        dataSet->Post();
    } catch (const std::exception &e) {
        // The window is closing: a refused row is reported to the log only.
        LogError(exceptionMessage(e) + QStringLiteral("\rОшибка записи изменений ") + name);
    }
}

} // namespace

TfrmCFG::TfrmCFG(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCFG"));
    setWindowTitle(QStringLiteral("Настройка конфигурации"));
    setProperty("HelpContext", 6100);
    dsMainCFG = named(new TDataSource(this), "dsMainCFG");
    dsTempCFG = named(new TDataSource(this), "dsTempCFG");
    dsCompanyLookUp = named(new TDataSource(this), "dsCompanyLookUp");
    if (DM) {
        dsMainCFG->SetDataSet(DM->cdsMainCFG());
        dsTempCFG->SetDataSet(DM->mdTempCFG());
        dsCompanyLookUp->SetDataSet(DM->odsCompanyLookUp());
    }
    dsMainCFG->OnStateChange = [this](TDataSource *) { updateCompanyButton(); };

    pcMain = named(new QTabWidget(this), "pcMain");
    pcMain->addTab(createMainPage(), QStringLiteral("Основные"));
    pcMain->addTab(createCasPage(), QStringLiteral("CAS"));
    pcMain->addTab(createVoyagerPage(), QStringLiteral("Voyager"));
    pcMain->addTab(createHttpPage(), QStringLiteral("HTTP"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pcMain);
    updateCompanyButton();
}

TfrmCFG::~TfrmCFG()
{
    dsMainCFG->OnStateChange = nullptr;
}

QWidget *TfrmCFG::createMainPage()
{
    auto *page = named(new QWidget, "tsMain");
    auto *form = new QFormLayout;

    cbCompany = named(new TDBLookupComboboxEh(page), "cbCompany");
    cbCompany->SetListSource(dsCompanyLookUp);
    cbCompany->SetKeyField(QStringLiteral("COMPANY_ID"));
    cbCompany->SetListField(QStringLiteral("COMPANY_NAME"));
    cbCompany->SetDataSource(dsMainCFG);
    cbCompany->SetDataField(QStringLiteral("COMPANY_ID"));
    btnCompany = named(new QPushButton(QStringLiteral("..."), page), "btnCompany");
    btnCompany->setFixedWidth(24);
    connect(btnCompany, &QPushButton::clicked, this, guarded([this](bool) { btnCompanyClick(); }));
    auto *company = new QHBoxLayout;
    company->addWidget(cbCompany, 1);
    company->addWidget(btnCompany);
    form->addRow(QStringLiteral("Организация"), company);

    edWorkDate = named(new TDBDateTimeEditEh(page), "edWorkDate");
    edWorkDate->SetDataSource(dsTempCFG);
    edWorkDate->SetDataField(QStringLiteral("WORK_DATE"));
    form->addRow(QStringLiteral("Рабочая дата"), edWorkDate);

    edAccDay = named(new TDBNumberEditEh(page), "edAccDay");
    edAccDay->SetDataSource(dsMainCFG);
    edAccDay->SetDataField(QStringLiteral("ACC_DAY"));
    auto *accDay = new QHBoxLayout;
    accDay->addWidget(edAccDay);
    accDay->addWidget(new QLabel(QStringLiteral("числа следующего месяца"), page));
    form->addRow(QStringLiteral("Срок платежа до"), accDay);

    edInitDate = named(new TDBDateTimeEditEh(page), "edInitDate");
    edInitDate->SetDataSource(dsMainCFG);
    edInitDate->SetDataField(QStringLiteral("INIT_DATE"));
    edInitDate->setToolTip(QStringLiteral("Первое число месяца"));
    form->addRow(QStringLiteral("Дата инициализации"), edInitDate);

    cbDebtMode = named(new TDBComboBoxEh(page), "cbDebtMode");
    cbDebtMode->SetItems({ QStringLiteral("По факту"), QStringLiteral("Предоплата") });
    cbDebtMode->SetKeyItems({ QStringLiteral("0"), QStringLiteral("1") });
    cbDebtMode->SetDataSource(dsMainCFG);
    cbDebtMode->SetDataField(QStringLiteral("DEBTMODE"));
    form->addRow(QStringLiteral("Метод расчета"), cbDebtMode);

    edCustValidSum = named(new TDBNumberEditEh(page), "edCustValidSum");
    edCustValidSum->SetDataSource(dsMainCFG);
    edCustValidSum->SetDataField(QStringLiteral("CUSTVALIDSUM"));
    form->addRow(QStringLiteral("Допустимый долг"), edCustValidSum);

    cbReportLocale = named(new TDBComboBoxEh(page), "cbReportLocale");
    cbReportLocale->SetItems(
        { QStringLiteral("Россия (По умолчанию)"), QStringLiteral("Украина"), QStringLiteral("Беларусь") });
    cbReportLocale->SetKeyItems({ QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2") });
    cbReportLocale->SetDataSource(dsMainCFG);
    cbReportLocale->SetDataField(QStringLiteral("REPORT_LOCALE"));
    form->addRow(QStringLiteral("Формат отчетов"), cbReportLocale);

    navMainCFG = named(new TKyv_DBNavigator(page), "navMainCFG");
    navMainCFG->SetDataSource(dsMainCFG);
    navMainCFG->SetVisibleControls({ nbPost, nbCancel, nbEdit, nbRefresh });
    form->addRow(QString(), navMainCFG);

    auto *user = named(new QGroupBox(QStringLiteral("Настройки пользователя"), page), "gbUser");
    auto *userForm = new QFormLayout(user);
    cbEnterToTab = settingBox(
        user, "cbEnterToTab", QStringLiteral("Enter - переход к следующему полю"), &TAppSettings::enterToTab);
    cbShowCustFilter = settingBox(user, "cbShowCustFilter", QStringLiteral("Фильтр при открытии списка абонентов"),
        &TAppSettings::showCustFilter);
    cbUseToolBar = settingBox(user, "cbUseToolBar", QStringLiteral("Панель инструментов"), &TAppSettings::useToolBar);
    auto *position = named(new QGroupBox(QStringLiteral("Расположение панели"), user), "rgToolBarPos");
    rbToolBarLeft = named(new QRadioButton(QStringLiteral("слева"), position), "rbToolBarLeft");
    rbToolBarTop = named(new QRadioButton(QStringLiteral("вверху"), position), "rbToolBarTop");
    auto *positionLayout = new QHBoxLayout(position);
    positionLayout->addWidget(rbToolBarLeft);
    positionLayout->addWidget(rbToolBarTop);
    connect(rbToolBarLeft, &QRadioButton::toggled, this, [](bool on) { AppSettings().useLeftToolBar = on; });
    cbShowLocation = settingBox(
        user, "cbShowLocation", QStringLiteral("Показывать населенный пункт"), &TAppSettings::showLocation);
    edRoundPrecision = named(new QLineEdit(user), "edRoundPrecision");
    btnRoundTest = named(new QPushButton(QStringLiteral("тест"), user), "btnRoundTest");
    connect(btnRoundTest, &QPushButton::clicked, this, guarded([](bool) { ShowRoundTest(); }));
    auto *round = new QHBoxLayout;
    round->addWidget(edRoundPrecision);
    round->addWidget(btnRoundTest);
    cbExportMode = named(new QComboBox(user), "cbExportMode");
    cbExportMode->addItems({ QStringLiteral("ФИО ; адрес ; лиц.счет ; долг ; тариф"),
        QStringLiteral("лиц.счет; ФИО ; адрес; долг ; тариф"), QStringLiteral("ЕРИП"), QStringLiteral("DBF") });
    edErip202DocNo = named(new QLineEdit(user), "edErip202DocNo");
    edAccountNo = named(new QLineEdit(user), "edAccountNo");
    userForm->addRow(cbEnterToTab);
    userForm->addRow(cbShowCustFilter);
    userForm->addRow(cbUseToolBar);
    userForm->addRow(position);
    userForm->addRow(cbShowLocation);
    userForm->addRow(QStringLiteral("Точность округления"), round);
    userForm->addRow(QStringLiteral("Формат выгрузки в банк"), cbExportMode);
    userForm->addRow(QStringLiteral("Номер документа ЕРИП"), edErip202DocNo);
    userForm->addRow(QStringLiteral("Последний лицевой счет"), edAccountNo);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(user);
    layout->addStretch();
    return page;
}

QWidget *TfrmCFG::createCasPage()
{
    auto *page = named(new QWidget, "tsCAS");
    auto *form = new QFormLayout(page);
    cbUseCAS = settingBox(page, "cbUseCAS", QStringLiteral("Использовать CAS"), &TAppSettings::useCAS);
    edCASserverIP = named(new QLineEdit(page), "edCASserverIP");
    edCASserverPort = named(new QLineEdit(page), "edCASserverPort");
    edCASResponseTimeOut = named(new QLineEdit(page), "edCASResponseTimeOut");
    btnCASServer = named(new QPushButton(QStringLiteral("CAS сервер"), page), "btnCASServer");
    connect(btnCASServer, &QPushButton::clicked, this, guarded([this](bool) { btnCASServerClick(); }));
    form->addRow(cbUseCAS);
    form->addRow(QStringLiteral("Сервер"), edCASserverIP);
    form->addRow(QStringLiteral("Порт"), edCASserverPort);
    form->addRow(QStringLiteral("Время ожидания ответа, мс"), edCASResponseTimeOut);
    form->addRow(btnCASServer);
    return page;
}

QWidget *TfrmCFG::createVoyagerPage()
{
    auto *page = named(new QWidget, "tsVoyager");
    auto *form = new QFormLayout(page);
    cbUseVoyager = settingBox(page, "cbUseVoyager",
        QStringLiteral("Использовать систему мониторинга автотранспорта (Voyager)"), &TAppSettings::useVoyager);
    edVoyagerODBC = named(new QLineEdit(page), "edVoyagerODBC");
    edVoyagerUser = named(new QLineEdit(page), "edVoyagerUser");
    edVoyagerPassword = named(new QLineEdit(page), "edVoyagerPassword");
    edVoyagerPassword->setEchoMode(QLineEdit::Password);
    edVoyagerSchema = named(new QLineEdit(page), "edVoyagerSchema");
    form->addRow(cbUseVoyager);
    form->addRow(QStringLiteral("Источник данных"), edVoyagerODBC);
    form->addRow(QStringLiteral("Пользователь"), edVoyagerUser);
    form->addRow(QStringLiteral("Пароль"), edVoyagerPassword);
    form->addRow(QStringLiteral("Схема"), edVoyagerSchema);
    return page;
}

QWidget *TfrmCFG::createHttpPage()
{
    auto *page = named(new QWidget, "tsHTTP");
    auto *form = new QFormLayout(page);
    cbUseHTTP = settingBox(page, "cbUseHTTP", QStringLiteral("Использовать HTTP"), &TAppSettings::useHTTP);
    edHTTPPort = named(new QLineEdit(page), "edHTTPPort");
    edHTTPAddress = named(new QLineEdit(page), "edHTTPAddress");
    form->addRow(cbUseHTTP);
    form->addRow(QStringLiteral("Порт"), edHTTPPort);
    form->addRow(QStringLiteral("Адрес"), edHTTPAddress);
    return page;
}

void TfrmCFG::updateCompanyButton()
{
    const TDataSet *ds = dsMainCFG->DataSet();
    btnCompany->setEnabled(ds && (ds->State() == dsEdit || ds->State() == dsInsert));
}

bool TfrmCFG::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event); m && m->Msg == AMRunQuery) {
        guard([this] { loadData(); });
        return true;
    }
    return QWidget::event(event);
}

void TfrmCFG::loadData()
{
    SetScreenCursor(crHourGlass);
    const QString hint = ApplicationHint();
    SetApplicationHint(QStringLiteral("Загрузка данных"));
    tellMain(AMShowAnimate);
    struct Restore
    {
        QString hint;
        ~Restore()
        {
            SetScreenCursor(crDefault);
            SetApplicationHint(hint);
            tellMain(AMHideAnimate);
        }
    } restore { hint };

    const TAppSettings &s = AppSettings();
    cbEnterToTab->setChecked(s.enterToTab);
    cbShowCustFilter->setChecked(s.showCustFilter);
    cbUseToolBar->setChecked(s.useToolBar);
    (s.useLeftToolBar ? rbToolBarLeft : rbToolBarTop)->setChecked(true);
    cbShowLocation->setChecked(s.showLocation);
    edRoundPrecision->setText(QString::number(s.RoundPrecision));
    cbExportMode->setCurrentIndex(s.exportMode);
    edErip202DocNo->setText(QString::number(s.Erip202DocNo));
    edAccountNo->setText(QString::number(s.AccountNo));
    cbUseCAS->setChecked(s.useCAS);
    edCASserverIP->setText(s.CASserverIP);
    edCASserverPort->setText(s.CASserverPort);
    edCASResponseTimeOut->setText(QString::number(s.CASResponseTimeOut));
    cbUseVoyager->setChecked(s.useVoyager);
    edVoyagerODBC->setText(s.VoyagerODBC);
    edVoyagerUser->setText(s.VoyagerUser);
    edVoyagerPassword->setText(s.VoyagerPassword);
    edVoyagerSchema->setText(s.VoyagerSchema);
    cbUseHTTP->setChecked(s.useHTTP);
    edHTTPPort->setText(QString::number(s.HTTPPort));
    edHTTPAddress->setText(s.HTTPAddress);

    if (!DM || !DM->IsDatabaseConnected())
        return;
    DM->OpenMainCFG(true);
    // A configuration table without its row gets one at once. The row is written whole, with the values the
    // first connect gives it: a row of nulls would leave the accounting month undefined.
    if (DM->cdsMainCFG()->IsEmpty())
        DM->CreateDefaultMainCFG();
    DM->odsCompanyLookUp()->Close();
    DM->odsCompanyLookUp()->Open();
    updateCompanyButton();
}

void TfrmCFG::btnCompanyClick()
{
    const TPicker picker = FindPicker(CompanyPicker);
    if (!picker) {
        LogError(QStringLiteral("Не подключено: ") + CompanyPicker);
        return;
    }
    TDataSet *ds = dsMainCFG->DataSet();
    TField *field = ds->FieldByName(QStringLiteral("COMPANY_ID"));
    QVariant key = field->Value();
    if (!picker(key) || key.isNull() || !key.isValid() || key == field->Value())
        return;
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        field->SetValue(key);
}

void TfrmCFG::btnCASServerClick()
{
    TAppSettings &s = AppSettings();
    if (executeCasServerParams(s.CASserverIP, s.CASserverPort)) {
        // The fields follow the dialog, so that the close, which takes the fields, keeps its answer.
        edCASserverIP->setText(s.CASserverIP);
        edCASserverPort->setText(s.CASserverPort);
    }
}

void TfrmCFG::FormClose()
{
    TAppSettings &s = AppSettings();
    s.enterToTab = cbEnterToTab->isChecked();
    s.showCustFilter = cbShowCustFilter->isChecked();
    s.useToolBar = cbUseToolBar->isChecked();
    s.exportMode = std::max(0, cbExportMode->currentIndex());
    s.AccountNo = integerOf(edAccountNo, 1);
    s.RoundPrecision = integerOf(edRoundPrecision, 2);
    s.Erip202DocNo = integerOf(edErip202DocNo, 1);
    s.CASResponseTimeOut = integerOf(edCASResponseTimeOut, 1000);
    s.HTTPPort = integerOf(edHTTPPort, 8089);
    // An address cleared by the user means every interface again, as a new installation listens.
    const QString address = edHTTPAddress->text().trimmed();
    s.HTTPAddress = address.isEmpty() ? TAppSettings().HTTPAddress : address;
    s.CASserverIP = edCASserverIP->text();
    s.CASserverPort = edCASserverPort->text();
    s.showLocation = cbShowLocation->isChecked();
    s.useVoyager = cbUseVoyager->isChecked();
    s.VoyagerODBC = edVoyagerODBC->text();
    s.VoyagerUser = edVoyagerUser->text();
    s.VoyagerSchema = edVoyagerSchema->text();
    s.useHTTP = cbUseHTTP->isChecked();
    s.VoyagerPassword = edVoyagerPassword->text();
    if (DM) {
        postLogged(DM->cdsMainCFG(), QStringLiteral("cdsMainCFG"));
        postLogged(DM->cdsAppUser(), QStringLiteral("cdsAppUser"));
        DM->odsCompanyLookUp()->Close();
    }
}

void TfrmCFG::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        guard([this] { FormClose(); });
    }
    QWidget::closeEvent(event);
    tellMain(AMHideAnimate);
    tellMain(AMChildClose);
}

void RegisterCFGForm()
{
    RegisterFormClass<TfrmCFG>(QStringLiteral("TfrmCFG"));
}
