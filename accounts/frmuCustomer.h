#pragma once

#include "CustomGrid.h"
#include "WidgetKit.h"

#include <QDateTime>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class TDataLink;
class TDataSet;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TKyv_DBGridEh;
class TKyv_DBNavigator;
class TSearchFrame;

// Which of the main window's six list colours (CustListFontColors) a customer row is written in: gray for an
// ended contract, blue for one reconnected within the last month, red for a connected customer owing more than
// the allowed debt, maroon for a debtor not connected, teal for any other customer not connected, else the
// window-text colour. A debt equal to the allowed one is no overdraft.
enum TCustRowColor { crcWindowText = 0, crcTeal = 1, crcGray = 2, crcRed = 3, crcMaroon = 4, crcBlue = 5 };
TCustRowColor CustRowColor(const QDateTime &now, const QVariant &validTo, double reconnected, double debt,
    int state, double allowedDebt);

// The search box's text as the list's current index compares it: house and flat numbers padded on the left
// with blanks to 6 characters and the account number to 15 (as the list's RO_ columns hold them); a customer
// code typed with "," on the numeric keypad gets "." instead.
QString CustSearchText(const QString &indexName, const QString &typed);

// Initials of a person as the card rebuilds them: the upper-case first letter of each trimmed name followed
// by "."; a missing name gives nothing.
QString CustomerInitials(const QString &firstName, const QString &middleName);

