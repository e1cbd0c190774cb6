// The objects' own items of the designer's object popup. Each item changes the objects selected in the open
// designer, as one undo step of the designer.
#include "FR_Class.h"

#include "FR_Locale.h"

#include <QAction>
#include <QMenu>

namespace {

enum : quint16 { NoContentsRestriction = 0x4, NoModifyRestriction = 0x8 };

// The selected objects of the page open in the designer.
std::vector<TfrView *> DesignerSelection()
{
    std::vector<TfrView *> selected;
    TfrReportDesigner *designer = frEngine().CurrentDesigner;
    if (!designer || !designer->Page)
        return selected;
    for (const auto &v : designer->Page->Objects)
        if (v->IsSelected)
            selected.push_back(v.get());
    return selected;
}

// Runs a change between the designer's undo record and its redraw.
void ChangeObjects(const std::function<void()> &change)
{
    TfrReportDesigner *designer = frEngine().CurrentDesigner;
    if (designer)
        designer->BeginObjectChange();
    change();
    if (designer)
        designer->EndObjectChange();
}

QAction *AddItem(QMenu *menu, int captionId, std::function<void()> command)
{
    QAction *item = menu->addAction(GetLocaleString(captionId));
    QObject::connect(item, &QAction::triggered, item, [command = std::move(command)] { ChangeObjects(command); });
    return item;
}

// A check item showing the boolean property of `view`; choosing it gives the new check to `targets`.
QAction *AddCheck(
    QMenu *menu, int captionId, TfrView *view, const QString &property, std::function<std::vector<TfrView *>()> targets)
{
    QAction *item = menu->addAction(GetLocaleString(captionId));
    item->setCheckable(true);
    item->setChecked(view->GetPropertyValue(property).toBool());
    QObject::connect(item, &QAction::triggered, item, [property, targets = std::move(targets)](bool checked) {
        ChangeObjects([&] {
            for (TfrView *v : targets())
                if (!(v->Restrictions & NoModifyRestriction))
                    v->SetPropertyValue(property, Variant(checked));
        });
    });
    return item;
}

// Every selected object of the same kind as T.
template <class T> std::vector<TfrView *> SelectedOf()
{
    std::vector<TfrView *> list;
    for (TfrView *v : DesignerSelection())
        if (dynamic_cast<T *>(v))
            list.push_back(v);
    return list;
}

bool InTypes(int type, std::initializer_list<int> types)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

} // namespace

void TfrView::BuildPopupMenu(QMenu *menu)
{
    menu->addSeparator();
    AddCheck(menu, 55190, this, QStringLiteral("Stretched"), DesignerSelection);
}

void TfrMemoView::BuildPopupMenu(QMenu *menu)
{
    // The format and font dialogs record their own undo steps.
    QAction *format = menu->addAction(GetLocaleString(55191));
    QObject::connect(format, &QAction::triggered, format, [this] {
        if (frEngine().FormatEditorHook)
            frEngine().FormatEditorHook(this);
    });
    QAction *font = menu->addAction(GetLocaleString(55334));
    QObject::connect(font, &QAction::triggered, font, [this] {
        if (frEngine().FontEditorHook)
            frEngine().FontEditorHook(this);
    });
    AddItem(menu, 55347, [] {
        for (TfrView *v : DesignerSelection())
            if (!(v->Restrictions & NoContentsRestriction)) {
                v->Memo.clear();
                v->Script.clear();
            }
    });
    TfrView::BuildPopupMenu(menu);
    const auto memos = SelectedOf<TfrMemoView>;
    AddCheck(menu, 55192, this, QStringLiteral("WordWrap"), memos);
    if (!GetLocaleString(55193).isEmpty())
        AddCheck(menu, 55193, this, QStringLiteral("WordBreak"), memos)
            ->setEnabled(GetPropertyValue(QStringLiteral("WordWrap")).toBool());
    AddCheck(menu, 55335, this, QStringLiteral("AutoWidth"), memos);
    AddCheck(menu, 55433, this, QStringLiteral("TextOnly"), memos);
    AddCheck(menu, 55434, this, QStringLiteral("Suppress"), memos);
    AddCheck(menu, 55438, this, QStringLiteral("HideZeros"), memos);
    AddCheck(menu, 55441, this, QStringLiteral("Underlines"), memos);
}

void TfrBandView::BuildPopupMenu(QMenu *menu)
{
    const int t = GetBandType();
    if (InTypes(t,
            { btReportTitle, btReportSummary, btPageHeader, btMasterHeader, btMasterData, btMasterFooter,
                btDetailHeader, btDetailData, btDetailFooter, btSubDetailHeader, btSubDetailData, btSubDetailFooter,
                btGroupHeader, btGroupFooter, btCrossHeader, btChild }))
        TfrView::BuildPopupMenu(menu);
    else if (t == btPageFooter)
        menu->addSeparator();

    const auto bands = SelectedOf<TfrBandView>;
    if (InTypes(t,
            { btReportTitle, btReportSummary, btMasterData, btMasterFooter, btDetailData, btDetailFooter,
                btSubDetailData, btSubDetailFooter, btGroupHeader }))
        AddCheck(menu, 55194, this, QStringLiteral("FormNewPage"), bands);
    if (t == btMasterData || t == btDetailData)
        AddCheck(menu, 55195, this, QStringLiteral("PrintIfSubsetEmpty"), bands);
    if (InTypes(t,
            { btReportTitle, btReportSummary, btMasterHeader, btMasterData, btMasterFooter, btDetailHeader,
                btDetailData, btDetailFooter, btSubDetailHeader, btSubDetailData, btSubDetailFooter, btGroupHeader,
                btGroupFooter, btChild }))
        AddCheck(menu, 55196, this, QStringLiteral("Breaked"), bands);

    // These belong to this band alone.
    const auto self = [this] { return std::vector<TfrView *> { this }; };
    if (t == btPageHeader || t == btPageFooter)
        AddCheck(menu, 55231, this, QStringLiteral("OnFirstPage"), self);
    if (t == btPageFooter)
        AddCheck(menu, 55232, this, QStringLiteral("OnLastPage"), self);
    if (InTypes(t, { btMasterHeader, btDetailHeader, btSubDetailHeader, btGroupHeader, btCrossHeader }))
        AddCheck(menu, 55233, this, QStringLiteral("RepeatHeader"), self);
    if (t != btPageFooter)
        AddCheck(menu, 55440, this, QStringLiteral("PrintChildIfInvisible"), self);
}

void TfrPictureView::BuildPopupMenu(QMenu *menu)
{
    TfrView::BuildPopupMenu(menu);
    const auto pictures = SelectedOf<TfrPictureView>;
    AddCheck(menu, 55197, this, QStringLiteral("Center"), pictures);
    QAction *aspect = AddCheck(menu, 55198, this, QStringLiteral("KeepAspect"), pictures);
    if (!IsStretched()) {
        aspect->setEnabled(false);
        aspect->setChecked(false);
    }
}
