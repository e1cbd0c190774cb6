// The window's commands wired to their menu items and buttons, and the option, page, toolbar, help and popup
// commands.
#include "FR_Desgn.h"

#include "FR_About.h"
#include "FR_Dict.h"
#include "FR_Dock.h"
#include "FR_Dopt.h"
#include "FR_DsOpt.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_Prntr.h"
#include "FR_pgopt.h"

#include "Services.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>

namespace {

// Hands a watched object's events to a function.
class TEventHook : public QObject
{
public:
    TEventHook(QObject *owner, std::function<bool(QObject *, QEvent *)> handler)
        : QObject(owner)
        , m_handler(std::move(handler))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override { return m_handler(watched, event); }

private:
    std::function<bool(QObject *, QEvent *)> m_handler;
};

// Every subreport object of the report.
std::vector<TfrSubReportView *> SubReports(TfrReport &report)
{
    std::vector<TfrSubReportView *> list;
    for (int p = 0; p < report.Pages().GetCount(); ++p) {
        const TfrPage *page = report.Pages().GetPage(p);
        for (int i = 0; i < page->ObjectCount(); ++i)
            if (auto *sub = dynamic_cast<TfrSubReportView *>(page->Object(i)))
                list.push_back(sub);
    }
    return list;
}

} // namespace

void TfrDesignerForm::ConnectCommands()
{
    const std::pair<QAction *, void (TfrDesignerForm::*)()> commands[] = {
        { NewAction, &TfrDesignerForm::NewReport },
        { N23, &TfrDesignerForm::NewFromTemplate },
        { N19, &TfrDesignerForm::OpenReport },
        { N20, &TfrDesignerForm::SaveReport },
        { N17, &TfrDesignerForm::SaveReportAs },
        { N42, &TfrDesignerForm::EditDictionary },
        { N8, &TfrDesignerForm::EditReportOptions },
        { N39, &TfrDesignerForm::PreviewReport },
        { N46, &TfrDesignerForm::Undo },
        { N48, &TfrDesignerForm::Redo },
        { N11, &TfrDesignerForm::CutToClipboard },
        { N12, &TfrDesignerForm::CopyToClipboard },
        { N13, &TfrDesignerForm::PasteFromClipboard },
        { N27, &TfrDesignerForm::DeleteSelected },
        { N28, &TfrDesignerForm::SelectAllObjects },
        { N36, &TfrDesignerForm::EditSelected },
        { N29, &TfrDesignerForm::AddPage },
        { N15, &TfrDesignerForm::AddDialogPage },
        { N30, &TfrDesignerForm::DeletePage },
        { N14, &TfrDesignerForm::EditDesignerOptions },
        { N35, &TfrDesignerForm::StartHelpTool },
    };
    for (const auto &[action, command] : commands)
        connect(action, &QAction::triggered, this, [this, command = command] { (this->*command)(); });
    connect(N25, &QAction::triggered, this, [this] { EditPageOptions(); });
    connect(N34, &QAction::triggered, this, [] { TfrAboutForm::Execute(); });
    // The help contents need a help viewer, which this system has not: the item does nothing.

    connect(ToolbarsMenu, &QMenu::aboutToShow, this, &TfrDesignerForm::UpdateToolbarsMenu);
    for (QAction *item : { Pan1, Pan2, Pan3, Pan4, Pan5, Pan6, Pan7 })
        connect(item, &QAction::triggered, this, [this, item] { ToggleToolbar(item); });
    connect(Popup1, &QMenu::aboutToShow, this, &TfrDesignerForm::BuildObjectPopup);

    m_tabHook = new TEventHook(this, [this](QObject *, QEvent *event) { return TabBarEvent(event); });
    Tab1->installEventFilter(m_tabHook);
    // The help tool's button stays down until the next click, which the hook takes.
    m_helpHook
        = new TEventHook(this, [this](QObject *watched, QEvent *event) { return HelpToolEvent(watched, event); });
    HelpBtn->SetGroupIndex(2000);
    HelpBtn->SetAllowAllUp(true);
}

