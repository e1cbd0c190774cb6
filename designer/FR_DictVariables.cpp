// The variables page of the data dictionary editor: the tree of categories and variables and the value of the
// selected variable.
#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_Dict.h"
#include "FR_DictParts.h"
#include "FR_Expr.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Vared.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The line of the system variables that names the engine's built-in name at `position`, and back: line 1 names
// the page number at position 0, whose own line is "[Нет]"'s.
int SystemLineOf(int position)
{
    return position == 0 ? 1 : position;
}
int SystemPositionOf(int line)
{
    return line == 1 ? 0 : line;
}
constexpr int SystemLineCount = 9;

TfrSpeedButton *VariableButton(QWidget *parent, const char *name, const char *glyph, int hintId)
{
    auto *button = new TfrSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->SetGlyph(DesignerGlyph(QString::fromLatin1(glyph)));
    button->setToolTip(GetLocaleString(hintId));
    button->setFixedSize(25, 25);
    return button;
}

// The smallest number from 1 that makes prefix + number a name no entry has.
QString FreeName(const TfrVariables &variables, const QString &lead, const QString &prefix)
{
    for (int n = 1;; ++n)
        if (variables.IndexOf(lead + prefix + QString::number(n)) < 0)
            return prefix + QString::number(n);
}

} // namespace

QWidget *TfrDictForm::CreateVariablesPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    VarTree = new QTreeWidget(page);
    VarTree->setObjectName(QStringLiteral("VarTree"));
    VarTree->setHeaderHidden(true);
    VarTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VarTree->installEventFilter(this);
    Label3 = new QLabel(GetLocaleString(53344), page);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setBuddy(VarTree);
    NewCategoryBtn = VariableButton(page, "NewCategoryBtn", "NEWCATEGORY", 53347);
    NewVarBtn = VariableButton(page, "NewVarBtn", "NEWVARIABLE", 53348);
    EditBtn = VariableButton(page, "EditBtn", "EDIT", 53349);
    DelBtn = VariableButton(page, "DelBtn", "DELETE", 53350);
    EditListBtn = VariableButton(page, "EditListBtn", "EDITLIST", 53351);
    NewCategoryBtn->OnClick = [this](QObject *) { NewCategory(); };
    NewVarBtn->OnClick = [this](QObject *) { NewVariable(); };
    EditBtn->OnClick = [this](QObject *) { EditNode(); };
    DelBtn->OnClick = [this](QObject *) { DeleteNode(); };
    EditListBtn->OnClick = [this](QObject *) { EditList(); };

    ValCombo = new QComboBox(page);
    ValCombo->setObjectName(QStringLiteral("ValCombo"));
    ValCombo->setItemDelegate(new TfrGlyphItemDelegate(20, 16, ValCombo));
    ValCombo->setMaxVisibleItems(12);
    Label4 = new QLabel(GetLocaleString(53345), page);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setBuddy(ValCombo);
    ValList = new QListWidget(page);
    ValList->setObjectName(QStringLiteral("ValList"));
    ValList->setItemDelegate(new TfrGlyphItemDelegate(20, 16, ValList));
    ExprCB = new QCheckBox(GetLocaleString(53346), page);
    ExprCB->setObjectName(QStringLiteral("ExprCB"));
    ExprEdit = new TfrComboEdit(page);
    ExprEdit->setObjectName(QStringLiteral("ExprEdit"));
    ExprEdit->SetGlyph(DesignerGlyph(QStringLiteral("ELLIPSIS")));
    ExprEdit->installEventFilter(this);
    ExprEdit->lineEdit()->installEventFilter(this);
    // The expression belongs to the variable selected when it was entered or changed, even when the focus never
    // came and went as the change happened (an expression built while the window was not the active one).
    auto rememberNode = [this] {
        if (!m_exprNode)
            m_exprNode = VarTree->currentItem();
    };
    connect(ExprEdit->lineEdit(), &QLineEdit::textEdited, this, rememberNode);
    ExprEdit->OnButtonClick = [this, rememberNode](QObject *) {
        TfrExprForm builder(this);
        builder.ExprMemo->setPlainText(ExprEdit->currentText());
        if (builder.exec() != QDialog::Accepted)
            return;
        ExprEdit->setEditText(builder.ExprMemo->toPlainText());
        rememberNode();
    };

    connect(VarTree, &QTreeWidget::currentItemChanged, this, &TfrDictForm::VarTreeSelectionChanged);
    connect(VarTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *node) {
        if (!m_updating && node == m_renameNode)
            Rename(node);
    });
    connect(VarTree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { m_renaming = false; });
    connect(ValCombo, &QComboBox::currentIndexChanged, this, &TfrDictForm::ValComboChanged);
    connect(ValList, &QListWidget::currentRowChanged, this, &TfrDictForm::ValListChosen);
    connect(
        ValList, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { ValListChosen(ValList->row(item)); });
    connect(ExprCB, &QCheckBox::toggled, this, &TfrDictForm::ExprCBChanged);

    // The tree takes what the page grows by; the values keep their width at the right edge, and the expression
    // the whole width at the bottom.
    auto *commands = new QHBoxLayout;
    commands->setSpacing(2);
    for (TfrSpeedButton *button : { NewCategoryBtn, NewVarBtn, EditBtn, DelBtn, EditListBtn })
        commands->addWidget(button);
    commands->addStretch();
    auto *values = new QVBoxLayout;
    values->addWidget(Label4);
    values->addWidget(ValCombo);
    values->addWidget(ValList, 1);
    auto *tree = new QVBoxLayout;
    tree->addWidget(Label3);
    tree->addWidget(VarTree, 1);
    tree->addLayout(commands);
    auto *layout = new QGridLayout(page);
    layout->addLayout(tree, 0, 0);
    layout->addLayout(values, 0, 1);
    layout->addWidget(ExprCB, 1, 0, 1, 2, Qt::AlignLeft);
    layout->addWidget(ExprEdit, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    ValCombo->setFixedWidth(190);
    ValList->setFixedWidth(190);
    return page;
}

