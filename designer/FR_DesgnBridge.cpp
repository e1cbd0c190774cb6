// The inspector's side of the window: the properties the selected objects share (or the page's), shown in the
// user's units, and an edited value taken back to every object that may take it.
#include "FR_Desgn.h"

#include "FR_ClassControls.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Formats.h"
#include "Services.h"

#include <optional>

namespace {

bool IsSize(int type)
{
    return type & frdtSize;
}

} // namespace

void TfrDesignerForm::FillInspector()
{
    if (!InspForm || m_applyingPageProperty)
        return;
    InspForm->ClearProperties();
    InspForm->CurrentObject = nullptr;
    InspForm->ObjectName.clear();
    PropValues.clear();
    if (!Page)
        return;
    std::vector<TfrObject *> objects;
    if (PageView->SelectedCount == 0) {
        objects.push_back(Page);
        InspForm->CurrentObject = Page;
        InspForm->ObjectName = QStringLiteral("Page%1").arg(CurPage + 1);
    } else {
        for (TfrView *v : SelectedObjects())
            objects.push_back(v);
        if (PageView->SelectedCount == 1) {
            InspForm->CurrentObject = TopSelected();
            InspForm->ObjectName = TopSelected()->Name;
        }
    }
    // The rows: the properties every object has, less those meant for one object when there are several.
    QStringList rows;
    for (size_t k = 0; k < objects.size(); ++k) {
        TfrObject *o = objects[k];
        o->RegisterProperties();
        QStringList names;
        for (const TfrPropRec &rec : o->PropRecs)
            if (rec.PropType != 0)
                names << rec.PropName;
        if (k == 0) {
            rows = names;
            continue;
        }
        rows.removeIf([&](const QString &name) {
            const TfrPropRec *rec = o->FindPropRec(name);
            return !names.contains(name) || (objects.size() > 1 && (rec->PropType & frdtOneObject));
        });
    }
    rows.sort();

    // Differing values show empty.
    PropValues = QStringList(rows.size(), QStringLiteral("-"));
    for (TfrObject *o : objects)
        for (int i = 0; i < rows.size(); ++i) {
            const TfrPropRec *rec = o->FindPropRec(rows[i]);
            const QString text = (rec->PropType & frdtHasEditor) && !(rec->PropType & frdtString)
                ? u'(' + rows[i] + u')'
                : o->GetPropertyValue(rows[i]).toString();
            if (PropValues[i] != QLatin1String("-") && PropValues[i] != text)
                PropValues[i].clear();
            else
                PropValues[i] = text;
        }

    // Sizes in the user's units on report pages; dialogs keep pixels.
    const bool inUnits = Units != 0 && PageType == 0;
    TfrObject *top = PageView->SelectedCount == 0 ? static_cast<TfrObject *>(Page) : TopSelected();
    for (int i = 0; i < rows.size(); ++i) {
        const TfrPropRec &rec = *top->FindPropRec(rows[i]);
        int type = rec.PropType;
        if (IsSize(type) && !PropValues[i].isEmpty()) {
            const double pixels = StrToFloatAnySeparator(PropValues[i]);
            PropValues[i]
                = inUnits ? FloatToStrF(PixelsToUnits(pixels), ffFixed, 4, 2) : FloatToStrF(pixels, ffGeneral, 4, 2);
        }
        if (type == frdtSize)
            type = inUnits ? frdtFloat : frdtInteger;
        InspForm->AddProperty(rows[i], Variant(PropValues[i]), rec.PEditor, rec.EnumValues, rec.Enum, type);
    }
}

void TfrDesignerForm::ApplyInspectorChange(int index)
{
    if (!InspForm || !Page)
        return;
    const QString name = InspForm->RowName(index);
    // A text that is no value of the row's type changes nothing: the user is told, and the row shows again what
    // the objects hold.
    std::optional<Variant> value;
    try {
        value = InspForm->RowValue(index);
    } catch (const EConvertError &e) {
        Services::messages()->error(e.message());
    } catch (const EVariantError &e) {
        Services::messages()->error(e.message());
    }
    auto renew = [this] {
        FillInspector();
        InspForm->ItemsChanged();
        RepaintPage();
        // A subreport's name is its page's tab caption.
        UpdatePageTabs();
        // A renamed object shows its new name.
        ShowObjectInfo();
        StatusBar1->update();
    };
    try {
        if (value && PageView->SelectedCount == 0)
            ApplyPageProperty(name, *value);
        else if (value)
            ApplyObjectProperty(name, *value);
    } catch (...) {
        renew();
        throw;
    }
    renew();
}

void TfrDesignerForm::ApplyPageProperty(const QString &name, Variant value)
{
    if (DesignerRestrictions & drNoPageOptions)
        return;
    Page->RegisterProperties();
    const TfrPropRec *rec = Page->FindPropRec(name);
    if (rec && IsSize(rec->PropType) && Units != 0 && PageType == 0)
        value = Variant(UnitsToPixels(value.toDouble()));
    const bool type = name.compare(QLatin1String("Type"), Qt::CaseInsensitive) == 0;
    if (type && Page->ObjectCount() > 0) {
        if (Services::messages()->show({ GetLocaleString(55436), mtWarning, mbYesNo, mbNo, GetLocaleString(55437) })
            != mrYes)
            return;
        Unselect();
        Page->ClearObjects();
        // The steps of the objects just cleared have nothing left to act on.
        ClearUndo();
        ClearRedo();
    }
    Page->SetPropertyValue(name, value);
    SetModified(true);
    Page->ApplyPaper(Page->PaperSize, Page->PaperWidth, Page->PaperHeight, Page->Bin, Page->Orientation);
    m_applyingPageProperty = !type;
    try {
        SetCurPage(CurPage);
    } catch (...) {
        m_applyingPageProperty = false;
        throw;
    }
    m_applyingPageProperty = false;
}

void TfrDesignerForm::ApplyObjectProperty(const QString &name, const Variant &value)
{
    if (DesignerRestrictions & drNoAttributes)
        return;
    RecordUndo(acEdit);
    const QString n = name.toUpper();
    for (TfrView *v : SelectedObjects()) {
        if (n == QLatin1String("NAME")) {
            // A name in use, or one a dialog control's component would clash with, is ignored without a word.
            const QString newName = value.toString();
            if (Report()->FindViewByName(newName)
                || (dynamic_cast<TfrControl *>(v) && frEngine().DialogFormHolds(newName))
                || (v->Restrictions & orNoModify))
                continue;
            RenameBandLinks(v->Name, newName);
            v->SetPropertyValue(name, value);
            continue;
        }
        if ((n == QLatin1String("LEFT") || n == QLatin1String("TOP")) && !MayMove(v))
            continue;
        if ((n == QLatin1String("WIDTH") || n == QLatin1String("HEIGHT")) && !MayResize(v))
            continue;
        const TfrPropRec *rec = v->FindPropRec(name);
        if (rec && IsSize(rec->PropType) && PageType == 0)
            v->SetPropertyValue(name, Variant(UnitsToPixels(value.toDouble())));
        else
            v->SetPropertyValue(name, value);
    }
}