// ---- Options ---------------------------------------------------------------------------------------------------

void TfrDesignerForm::EditReportOptions()
{
    TfrReport *r = Report();
    if (!r || !TemplateMode || (DesignerRestrictions & drNoReportOptions))
        return;
    TfrReportOptions values;
    values.KeepDefaultPrinter = r->KeepDefaultPrinter;
    values.TwoPass = r->TwoPass;
    const int oldPrinter = EnginePrinter().PrinterIndex;
    values.PrinterIndex = oldPrinter;
    if (TfrDocOptForm::Execute(values)) {
        r->KeepDefaultPrinter = values.KeepDefaultPrinter;
        r->TwoPass = values.TwoPass;
        r->SelectPrinter(oldPrinter, values.PrinterIndex);
        SetModified(true);
    }
    SetCurPage(CurPage);
}

void TfrDesignerForm::EditDictionary()
{
    if (!Report() || !TemplateMode || (DesignerRestrictions & drNoDictionary))
        return;
    if (TfrDictForm::Execute(*Report()))
        SetModified(true);
}

void TfrDesignerForm::EditDesignerOptions()
{
    TfrDesignerOptions values;
    values.ShowGrid = ShowGrid;
    values.GridAlign = GridAlign;
    values.GridSize = GridSizeX;
    values.ShowContents = ShowContents == 1;
    values.Units = Units;
    values.GrayButtons = GrayButtons;
    values.EditAfterInsert = EditAfterInsert;
    values.BandTitles = frEngine().BandTitles;
    values.PagePosition = PagePosition;
    values.LocalizedPropNames = CurrentLocale().LocalizedPropNames;
    if (!TfrDesOptionsForm::Execute(values))
        return;
    SetShowGrid(values.ShowGrid);
    SetGridAlign(values.GridAlign);
    SetGridSize(values.GridSize);
    ShowContents = values.ShowContents ? 1 : 0;
    SetUnits(values.Units);
    SetGrayButtons(values.GrayButtons);
    EditAfterInsert = values.EditAfterInsert;
    frEngine().BandTitles = values.BandTitles;
    PagePosition = values.PagePosition;
    CurrentLocale().LocalizedPropNames = values.LocalizedPropNames;
    SetCurPage(CurPage);
}

bool TfrDesignerForm::EditPageOptions()
{
    PageOptionsDone = false;
    TfrPage *page = Page;
    if (!page || (DesignerRestrictions & drNoPageOptions))
        return false;
    TfrPageOptions values;
    values.PrintToPrevPage = page->PrintToPrevPage;
    values.MarginsUsed = page->MarginsUsed;
    values.UnlimitedHeight = UnlimitedHeight;
    values.Orientation = page->Orientation;
    values.PaperSize = page->PaperSize;
    values.PaperWidth = page->PaperWidth;
    values.PaperHeight = page->PaperHeight;
    values.Bin = page->Bin;
    values.LeftMargin = page->LeftMargin;
    values.TopMargin = page->TopMargin;
    values.RightMargin = page->RightMargin;
    values.BottomMargin = page->BottomMargin;
    values.ColumnGap = page->ColumnGap;
    values.Columns = page->Columns;
    if (!TfrPgoptForm::Execute(values))
        return false;
    page->PrintToPrevPage = values.PrintToPrevPage;
    page->MarginsUsed = values.MarginsUsed;
    UnlimitedHeight = values.UnlimitedHeight;
    page->LeftMargin = values.LeftMargin;
    page->TopMargin = values.TopMargin;
    page->RightMargin = values.RightMargin;
    page->BottomMargin = values.BottomMargin;
    page->ColumnGap = values.ColumnGap;
    page->Columns = values.Columns;
    SetModified(true);
    PageOptionsDone = true;
    page->ApplyPaper(values.PaperSize, values.PaperWidth, values.PaperHeight, values.Bin, values.Orientation);
    SetCurPage(CurPage);
    return true;
}

// ---- Pages -------------------------------------------------------------------------------------------------------