void TfrDictForm::FillVariables(bool fromDictionary)
{
    m_updating = true;
    VarTree->clear();
    m_exprNode = m_renameNode = nullptr;
    if (fromDictionary)
        WorkVariables.Assign(Report->Dictionary().Variables);
    m_emptyState = WorkVariables.GetCount() == 0;
    if (m_emptyState) {
        VarTree->setRootIsDecorated(false);
        VarTree->addTopLevelItem(new QTreeWidgetItem({ GetLocaleString(55076) }));
        ExprCB->setEnabled(false);
    } else {
        VarTree->setRootIsDecorated(true);
        QTreeWidgetItem *category = nullptr;
        for (int i = 0; i < WorkVariables.GetCount(); ++i) {
            const QString name = WorkVariables.GetName(i);
            if (name.startsWith(u' ')) {
                category = new QTreeWidgetItem({ name.mid(1) });
                SetNodeImage(category, niCategory);
                VarTree->addTopLevelItem(category);
            } else if (category) {
                // Entries before the first category belong to none and are not shown.
                AddNode(category, name, niVariable);
            }
        }
        for (QTreeWidgetItemIterator it(VarTree); *it; ++it)
            (*it)->setFlags((*it)->flags() | Qt::ItemIsEditable);
    }
    m_updating = false;
    VarTree->expandAll();
    VarTree->setCurrentItem(VarTree->topLevelItem(0));
}

void TfrDictForm::FillValueSources()
{
    QStringList datasets;
    Report->Dictionary().GetDataSetList(datasets);
    datasets.sort(Qt::CaseInsensitive);
    m_updating = true;
    ValCombo->clear();
    const QPixmap dataset = DesignerGlyph(QStringLiteral("DATASET"));
    for (const QString &name : datasets)
        ValCombo->addItem(QIcon(dataset), name);
    ValCombo->addItem(QIcon(DesignerGlyph(QStringLiteral("SYSVARS"))), GetLocaleString(55075));
    m_updating = false;
}

bool TfrDictForm::SystemVariablesShown() const
{
    return ValCombo->currentIndex() == ValCombo->count() - 1;
}

void TfrDictForm::ValComboChanged()
{
    const bool updating = m_updating;
    m_updating = true;
    ValList->clear();
    ValList->addItem(GetLocaleString(55076));
    if (SystemVariablesShown()) {
        const QPixmap glyph = DesignerGlyph(QStringLiteral("SYSVARS"));
        for (int line = 1; line < SystemLineCount; ++line)
            (new QListWidgetItem(GetLocaleString(line == 1 ? 55110 : 55110 + line), ValList))
                ->setData(Qt::DecorationRole, glyph);
    } else if (ValCombo->currentIndex() >= 0) {
        QStringList fields;
        Report->Dictionary().GetFieldList(ValCombo->currentText(), fields);
        const QPixmap glyph = DesignerGlyph(QStringLiteral("FIELD"));
        for (const QString &field : fields)
            (new QListWidgetItem(field, ValList))->setData(Qt::DecorationRole, glyph);
    }
    m_updating = updating;
}

int TfrDictForm::EntryOf(const QTreeWidgetItem *node) const
{
    const int image = NodeImage(node);
    if (image == niCategory)
        return WorkVariables.IndexOf(u' ' + node->text(0));
    if (image == niVariable)
        return WorkVariables.IndexOf(node->text(0));
    return -1;
}

