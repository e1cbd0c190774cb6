// The dataset page of the data dictionary editor: which datasets the report's author sees, under which aliases,
// with which fields under which aliases, and which fields are hidden.
#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_Dict.h"
#include "FR_DictParts.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "DataSet.h"
#include "Exceptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

bool IsFieldNode(const QTreeWidgetItem *node)
{
    const int image = NodeImage(node);
    return image == TfrDictForm::niField || image == TfrDictForm::niHiddenField;
}

QString FieldKey(const QTreeWidgetItem *field)
{
    return OwnName(field->parent()->text(0)) + u'.' + OwnName(field->text(0));
}

} // namespace

QWidget *TfrDictForm::CreateFieldsPage()
{
    auto *page = new QWidget;
    Label1 = new QLabel(GetLocaleString(53353), page);
    Label1->setObjectName(QStringLiteral("Label1"));
    AllTablesLB = new TfrDictListBox("AllTablesLB", page);
    frSpeedButton1 = DictMoveButton(page, 1, ">");
    frSpeedButton2 = DictMoveButton(page, 2, "<");
    frSpeedButton3 = DictMoveButton(page, 3, ">>");
    frSpeedButton4 = DictMoveButton(page, 4, "<<");
    FieldAliasesTree = new TfrDictTree("FieldAliasesTree", page);
    GroupBox1 = new QGroupBox(GetLocaleString(53354), page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label2 = new QLabel(GetLocaleString(53355), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setBuddy(Edit1);
    CB1 = new QCheckBox(GetLocaleString(53356), GroupBox1);
    CB1->setObjectName(QStringLiteral("CB1"));
    auto *options = new QGridLayout(GroupBox1);
    options->addWidget(Label2, 0, 0);
    options->addWidget(Edit1, 0, 1);
    options->addWidget(CB1, 1, 0, 1, 2);

    frSpeedButton1->OnClick = [this](QObject *) { AddDatasets(); };
    frSpeedButton2->OnClick = [this](QObject *) { RemoveDataset(); };
    frSpeedButton3->OnClick = [this](QObject *) { AddAllDatasets(); };
    frSpeedButton4->OnClick = [this](QObject *) { RemoveAllDatasets(); };
    connect(AllTablesLB, &QListWidget::itemDoubleClicked, this, &TfrDictForm::AddDatasets);
    connect(FieldAliasesTree, &QTreeWidget::currentItemChanged, this, &TfrDictForm::FieldsSelectionChanged);
    connect(FieldAliasesTree, &QTreeWidget::itemClicked, this, &TfrDictForm::FieldsSelectionChanged);
    connect(FieldAliasesTree, &QTreeWidget::itemExpanded, this, &TfrDictForm::FillFields);
    connect(CB1, &QCheckBox::clicked, this, &TfrDictForm::HideBoxClicked);
    for (QObject *watched : { static_cast<QObject *>(FieldAliasesTree), static_cast<QObject *>(Edit1),
             static_cast<QObject *>(FieldAliasesTree->viewport()), static_cast<QObject *>(AllTablesLB->viewport()) })
        watched->installEventFilter(this);
    return DictAliasPage("TabSheet2", Label1, AllTablesLB,
        { frSpeedButton1, frSpeedButton2, frSpeedButton3, frSpeedButton4 }, FieldAliasesTree, GroupBox1);
}

void TfrDictForm::FillFieldAliases()
{
    TfrDataDictionary &dictionary = Report->Dictionary();
    WorkFieldAliases.Assign(dictionary.FieldAliases);
    m_updating = true;
    m_aliasNode = nullptr;
    FieldAliasesTree->clear();
    auto *root = new QTreeWidgetItem({ GetLocaleString(53352) });
    SetNodeImage(root, niRoot);
    FieldAliasesTree->addTopLevelItem(root);
    // The name look-ups here and the dictionary's lists of the value page work on the report being edited.
    frEngine().CurrentReport = Report;
    QStringList names, listed;
    CollectComponentNames(Report->parent(), TDataSet::staticMetaObject, names, nullptr);
    names.sort(Qt::CaseInsensitive);
    for (const QString &name : names) {
        if (!FindReportComponent(name) || !dictionary.IsDataSetEnabled(name))
            continue;
        const int entry = WorkFieldAliases.IndexOf(name);
        if (WorkFieldAliases.GetCount() > 0 && entry >= 0)
            AddDatasetNode(AliasedText(name, WorkFieldAliases.GetValueAt(entry).toString()));
        else
            listed << name;
    }
    AllTablesLB->clear();
    AddListNames(AllTablesLB, listed, DesignerGlyph(QStringLiteral("DATASET")));
    m_updating = false;
    root->setExpanded(true);
    FieldAliasesTree->setCurrentItem(root);
}

QTreeWidgetItem *TfrDictForm::AddDatasetNode(const QString &text)
{
    QTreeWidgetItem *node = AddNode(FieldAliasesTree->topLevelItem(0), text, niDataset);
    // The fields are listed when the node is first opened.
    AddNode(node, GetLocaleString(55076), niRoot);
    return node;
}

void TfrDictForm::FillFields(QTreeWidgetItem *datasetNode)
{
    if (NodeImage(datasetNode) != niDataset || datasetNode->childCount() == 0
        || NodeImage(datasetNode->child(datasetNode->childCount() - 1)) != niRoot)
        return;
    qDeleteAll(datasetNode->takeChildren());
    const QString dataset = OwnName(datasetNode->text(0));
    QStringList fields;
    try {
        ListDataSetFields(qobject_cast<TDataSet *>(FindReportComponent(dataset)), fields);
    } catch (const Exception &) {
        // A dataset that cannot list its fields shows none.
        fields.clear();
    }
    fields.sort(Qt::CaseInsensitive);
    for (const QString &field : fields) {
        const int entry = WorkFieldAliases.IndexOf(dataset + u'.' + field);
        const QString alias = entry >= 0 ? WorkFieldAliases.GetValueAt(entry).toString() : QString();
        AddNode(datasetNode, AliasedText(field, alias), entry >= 0 && alias.isEmpty() ? niHiddenField : niField);
    }
}

void TfrDictForm::FieldsSelectionChanged()
{
    StoreFieldAlias();
    QTreeWidgetItem *node = FieldAliasesTree->currentItem();
    const bool root = !node || !node->parent();
    m_updating = true;
    Edit1->setText(root ? QString() : ShownAlias(node->text(0)));
    m_aliasNode = node;
    CB1->setChecked(!root && NodeImage(node) == niHiddenField);
    m_updating = false;
}

void TfrDictForm::StoreFieldAlias()
{
    QTreeWidgetItem *node = m_aliasNode;
    if (!node || !Edit1->isModified())
        return;
    Edit1->setModified(false);
    const QString alias = Edit1->text();
    const QString name = OwnName(node->text(0));
    if (NodeImage(node) == niDataset) {
        WorkFieldAliases.SetValue(name, Variant(alias));
        node->setText(0, AliasedText(name, alias));
    } else if (IsFieldNode(node)) {
        // A field's key always names its dataset: alone, the field's name would read as a dataset of that name.
        // An empty alias is what hides a field, so the node shows it hidden.
        WorkFieldAliases.SetValue(FieldKey(node), Variant(alias));
        node->setText(0, AliasedText(name, alias));
        SetNodeImage(node, alias.isEmpty() ? niHiddenField : niField);
        if (node == FieldAliasesTree->currentItem()) {
            m_updating = true;
            CB1->setChecked(alias.isEmpty());
            m_updating = false;
        }
    }
}

void TfrDictForm::HideBoxClicked()
{
    QTreeWidgetItem *node = FieldAliasesTree->currentItem();
    if (m_updating)
        return;
    if (!IsFieldNode(node)) {
        // The box tells about fields only; for anything else it goes back to what it showed.
        m_updating = true;
        CB1->setChecked(false);
        m_updating = false;
        return;
    }
    const QString key = FieldKey(node);
    const bool hide = NodeImage(node) == niField;
    if (hide)
        WorkFieldAliases.SetValue(key, Variant(QString()));
    else
        WorkFieldAliases.Delete(WorkFieldAliases.IndexOf(key));
    SetNodeImage(node, hide ? niHiddenField : niField);
    node->setText(0, OwnName(node->text(0)));
    m_updating = true;
    CB1->setChecked(hide);
    Edit1->setText(node->text(0));
    m_updating = false;
}

void TfrDictForm::AddDatasets()
{
    QTreeWidgetItem *root = FieldAliasesTree->topLevelItem(0);
    for (const QString &name : TakeSelectedNames(AllTablesLB)) {
        AddDatasetNode(name);
        WorkFieldAliases.SetValue(name, Variant(QString()));
    }
    root->setExpanded(true);
    FieldAliasesTree->setCurrentItem(root);
}

void TfrDictForm::RemoveDataset()
{
    QTreeWidgetItem *node = FieldAliasesTree->currentItem();
    if (NodeImage(node) != niDataset)
        return;
    const QString name = OwnName(node->text(0));
    // Every field entry of the dataset goes with it, listed in the tree or not, so that none is left behind to
    // hide or rename a field when the dataset comes back.
    const QString fieldPrefix = name + u'.';
    for (int i = WorkFieldAliases.GetCount() - 1; i >= 0; --i)
        if (WorkFieldAliases.GetName(i).startsWith(fieldPrefix, Qt::CaseInsensitive))
            WorkFieldAliases.Delete(i);
    WorkFieldAliases.Delete(WorkFieldAliases.IndexOf(name));
    AddListNames(AllTablesLB, { name }, DesignerGlyph(QStringLiteral("DATASET")));
    m_aliasNode = nullptr;
    delete node;
}

void TfrDictForm::AddAllDatasets()
{
    AllTablesLB->selectAll();
    AddDatasets();
}

void TfrDictForm::RemoveAllDatasets()
{
    QTreeWidgetItem *root = FieldAliasesTree->topLevelItem(0);
    m_aliasNode = nullptr;
    AddListNames(AllTablesLB, TakeChildNames(root), DesignerGlyph(QStringLiteral("DATASET")));
    WorkFieldAliases.Clear();
    FieldAliasesTree->setCurrentItem(root);
}
