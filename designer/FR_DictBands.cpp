// The band data source page of the data dictionary editor: which data sources bands offer, under which aliases.
#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DBSet.h"
#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_Dict.h"
#include "FR_DictParts.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QPixmap SourceGlyph()
{
    return DesignerGlyph(QStringLiteral("SOURCE"));
}

} // namespace

QWidget *TfrDictForm::CreateBandsPage()
{
    auto *page = new QWidget;
    Label6 = new QLabel(GetLocaleString(53358), page);
    Label6->setObjectName(QStringLiteral("Label6"));
    AllBandsLB = new TfrDictListBox("AllBandsLB", page);
    frSpeedButton5 = DictMoveButton(page, 5, ">");
    frSpeedButton6 = DictMoveButton(page, 6, "<");
    frSpeedButton7 = DictMoveButton(page, 7, ">>");
    frSpeedButton8 = DictMoveButton(page, 8, "<<");
    BandDSTree = new TfrDictTree("BandDSTree", page);
    GroupBox2 = new QGroupBox(GetLocaleString(53354), page);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label5 = new QLabel(GetLocaleString(53355), GroupBox2);
    Label5->setObjectName(QStringLiteral("Label5"));
    Edit2 = new QLineEdit(GroupBox2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Label5->setBuddy(Edit2);
    auto *options = new QGridLayout(GroupBox2);
    options->addWidget(Label5, 0, 0);
    options->addWidget(Edit2, 0, 1);

    frSpeedButton5->OnClick = [this](QObject *) { AddBandSources(); };
    frSpeedButton6->OnClick = [this](QObject *) { RemoveBandSource(); };
    frSpeedButton7->OnClick = [this](QObject *) { AddAllBandSources(); };
    frSpeedButton8->OnClick = [this](QObject *) { RemoveAllBandSources(); };
    connect(AllBandsLB, &QListWidget::itemDoubleClicked, this, &TfrDictForm::AddBandSources);
    connect(BandDSTree, &QTreeWidget::currentItemChanged, this, &TfrDictForm::BandsSelectionChanged);
    connect(BandDSTree, &QTreeWidget::itemClicked, this, &TfrDictForm::BandsSelectionChanged);
    for (QObject *watched : { static_cast<QObject *>(BandDSTree), static_cast<QObject *>(Edit2),
             static_cast<QObject *>(BandDSTree->viewport()), static_cast<QObject *>(AllBandsLB->viewport()) })
        watched->installEventFilter(this);
    return DictAliasPage("TabSheet3", Label6, AllBandsLB,
        { frSpeedButton5, frSpeedButton6, frSpeedButton7, frSpeedButton8 }, BandDSTree, GroupBox2);
}

void TfrDictForm::FillBandSources()
{
    WorkBandSources.Assign(Report->Dictionary().BandDatasources);
    m_updating = true;
    m_bandNode = nullptr;
    BandDSTree->clear();
    auto *root = new QTreeWidgetItem({ GetLocaleString(53357) });
    SetNodeImage(root, niBandRoot);
    BandDSTree->addTopLevelItem(root);
    QStringList names, listed;
    CollectComponentNames(Report->parent(), TfrDataset::staticMetaObject, names, nullptr);
    names.sort(Qt::CaseInsensitive);
    for (const QString &name : names) {
        const int entry = WorkBandSources.IndexOf(name);
        if (WorkBandSources.GetCount() > 0 && entry >= 0)
            AddNode(root, AliasedText(name, WorkBandSources.GetValueAt(entry).toString()), niBandSource);
        else
            listed << name;
    }
    AllBandsLB->clear();
    AddListNames(AllBandsLB, listed, SourceGlyph());
    m_updating = false;
    BandDSTree->expandAll();
    BandDSTree->setCurrentItem(root);
}

void TfrDictForm::BandsSelectionChanged()
{
    StoreBandAlias();
    QTreeWidgetItem *node = BandDSTree->currentItem();
    Edit2->setText(node && node->parent() ? ShownAlias(node->text(0)) : QString());
    m_bandNode = node;
}

void TfrDictForm::StoreBandAlias()
{
    QTreeWidgetItem *node = m_bandNode;
    if (NodeImage(node) != niBandSource || !Edit2->isModified())
        return;
    Edit2->setModified(false);
    const QString name = OwnName(node->text(0));
    WorkBandSources.SetValue(name, Variant(Edit2->text()));
    node->setText(0, AliasedText(name, Edit2->text()));
}

void TfrDictForm::AddBandSources()
{
    QTreeWidgetItem *root = BandDSTree->topLevelItem(0);
    for (const QString &name : TakeSelectedNames(AllBandsLB)) {
        AddNode(root, name, niBandSource);
        WorkBandSources.SetValue(name, Variant(QString()));
    }
    root->setExpanded(true);
    BandDSTree->setCurrentItem(root);
}

void TfrDictForm::RemoveBandSource()
{
    QTreeWidgetItem *node = BandDSTree->currentItem();
    if (NodeImage(node) != niBandSource)
        return;
    const QString name = OwnName(node->text(0));
    WorkBandSources.Delete(WorkBandSources.IndexOf(name));
    AddListNames(AllBandsLB, { name }, SourceGlyph());
    m_bandNode = nullptr;
    delete node;
}

void TfrDictForm::AddAllBandSources()
{
    AllBandsLB->selectAll();
    AddBandSources();
}

void TfrDictForm::RemoveAllBandSources()
{
    QTreeWidgetItem *root = BandDSTree->topLevelItem(0);
    m_bandNode = nullptr;
    AddListNames(AllBandsLB, TakeChildNames(root), SourceGlyph());
    WorkBandSources.Clear();
    BandDSTree->setCurrentItem(root);
}