void TfrDictForm::ForgetNode(const QTreeWidgetItem *node)
{
    auto within = [node](const QTreeWidgetItem *remembered) {
        for (const QTreeWidgetItem *n = remembered; n; n = n->parent())
            if (n == node)
                return true;
        return false;
    };
    if (within(m_exprNode))
        m_exprNode = nullptr;
    if (within(m_renameNode))
        m_renameNode = nullptr;
}

// ---- selection and value --------------------------------------------------------------------------------------

void TfrDictForm::VarTreeSelectionChanged()
{
    if (m_updating)
        return;
    StoreExpression();
    QTreeWidgetItem *node = VarTree->currentItem();
    const int entry = EntryOf(node);
    if (entry < 0)
        return;
    const bool variable = NodeImage(node) == niVariable;
    ExprCB->setEnabled(variable);
    if (!variable)
        ExprCB->setChecked(false);
    ShowValue(WorkVariables.GetValueAt(entry).toString());
}

void TfrDictForm::ShowValue(const QString &value)
{
    TfrDataDictionary &dictionary = Report->Dictionary();
    bool shown = false;
    const qsizetype point = value.lastIndexOf(u'.');
    if (point >= 0) {
        const QString dataset = value.left(point);
        QString field = value.mid(point + 1);
        int item = -1;
        for (int i = 0; i < ValCombo->count() - 1 && item < 0; ++i)
            if (dictionary.GetRealDataSetName(ValCombo->itemText(i)).compare(dataset, Qt::CaseInsensitive) == 0)
                item = i;
        if (item >= 0) {
            ValCombo->setCurrentIndex(item);
            if (field.startsWith(u'"'))
                field = field.mid(1, field.size() - 2);
            for (int line = 1; line < ValList->count() && !shown; ++line) {
                if (dictionary.GetRealFieldName(ValList->item(line)->text()).compare(field, Qt::CaseInsensitive) == 0) {
                    m_updating = true;
                    ValList->setCurrentRow(line);
                    m_updating = false;
                    shown = true;
                }
            }
        }
    }
    if (!shown && !value.trimmed().isEmpty()) {
        const QStringList &builtIn = frEngine().SpecialNames;
        for (int position = 0; position < builtIn.size() && !shown; ++position) {
            if (builtIn.at(position).isEmpty() || builtIn.at(position).compare(value, Qt::CaseInsensitive) != 0)
                continue;
            ValCombo->setCurrentIndex(ValCombo->count() - 1);
            m_updating = true;
            ValList->setCurrentRow(SystemLineOf(position));
            m_updating = false;
            shown = true;
        }
    }
    if (shown) {
        // A field or system variable is no expression; unchecking the box must not empty the value.
        m_updating = true;
        ExprCB->setChecked(false);
        m_updating = false;
        return;
    }
    if (!value.trimmed().isEmpty()) {
        m_updating = true;
        ValList->setCurrentRow(0);
        m_updating = false;
        ExprEdit->setEditText(value);
        ExprCB->setChecked(true);
        return;
    }
    m_updating = true;
    ValList->setCurrentRow(0);
    m_updating = false;
    ExprEdit->setEditText(QString());
    ExprCB->setChecked(false);
}

void TfrDictForm::ValListChosen(int line)
{
    if (m_updating || line < 0)
        return;
    QTreeWidgetItem *node = VarTree->currentItem();
    if (NodeImage(node) != niVariable)
        return;
    m_updating = true;
    ExprCB->setChecked(false);
    m_updating = false;
    QString value;
    if (line > 0 && SystemVariablesShown()) {
        value = frEngine().SpecialNames.value(SystemPositionOf(line));
    } else if (line > 0) {
        const TfrDataDictionary &dictionary = Report->Dictionary();
        value = dictionary.GetRealDataSetName(ValCombo->currentText()) + QStringLiteral(".\"")
            + dictionary.GetRealFieldName(ValList->item(line)->text()) + u'"';
    }
    WorkVariables.SetValueAt(EntryOf(node), Variant(value));
}

void TfrDictForm::ExprCBChanged(bool checked)
{
    ExprEdit->setEnabled(checked);
    if (checked) {
        if (m_updating)
            return;
        if (QApplication::focusWidget() != VarTree)
            ExprEdit->setFocus();
        m_updating = true;
        ValList->setCurrentRow(0);
        m_updating = false;
        return;
    }
    ExprEdit->setEditText(QString());
    if (!m_updating) {
        m_updating = true;
        ValList->setCurrentRow(0);
        m_updating = false;
        ValListChosen(0);
    }
}

void TfrDictForm::StoreExpression()
{
    QTreeWidgetItem *node = m_exprNode;
    m_exprNode = nullptr;
    if (NodeImage(node) != niVariable || !ExprEdit->isEnabled())
        return;
    const int entry = EntryOf(node);
    if (entry >= 0)
        WorkVariables.SetValueAt(entry, Variant(ExprEdit->currentText()));
}

