#pragma once

#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_Pars.h"

#include "Variant.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QScrollArea;
class TfrPopupListBox;

// One row of the inspector: a property's value as the text shown and edited, and how that text converts to and
// from a value by the row's type.
class TProp
{
public:
    TProp(int typeFlags, TfrEditorHook editorMethod, const Variant &valueCodes, const QStringList &valueNames);

    // Sets Text from a value; an empty text stays as it is.
    void SetValue(const Variant &value);
    // The value Text stands for; a text that does not convert raises the conversion error.
    Variant GetValue() const;
    // The enumeration has a code for each name (rather than the names being the values).
    bool HasCodes() const { return ValueCodes.isArray(); }
    // The position of a value name, ignoring case; -1 when it is none.
    int NameIndex(const QString &name) const;

    QString Text;
    int TypeFlags = 0;
    TfrEditorHook EditorMethod;
    Variant ValueCodes;
    QStringList ValueNames;
};

// The rows' panel inside the scroll box: the paint box covers it, so it draws nothing of its own.
class TInspPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TInspPanel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *) override { }
};

// The designer's object inspector: the properties of the selected objects as name and value rows, edited in
// place, picked from a list, cycled by double-click or handed to the property's editor. It knows nothing of
// report objects: the designer fills the rows and applies what OnModify reports.
class TfrInspForm : public QWidget
{
    Q_OBJECT
public:
    explicit TfrInspForm(QWidget *ownerWindow = nullptr);
    ~TfrInspForm() override;

    void ClearProperties();
    void AddProperty(const QString &name, const Variant &value, TfrEditorHook editorMethod, const Variant &valueCodes,
        const QStringList &valueNames, int typeFlags);
    // Lays the rows out again after a refill, keeping the row of the same property name selected.
    void ItemsChanged();
    // The row's value; raises when its text does not convert.
    Variant RowValue(int index) const;
    QString RowText(int index) const;
    QString RowName(int index) const;
    int RowCount() const { return int(m_rows.size()); }
    // The selected row's property; null when none is selected.
    TProp *CurrentProp() const;
    void SelectRow(int index);
    // Stores the text in the selected row and reports it through OnModify; the row is selected again afterwards,
    // also when the handler raises.
    void CommitText(const QString &text);
    void ShowInspector();
    // The name shown for row i: its translation when translated names are switched on and one is known.
    QString RowCaption(int index) const;

    int ItemIndex() const { return m_itemIndex; }
    int RowHeight() const { return m_rowHeight; }

    // Set by the designer.
    QString ObjectName;
    TfrObject *CurrentObject = nullptr;
    // While set (the designer shows a preview) no row is drawn and nothing can be edited.
    bool Disabled = false;
    // The x of the line between names and values.
    int SplitPos = 75;
    QString LastPropName;

    std::function<void(int index)> OnModify;
    TfrNotifyEvent OnHeightChanged;
    std::function<void(QStringList &items)> OnGetObjects;
    std::function<void(const QString &name)> OnSelectionChanged;

    QComboBox *CB1;
    QScrollArea *Box;
    TInspPanel *Panel;
    QWidget *PaintBox1;
    QLineEdit *Edit1;
    QWidget *EditPanel;
    QWidget *ComboPanel;
    TfrSpeedButton *EditBtn;
    TfrSpeedButton *ComboBtn;
    TfrPopupListBox *PopupListBox;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    friend class TInspPaintBox;
    friend class TInspObjectCombo;
    struct Row
    {
        QString name;
        std::unique_ptr<TProp> prop;
    };

    void LoadLocalizedNames();
    void PaintRows(QPainter &painter);
    void DrawRow(QPainter &painter, int index, bool selected);
    void PaintBoxMouseDown(QMouseEvent *e);
    void PaintBoxMouseMove(QMouseEvent *e);
    void PaintBoxMouseUp();
    bool Edit1KeyDown(QKeyEvent *e);
    void Edit1MouseDown();
    void Edit1DblClick();
    void EditBtnClick();
    void ComboBtnClick();
    void ListClick(const QString &text);
    void LayoutRows();
    void FormResize();
    void HidePopup();
    void FormDeactivate();
    void RollUp();
    void FillObjectCombo();
    QString ObjectCaption() const;
    void ScrollIntoView(int top);

    std::vector<Row> m_rows;
    int m_itemIndex = -1;
    int m_rowHeight = 0;
    // Painting waits while the layout is rebuilt.
    bool m_busy = false;
    bool m_inCommit = false;
    bool m_splitterDrag = false;
    int m_rollUpHeight = 0;
    std::optional<quint64> m_lastRowClick;
    TfrVariables m_translations;
    // The objects as the designer named them when the combo was last filled, before sorting.
    QStringList m_listedObjects;
    // The last mouse-down on Edit1 was taken as a double-click already.
    bool m_pressWasDoubleClick = false;
};
