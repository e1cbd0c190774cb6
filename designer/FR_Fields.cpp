#include "FR_Fields.h"

#include "FR_Class.h"
#include "FR_Color.h"
#include "FR_DataDict.h"
#include "FR_Dock.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "Registry.h"
#include "WidgetKit.h"

#include <QDrag>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

QString LastFieldsDataset;
QString LastInsFieldsDataset;

namespace {

const QString InsFieldsSection = QStringLiteral("Form\\TfrInsFieldsForm");

// Rows of one height with the list's icon before the text.
class IconRowDelegate : public QStyledItemDelegate
{
public:
    explicit IconRowDelegate(TfrIconListBox *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, toQColor(selected ? clHighlight : clWindow));
        painter->drawPixmap(r.left() + 2, r.top(), m_list->Icon());
        painter->setPen(toQColor(selected ? clHighlightText : clWindowText));
        painter->setFont(option.font);
        painter->drawText(QRect(r.left() + 20, r.top() + 1, r.width() - 20, r.height() - 1),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return { QStyledItemDelegate::sizeHint(option, index).width() + 20, TfrIconListBox::ItemHeight };
    }

private:
    TfrIconListBox *m_list;
};

// The designer window gets the focus back when it is visible.
void FocusDesigner()
{
    TfrReportDesigner *designer = frEngine().CurrentDesigner;
    if (designer && designer->isVisible())
        designer->activateWindow();
}

} // namespace

TfrDataDictionary *CurrentDictionary()
{
    TfrReport *report = frEngine().CurrentReport;
    return report ? &report->Dictionary() : nullptr;
}