// ---- commands -------------------------------------------------------------------------------------------------

void TfrDictForm::LeaveEmptyState()
{
    if (!m_emptyState)
        return;
    m_updating = true;
    VarTree->clear();
    m_updating = false;
    m_emptyState = false;
    VarTree->setRootIsDecorated(true);
    ExprCB->setEnabled(true);
}

void TfrDictForm::EnterEmptyState()
{
    m_emptyState = true;
    auto *placeholder = new QTreeWidgetItem({ GetLocaleString(55076) });
    VarTree->addTopLevelItem(placeholder);
    VarTree->setRootIsDecorated(false);
    ExprCB->setChecked(false);
    ExprCB->setEnabled(false);
    VarTree->setCurrentItem(placeholder);
}

void TfrDictForm::NewCategory()
{
    StoreExpression();
    LeaveEmptyState();
    const QString name = FreeName(WorkVariables, QStringLiteral(" "), QStringLiteral("Category"));
    WorkVariables.SetValue(u' ' + name, Variant(QString()));
    auto *node = new QTreeWidgetItem({ name });
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    SetNodeImage(node, niCategory);
    VarTree->addTopLevelItem(node);
    VarTree->setCurrentItem(node);
    StartEdit(node);
}

void TfrDictForm::NewVariable()
{
    QTreeWidgetItem *category = VarTree->currentItem();
    if (m_emptyState || !category)
        return;
    StoreExpression();
    if (NodeImage(category) == niVariable)
        category = category->parent();
    const QString name = FreeName(WorkVariables, QString(), QStringLiteral("Variable"));
    const int index = VarTree->indexOfTopLevelItem(category);
    const QTreeWidgetItem *following = VarTree->topLevelItem(index + 1);
    const int before = following ? EntryOf(following) : -1;
    if (before >= 0) {
        WorkVariables.Insert(before, name);
        WorkVariables.SetValueAt(before, Variant(QString()));
    } else {
        WorkVariables.SetValue(name, Variant(QString()));
    }
    QTreeWidgetItem *node = AddNode(category, name, niVariable);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    category->setExpanded(true);
    VarTree->setCurrentItem(node);
    StartEdit(node);
}

void TfrDictForm::EditNode()
{
    if (!m_emptyState && VarTree->currentItem())
        StartEdit(VarTree->currentItem());
}

void TfrDictForm::StartEdit(QTreeWidgetItem *node)
{
    m_renaming = true;
    m_renameNode = node;
    m_renameOld = node->text(0);
    VarTree->editItem(node);
}

void TfrDictForm::Rename(QTreeWidgetItem *node)
{
    m_renameNode = nullptr;
    // A name never starts with a blank: that blank would turn a variable into a category.
    QString name = node->text(0);
    while (name.startsWith(u' '))
        name.remove(0, 1);
    const QString lead = NodeImage(node) == niCategory ? QStringLiteral(" ") : QString();
    const int entry = WorkVariables.IndexOf(lead + m_renameOld);
    const bool taken = name.compare(m_renameOld, Qt::CaseInsensitive) != 0 && WorkVariables.IndexOf(lead + name) >= 0;
    m_updating = true;
    if (name.isEmpty() || taken || entry < 0) {
        node->setText(0, m_renameOld);
    } else {
        node->setText(0, name);
        WorkVariables.SetName(entry, lead + name);
    }
    m_updating = false;
}

void TfrDictForm::DeleteNode()
{
    QTreeWidgetItem *node = VarTree->currentItem();
    const int entry = EntryOf(node);
    if (m_emptyState || entry < 0)
        return;
    ForgetNode(node);
    WorkVariables.Delete(entry);
    if (NodeImage(node) == niCategory)
        while (entry < WorkVariables.GetCount() && !WorkVariables.GetName(entry).startsWith(u' '))
            WorkVariables.Delete(entry);
    delete node;
    if (VarTree->topLevelItemCount() == 0)
        EnterEmptyState();
}

void TfrDictForm::EditList()
{
    StoreExpression();
    if (!TfrVaredForm::Execute(WorkVariables))
        return;
    FillVariables(false);
}

bool TfrDictForm::VarTreeKey(int key, Qt::KeyboardModifiers modifiers)
{
    // While a name is edited the keys are the edit's.
    if (m_renaming)
        return false;
    switch (key) {
    case Qt::Key_Insert:
        if (!(modifiers & Qt::ControlModifier) && VarTree->currentItem() && !m_emptyState)
            NewVariable();
        else
            NewCategory();
        return true;
    case Qt::Key_Delete:
        DeleteNode();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EditNode();
        return true;
    case Qt::Key_Escape:
        Button2->click();
        return true;
    default:
        return false;
    }
}
