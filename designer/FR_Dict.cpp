#include "FR_Dict.h"

#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_DictParts.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString DragFormat = QStringLiteral("application/x-tarvik-dictionary-drag");
constexpr int ImageRole = Qt::UserRole;

QPixmap NodeGlyph(int image)
{
    switch (image) {
    case TfrDictForm::niRoot:
    case TfrDictForm::niBandRoot:
        return DesignerGlyph(QStringLiteral("DICTROOT"));
    case TfrDictForm::niDataset:
        return DesignerGlyph(QStringLiteral("DATASET"));
    case TfrDictForm::niField:
        return DesignerGlyph(QStringLiteral("FIELD"));
    case TfrDictForm::niHiddenField:
        return DesignerGlyph(QStringLiteral("HIDDENFIELD"));
    case TfrDictForm::niCategory:
        return DesignerGlyph(QStringLiteral("CATEGORY"));
    case TfrDictForm::niVariable:
        return DesignerGlyph(QStringLiteral("VARIABLE"));
    case TfrDictForm::niBandSource:
        return DesignerGlyph(QStringLiteral("SOURCE"));
    default:
        return QPixmap();
    }
}

QMimeData *DragData(const QWidget *source)
{
    auto *data = new QMimeData;
    data->setData(DragFormat, source->objectName().toUtf8());
    return data;
}

} // namespace

// ---- shared parts -----------------------------------------------------------------------------------------------

int NodeImage(const QTreeWidgetItem *node)
{
    const QVariant image = node ? node->data(0, ImageRole) : QVariant();
    return image.isValid() ? image.toInt() : TfrDictForm::niNone;
}

void SetNodeImage(QTreeWidgetItem *node, int image)
{
    node->setData(0, ImageRole, image == TfrDictForm::niNone ? QVariant() : QVariant(image));
    node->setIcon(0, QIcon(NodeGlyph(image)));
}

QTreeWidgetItem *AddNode(QTreeWidgetItem *parent, const QString &text, int image)
{
    auto *node = new QTreeWidgetItem(parent, { text });
    SetNodeImage(node, image);
    return node;
}

QString AliasedText(const QString &name, const QString &alias)
{
    return alias.isEmpty() ? name : name + QStringLiteral(" {") + alias + u'}';
}

QString OwnName(const QString &text)
{
    const qsizetype brace = text.indexOf(u'{');
    return (brace < 0 ? text : text.left(brace)).trimmed();
}

QString ShownAlias(const QString &text)
{
    const qsizetype open = text.indexOf(u'{');
    if (open < 0)
        return text;
    const qsizetype close = text.indexOf(u'}', open);
    return text.mid(open + 1, close < 0 ? -1 : close - open - 1);
}

QStringList TakeChildNames(QTreeWidgetItem *node)
{
    QStringList names;
    const QList<QTreeWidgetItem *> children = node->takeChildren();
    for (const QTreeWidgetItem *child : children)
        names << OwnName(child->text(0));
    qDeleteAll(children);
    return names;
}

void AddListNames(QListWidget *list, const QStringList &names, const QPixmap &glyph)
{
    for (const QString &name : names)
        (new QListWidgetItem(name, list))->setData(Qt::DecorationRole, glyph);
    list->sortItems();
}

QStringList TakeSelectedNames(QListWidget *list)
{
    QStringList names;
    int first = -1;
    for (int row = list->count() - 1; row >= 0; --row) {
        if (!list->item(row)->isSelected())
            continue;
        names.prepend(list->item(row)->text());
        delete list->takeItem(row);
        first = row;
    }
    list->clearSelection();
    if (first >= 0 && list->count() > 0)
        list->setCurrentRow(std::min(first, list->count() - 1));
    return names;
}

TfrDictListBox::TfrDictListBox(const char *name, QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new TfrGlyphItemDelegate(20, 16, this));
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    viewport()->setAcceptDrops(true);
}

QStringList TfrDictListBox::mimeTypes() const
{
    return { DragFormat };
}

QMimeData *TfrDictListBox::mimeData(const QList<QListWidgetItem *> &) const
{
    return DragData(this);
}

