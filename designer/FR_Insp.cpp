// The object inspector: its window, rows, selection and commit.
#include "FR_Insp.h"

#include "FR_InspParts.h"
#include "FR_Locale.h"
#include "FR_PopupLB.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>

// The resource registration must be called outside any namespace.
static void initDesignerResources()
{
    Q_INIT_RESOURCE(DesignerGlyphs);
}

namespace {

constexpr int ButtonSize = 14;
// Space the edit box leaves for each button beside it.
constexpr int ButtonRoom = 15;

TfrSpeedButton *rowButton(QWidget *panel, const char *name, const QString &glyph)
{
    auto *button = new TfrSpeedButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->SetGlyph(QPixmap(glyph));
    button->SetGrayedInactive(false);
    button->SetMargin(1);
    return button;
}

} // namespace

TInspPanel::TInspPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

TfrInspForm::TfrInspForm(QWidget *ownerWindow)
    : QWidget(ownerWindow, Qt::Tool)
{
    initDesignerResources();
    setObjectName(QStringLiteral("frInspForm"));
    setWindowTitle(GetLocaleString(53059));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    m_rowHeight = QFontMetrics(font).height() + 3;

    CB1 = new TInspObjectCombo(this);
    Box = new QScrollArea(this);
    Box->setObjectName(QStringLiteral("Box"));
    Box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Box->verticalScrollBar()->setSingleStep(m_rowHeight);
    Box->verticalScrollBar()->setTracking(true);
    Panel = new TInspPanel;
    Panel->setObjectName(QStringLiteral("InspPanel"));
    Box->setWidget(Panel);
    PaintBox1 = new TInspPaintBox(this, Panel);
    Edit1 = new QLineEdit(Panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    Edit1->installEventFilter(this);
    EditPanel = new QWidget(Panel);
    EditPanel->setObjectName(QStringLiteral("EditPanel"));
    EditBtn = rowButton(EditPanel, "EditBtn", QStringLiteral(":/designer/ELLIPSIS"));
    EditBtn->OnClick = [this](QObject *) { EditBtnClick(); };
    ComboPanel = new QWidget(Panel);
    ComboPanel->setObjectName(QStringLiteral("ComboPanel"));
    ComboBtn = rowButton(ComboPanel, "ComboBtn", QStringLiteral(":/designer/DOWNARROW"));
    ComboBtn->OnClick = [this](QObject *) { ComboBtnClick(); };
    Edit1->hide();
    EditPanel->hide();
    ComboPanel->hide();

    PopupListBox = new TfrPopupListBox(this);
    connect(PopupListBox->ListBox1, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) { ListClick(item->text()); });

    resize(180, 320);
    m_rollUpHeight = height();
    LoadLocalizedNames();
}

TfrInspForm::~TfrInspForm() = default;

void TfrInspForm::LoadLocalizedNames()
{
    for (int id = 58001; id <= 65535; ++id) {
        const QString entry = GetLocaleString(id);
        if (entry.isEmpty())
            break;
        const int eq = entry.indexOf(u'=');
        if (eq < 0 || entry.endsWith(u'='))
            continue;
        m_translations.SetValue(entry.left(eq), Variant(entry.mid(eq + 1)));
    }
}

QString TfrInspForm::RowCaption(int index) const
{
    const QString &name = m_rows.at(size_t(index)).name;
    if (CurrentLocale().LocalizedPropNames && m_translations.IndexOf(name) >= 0)
        return m_translations.GetValue(name).toString();
    return name;
}

void TfrInspForm::ClearProperties()
{
    m_rows.clear();
}

void TfrInspForm::AddProperty(const QString &name, const Variant &value, TfrEditorHook editorMethod,
    const Variant &valueCodes, const QStringList &valueNames, int typeFlags)
{
    auto prop = std::make_unique<TProp>(typeFlags, std::move(editorMethod), valueCodes, valueNames);
    prop->SetValue(value);
    m_rows.push_back({ name, std::move(prop) });
}

Variant TfrInspForm::RowValue(int index) const
{
    return m_rows.at(size_t(index)).prop->GetValue();
}

