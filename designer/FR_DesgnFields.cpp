// Database fields brought onto the page: the extra tools (the built-in one lays the fields of a dataset out with
// headers and bands), the DB-fields window beside the inspector, and a field dragged from it onto the surface.
#include "FR_Desgn.h"

#include "FR_Color.h"
#include "FR_DBSet.h"
#include "FR_DataDict.h"
#include "FR_Dock.h"
#include "FR_Fields.h"
#include "FR_Insp.h"
#include "FR_InsertFields.h"
#include "FR_Locale.h"

#include "ComponentRegistry.h"
#include "DataSet.h"
#include "Registry.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollArea>

namespace {

// The DB-fields window: one for the whole program.
QPointer<TfrInsFieldsForm> FieldsForm;

const QString FieldsSection = QStringLiteral("Form\\TfrInsFieldsForm");

// The width of a text in the object's font, in whole grid steps.
int TextWidth(const TfrMemoView *memo, const QString &text, int step)
{
    const QFontMetrics metrics(memo->Font.toQFont(memo->Font.pixelHeight()));
    return metrics.horizontalAdvance(text) / step * step;
}

// The report data source bound to the dataset, named as the report's owner sees it.
QString DataSourceOf(const TDataSet *dataset)
{
    const TfrReport *report = frEngine().CurrentReport;
    const QObject *owner = report ? report->parent() : nullptr;
    for (const ComponentRegistry::Entry &e : ComponentRegistry::instance().entries())
        if (auto *source = qobject_cast<TfrDBDataSet *>(e.component); source && dataset && source->DataSet() == dataset)
            return e.owner == owner ? e.name : e.fullName();
    return {};
}

// Takes a DB field dragged over the design surface.
class FieldDropHook : public QObject
{
public:
    explicit FieldDropHook(TfrDesignerForm *designer)
        : QObject(designer->PageView)
        , m_designer(designer)
    {
        designer->PageView->setAcceptDrops(true);
        designer->PageView->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave && type != QEvent::Drop)
            return false;
        // Only drag events reach the designer: the surface's other events come also while the designer is being
        // torn down.
        TfrDesignerPage *surface = m_designer->PageView;
        switch (type) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (!Accepts(drag)) {
                drag->ignore();
                return true;
            }
            drag->acceptProposedAction();
            // The ghost of the text object follows the mouse, its corner 4 pixels above and left of it.
            const QPoint at = surface->SnapToGrid(drag->position().toPoint()) - QPoint(4, 4);
            surface->ActionRect
                = QRect(at, DesignGeometry::DefaultSize(m_designer->GridSizeX, LastUsed.FontSize));
            surface->GhostShown = true;
            surface->Draw();
            return true;
        }
        case QEvent::DragLeave:
            surface->GhostShown = false;
            surface->Draw();
            return true;
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!Accepts(drop)) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            m_designer->DropField(drop->position().toPoint(),
                QString::fromUtf8(drop->mimeData()->data(QLatin1String(TfrIconListBox::DragFormat))));
            return true;
        }
        default:
            return false;
        }
    }

private:
    // Only a row of the field lists is taken, told by the format it carries rather than by the drag's source,
    // which is known only while the platform runs the drag inside this process.
    bool Accepts(const QDropEvent *event) const
    {
        return m_designer->Page && m_designer->PageType == 0 && !(DesignerRestrictions & drNoInsert)
            && event->mimeData()->hasFormat(QLatin1String(TfrIconListBox::DragFormat));
    }

    TfrDesignerForm *m_designer;
};

} // namespace

std::function<bool(TfrInsertFieldsChoice &)> TfrDesignerForm::InsertFieldsDialog
    = [](TfrInsertFieldsChoice &choice) { return TfrInsertFieldsForm::Execute(choice); };

void TfrDesignerForm::CreateExtraTools()
{
    Panel6 = new TfrToolBar(frDock1);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setWindowTitle(GetLocaleString(53086));
    Panel6->resize(26, 26);
    if (TemplateMode) {
        AddExtraTool(GetLocaleString(55305), QPixmap(QStringLiteral(":/editor/INSDB")), [this] { InsertDBFields(); });
        for (const TfrToolInfo &tool : frEngine().Tools) {
            bool isId = false;
            const int id = tool.Caption.toInt(&isId);
            AddExtraTool(isId ? GetLocaleString(id) : tool.Caption, QPixmap::fromImage(tool.ButtonBmp), tool.OnClick);
        }
    }
    Panel6->AddToDock(frDock1);
    InstallFieldDrops();
}

