#pragma once

#include "FR_Ctrls.h"

#include <QDialog>
#include <QListWidget>
#include <QPixmap>

#include <functional>

class QHBoxLayout;
class QPushButton;
class TfrDataDictionary;

// The dataset chosen last in the field dialog and in the DB-fields window, kept while the program runs.
extern QString LastFieldsDataset;
extern QString LastInsFieldsDataset;

// The dictionary of the current report; null while there is none.
TfrDataDictionary *CurrentDictionary();
// A push button of the designer's dialogs, named and captioned from the engine strings.
QPushButton *DesignerDialogButton(QWidget *parent, const char *name, int captionId);
// The OK (Button1, the default) and Cancel (Button2) buttons that close a dialog, in a row that keeps them right.
QHBoxLayout *OkCancelButtons(QDialog *dialog, QPushButton *&ok, QPushButton *&cancel);

// A list of names, each drawn with the list's icon: rows 16 pixels high, the icon in an 18 x 16 cell at x + 2,
// the text at x + 20. With OnStartDrag set, dragging a row drags the text it answers.
class TfrIconListBox : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int ItemHeight = 16;
    // The format that carries a dragged row's text besides plain text: a drop target tells by it a row of these
    // lists from a text dragged in from another window or program.
    static constexpr const char *DragFormat = "application/x-tarvik-list-row";

    TfrIconListBox(const QPixmap &icon, QWidget *parent);

    const QPixmap &Icon() const { return m_icon; }
    // The text of the selected row; empty when none is. A click makes its row current before it selects it, so
    // the lists follow itemSelectionChanged.
    QString SelectedText() const;
    // Fills the list and selects the row of `wanted`, else the first.
    void SetItems(const QStringList &items, const QString &wanted = {});

    std::function<QString()> OnStartDrag;

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    QPixmap m_icon;
};

// The datasets of the current report's dictionary and the fields of the chosen one, as the field dialog and the
// DB-fields window show them.
class TfrFieldLists
{
public:
    TfrFieldLists(QWidget *parent, const QString &datasetsName, const QString &fieldsName);

    // Lists the datasets and selects `remembered` when listed, else the first, then lists its fields.
    void Fill(const QString &remembered);
    void ShowFields();
    // The selected dataset, dot and field in double quotes; empty when no field is selected.
    QString Choice() const;
    QString SelectedDataset() const { return DatasetsLB->SelectedText(); }

    TfrIconListBox *DatasetsLB;
    TfrIconListBox *FieldsLB;
};

// The field chooser of the expression builder and of the designer's field pickers.
class TfrFieldsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrFieldsForm(QWidget *parent = nullptr);

    // After the dialog closed: the chosen field as "dataset."field"", empty when none was chosen.
    QString FieldText;

    TfrIconListBox *DatasetsLB;
    TfrIconListBox *FieldsLB;
    QPushButton *Button1;
    QPushButton *Button2;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TfrFieldLists m_lists;
};

// The designer's DB-fields tool window, from which a field is dragged onto the page. Its place and the height of
// its dataset list are kept in the registry; a double-click on its caption rolls it up and down.
class TfrInsFieldsForm : public QWidget
{
    Q_OBJECT
public:
    // Owned by the designer window, over which it floats. Closing it frees it.
    explicit TfrInsFieldsForm(QWidget *designer);

    // Lists the report's datasets again, keeping the selected one when it is still there.
    void Refresh();
    // Back to its height before it was rolled up; nothing when it is not rolled up.
    void Unroll();

    // The field chosen when the window was hidden or a drag started.
    QString FieldText;
    TfrNotifyEvent OnHeightChanged;

    TfrIconListBox *DatasetsLB;
    TfrIconListBox *FieldsLB;
    QWidget *Splitter;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void StoreChoice();
    void LayOut();
    void RollUp();

    TfrFieldLists m_lists;
    int m_datasetsHeight = 120;
    int m_rollUpHeight = 300;
    bool m_splitterDrag = false;
    int m_dragStartY = 0;
};
