#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QVariant>

#include <QKeySequence>

#include <functional>

class QAction;
class QFormLayout;
class QLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolBar;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDataSet;
class TDataSource;
class TField;
class TKyv_ADODataSet;
class TParams;
class TKyv_ClientDataSet;
class TColumnEh;
class TKyv_DBGridEh;
class TSearchFrame;

// A table whose rows point at the guide's row: a delete is refused while one of them does.
struct TGuideReference
{
    QString field;      // the referring column ("LOCATION_ID")
    QString table;      // the referring table of the ZOLT schema ("HOUSE")
    QString text;       // the refusal
    bool named = true;  // the refusal starts with a double quote and the row's name
};

// How much of the list's state the record actions follow (checkBtns).
enum TGuideCheckBtns {
    gcbFull,   // Ok, edit and delete follow the rows
    gcbOkOnly, // only Ok does; edit and delete check for rows themselves
    gcbNone,   // nothing follows
};

// What the entry routine hands back when the window is not closed with Ok.
enum TGuideCancelKey {
    gckInitial, // the key it was opened with
    gckNull,    // Null
    gckAlwaysNull, // Null even after Ok
};

// What a guide window is: its caption, placement, list key and the rules it varies.
struct TGuideSpec
{
    const char *objectName = "";
    QString caption;
    QString placementPath; // under the main window's settings file ("frmArea")
    int helpContext = 0;
    QString keyField;      // K of the list; empty for a list without a key
    QString nameField;     // the row's name in the confirmation and the refusals
    QString table;         // the ZOLT table a new key is counted in ("ZOLT.AREA")
    TGuideCheckBtns checkBtns = gcbFull;
    TGuideCancelKey cancelKey = gckInitial;
    bool hasSearch = true;
    bool locateOnOpen = true;
    QString sortField;     // the column the list is sorted by when it opens; empty: as the query gives it
};

// The guide windows: one table each, a list page and a detail page, opened in browse mode (0) from the main menu
// or in pick mode (1) by a "..." of another window, which then gets the chosen row's key.
//
// A member sets its spec, creates its list dataset into L (and dsList's data set), its grid columns, its detail
// edits through addDetail(), its references into refs, and overrides what differs: newRecord (defaults; the
// base sets K from MAX+1), openDataSets/closeDataSets (more than L and the lookups), validateInput, deleteName,
// afterApply (runs after a posted change is stored), and the action routines themselves where the member stores
// another way. A member makes its list with makeClientList (or its own dataset) and hands it to setList, which
// also makes the base store every post and delete of a client dataset at once.
class TfrmGuide : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmGuide(const TGuideSpec &spec, QWidget *parent = nullptr);
    ~TfrmGuide() override;

    // The entry routine's body: keys and mode stored, list page shown, datasets opened, shown modally; true on Ok
    // with the chosen key in outKey, otherwise outKey is the member's cancel key (the initial key, or Null).
    bool Execute(const QVariant &initKey, int mode, QVariant &outKey);

    QVariant FInitKey, FCurKey;
    int FMode = 0;
    QVariant FEntryId;

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsDetail = nullptr;
    QToolBar *tbList = nullptr;
    TSearchFrame *SearchFrame1 = nullptr;
    QLineEdit *edtSearch = nullptr;
    TKyv_DBGridEh *dbgList = nullptr;
    QFormLayout *detailForm = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnCancel = nullptr;
    TDataSource *dsList = nullptr;
    QMenu *pmGuide = nullptr;

    QAction *actInsertRecord = nullptr, *actDeleteRecord = nullptr, *actEditRecord = nullptr, *actRefresh = nullptr;
    QAction *actSearch = nullptr, *actMrOk = nullptr, *actMrCancel = nullptr, *actClose = nullptr;
    QAction *actApply = nullptr, *actCancel = nullptr;
    QAction *actCut = nullptr, *actCopy = nullptr, *actPaste = nullptr, *actSelectAll = nullptr, *actUndo = nullptr;

    // The list dataset L.
    TDataSet *L = nullptr;
    QList<TGuideReference> refs;
    // The drop-downs' datasets made by makeLookup: opened after L, closed with it.
    QList<TDataSet *> lookups;
    // The highest tag of the detail edits: Return moves on from tags 1 to this one.
    int maxTag = 0;

    const TGuideSpec &spec() const { return m_spec; }
    TField *keyField() const;
    bool hasRows() const;
    bool isEditing() const;

    // Ok (in pick mode), edit and delete are enabled only while the list has rows, as far as the member checks them.
    virtual void checkBtns();
    virtual void openDataSets();
    virtual void closeDataSets();
    // The list re-read from its source.
    virtual void refreshList();
    virtual bool validateInput() { return true; }
    virtual QString deleteName() const;
    // The key of a new row, MAX+1 of the table.
    QVariant nextKey() const;

    // Actions; a member overrides those it does otherwise.
    virtual void actInsertRecordExecute();
    virtual void actEditRecordExecute();
    virtual void actDeleteRecordExecute();
    virtual void actApplyExecute();
    virtual void actCancelExecute();
    virtual void actRefreshExecute();
    virtual void actSearchExecute();
    virtual void actMrOkExecute();
    // A double click on a list row.
    virtual void listDoubleClick();
    // Moves L to the search text; false when nothing matches (the text then turns red).
    virtual bool searchRecord();
    // The close's question answered Yes: store the pending change; false keeps the window open.
    virtual bool saveOnClose();
    // Stores the row being edited or inserted (apply); deletes the current row once the delete is confirmed.
    virtual void postCurrent();
    virtual void deleteCurrent();