void TfrDesignerForm::AddExtraTool(
    const QString &caption, const QPixmap &glyph, const std::function<void()> &onClick)
{
    QAction *item = MastMenu->addAction(glyph, caption);
    connect(item, &QAction::triggered, this, [onClick] {
        if (onClick)
            onClick();
    });
    MastMenu->setEnabled(true);
    TfrTBButton *button = AddButton(Panel6, "", 36, nullptr);
    button->setObjectName(QStringLiteral("ExtraTool%1").arg(MastMenu->actions().size()));
    button->SetGlyph(glyph);
    button->setToolTip(caption);
    button->OnClick = [item](QObject *) { item->trigger(); };
}

void TfrDesignerForm::InstallFieldDrops()
{
    new FieldDropHook(this);
}

void TfrDesignerForm::InsertDBFields()
{
    if (!Page || PageType != 0 || (DesignerRestrictions & drNoInsert) || !InsertFieldsDialog)
        return;
    TfrInsertFieldsChoice choice;
    if (!InsertFieldsDialog(choice) || choice.DatasetName.isEmpty() || choice.Fields.isEmpty())
        return;
    const QString ds = choice.DatasetName;
    const int left = Page->PrintAreaLeft(), top = Page->PrintAreaTop();
    const int step = GridSizeX;
    const QSize size = DesignGeometry::DefaultSize(GridSizeX, LastUsed.FontSize);
    int x = left, y = top;
    Unselect();
    PageView->SelectedCount = 0;
    std::vector<TfrMemoView *> headers, data;
    auto newText = [this, &size](int atX, int atY) {
        auto *memo = static_cast<TfrMemoView *>(CreateViewOfType(0, {}));
        memo->MakeUniqueName();
        memo->PlaceAt(atX, atY, size.width(), size.height());
        memo->IsSelected = true;
        ++PageView->SelectedCount;
        Page->AddObject(memo);
        return memo;
    };
    for (const QString &name : choice.Fields) {
        const QString real = Report()->Dictionary().GetRealFieldName(name);
        const TField *field = choice.DatasetComponent ? choice.DatasetComponent->FindField(real) : nullptr;
        int width = field ? field->DisplayWidth() : 0;
        const QString displayName = field ? field->DisplayName() : name;
        if (width <= 0 || width > 255)
            width = 6;
        const QString expression = u'[' + ds + QStringLiteral(".\"") + name + QStringLiteral("\"]");
        TfrMemoView *first = newText(x, y);
        TfrMemoView *last = first;
        if (choice.Headers) {
            first->Font.Style = 2;
            first->Memo = QStringList { displayName };
            first->Width = TextWidth(first, displayName + QStringLiteral("   "), step);
            headers.push_back(first);
            const QPoint at = choice.Horizontal ? QPoint(first->Left, first->Top + 72)
                                                : QPoint(first->Left + 2 * step + first->Width, first->Top);
            last = newText(at.x(), at.y());
            last->Memo = QStringList { expression };
            const QFontMetrics metrics(last->Font.toQFont(last->Font.pixelHeight()));
            last->Width = width * metrics.horizontalAdvance(u'=') / step * step;
        } else {
            first->Memo = QStringList { expression };
            first->Width = TextWidth(first, QString(width, u'='), step);
        }
        data.push_back(last);
        if (choice.Horizontal)
            x += step + last->Width;
        else
            y += GridSizeY + last->Height;
    }

    // A row wider than the printable width is squeezed into it; a page without printable width leaves it be.
    const int printable = Page->PrintAreaRight() - left;
    const TfrMemoView *end = data.back();
    const int right = end->Left + end->Width;
    if (choice.Horizontal && printable > 0 && printable < right) {
        const double k = double(right) / printable;
        for (size_t i = 0; i < data.size(); ++i) {
            TfrMemoView *d = data[i];
            d->Left = DesignGeometry::RoundEven((d->Left - left) / k) + left;
            d->Width = DesignGeometry::RoundEven(d->Width / k);
            if (i < headers.size()) {
                TfrMemoView *h = headers[i];
                h->Left = DesignGeometry::RoundEven((h->Left - left) / k) + left;
                h->Width = std::min(h->Width, d->Width);
            }
        }
    }

    if (choice.Bands) {
        const TfrMemoView *lowest = choice.Headers ? headers.back() : data.back();
        const int height = lowest->Top + lowest->Height - top;
        auto newBand = [this](int type, int atY, int height) {
            auto *band = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
            band->SetBandType(type);
            band->NamePrefix = BandBaseName(type);
            band->MakeUniqueName();
            band->PlaceAt(0, atY, Page->PrnInfo.PaperWidthUnits, height);
            band->IsSelected = true;
            ++PageView->SelectedCount;
            Page->AddObject(band);
            return band;
        };
        const QString source = DataSourceOf(choice.DatasetComponent);
        if (choice.Headers && choice.Horizontal) {
            if (!BandTypeExists(*Page, btPageHeader))
                newBand(btPageHeader, top, height);
            newBand(btMasterData, top + 72, height)->FormatText = source;
        } else {
            newBand(btMasterData, top, height)->FormatText = source;
        }
    }
    PageView->LastSelected = nullptr;
    SelectionChanged();
    SortBands(*Page);
    PageView->CalcSelectionBounds();
    RepaintPage();
    RecordUndo(acInsert);
}