QString TfrInspForm::RowText(int index) const
{
    return m_rows.at(size_t(index)).prop->Text;
}

QString TfrInspForm::RowName(int index) const
{
    return m_rows.at(size_t(index)).name;
}

TProp *TfrInspForm::CurrentProp() const
{
    if (m_itemIndex < 0 || m_itemIndex >= RowCount())
        return nullptr;
    return m_rows[size_t(m_itemIndex)].prop.get();
}

void TfrInspForm::LayoutRows()
{
    const int height = RowCount() * m_rowHeight;
    const int frame = 2 * Box->frameWidth();
    int width = Box->width() - frame;
    if (height > Box->height() - frame)
        width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Box);
    width = std::max(width, 0);
    Panel->resize(width, height);
    PaintBox1->setGeometry(0, 0, width, height);
}

void TfrInspForm::SelectRow(int index)
{
    if (m_inCommit)
        return;
    index = std::clamp(index, 0, std::max(RowCount() - 1, 0));
    Edit1->setVisible(RowCount() > 0 && !Disabled);
    if (RowCount() == 0) {
        m_itemIndex = -1;
        EditPanel->hide();
        ComboPanel->hide();
        HidePopup();
        return;
    }
    if (m_itemIndex >= 0 && Edit1->isModified())
        CommitText(Edit1->text());

    m_itemIndex = index;
    const TProp &prop = *m_rows[size_t(index)].prop;
    EditPanel->setVisible(bool(prop.EditorMethod) && !Disabled);
    ComboPanel->setVisible((prop.TypeFlags & (frdtBoolean | frdtColor | frdtEnum)) && !Disabled);
    HidePopup();
    Edit1->setReadOnly((prop.TypeFlags & frdtHasEditor) && !(prop.TypeFlags & frdtString));

    const int top = index * m_rowHeight + 1;
    const int paintWidth = PaintBox1->width();
    int right = paintWidth;
    // The list button sits at the right edge, the editor button left of it when a row has both.
    for (QWidget *panel : { ComboPanel, EditPanel }) {
        if (panel->isHidden())
            continue;
        right -= ButtonRoom;
        panel->setGeometry(right + 1, top, ButtonSize, m_rowHeight - 2);
        panel->findChild<TfrSpeedButton *>()->setGeometry(0, 0, ButtonSize, m_rowHeight - 2);
    }
    Edit1->setGeometry(SplitPos + 2, top, right - SplitPos - 2, m_rowHeight - 2);
    Edit1->setText(prop.Text);
    Edit1->selectAll();
    Edit1->setModified(false);
    ScrollIntoView(index * m_rowHeight);

    LastPropName = m_rows[size_t(index)].name;
    PaintBox1->update();
}

void TfrInspForm::ScrollIntoView(int top)
{
    QScrollBar *bar = Box->verticalScrollBar();
    const int visible = Box->viewport()->height();
    if (top + m_rowHeight > bar->value() + visible)
        bar->setValue(top + m_rowHeight - visible);
    else if (top < bar->value())
        bar->setValue(top);
}

void TfrInspForm::CommitText(const QString &text)
{
    if (Disabled)
        return;
    TProp *prop = CurrentProp();
    if (!prop)
        return;
    const int index = m_itemIndex;
    prop->Text = text;
    // What was typed is in the row now; the row's text comes back into the edit when it is selected again.
    Edit1->setModified(false);
    m_inCommit = true;
    auto reselect = [this, index] {
        m_inCommit = false;
        SelectRow(index < RowCount() ? index : 0);
    };
    try {
        if (OnModify)
            OnModify(index);
    } catch (...) {
        reselect();
        throw;
    }
    reselect();
}

void TfrInspForm::ItemsChanged()
{
    m_busy = true;
    m_itemIndex = -1;
    LayoutRows();
    m_busy = false;
    int index = 0;
    for (int i = 0; i < RowCount(); ++i)
        if (m_rows[size_t(i)].name == LastPropName) {
            index = i;
            break;
        }
    SelectRow(index);
    if (Disabled) {
        CB1->setCurrentIndex(-1);
        CB1->update();
        return;
    }
    if (CB1->currentText() != ObjectName) {
        FillObjectCombo();
        CB1->setCurrentIndex(CB1->findText(ObjectName));
    }
    CB1->update();
}