protected:
    // The parts a member adds.
    QAction *makeAction(const char *name, const QString &caption, const QKeySequence &key, std::function<void()> run,
                        const QString &hint = {});
    // A detail edit with its label and tag (0: untagged); a layout row of its own.
    void addDetail(const QString &label, QWidget *edit, int tag);
    void addDetailRow(const QString &label, QLayout *row, QWidget *tagged, int tag);
    void setTag(QWidget *edit, int tag);
    TColumnEh *addColumn(const char *field, const QString &title, int width);
    // A data-aware edit of L's field on the detail page.
    TDBEditEh *addEdit(const char *name, const QString &label, const char *field, int tag);
    // A drop-down of L's key field over a list, with a "..." button running `pick` when one is given.
    TDBLookupComboboxEh *addLookupCombo(const char *name, const QString &label, const char *field, TDataSet *list,
                                        const char *listKey, const char *listField, int tag, QAction *pick = nullptr);
    // The grid's title marker on the column of `field` and the list sorted by it, so that the search field
    // finds by that column until the user sorts otherwise.
    void sortBy(const QString &field);
    // L becomes the list: shown by the grid, its new rows get newRecord's defaults, and a client dataset is
    // applied and committed after every post and delete (a failed row is reported under `label` and cancelled).
    void setList(TDataSet *ds, const QString &label);
    // A client dataset over one of TDM's providers with the member's query.
    TKyv_ClientDataSet *makeClientList(const char *name, const char *provider, const QString &sql);
    // A server dataset on the database connection with the member's query.
    TKyv_ADODataSet *makeServerList(const char *name, const QString &sql);
    // A dataset of a drop-down's choices, on the database connection, opened and closed with the list.
    TKyv_ADODataSet *makeLookup(const char *name, const QString &sql);
    // The first tagged edit of the detail page, focused by insert and edit.
    QWidget *firstEdit() const;
    void focusFirstEdit();
    // The default of a new row: K from MAX+1; members add their own defaults.
    virtual void newRecord(TDataSet *ds);
    // After a posted change of L was stored.
    virtual void afterApply() {}

    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createPages();
    bool closeQuestion();

    TGuideSpec m_spec;
    bool m_closing = false;
    bool m_placementRead = false;
};

// A guide whose list is a server dataset on the database connection and whose rows are stored by the member's
// own statements: "Готово" and a "Yes" to the close's question both check the row, run the member's insert or
// update, commit and read the list again; a delete runs the member's delete, commits and reads the list again.
// New keys are taken when the row is stored.
class TfrmCommandGuide : public TfrmGuide
{
    Q_OBJECT
public:
    using TfrmGuide::TfrmGuide;

    bool saveOnClose() override;
    void postCurrent() override;
    void deleteCurrent() override;
    void refreshList() override;

protected:
    void newRecord(TDataSet *) override {}
    // The member's statements on the current row of L.
    virtual void storeRow(bool inserting) = 0;
    virtual void deleteRow() = 0;
    // Runs one statement with its parameters on the connection.
    void execCommand(const QString &sql, const TParams &params);
};

// Creates the member, runs it and frees it, whatever happens, clearing the global window variable.
template <class T> bool ExecuteGuide(T *&global, const QVariant &initKey, int mode, QVariant &outKey)
{
    if (global) {
        // The guide is already open further up the chain of picks: this one is a window of its own.
        T own;
        return own.Execute(initKey, mode, outKey);
    }
    global = new T();
    struct Free
    {
        T *&form;
        ~Free()
        {
            delete form;
            form = nullptr;
        }
    } free { global };
    return global->Execute(initKey, mode, outKey);
}

// Picking a key into a field: opens a guide in pick mode with the field's value and sets the field (editing the
// dataset) when another key came back. True when the field changed.
bool PickGuideKey(TDataSet *ds, const QString &fieldName,
                  const std::function<bool(const QVariant &, int, QVariant &)> &guide, TDataSet *lookupToReopen = nullptr);
