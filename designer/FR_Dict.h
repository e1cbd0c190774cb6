#pragma once

#include "FR_Pars.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TfrComboEdit;
class TfrReport;
class TfrSpeedButton;

// The data dictionary of a report: its variables in categories, each a field, a system variable or an
// expression; the aliases under which datasets and fields are shown (and the fields hidden); and the aliases of
// the band data sources. The three lists are edited as copies; only OK gives them to the dictionary.
class TfrDictForm : public QDialog
{
    Q_OBJECT
public:
    // The pictures of the trees' nodes.
    enum TNodeImage {
        niRoot = 0,
        niDataset = 1,
        niField = 2,
        niHiddenField = 4,
        niCategory = 5,
        niVariable = 6,
        niBandSource = 7,
        niBandRoot = 9,
        niNone = -1,
    };

    explicit TfrDictForm(QWidget *parent = nullptr);

    // Edits the report's dictionary; on OK the dictionary takes all three lists and true is answered.
    static bool Execute(TfrReport &report);

    TfrReport *Report = nullptr;
    // The copies edited, from show to hide.
    TfrVariables WorkVariables, WorkFieldAliases, WorkBandSources;

    QTabWidget *PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3;
    // Variables.
    QLabel *Label3, *Label4;
    QTreeWidget *VarTree;
    TfrSpeedButton *NewCategoryBtn, *NewVarBtn, *EditBtn, *DelBtn, *EditListBtn;
    QComboBox *ValCombo;
    QListWidget *ValList;
    QCheckBox *ExprCB;
    TfrComboEdit *ExprEdit;
    // Dataset and field aliases.
    QLabel *Label1, *Label2;
    QListWidget *AllTablesLB;
    TfrSpeedButton *frSpeedButton1, *frSpeedButton2, *frSpeedButton3, *frSpeedButton4;
    QTreeWidget *FieldAliasesTree;
    QGroupBox *GroupBox1;
    QLineEdit *Edit1;
    QCheckBox *CB1;
    // Band data source aliases.
    QLabel *Label5, *Label6;
    QListWidget *AllBandsLB;
    TfrSpeedButton *frSpeedButton5, *frSpeedButton6, *frSpeedButton7, *frSpeedButton8;
    QTreeWidget *BandDSTree;
    QGroupBox *GroupBox2;
    QLineEdit *Edit2;
    QPushButton *Button1, *Button2;

    void FillVariables(bool fromDictionary);
    void FillValueSources();
    void FillFieldAliases();
    void FillBandSources();
    void ShowValue(const QString &value);
    QTreeWidgetItem *AddDatasetNode(const QString &text);

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *CreateVariablesPage();
    QWidget *CreateFieldsPage();
    QWidget *CreateBandsPage();

    // Variables.
    bool EmptyState() const { return m_emptyState; }
    void LeaveEmptyState();
    void EnterEmptyState();
    void NewCategory();
    void NewVariable();
    void EditNode();
    void DeleteNode();
    void EditList();
    void StartEdit(QTreeWidgetItem *node);
    void Rename(QTreeWidgetItem *node);
    void VarTreeSelectionChanged();
    bool VarTreeKey(int key, Qt::KeyboardModifiers modifiers);
    void ValComboChanged();
    void ValListChosen(int row);
    void ExprCBChanged(bool checked);
    void StoreExpression();
    bool SystemVariablesShown() const;
    // The entry of a category or variable node in WorkVariables; -1 for any other node.
    int EntryOf(const QTreeWidgetItem *node) const;
    // Forgets the node and its children wherever the editor remembers them.
    void ForgetNode(const QTreeWidgetItem *node);

    // Datasets and fields.
    void FieldsSelectionChanged();
    void FillFields(QTreeWidgetItem *datasetNode);
    void StoreFieldAlias();
    void HideBoxClicked();
    void AddDatasets();
    void RemoveDataset();
    void AddAllDatasets();
    void RemoveAllDatasets();

    // Band data sources.
    void BandsSelectionChanged();
    void StoreBandAlias();
    void AddBandSources();
    void RemoveBandSource();
    void AddAllBandSources();
    void RemoveAllBandSources();

    bool m_updating = false;
    bool m_emptyState = false;
    QTreeWidgetItem *m_exprNode = nullptr;
    // A node's name is being edited in the tree, and which node's.
    bool m_renaming = false;
    QTreeWidgetItem *m_renameNode = nullptr;
    QString m_renameOld;
    QTreeWidgetItem *m_aliasNode = nullptr;
    QTreeWidgetItem *m_bandNode = nullptr;
};