TfrDictTree::TfrDictTree(const char *name, QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
    setHeaderHidden(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    viewport()->setAcceptDrops(true);
}

QStringList TfrDictTree::mimeTypes() const
{
    return { DragFormat };
}

QMimeData *TfrDictTree::mimeData(const QList<QTreeWidgetItem *> &) const
{
    return DragData(this);
}

bool TakeDragFrom(QEvent *event, const QWidget *source, bool &dropped)
{
    dropped = false;
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *drag = static_cast<QDropEvent *>(event);
    if (drag->mimeData()->data(DragFormat) != source->objectName().toUtf8()) {
        drag->ignore();
        return true;
    }
    // Copied, never moved: the view the drag started from must not remove its rows itself.
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    dropped = type == QEvent::Drop;
    return true;
}

TfrSpeedButton *DictMoveButton(QWidget *parent, int number, const char *caption)
{
    auto *button = new TfrSpeedButton(parent);
    button->setObjectName(QStringLiteral("frSpeedButton%1").arg(number));
    button->SetCaption(QString::fromLatin1(caption));
    button->setFixedSize(30, 25);
    return button;
}

QWidget *DictAliasPage(const char *name, QLabel *label, QListWidget *list, const QList<TfrSpeedButton *> &moves,
    QTreeWidget *tree, QGroupBox *options)
{
    auto *page = list->parentWidget();
    page->setObjectName(QString::fromLatin1(name));
    auto *left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(list, 1);
    auto *middle = new QVBoxLayout;
    middle->addStretch();
    for (TfrSpeedButton *button : moves)
        middle->addWidget(button);
    middle->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(tree, 1);
    right->addWidget(options);
    auto *layout = new QHBoxLayout(page);
    layout->addLayout(left, 2);
    layout->addLayout(middle);
    layout->addLayout(right, 3);
    label->setBuddy(list);
    return page;
}

// ---- the form -------------------------------------------------------------------------------------------------

TfrDictForm::TfrDictForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frDictForm"));
    setWindowTitle(GetLocaleString(53340));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = CreateVariablesPage();
    TabSheet2 = CreateFieldsPage();
    TabSheet3 = CreateBandsPage();
    PageControl1->addTab(TabSheet1, GetLocaleString(53341));
    PageControl1->addTab(TabSheet2, GetLocaleString(53342));
    PageControl1->addTab(TabSheet3, GetLocaleString(53343));
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    // Enter edits names and moves between trees and edits; it never closes the editor.
    Button1->setDefault(false);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    resize(560, 420);
}

bool TfrDictForm::Execute(TfrReport &report)
{
    TfrDictForm form;
    form.Report = &report;
    return form.exec() == QDialog::Accepted;
}

void TfrDictForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FillVariables(true);
    FillFieldAliases();
    FillBandSources();
    FillValueSources();
    ValCombo->setCurrentIndex(0);
    ValComboChanged();
    ExprCBChanged(ExprCB->isChecked());
    VarTree->setFocus();
}

void TfrDictForm::hideEvent(QHideEvent *event)
{
    m_exprNode = m_renameNode = m_aliasNode = m_bandNode = nullptr;
    WorkVariables.Clear();
    WorkFieldAliases.Clear();
    WorkBandSources.Clear();
    QDialog::hideEvent(event);
}

void TfrDictForm::done(int result)
{
    if (result == QDialog::Accepted) {
        // What was typed last counts even when OK is reached without leaving its edit.
        StoreExpression();
        StoreFieldAlias();
        StoreBandAlias();
        TfrDataDictionary &dictionary = Report->Dictionary();
        dictionary.Variables.Assign(WorkVariables);
        dictionary.FieldAliases.Assign(WorkFieldAliases);
        dictionary.BandDatasources.Assign(WorkBandSources);
    }
    QDialog::done(result);
}

bool TfrDictForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == VarTree && VarTreeKey(key->key(), key->modifiers()))
            return true;
        if (watched == FieldAliasesTree && enter) {
            Edit1->setFocus();
            return true;
        }
        if (watched == FieldAliasesTree && key->key() == Qt::Key_Space) {
            CB1->click();
            return true;
        }
        if (watched == Edit1 && enter) {
            FieldAliasesTree->setFocus();
            return true;
        }
        if (watched == BandDSTree && enter) {
            Edit2->setFocus();
            return true;
        }
        if (watched == Edit2 && enter) {
            BandDSTree->setFocus();
            return true;
        }
    }
    const bool expression = watched == ExprEdit || watched == ExprEdit->lineEdit();
    if (expression && type == QEvent::FocusIn)
        m_exprNode = VarTree->currentItem();
    if (expression && type == QEvent::FocusOut)
        StoreExpression();
    if (watched == Edit1 && type == QEvent::FocusOut)
        StoreFieldAlias();
    if (watched == Edit2 && type == QEvent::FocusOut)
        StoreBandAlias();

    bool dropped = false;
    if (watched == FieldAliasesTree->viewport() && TakeDragFrom(event, AllTablesLB, dropped)) {
        if (dropped)
            AddDatasets();
        return true;
    }
    if (watched == AllTablesLB->viewport() && TakeDragFrom(event, FieldAliasesTree, dropped)) {
        if (dropped)
            RemoveDataset();
        return true;
    }
    if (watched == BandDSTree->viewport() && TakeDragFrom(event, AllBandsLB, dropped)) {
        if (dropped)
            AddBandSources();
        return true;
    }
    if (watched == AllBandsLB->viewport() && TakeDragFrom(event, BandDSTree, dropped)) {
        if (dropped)
            RemoveBandSource();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