// ---- The DB-fields window ----------------------------------------------------------------------------------------

TfrInsFieldsForm *TfrDesignerForm::FieldsWindow() const
{
    return FieldsForm.data();
}

void TfrDesignerForm::ShowFieldsWindow(bool show)
{
    if (!show) {
        if (FieldsForm) {
            FieldsForm->hide();
            delete FieldsForm.data();
        }
        return;
    }
    if (FieldsForm) {
        FieldsForm->Unroll();
    } else {
        FieldsForm = new TfrInsFieldsForm(this);
        FieldsForm->OnHeightChanged = [this](QObject *) { AlignFieldsWindow(); };
    }
    FieldsForm->show();
    FieldsForm->raise();
    FieldsForm->activateWindow();
    FieldsForm->setFocus();
}

void TfrDesignerForm::AlignFieldsWindow()
{
    TfrInsFieldsForm *fields = FieldsForm.data();
    if (!fields || !InspForm || !InspForm->isVisible())
        return;
    const QRect f = fields->geometry(), i = InspForm->geometry();
    auto within = [&f](int x) { return x >= f.left() && x <= f.right(); };
    if (!within(i.left()) && !within(i.right()))
        return;
    // The two windows share the scroll box's height: the DB-fields window keeps its own height.
    const int top = ScrollBox1->mapToGlobal(QPoint(0, 0)).y() - 1;
    const int total = ScrollBox1->height();
    const int rest = std::max(0, total - f.height());
    const int inspectorHeight = InspForm->height() < 20 ? 0 : rest;
    if (i.top() < f.top()) {
        fields->setGeometry(f.x(), top + total - f.height(), f.width(), f.height());
        InspForm->setGeometry(i.x(), top, i.width(), inspectorHeight);
    } else {
        fields->setGeometry(f.x(), top, f.width(), f.height());
        InspForm->setGeometry(i.x(), top + f.height(), i.width(), inspectorHeight);
    }
}

void TfrDesignerForm::DropField(const QPoint &at, const QString &field)
{
    if (!Page || PageType != 0 || (DesignerRestrictions & drNoInsert) || field.isEmpty())
        return;
    TfrDesignerPage *surface = PageView;
    surface->SelectionHidden = false;
    PressTool(0);
    surface->SetCursorKind(TfrDesignerPage::ckCross);
    const QPoint corner = surface->SnapToGrid(at) - QPoint(4, 4);
    surface->ActionRect = QRect(corner, QSize(0, 0));
    surface->ActionRectAtStart = QRect(corner, DesignGeometry::DefaultSize(GridSizeX, LastUsed.FontSize));
    const bool repeat = surface->RepeatTool;
    surface->RepeatTool = false;
    const int before = Page->ObjectCount();
    surface->InsertObject(true);
    surface->RepeatTool = repeat;
    if (Page->ObjectCount() <= before)
        return;
    TfrView *v = TopSelected();
    v->Memo = QStringList { u'[' + field + u']' };
    surface->Draw(v->GetClipRegion(true));
    SelectionChanged();
}

void TfrDesignerForm::LoadToolOptions()
{
    InspForm->OnHeightChanged = [this](QObject *) { AlignFieldsWindow(); };
    // The colour buttons start black, with their pickers closed.
    SetColorButtonGlyph(ClB2, cgFontColor, clBlack);
    SetColorButtonGlyph(ClB1, cgFillColor, clBlack);
    SetColorButtonGlyph(ClB3, cgFrameColor, clBlack);
    ColorSelector->hide();
    LinePanel->hide();
    const TRegIniFile ini(EngineRegistryKey());
    for (TfrToolBar *bar : { Panel3, Panel1, Panel5, Panel6 })
        ReadToolbarPlacement(bar);
    Panel6->resize(std::max(26, Panel6->width()), std::max(26, Panel6->height()));
    if (Panel6->findChildren<TfrTBButton *>().isEmpty())
        Panel6->SetVisible(false);
    if (TemplateMode && ini.ReadBool(FieldsSection, QStringLiteral("isVisible"), true))
        ShowFieldsWindow(true);
}

void TfrDesignerForm::SaveToolOptions()
{
    TRegIniFile ini(EngineRegistryKey());
    ini.WriteBool(FieldsSection, QStringLiteral("isVisible"), FieldsForm && !FieldsForm->isHidden());
    for (TfrToolBar *bar : { Panel1, Panel3, Panel5, Panel6 }) {
        if (bar == Panel6 && !TemplateMode)
            continue;
        WriteToolbarPlacement(bar);
        bar->SetVisible(false);
    }
}