void TfrDesignerForm::AddPage()
{
    ResetSelection();
    TfrReport *r = Report();
    if (!r || !TemplateMode || (DesignerRestrictions & drNoAddPage))
        return;
    const int index = r->Pages().Add();
    Page = r->Pages().GetPage(index);
    Page->MakeUniqueName();
    if (EditPageOptions()) {
        SetCurPage(index);
    } else {
        // Cancelled: the page was never there.
        Page = nullptr;
        r->Pages().Delete(index);
        SetCurPage(CurPage);
    }
}

void TfrDesignerForm::AddDialogPage()
{
    TfrReport *r = Report();
    if (!r || !TemplateMode || (DesignerRestrictions & drNoAddPage))
        return;
    ResetSelection();
    const int index = r->Pages().Add();
    TfrPage *page = r->Pages().GetPage(index);
    page->MakeUniqueName();
    page->Type = 1;
    SetModified(true);
    SetCurPage(index);
}

void TfrDesignerForm::DeletePage()
{
    TfrReport *r = Report();
    if (!r || !TemplateMode || r->Pages().GetCount() <= 1 || (DesignerRestrictions & drNoDeletePage))
        return;
    if (Services::messages()->show({ GetLocaleString(55005), mtConfirmation, mbYesNo, mbYes, GetLocaleString(55006) })
        == mrYes)
        RemovePage(CurPage);
}

void TfrDesignerForm::RemovePage(int index)
{
    TfrReport *r = Report();
    if (!r || (DesignerRestrictions & drNoDeletePage))
        return;
    SetModified(true);
    const int count = r->Pages().GetCount();
    if (index >= 0 && index < count) {
        ResetSelection();
        if (count == 1) {
            r->Pages().GetPage(0)->ClearObjects();
            SetCurPage(0);
        } else {
            Page = nullptr;
            r->Pages().Delete(index);
            // Subreports showing the deleted page go with it; those showing a later page follow it down.
            for (int p = 0; p < r->Pages().GetCount(); ++p) {
                TfrPage *page = r->Pages().GetPage(p);
                for (int i = page->ObjectCount() - 1; i >= 0; --i)
                    if (auto *sub = dynamic_cast<TfrSubReportView *>(page->Object(i))) {
                        if (sub->SubPageIndex == index)
                            page->DeleteObject(i);
                        else if (sub->SubPageIndex > index)
                            --sub->SubPageIndex;
                    }
            }
            Tab1->removeTab(index);
            SetCurPage(0);
        }
    }
    ClearUndo();
    ClearRedo();
}

void TfrDesignerForm::MovePage(int to)
{
    TfrReport *r = Report();
    const int from = CurPage;
    if (!r || to == from || to < 0 || to >= r->Pages().GetCount())
        return;
    for (TfrSubReportView *sub : SubReports(*r)) {
        int &t = sub->SubPageIndex;
        if (t == from)
            t = to;
        else if (from < to && t > from && t <= to)
            --t;
        else if (from > to && t >= to && t < from)
            ++t;
    }
    ResetSelection();
    r->Pages().Move(from, to);
    ClearUndo();
    ClearRedo();
    SetModified(true);
    // The moved page stays current, at its new index, so that the page commands act on the page shown.
    SetCurPage(to);
}

bool TfrDesignerForm::TabBarEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            Popup2->popup(mouse->globalPosition().toPoint());
            return true;
        }
        m_tabDragArmed = mouse->button() == Qt::LeftButton;
        m_tabDragging = false;
        return false;
    }
    case QEvent::MouseMove:
        if (m_tabDragArmed && (static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton) && !m_tabDragging) {
            m_tabDragging = true;
            Tab1->setCursor(Qt::DragMoveCursor);
        }
        return m_tabDragging;
    case QEvent::MouseButtonRelease: {
        const bool dropped = m_tabDragging;
        m_tabDragArmed = m_tabDragging = false;
        if (!dropped)
            return false;
        Tab1->unsetCursor();
        const int target = Tab1->tabAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (target >= 0)
            MovePage(target);
        return true;
    }
    default:
        return false;
    }
}

// ---- Selection, toolbars, help and the object popup ------------------------------------------------------------

