// The engine's editor hooks, pointed at this window's editors and dialogs each time the window is set up, so
// that objects and the inspector reach the designer's editors through them alone.
#include "FR_Desgn.h"

#include "FR_AttrE.h"
#include "FR_BndEd.h"
#include "FR_FmtEd.h"
#include "FR_GEdit.h"
#include "FR_GrpEd.h"
#include "FR_Insp.h"
#include "FR_Restrictions.h"
#include "FR_VBnd.h"

void TfrDesignerForm::InstallEditorHooks()
{
    TfrGlobals &e = frEngine();
    e.MemoEditorHook = [this](TfrView *view) { ShowMemoEditor(view); };
    e.PictureEditorHook = [this](TfrView *view) {
        if (!EditingAllowed())
            return;
        TfrGEditorForm form(this);
        RunObjectEditor(form, view);
    };
    e.TagEditorHook = [this](TfrView *view) { EditTag(view); };
    e.HighlightEditorHook = [this](TfrView *) { ShowHighlightDialog(); };
    e.GroupEditorHook = [this](TfrView *view) {
        if (EditingAllowed())
            EditGroupCondition(view);
    };
    e.FormatEditorHook = [this](TfrView *view) { EditFormat(view); };
    e.RestrictionsEditorHook = [this](TfrView *view) { EditRestrictions(view); };
    e.DataFieldEditorHook = [this](TfrView *) { EditDataField(); };
    e.BandDataSourceEditorHook = [this](TfrView *view) {
        if (!EditingAllowed())
            return;
        TfrBandEditorForm form(this);
        RunObjectEditor(form, view);
    };
    e.CrossDataSourceEditorHook = [this](TfrView *view) {
        if (!EditingAllowed())
            return;
        TfrVBandEditorForm form(this);
        RunObjectEditor(form, view);
    };
    e.FontEditorHook = [this](TfrView *) { ShowFontDialog(); };
}

void TfrDesignerForm::EditRestrictions(TfrView *view)
{
    if (!view)
        view = TopSelected();
    if (!view)
        return;
    quint16 restrictions = view->Restrictions;
    if (!TfrRestrictionsForm::Execute(restrictions))
        return;
    // The boxes stand for the seven flags of every selected object; each keeps its other bits.
    constexpr quint16 Boxes = orNoText | orNoScript | orNoContents | orNoModify | orNoResize | orNoMove | orNoDelete;
    BeginObjectChange();
    std::vector<TfrView *> objects = SelectedObjects();
    if (std::find(objects.begin(), objects.end(), view) == objects.end())
        objects.push_back(view);
    for (TfrView *v : objects)
        v->Restrictions = quint16((v->Restrictions & ~Boxes) | (restrictions & Boxes));
    EndObjectChange();
}

void TfrDesignerForm::EditDataField()
{
    TfrView *top = TopSelected();
    if (!top || !EditingAllowed())
        return;
    const QString field = PickDBField();
    if (field.isEmpty())
        return;
    BeginObjectChange();
    top->SetPropertyValue(QStringLiteral("DataField"), Variant(field));
    FillInspector();
    if (InspForm)
        InspForm->ItemsChanged();
    PageView->Draw(top->GetClipRegion(true));
}

void TfrDesignerForm::EditTag(TfrView *view)
{
    if (!EditingAllowed())
        return;
    if (!view)
        view = TopSelected();
    if (view && TfrAttrEditorForm::EditTag(*view))
        PageView->Draw(view->GetClipRegion(true));
}

void TfrDesignerForm::EditGroupCondition(TfrView *view)
{
    auto *band = dynamic_cast<TfrBandView *>(view ? view : TopSelected());
    if (band && TfrGroupEditorForm::EditCondition(*band))
        PageView->Draw(band->GetClipRegion(true));
}

void TfrDesignerForm::EditFormat(TfrView *view)
{
    auto *memo = dynamic_cast<TfrMemoView *>(view ? view : TopSelected());
    if (!memo)
        return;
    qint32 code = memo->FormatCode;
    QString text = memo->FormatText;
    if (!TfrFmtForm::Execute(code, text))
        return;
    BeginObjectChange();
    // Every selected text object takes the format; other objects have none.
    for (TfrView *v : SelectedObjects())
        if (dynamic_cast<TfrMemoView *>(v) && !(v->Restrictions & orNoModify)) {
            v->FormatCode = code;
            v->FormatText = text;
        }
    EndObjectChange();
}