void TfrInspForm::FillObjectCombo()
{
    QStringList items;
    if (OnGetObjects)
        OnGetObjects(items);
    // The same names in the same order as last time: the combo lists them already, and sorting them again on every
    // change of the selection would cost as much as all the rest of it on a page of many objects.
    if (items == m_listedObjects && items.size() == CB1->count())
        return;
    m_listedObjects = items;
    items.sort(Qt::CaseInsensitive);
    // The same objects as listed already: the list stays, which spares the combo and its view a rebuild.
    if (items.size() == CB1->count()) {
        int same = 0;
        while (same < CB1->count() && CB1->itemText(same) == items.at(same))
            ++same;
        if (same == CB1->count())
            return;
    }
    CB1->clear();
    // All rows in one insertion: one by one, each would make the combo look at the whole list again.
    if (auto *model = qobject_cast<QStandardItemModel *>(CB1->model())) {
        QList<QStandardItem *> rows;
        rows.reserve(items.size());
        for (const QString &item : items) {
            auto *row = new QStandardItem(item);
            row->setSizeHint(QSize(0, 15));
            rows << row;
        }
        model->invisibleRootItem()->appendRows(rows);
        return;
    }
    for (const QString &item : items) {
        CB1->addItem(item);
        CB1->setItemData(CB1->count() - 1, QSize(0, 15), Qt::SizeHintRole);
    }
}

QString TfrInspForm::ObjectCaption() const
{
    if (Disabled || CB1->currentIndex() < 0)
        return QString();
    QString caption = CB1->currentText();
    if (CurrentObject)
        caption += QStringLiteral(": ") + CurrentObject->ClassName();
    return caption;
}

void TfrInspForm::ShowInspector()
{
    show();
    if (height() >= 20)
        return;
    resize(width(), m_rollUpHeight);
    CB1->show();
    ItemsChanged();
    if (TProp *prop = CurrentProp())
        Edit1->setText(prop->Text);
    Edit1->setModified(false);
    if (OnHeightChanged)
        OnHeightChanged(this);
}

void TfrInspForm::RollUp()
{
    if (height() < 31) {
        resize(width(), m_rollUpHeight);
        CB1->show();
        ItemsChanged();
        if (TProp *prop = CurrentProp())
            Edit1->setText(prop->Text);
    } else {
        resize(width(), 0);
        CB1->hide();
    }
    if (OnHeightChanged)
        OnHeightChanged(this);
}

void TfrInspForm::HidePopup()
{
    PopupListBox->hide();
}

bool TfrInspForm::event(QEvent *e)
{
    if (e->type() == QEvent::NonClientAreaMouseButtonDblClick
        && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
        RollUp();
        return true;
    }
    return QWidget::event(e);
}

void TfrInspForm::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    FormResize();
}

void TfrInspForm::FormResize()
{
    const int comboHeight = CB1->sizeHint().height();
    CB1->setGeometry(0, 0, width(), comboHeight);
    Box->setGeometry(0, comboHeight + 2, width(), std::max(height() - comboHeight - 7, 0));
    LayoutRows();
    if (m_itemIndex >= 0)
        SelectRow(m_itemIndex);
}

void TfrInspForm::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (height() < 20)
        CB1->hide();
}

void TfrInspForm::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow())
        FormDeactivate();
    else if (Edit1->isEnabled() && Edit1->isVisible())
        Edit1->setFocus();
}

void TfrInspForm::FormDeactivate()
{
    if (m_busy)
        return;
    HidePopup();
    // Rows whose value is picked or edited elsewhere commit there; a typed value is kept when the user leaves.
    const TProp *prop = CurrentProp();
    if (prop && Edit1->isModified() && !(prop->TypeFlags & (frdtBoolean | frdtColor | frdtEnum | frdtHasEditor)))
        CommitText(Edit1->text());
}
