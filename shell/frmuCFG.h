#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TDBComboBoxEh;
class TDBLookupComboboxEh;
class TDBDateTimeEditEh;
class TDBNumberEditEh;
class TDataSource;
class TKyv_DBNavigator;


// The configuration window: the operator's configuration row and the user's own settings, on four pages.
// Check boxes and radio groups change their setting at once; the texts are taken when the window closes.
class TfrmCFG : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmCFG(QWidget *parent = nullptr);
    ~TfrmCFG() override;

    QTabWidget *pcMain = nullptr;
    TDataSource *dsMainCFG = nullptr;
    TDataSource *dsTempCFG = nullptr;
    // The operator's company, looked up in the company list.
    TDBLookupComboboxEh *cbCompany = nullptr;
    TDataSource *dsCompanyLookUp = nullptr;
    QPushButton *btnCompany = nullptr;
    TDBDateTimeEditEh *edWorkDate = nullptr;
    TDBNumberEditEh *edAccDay = nullptr;
    TDBDateTimeEditEh *edInitDate = nullptr;
    TDBComboBoxEh *cbDebtMode = nullptr;
    TDBNumberEditEh *edCustValidSum = nullptr;
    TDBComboBoxEh *cbReportLocale = nullptr;
    TKyv_DBNavigator *navMainCFG = nullptr;
    QCheckBox *cbEnterToTab = nullptr;
    QCheckBox *cbShowCustFilter = nullptr;
    QCheckBox *cbUseToolBar = nullptr;
    QRadioButton *rbToolBarLeft = nullptr;
    QRadioButton *rbToolBarTop = nullptr;
    QCheckBox *cbShowLocation = nullptr;
    QLineEdit *edRoundPrecision = nullptr;
    QPushButton *btnRoundTest = nullptr;
    QComboBox *cbExportMode = nullptr;
    QLineEdit *edErip202DocNo = nullptr;
    QLineEdit *edAccountNo = nullptr;
    QCheckBox *cbUseCAS = nullptr;
    QLineEdit *edCASserverIP = nullptr;
    QLineEdit *edCASserverPort = nullptr;
    QLineEdit *edCASResponseTimeOut = nullptr;
    QPushButton *btnCASServer = nullptr;
    QCheckBox *cbUseVoyager = nullptr;
    QLineEdit *edVoyagerODBC = nullptr;
    QLineEdit *edVoyagerUser = nullptr;
    QLineEdit *edVoyagerPassword = nullptr;
    QLineEdit *edVoyagerSchema = nullptr;
    QCheckBox *cbUseHTTP = nullptr;
    QLineEdit *edHTTPPort = nullptr;
    QLineEdit *edHTTPAddress = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *createMainPage();
    QWidget *createCasPage();
    QWidget *createVoyagerPage();
    QWidget *createHttpPage();
    void loadData();
    void FormClose();
    void btnCompanyClick();
    void btnCASServerClick();
    void updateCompanyButton();
    bool m_closed = false;
};

void RegisterCFGForm();
