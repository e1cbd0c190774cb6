#pragma once

// The editor a data grid places over its current cell: the cell's text with a row of buttons at its right edge,
// one of four drop-downs (the pick list, the lookup list, a calendar, a calculator), completion of typed text
// against pick lists, key lists and lookup lists, stepping, and the column's recently used texts.
// The filter row has its own editor, a lookup combo box the grid shows over a filter cell.

#include "CustomGrid.h"
#include "DBLookupEh.h"
#include "ToolCtrlsEh.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class TCustomDBGridEh;
class TColumnEh;
class TPopupListboxEh;
class TPopupDataGridEh;
class TPopupMonthCalendarEh;
class TPopupCalculatorEh;
class QListWidget;
class QPlainTextEdit;
class QKeyEvent;

// The special row's text when a lookup cell of the current record shows it: its key is the row's value, or the
// key is not in the list and the row stands in for such keys. Empty optional otherwise.
std::optional<QString> SpecRowTextOf(const TColumnEh &column);

enum TEditStyleEh { esSimple, esEllipsis, esPickList, esDataList, esDateCalendar, esUpDown, esDropDown };

class TDBGridInplaceEdit : public TInplaceEdit, public IPopupOwnerEh
{
    Q_OBJECT
public:
    explicit TDBGridInplaceEdit(TCustomDBGridEh *grid);
    ~TDBGridInplaceEdit() override;

    TCustomDBGridEh *DBGrid() const { return m_dbGrid; }
    TEditStyleEh EditStyle() const { return m_editStyle; }
    bool DroppedDown() const { return m_droppedDown; }
    QWidget *ActiveList() const { return m_activeList; }
    // The drop-downs, created on first use and kept.
    TPopupListboxEh *PickList();
    TPopupDataGridEh *DataList();
    TPopupMonthCalendarEh *Calendar();
    virtual TPopupCalculatorEh *GetCalculator();
    QListWidget *MRUListBox() const { return m_mruListBox; }
    int ButtonsWidth() const { return m_buttonsWidth; }
    // The column image drawn beside the text (-1: none).
    int ImageIndex() const { return m_imageIndex; }
    TEditButtonControlEh *ButtonControl(int index) const;
    // A wrapping column on a row tall enough for two lines is edited in a multi-line box laid over the text.
    bool WordWrap() const { return m_wordWrap; }
    QPlainTextEdit *MultiLineEditor() const { return m_memo; }

    // The edit kind of a column's cell (also whether the grid shows a default button for it).
    static TEditStyleEh EditStyleOf(TColumnEh *column);

    void UpdateContents() override;
    void BoundsChanged();
    void DropDown();
    void CloseUp(bool accept) override;
    void StepEditValue(bool up);
    // Makes the editor's text the grid's edit text; in a lookup cell the key found for it goes along.
    void UpdateEditValue();
    // Completes the text that typing or pasting would produce; false when the change is refused.
    virtual bool CompleteText(const QString &typed, int caret);
    virtual void EditButtonClick();
    virtual void ButtonDown(bool topButton);
    virtual bool FilterMRUItem(const QString &text, const QString &item);
    virtual void TextChanged();

protected:
    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar &key) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;
    // A press on the default button dragged into the open drop-down is handed over to it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TColumnEh *column() const;
    bool hasDropDown() const;
    void placeDropDown(QWidget *list);
    void dropDownDataList(TColumnEh *column);
    void dropDownPickList(TColumnEh *column);
    void showMRUList();
    void closeMRUList(bool accept);
    void showCompleted(const QString &full, int typedLength);
    void paste();
    // The column's images list when the editor shows an image beside the text.
    const TImageList *shownImages() const;
    void updateImageIndex();
    bool takeButtonShortCut(TColumnEh *column, int key, Qt::KeyboardModifiers shift);
    void extraButtonDown(std::size_t index, bool topButton, bool &autoRepeat, bool &handled);
    bool takeSpecRowShortCut(TColumnEh *column, int key, Qt::KeyboardModifiers shift);
    void setWordWrap(bool on);
    // A key typed into the multi-line box; true when the editor or the grid took it.
    bool multiLineKey(QKeyEvent *event);
    // Focus loss, double-clicks and wheel turns in the multi-line box; true when the editor took the event.
    bool multiLineEvent(QEvent *event);
    // The box shows the one-line editor's caret and selection after the editor changed them.
    void syncMemoCaret();
    void closeListsOnFocusLoss();
    // Steps the value on a double-click when the column asks for it; false when the click is an ordinary one.
    bool stepOnDoubleClick(Qt::KeyboardModifiers modifiers);
    void stepColumn(TColumnEh *column, double step);
    // The key typed into a number cell with the settings' decimal separator in place of a comma or a point that
    // is not it; none for every other key and cell.
    std::unique_ptr<QKeyEvent> decimalSeparatorKey(const QKeyEvent *event) const;

    TCustomDBGridEh *m_dbGrid;
    TEditStyleEh m_editStyle = esSimple;
    QPointer<QWidget> m_activeList;
    bool m_droppedDown = false;
    TPopupListboxEh *m_pickList = nullptr;
    TPopupDataGridEh *m_dataList = nullptr;
    TPopupMonthCalendarEh *m_calendar = nullptr;
    TPopupCalculatorEh *m_calculator = nullptr;
    QListWidget *m_mruListBox = nullptr;
    TMRUListEh *m_mruList = nullptr;
    std::unique_ptr<TEditButtonEh> m_defaultButton;
    std::vector<TEditButtonSlotEh> m_buttons;
    int m_buttonsWidth = 0;
    // The button whose menu the current press just closed (that press must not open it again).
    int m_menuClosedButton = -1;
    int m_imageIndex = -1;
    bool m_forwardingDrag = false;
    QSize m_droppedSize;
    std::unique_ptr<TDataSource> m_listSource;
    bool m_wordWrap = false;
    QPlainTextEdit *m_memo = nullptr;
    bool m_syncingText = false;
};

// The filter row's editor: a lookup combo box whose select-all selects the whole text and which takes a value
// and a text at once.
class TInplaceFilterEditEh : public TDBLookupComboboxEh
{
    Q_OBJECT
public:
    explicit TInplaceFilterEditEh(TCustomDBGridEh *grid);
    void SetValueAndText(const QVariant &value, const QString &text);
    void SelectAll() { selectAll(); }

protected:
    // Tab moves among the filter cells rather than the focus.
    bool event(QEvent *event) override;
};
