// The editors of the selected objects: the object's own editor, the text and script editor, the font dialog and
// the highlight dialog.
#include "FR_Desgn.h"

#include "FR_BndEd.h"
#include "FR_Edit.h"
#include "FR_Hilit.h"
#include "FR_VBnd.h"

#include "Services.h"

#include <QFontInfo>

namespace {

QFont ToQFont(const TfrFont &font)
{
    QFont f(font.Name);
    f.setPointSize(font.Size);
    f.setItalic(font.Style & 1);
    f.setBold(font.Style & 2);
    f.setUnderline(font.Style & 4);
    f.setStrikeOut(font.Style & 8);
    return f;
}

int StyleOf(const QFont &font)
{
    return (font.italic() ? 1 : 0) | (font.bold() ? 2 : 0) | (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0);
}

} // namespace

void TfrDesignerForm::RunObjectEditor(TfrObjEditorForm &form, TfrView *view)
{
    if (!view)
        view = TopSelected();
    if (!view)
        return;
    form.ShowEditor(view);
    // An editor may have taken the object away.
    if (Page && Page->IndexOfObjectID(view->ObjectID) >= 0)
        PageView->Draw(view->GetClipRegion(true));
}

void TfrDesignerForm::EditSelected()
{
    TfrView *v = TopSelected();
    if (!v || !EditingAllowed())
        return;
    if (auto *sub = dynamic_cast<TfrSubReportView *>(v)) {
        SetCurPage(sub->SubPageIndex);
        return;
    }
    if (auto *band = dynamic_cast<TfrBandView *>(v)) {
        switch (band->GetBandType()) {
        case btMasterData:
        case btDetailData:
        case btSubDetailData: {
            TfrBandEditorForm form(this);
            RunObjectEditor(form, v);
            break;
        }
        case btGroupHeader:
            EditGroupCondition(v);
            break;
        case btCrossData: {
            TfrVBandEditorForm form(this);
            RunObjectEditor(form, v);
            break;
        }
        default:
            // Nothing opened, so the click that follows the double click is a click of its own.
            PageView->SkipNextDown = false;
            return;
        }
    } else {
        v->ShowEditor();
        if (Page && Page->IndexOfObjectID(v->ObjectID) >= 0)
            PageView->Draw(v->GetClipRegion(true));
    }
    UpdateStatus();
    ShowObjectInfo();
    ClearActiveControl();
}

void TfrDesignerForm::ShowMemoEditor(TfrView *view)
{
    if (!view)
        view = TopSelected();
    if (!view)
        return;
    if (EditorForm->ShowEditor(view) == mrOk && Page && Page->IndexOfObjectID(view->ObjectID) >= 0)
        PageView->Draw(view->GetClipRegion(true));
    ClearActiveControl();
}

void TfrDesignerForm::ShowFontDialog()
{
    if (!EditingAllowed())
        return;
    auto *top = dynamic_cast<TfrMemoView *>(TopSelected());
    const TfrFont preset = top ? top->Font : TfrFont();
    const QFont presetFont = ToQFont(preset);
    QFont font = presetFont;
    QColor color = toQColor(preset.Color);
    if (!Services::dialogs()->chooseFont(font, color))
        return;
    // The dialog answers the family it showed for the name, which may stand in for a font not installed.
    const bool nameChanged = font.family() != preset.Name && font.family() != QFontInfo(presetFont).family();
    const bool sizeChanged = font.pointSize() > 0 && font.pointSize() != preset.Size;
    const bool colorChanged = fromQColor(color) != preset.Color;
    const bool styleChanged = StyleOf(font) != preset.Style;
    BeginObjectChange();
    // Only what the user changed reaches every selected text object; each keeps the rest of its own font.
    for (TfrView *v : SelectedObjects()) {
        auto *memo = dynamic_cast<TfrMemoView *>(v);
        if (!memo || (v->Restrictions & orNoModify))
            continue;
        if (nameChanged)
            memo->Font.Name = font.family();
        if (sizeChanged)
            memo->Font.Size = font.pointSize();
        if (colorChanged)
            memo->Font.Color = fromQColor(color);
        if (styleChanged)
            memo->Font.Style = StyleOf(font);
    }
    EndObjectChange();
    if (TfrView *v = TopSelected())
        PageView->Draw(v->GetClipRegion(true));
}

void TfrDesignerForm::ShowHighlightDialog()
{
    // Only text objects carry a highlight; for any other top object the dialog starts from one that changes
    // nothing.
    TfrHighlight values { QString(), 0, clBlack, clTransparent };
    if (auto *top = dynamic_cast<TfrMemoView *>(TopSelected()))
        values = { top->HighlightCondition, top->HighlightStyle, top->HighlightFontColor, top->HighlightFillColor };
    if (!TfrHilightForm::Execute(values))
        return;
    RecordUndo(acEdit);
    constexpr int StyleBits = 1 | 2 | 4 | 8;
    for (TfrView *v : SelectedObjects())
        if (auto *memo = dynamic_cast<TfrMemoView *>(v)) {
            memo->HighlightCondition = values.Condition;
            memo->HighlightFontColor = values.FontColor;
            memo->HighlightFillColor = values.FillColor;
            memo->HighlightStyle = quint16((memo->HighlightStyle & ~StyleBits) | (values.Style & 7));
        }
    RepaintPage();
}