QPushButton *DesignerDialogButton(QWidget *parent, const char *name, int captionId)
{
    auto *button = new QPushButton(GetLocaleString(captionId), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QHBoxLayout *OkCancelButtons(QDialog *dialog, QPushButton *&ok, QPushButton *&cancel)
{
    ok = DesignerDialogButton(dialog, "Button1", 55000);
    ok->setDefault(true);
    cancel = DesignerDialogButton(dialog, "Button2", 55001);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// ---- TfrIconListBox -------------------------------------------------------------------------------------------

TfrIconListBox::TfrIconListBox(const QPixmap &icon, QWidget *parent)
    : QListWidget(parent)
    , m_icon(icon)
{
    setUniformItemSizes(true);
    setItemDelegate(new IconRowDelegate(this));
}

QString TfrIconListBox::SelectedText() const
{
    const QListWidgetItem *item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TfrIconListBox::SetItems(const QStringList &items, const QString &wanted)
{
    clear();
    addItems(items);
    const int row = items.indexOf(wanted);
    if (!items.isEmpty())
        setCurrentRow(row >= 0 ? row : 0);
}

void TfrIconListBox::startDrag(Qt::DropActions)
{
    if (!OnStartDrag)
        return;
    const QString text = OnStartDrag();
    if (text.isEmpty())
        return;
    auto *drag = new QDrag(this);
    auto *data = new QMimeData;
    data->setText(text);
    data->setData(QLatin1String(DragFormat), text.toUtf8());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

// ---- TfrFieldLists --------------------------------------------------------------------------------------------

TfrFieldLists::TfrFieldLists(QWidget *parent, const QString &datasetsName, const QString &fieldsName)
{
    InitDesignerGlyphs();
    DatasetsLB = new TfrIconListBox(QPixmap(QStringLiteral(":/designer/DATASET")), parent);
    DatasetsLB->setObjectName(datasetsName);
    FieldsLB = new TfrIconListBox(QPixmap(QStringLiteral(":/designer/FIELD")), parent);
    FieldsLB->setObjectName(fieldsName);
    QObject::connect(DatasetsLB, &QListWidget::itemSelectionChanged, DatasetsLB, [this] { ShowFields(); });
}

void TfrFieldLists::Fill(const QString &remembered)
{
    QStringList datasets;
    if (TfrDataDictionary *dictionary = CurrentDictionary())
        dictionary->GetDataSetList(datasets);
    DatasetsLB->SetItems(datasets, remembered);
    if (datasets.isEmpty())
        FieldsLB->clear();
}

void TfrFieldLists::ShowFields()
{
    QStringList fields;
    const QString dataset = SelectedDataset();
    TfrDataDictionary *dictionary = CurrentDictionary();
    if (dictionary && !dataset.isEmpty())
        dictionary->GetFieldList(dataset, fields);
    FieldsLB->clear();
    FieldsLB->addItems(fields);
}

QString TfrFieldLists::Choice() const
{
    const QString field = FieldsLB->SelectedText();
    if (field.isEmpty())
        return QString();
    return SelectedDataset() + QStringLiteral(".\"") + field + u'"';
}

// ---- TfrFieldsForm --------------------------------------------------------------------------------------------

TfrFieldsForm::TfrFieldsForm(QWidget *parent)
    : QDialog(parent)
    , m_lists(this, QStringLiteral("DatasetsLB"), QStringLiteral("FieldsLB"))
{
    setObjectName(QStringLiteral("frFieldsForm"));
    setWindowTitle(GetLocaleString(53450));
    DatasetsLB = m_lists.DatasetsLB;
    FieldsLB = m_lists.FieldsLB;
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    connect(FieldsLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    DatasetsLB->setFixedHeight(100);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DatasetsLB);
    layout->addWidget(FieldsLB, 1);
    layout->addLayout(buttons);
    resize(240, 320);
}

void TfrFieldsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_lists.Fill(LastFieldsDataset);
}

void TfrFieldsForm::done(int result)
{
    LastFieldsDataset = m_lists.SelectedDataset();
    FieldText = m_lists.Choice();
    QDialog::done(result);
    FocusDesigner();
}

// ---- TfrInsFieldsForm -----------------------------------------------------------------------------------------

TfrInsFieldsForm::TfrInsFieldsForm(QWidget *designer)
    : QWidget(designer, Qt::Tool)
    , m_lists(this, QStringLiteral("DatasetsLB"), QStringLiteral("FieldsLB"))
{
    setObjectName(QStringLiteral("frInsFieldsForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(GetLocaleString(53450));
    DatasetsLB = m_lists.DatasetsLB;
    FieldsLB = m_lists.FieldsLB;
    FieldsLB->setDragEnabled(true);
    FieldsLB->OnStartDrag = [this] {
        StoreChoice();
        return FieldText;
    };
    Splitter = new QWidget(this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setCursor(Qt::SplitVCursor);
    Splitter->installEventFilter(this);

    resize(160, 300);
    ReadFormPlacement(this);
    m_datasetsHeight
        = TRegIniFile(EngineRegistryKey()).ReadInteger(InsFieldsSection, QStringLiteral("SplitterPos"), 120);
    m_rollUpHeight = height() < 30 ? 300 : height();
    if (height() < 20)
        DatasetsLB->hide();
    LayOut();
}

void TfrInsFieldsForm::Refresh()
{
    if (!DatasetsLB->SelectedText().isEmpty())
        LastInsFieldsDataset = DatasetsLB->SelectedText();
    m_lists.Fill(LastInsFieldsDataset);
}

void TfrInsFieldsForm::StoreChoice()
{
    LastInsFieldsDataset = m_lists.SelectedDataset();
    FieldText = m_lists.Choice();
}

void TfrInsFieldsForm::LayOut()
{
    const int w = width();
    if (DatasetsLB->isHidden()) {
        Splitter->hide();
        FieldsLB->setGeometry(0, 0, w, height());
        return;
    }
    Splitter->show();
    DatasetsLB->setGeometry(0, 0, w, m_datasetsHeight);
    Splitter->setGeometry(0, m_datasetsHeight, w, 2);
    FieldsLB->setGeometry(0, m_datasetsHeight + 2, w, std::max(0, height() - m_datasetsHeight - 2));
}

void TfrInsFieldsForm::RollUp()
{
    resize(width(), 0);
    DatasetsLB->hide();
    LayOut();
}

void TfrInsFieldsForm::Unroll()
{
    if (height() > 30)
        return;
    resize(width(), m_rollUpHeight);
    DatasetsLB->show();
    LayOut();
}

bool TfrInsFieldsForm::event(QEvent *event)
{
    if (event->type() == QEvent::NonClientAreaMouseButtonDblClick
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (height() <= 30)
            Unroll();
        else
            RollUp();
        if (OnHeightChanged)
            OnHeightChanged(this);
        return true;
    }
    return QWidget::event(event);
}

bool TfrInsFieldsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Splitter)
        return QWidget::eventFilter(watched, event);
    // Only the mouse events below are mouse events: the cast waits for the type.
    const auto mouse = [event] { return static_cast<QMouseEvent *>(event); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_splitterDrag = true;
        m_dragStartY = int(mouse()->position().y());
        return true;
    case QEvent::MouseMove:
        if (m_splitterDrag) {
            // The splitter follows the list's edge, so the mouse stays at the same place on it.
            m_datasetsHeight = std::clamp(
                m_datasetsHeight + int(mouse()->position().y()) - m_dragStartY, 0, std::max(0, height() - 2));
            LayOut();
        }
        return true;
    case QEvent::MouseButtonRelease:
        m_splitterDrag = false;
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TfrInsFieldsForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void TfrInsFieldsForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_lists.Fill(LastInsFieldsDataset);
}

void TfrInsFieldsForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    WriteFormPlacement(this);
    TRegIniFile(EngineRegistryKey()).WriteInteger(InsFieldsSection, QStringLiteral("SplitterPos"), m_datasetsHeight);
    StoreChoice();
    FocusDesigner();
}
