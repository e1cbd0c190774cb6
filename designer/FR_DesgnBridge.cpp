// The inspector's side of the window: the properties the selected objects share (or the page's), shown in the
// user's units, and an edited value taken back to every object that may take it.
#include "FR_Desgn.h"

#include "FR_ClassControls.h"
#include "FR_Fields.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Formats.h"
#include "Services.h"

#include <QHash>

#include <algorithm>
#include <deque>
#include <optional>
#include <typeinfo>

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
    // One pass over each object's records: the rows are the properties every object has (less those meant for one
    // object when there are several), a row's text the value they share, empty where they differ.
    struct Row
    {
        QString name;
        QString text = QStringLiteral("-");
        bool kept = true;
    };
    std::vector<Row> found;
    QHash<QString, int> index;
    // A built-in object has the records of its class (and band type): a large selection builds each kind once,
    // and decides once per kind which rows it lacks and which rows are meant for one object only. A row shown as
    // its editor's name has that one text for every object of the kind.
    struct Record
    {
        QString name;
        int type;
        QString editorText;
    };
    struct Kind
    {
        const std::type_info *cls = nullptr;
        int bandType = 0;
        std::vector<Record> records;
        std::vector<int> rows; // the row of each record, -1 for none
        bool weighed = false;
    };
    // Few kinds, and runs of objects of one kind: a short list searched from the kind last found.
    std::deque<Kind> kinds;
    Kind *last = nullptr;
    Kind single;
    for (size_t k = 0; k < objects.size(); ++k) {
        TfrObject *o = objects[k];
        const auto *view = dynamic_cast<TfrView *>(o);
        const bool builtIn = view && view->TypeCode != 10;
        const std::type_info &cls = typeid(*o);
        const auto *band = dynamic_cast<TfrBandView *>(o);
        const int bandType = band ? band->GetBandType() : 0;
        auto sameKind = [&cls, bandType](const Kind *kind) {
            return kind && *kind->cls == cls && kind->bandType == bandType;
        };
        Kind *kind = nullptr;
        if (builtIn) {
            if (sameKind(last))
                kind = last;
            else
                for (Kind &known : kinds)
                    if (sameKind(&known)) {
                        kind = &known;
                        break;
                    }
        }
        if (!kind) {
            o->RegisterProperties();
            Kind fresh;
            fresh.cls = &cls;
            fresh.bandType = bandType;
            for (const TfrPropRec &rec : o->PropRecs)
                fresh.records.push_back({ rec.PropName, rec.PropType,
                    (rec.PropType & frdtHasEditor) && !(rec.PropType & frdtString) ? u'(' + rec.PropName + u')'
                                                                                    : QString() });
            if (builtIn) {
                kind = &kinds.emplace_back(std::move(fresh));
            } else {
                single = std::move(fresh);
                kind = &single;
            }
        }
        if (builtIn)
            last = kind;
        if (k == 0) {
            for (const Record &rec : kind->records)
                if (rec.type != 0 && !index.contains(rec.name)) {
                    index.insert(rec.name, int(found.size()));
                    found.push_back({ rec.name });
                }
        }
        if (!kind->weighed) {
            kind->rows.clear();
            std::vector<bool> seen(found.size(), false);
            for (const Record &rec : kind->records) {
                const int i = rec.type == 0 ? -1 : index.value(rec.name, -1);
                kind->rows.push_back(i);
                if (i < 0)
                    continue;
                seen[size_t(i)] = true;
                if (k > 0 && (rec.type & frdtOneObject))
                    found[size_t(i)].kept = false;
            }
            for (size_t i = 0; i < seen.size(); ++i)
                if (!seen[i])
                    found[i].kept = false;
            // The first object's kind is weighed again by the next object of it, for the rows of one object.
            kind->weighed = k > 0 && kind != &single;
        }
        for (size_t r = 0; r < kind->records.size(); ++r) {
            const int i = kind->rows[r];
            if (i < 0)
                continue;
            Row &row = found[size_t(i)];
            // Once the values differ, the row stays empty.
            if (!row.kept || row.text.isEmpty())
                continue;
            const Record &rec = kind->records[r];
            const QString text
                = rec.editorText.isNull() ? o->GetPropertyValue(rec.name).toString() : rec.editorText;
            if (row.text != QLatin1String("-") && row.text != text)
                row.text.clear();
            else
                row.text = text;
        }
    }
    std::vector<Row> rows;
    for (Row &row : found)
        if (row.kept)
            rows.push_back(std::move(row));
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.name < b.name; });

    // Sizes in the user's units on report pages; dialogs keep pixels.
    const bool inUnits = Units != 0 && PageType == 0;
    TfrObject *top = PageView->SelectedCount == 0 ? static_cast<TfrObject *>(Page) : TopSelected();
    // The rows take the top object's own records, with the editors it has now.
    if (objects.size() > 1)
        top->RegisterProperties();
    for (Row &row : rows) {
        const TfrPropRec &rec = *top->FindPropRec(row.name);
        int type = rec.PropType;
        if (IsSize(type) && !row.text.isEmpty()) {
            const double pixels = StrToFloatAnySeparator(row.text);
            row.text
                = inUnits ? FloatToStrF(PixelsToUnits(pixels), ffFixed, 4, 2) : FloatToStrF(pixels, ffGeneral, 4, 2);
        }
        if (type == frdtSize)
            type = inUnits ? frdtFloat : frdtInteger;
        InspForm->AddProperty(row.name, Variant(row.text), rec.PEditor, rec.EnumValues, rec.Enum, type);
        PropValues << row.text;
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
        if (TfrInsFieldsForm *fields = FieldsWindow())
            fields->Refresh();
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
    const bool typeChange = name.compare(QLatin1String("Type"), Qt::CaseInsensitive) == 0;
    if (typeChange && Page->ObjectCount() > 0) {
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
    m_applyingPageProperty = !typeChange;
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
        // The inspector built the records of one object of each kind only.
        v->RegisterProperties();
        const TfrPropRec *rec = v->FindPropRec(name);
        if (rec && IsSize(rec->PropType) && PageType == 0)
            v->SetPropertyValue(name, Variant(UnitsToPixels(value.toDouble())));
        else
            v->SetPropertyValue(name, value);
    }
}
