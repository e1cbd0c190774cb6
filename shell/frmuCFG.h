#pragma once

#include <QVariant>
#include <QWidget>

#include <functional>

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

// A chooser of a row of a guide: given the current key, true with the chosen key. The guides register theirs
// by name, so that the shell asks for a company without knowing the guides.
using TPicker = std::function<bool(QVariant &key)>;
void RegisterPicker(const QString &name, TPicker picker);
void UnRegisterPicker(const QString &name);
// The picker of that name; empty while nobody registered it.
TPicker FindPicker(const QString &name);

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
