#pragma once

#include <QVariant>
#include <QWidget>
#include <QDialog>

class QAction;
class QGroupBox;
class QLineEdit;
class QStackedWidget;
class QTabWidget;
class TDBCheckBoxEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TDataSet;
class TDataSource;
class TKyv_ADODataSet;
class TKyv_ClientDataSet;
class TKyv_DBGridEh;
class TKyv_DBNavigator;

// The services editor ("Тарифные планы"): the packages on the left, the services of the chosen package with
// their tariffs and connected services, and a detail page for one service. A tariff added to a service ends the
// one before it on the day before; deleting the last tariff reopens the one before it.
class TfrmServTypeGuide : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmServTypeGuide(QWidget *parent = nullptr);
    ~TfrmServTypeGuide() override;

    void Setup(const QVariant &initKey, int mode);
    void openDataSets();
    void closeDataSets();
    void checkBtns();
    QVariant CurrentKey() const { return m_currentKey; }

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsDetail = nullptr;
    QTabWidget *pcServInfo = nullptr;
    QLineEdit *edtSearch = nullptr;
    TKyv_DBGridEh *dbgServicePackage = nullptr;
    TKyv_DBGridEh *dbgServ = nullptr;
    TKyv_DBGridEh *dbgTarif = nullptr;
    TKyv_DBGridEh *dbgLinkedServ = nullptr;
    TKyv_DBNavigator *navTarif = nullptr;
    TDBEditEh *edtServCode = nullptr;
    TDBEditEh *edtServDescr = nullptr;
    TDBLookupComboboxEh *lcbServType = nullptr;
    TDBLookupComboboxEh *lcbChildServ = nullptr;
    TDBLookupComboboxEh *lcbServPackage = nullptr;
    TDBEditEh *edtNotice = nullptr;
    QGroupBox *gbCAS = nullptr;
    TDBCheckBoxEh *chkDtvPackage = nullptr;
    TDBNumberEditEh *edtDtvPackageCode = nullptr;
    QGroupBox *gbVoyager = nullptr;
    TDBCheckBoxEh *chkUseVoyager = nullptr;

    TKyv_ADODataSet *odsServicePackage = nullptr;
    TKyv_ClientDataSet *cdsServ = nullptr;
    TKyv_ClientDataSet *cdsTarif = nullptr;
    TKyv_ADODataSet *odsLinkedServ = nullptr;
    TKyv_ADODataSet *odsServType = nullptr;
    TKyv_ADODataSet *odsChildServLookup = nullptr;
    TKyv_ADODataSet *odsServPackageLookup = nullptr;
    TDataSource *dsServ = nullptr;
    TDataSource *dsTarif = nullptr;

    QAction *actNewService = nullptr;
    QAction *actDelServ = nullptr;
    QAction *actEditService = nullptr;
    QAction *actNewTarif = nullptr;
    QAction *actDelTarif = nullptr;
    QAction *actEditTarif = nullptr;
    QAction *actRefreshServ = nullptr;
    QAction *actSelectServicePackage = nullptr;
    QAction *actSearch = nullptr;
    QAction *actMrOk = nullptr;
    QAction *actMrCancel = nullptr;
    QAction *actClose = nullptr;
    QAction *actApply = nullptr;
    QAction *actCancel = nullptr;
    QAction *actFilter = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateDataSets();
    void CreateActions();
    void CreateListPage();
    void CreateDetailPage();
    void PackageScrolled();
    void ServScrolled();
    void ReadTarifs();
    void ServNewRecord();
    void ServBeforePost();
    void ServAfterPost();
    void TarifNewRecord();
    void TarifBeforePost();
    void TarifAfterPost();
    bool validateInput();
    void actNewServiceExecute();
    void actEditServiceExecute();
    void actDelServExecute();
    void actNewTarifExecute();
    void actDelTarifExecute();
    void actApplyExecute();
    void actCancelExecute();
    void actMrOkExecute();
    void actSelectServicePackageExecute();
    void LinkedServDblClick();
    void PostPending();

    QVariant m_initKey;
    QVariant m_currentKey;
    int m_mode = 0;
    QVariant m_prevTarifId;
    QVariant m_selectedPackageId;
    // Set while a tariff stored by its own command is taken off the change log.
    bool m_tarifStored = false;
};

// The services editor: mode 0 browses and edits, mode 1 hands back the chosen SERV_ID. True when closed with Ok;
// `outKey` is the chosen service then, and the initial key otherwise.
bool executeServTypeGuide(const QVariant &initKey, int mode, QVariant &outKey);

// The main-menu command and the pickers of this unit.
void RegisterServiceGuides();