void TfrDesignerForm::SelectAllObjects()
{
    if (!Page)
        return;
    SelectAll();
    PageView->LastSelected = PageView->SelectedCount == 1 ? Page->Object(0) : nullptr;
    PageView->CalcSelectionBounds();
    PageView->DrawMarks();
    SelectionChanged();
}

QWidget *TfrDesignerForm::ToolbarOfTag(int tag) const
{
    static const char *const names[] = { "Panel1", "Panel2", "Panel3", "Panel4", "Panel5", nullptr, "Panel6" };
    if (tag == 5)
        return InspForm;
    if (tag < 0 || tag > 6)
        return nullptr;
    return findChild<QWidget *>(QLatin1String(names[tag]));
}

void TfrDesignerForm::UpdateToolbarsMenu()
{
    for (QAction *item : ToolbarsMenu->actions()) {
        QWidget *w = ToolbarOfTag(item->data().toInt());
        if (auto *bar = qobject_cast<TfrToolBar *>(w))
            item->setChecked(bar->IsVisible());
        else if (w)
            item->setChecked(w->isVisible());
    }
}

void TfrDesignerForm::ToggleToolbar(QAction *item)
{
    // The item's check is already the new state.
    const bool show = item->isChecked();
    QWidget *w = ToolbarOfTag(item->data().toInt());
    if (auto *bar = qobject_cast<TfrToolBar *>(w)) {
        bar->SetVisible(show);
        if (!bar->IsFloat() && bar->Dock())
            bar->Dock()->AdjustBounds();
        PlaceClient();
    } else if (w == InspForm && InspForm) {
        if (show)
            InspForm->ShowInspector();
        else
            InspForm->hide();
    }
}

void TfrDesignerForm::StartHelpTool()
{
    if (m_helpTool)
        return;
    m_helpTool = true;
    LastHelpContext = 0;
    HelpBtn->SetDown(true);
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(m_helpHook);
}

bool TfrDesignerForm::HelpToolEvent(QObject *watched, QEvent *event)
{
    if (!m_helpTool || event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return false;
    m_helpTool = false;
    qApp->removeEventFilter(m_helpHook);
    HelpBtn->SetDown(false);
    QApplication::restoreOverrideCursor();
    // The control's help context: its tag + 400, an object tool's + 430 (the add-ins' together).
    LastHelpContext = 0;
    auto *w = static_cast<QWidget *>(watched);
    while (w && w != this && !w->property("Tag").isValid())
        w = w->parentWidget();
    if (w && w != this && w != HelpBtn) {
        const int tag = w->property("Tag").toInt();
        const bool objectTool = std::find(m_objectButtons.begin(), m_objectButtons.end(), w) != m_objectButtons.end();
        LastHelpContext = objectTool ? std::min(tag, 5) + 430 : tag + 400;
    }
    // Context help needs a help viewer, which this system has not: the request ends here.
    return true;
}

void TfrDesignerForm::BuildObjectPopup()
{
    EnableControls();
    const QList<QAction *> items = Popup1->actions();
    for (qsizetype i = 7; i < items.size(); ++i) {
        Popup1->removeAction(items[i]);
        if (items[i]->parent() == Popup1)
            delete items[i];
    }
    const std::vector<TfrView *> selected = SelectedObjects();
    if (selected.empty())
        return;
    TfrView *top = TopSelected();
    if (selected.size() == 1) {
        top->BuildPopupMenu(Popup1);
        return;
    }
    // Several objects share the items only when they are all of the top one's kind, bands never.
    if (top->TypeCode == 2)
        return;
    const bool topIsText = dynamic_cast<TfrMemoView *>(top) != nullptr;
    const bool match = std::all_of(selected.begin(), selected.end(), [&](const TfrView *v) {
        if (topIsText && dynamic_cast<const TfrMemoView *>(v))
            return true;
        if (top->TypeCode == 10)
            return v->TypeCode == 10 && v->ClassName() == top->ClassName();
        return v->TypeCode == top->TypeCode;
    });
    if (match)
        top->BuildPopupMenu(Popup1);
}
