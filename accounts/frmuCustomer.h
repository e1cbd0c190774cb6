#pragma once

#include "CustomGrid.h"
#include "WidgetKit.h"

#include <QDateTime>
#include <QVariant>
#include <QWidget>

class QAction;
class QLineEdit;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class TKyv_DBGridEh;
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

// The customer list: the grid over custDM's customer list with the card's pages below it. Loads its data when
// the shell tells it to; sorts by the title markers, searches as the user types, refreshes back to the customer
// it was on.
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

    // Shows the card pages only while their action is checked.
    void CheckBtns();
    // Moves the list to the search box's text; answers whether a customer was found.
    bool SearchCustomer();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
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
};

// The search by street, house number and flat: answers the CUSTOMER_ID of the first customer found, null when
// the dialog was cancelled or nobody lives there.
QVariant executeExtCustSearch(QWidget *parent = nullptr);

// The conditions of the search by flat over ZOLT.CUSTOMER, joined with " and "; the flat is the parameter
// :FLAT_NO (set by the caller), so a typed text never becomes SQL.
QString ExtCustSearchConditions(const QVariant &streetId, const QString &houseNo, const QString &flat);

void RegisterCustomerForms();