// The customer list: the grid over custDM's customer list with the card's pages below it. Loads its data when
// the shell tells it to; sorts by the title markers, searches as the user types, refreshes back to the customer
// it was on. The card (the editor page and the information pages with their actions) lies in
// frmuCustomerCard.cpp and frmuCustomerPages.cpp.
class TfrmCustomer : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmCustomer(QWidget *parent = nullptr);
    ~TfrmCustomer() override;

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsDetail = nullptr;
    TSearchFrame *SearchFrame = nullptr;
    TKyv_DBGridEh *dbgCustomer = nullptr;
    QTabWidget *pcAddInfo = nullptr;

    QAction *actSearch = nullptr;
    QAction *actRefreshCustomer = nullptr;
    QAction *actPnlClientInfoStatus = nullptr;
    QAction *actNextPageCopy = nullptr;
    QAction *actPrevPage = nullptr;
    QAction *actEditCustomer = nullptr;
    QAction *actClose = nullptr;

    // The customer filter (frmuCustomerFilter.cpp): the settings dialog, the master switch, the preset of
    // debtors without letters, and the builder that applies the settings to the list.
    QAction *actFilter = nullptr;
    QAction *actFilterStatus = nullptr;
    QAction *actFilterNotSend = nullptr;
    QAction *actCheckFilter = nullptr;
    void actCheckFilterExecute();

    // ---- The card's actions
    QAction *actNewCustomer = nullptr;
    QAction *actDelCustomer = nullptr;
    QAction *actApply = nullptr;
    QAction *actCancel = nullptr;
    QAction *actSelectHouse = nullptr;
    QAction *actClearValidToDate = nullptr;
    QAction *actCustomerPayment = nullptr;
    QAction *actNewTicket = nullptr;
    QAction *actAppendSmartCard = nullptr;
    QAction *actReloadVoyagerState = nullptr;
    QAction *actActivateVoyagerUser = nullptr;
    QAction *actDeactivateVoyagerUser = nullptr;
    QAction *actSetWebPassword = nullptr;
    QAction *actRecalcDebt = nullptr;
    QAction *actRecalcDebtAll = nullptr;
    QAction *actRecalcStateAll = nullptr;
    QAction *actActivateSubscr = nullptr;
    QAction *actDisactivateSubscr = nullptr;
    QAction *actShowCustSubscrHistory = nullptr;
    QAction *actSubsribeAll = nullptr;
    QAction *actRemoveAllHistory = nullptr;
    QAction *actShowCustomerBalance = nullptr;
    QAction *actDesignCustomerBalance = nullptr;
    QAction *actPrintCustomersReport = nullptr;
    QAction *actDesignCustomersReport = nullptr;
    QAction *actPrintLetter = nullptr;
    QAction *actDesignLetters = nullptr;
    QAction *actPrintContract = nullptr;
    QAction *actDesignContract = nullptr;
    QAction *actPrintRequest = nullptr;
    QAction *actDesignRequest = nullptr;
    QAction *actPrintKvit = nullptr;
    QAction *actDesignKvit = nullptr;
    QAction *actPrintPaymentKO1 = nullptr;
    QAction *actDesignPaymentKO1 = nullptr;

    // ---- The editor page (tags steer the Enter key)
    TDBEditEh *edAccountNo = nullptr;
    TDBCheckBoxEh *cbIsCompany = nullptr;
    QStackedWidget *pcPersonCompany = nullptr;
    QWidget *tsPerson = nullptr;
    QWidget *tsCompany = nullptr;
    TDBEditEh *edSurname = nullptr;
    TDBEditEh *edFirstName = nullptr;
    TDBEditEh *edMidleName = nullptr;
    TDBEditEh *edInitials = nullptr;
    TDBEditEh *edPaspNo = nullptr;
    TDBEditEh *edPaspOrg = nullptr;
    TDBDateTimeEditEh *edPaspDate = nullptr;
    TDBDateTimeEditEh *edBirthday = nullptr;
    TDBEditEh *edCompanyName = nullptr;
    TDBEditEh *edTaxNo = nullptr;
    TDBEditEh *edPhone = nullptr;
    TDBLookupComboboxEh *cbStreet = nullptr;
    TDBLookupComboboxEh *cbHouseNo = nullptr;
    TDBEditEh *edFlatNo = nullptr;
    TDBEditEh *edContractNo = nullptr;
    TDBDateTimeEditEh *edContractDate = nullptr;
    TDBDateTimeEditEh *edValidTo = nullptr;
    TDBEditEh *edNotice = nullptr;
    TDBEditEh *edNotice2 = nullptr;
    TDBEditEh *edRefNo = nullptr;
    TDBLookupComboboxEh *cbCompany = nullptr;
    TDBEditEh *edDebt = nullptr;

    // ---- The information pages
    QWidget *tsInfo = nullptr;
    QWidget *tsSubscrServ = nullptr;
    QWidget *tsSingleService = nullptr;
    QWidget *tsSingleServ = nullptr;
    QWidget *tsDiscFactor = nullptr;
    QWidget *tsPayments = nullptr;
    QWidget *tsTickets = nullptr;
    QWidget *tsCalc = nullptr;
    QWidget *tsLetters = nullptr;
    QWidget *tsDocs = nullptr;
    QWidget *tsSmartCards = nullptr;
    QWidget *tsVoyager = nullptr;
    QWidget *tsWeb = nullptr;
    TKyv_DBNavigator *navSingleService = nullptr;
    TKyv_DBNavigator *navDocs = nullptr;
    TKyv_DBNavigator *navSmartCards = nullptr;
    QLabel *lblVoyagerStatus = nullptr;
    QLineEdit *edWebPassword = nullptr;

    // Enables the actions and shows the pages by the list's state (see the card's source).
    void CheckBtns();
    // Moves the list to the search box's text; answers whether a customer was found.
    bool SearchCustomer();

    // The card's checks before a save, in order; the first failure is shown, focused, and answers false.
    bool ValidateCustomerCard();
    // Opens the dataset of the shown information page and closes the others'; posts a pending edit first
    // unless "Сведения" is shown.
    void pcAddInfoChange();
    // The Voyager page's state read afresh.
    void ReloadVoyagerState();
    // The offers to activate or block the current customer in the Voyager system (after connecting or
    // disconnecting a service too).
    void ConfirmActivateVoyagerUser();
    void ConfirmBlockVoyagerUser();
    // Connecting a service is asked of the user: what saving a new customer starts.
    void StartConnecting();

    // Services by fact (the page's navigator): the dialogs for a new or the current row, then SingleServiceAdded
    // or SingleServiceEdited when they answered OK. A new row charges its amount at once and queues the
    // customer; an edited row only queues; a deleted row takes its amount back. Each refreshes afterwards.
    void SingleServiceInsert();
    void SingleServiceEdit();
    void SingleServiceAdded();
    void SingleServiceEdited();
    void SingleServiceDelete();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    QAction *AddAction(const char *name, const QString &caption, const QKeySequence &key, std::function<void()> run);
    void CreateFilterActions(QToolBar *toolBar);
    // The filter dialog before the first opening of the list, when the user's settings ask for it.
    void FilterBeforeFirstOpen();
    void actFilterExecute();
    void actFilterStatusExecute();
    void actFilterNotSendExecute();
    void CreateGrid();
    void CreateColumn(const char *field, const QString &title, int width);
    void RunQuery();
    void actRefreshCustomerExecute();
    void actPnlClientInfoStatusExecute();
    void CyclePage(int step);
    void SearchEnter();
    void GetRowParams(TFont &font, TColor &background, TGridDrawState state);
    void CloseCustomerDataSets();

    // ---- The card
    class TCardLink;
    void CreateCardActions();
    void CreateEditorPage();
    QWidget *CreatePersonPage();
    QWidget *CreateCompanyPage();
    void CreateInfoPages();
    QWidget *CreatePage(QWidget *&page, const char *name, const QString &caption);
    void OpenPageDataSets(QWidget *page, bool open);
    bool CardKey(QObject *watched, QKeyEvent *key);
    void AccountNoExit();
    void NamesExit();
    void IsCompanyClick();
    void actNewCustomerExecute();
    void actEditCustomerExecute();
    void actDelCustomerExecute();
    void actApplyExecute();
    // The editor's checks, then the post; false when a check refused the card, which stays being edited.
    bool SaveCard();
    void actCancelExecute();
    void actSelectHouseExecute();
    void actAppendSmartCardExecute();
    void ConfirmVoyagerUser(bool block);
    void actSetWebPasswordExecute();
    bool HasCurrentCustomer();
    void DocumentInsert();
    void DocumentEdit();
    void DocumentChanged(bool inserted);
    void DocumentDelete();
    void MoveDebtForService(double delta, const QVariant &serviceDate);
    void ReopenDetail(TDataSet *ds);
    bool ConfirmDetailDelete(TDataSet *ds);
    bool IsEditing() const;
    // Whether the window may close: a card being edited is saved, dropped or kept as the user answers.
    bool CloseQuestion();

    std::unique_ptr<TDataLink> m_cardLink;
    std::map<QWidget *, std::vector<TDataSet *>> m_pageData;
};

// The search by street, house number and flat: answers the CUSTOMER_ID of the first customer found, null when
// the dialog was cancelled or nobody lives there.
QVariant executeExtCustSearch(QWidget *parent = nullptr);

void RegisterCustomerForms();
