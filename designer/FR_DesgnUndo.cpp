// Undo and redo of what the user does to a page's objects, and the designer's own clipboard of object streams.
#include "FR_Desgn.h"

#include "FR_ClassControls.h"
#include "FR_Fields.h"
#include "FR_Utils.h"

#include "Streams.h"

#include <QAction>
#include <QScrollArea>

namespace {

bool IsBand(const TfrView *v)
{
    return v->TypeCode == 2;
}

int BandType(const TfrView *v)
{
    return static_cast<const TfrBandView *>(v)->GetBandType();
}

// Bands that a page may hold any number of: headers, data and footers of the data levels, and the group bands.
bool Repeatable(int bandType)
{
    return (bandType >= btMasterHeader && bandType <= btSubDetailFooter) || bandType == btGroupHeader
        || bandType == btGroupFooter;
}

} // namespace

std::vector<std::pair<TfrView *, int>> TfrDesignerForm::CollectUndoObjects(TfrUndoAction action) const
{
    std::vector<std::pair<TfrView *, int>> list;
    if (!Page)
        return list;
    for (int i = 0; i < Page->ObjectCount(); ++i) {
        TfrView *v = Page->Object(i);
        if ((action != acZOrder && !v->IsSelected) || (v->Flags & ofNoUndo))
            continue;
        // A delete record holds only what the delete removes, so that its undo brings back nothing twice.
        if (action == acDelete && !MayDelete(v))
            continue;
        list.emplace_back(v, i);
    }
    return list;
}

void TfrDesignerForm::RecordUndo(TfrUndoAction action)
{
    ClearRedo();
    const auto list = CollectUndoObjects(action);
    if (list.empty()) {
        SetModified(true);
        return;
    }
    AddUndoRecord(UndoBuffer, action, list);
    // A dataset placed on a dialog page shows in the DB-fields window.
    if (TfrInsFieldsForm *fields = FieldsWindow();
        fields && std::any_of(list.begin(), list.end(), [](const auto &entry) {
            return dynamic_cast<const TfrNonVisualControl *>(entry.first) != nullptr;
        }))
        fields->Refresh();
}

void TfrDesignerForm::AddUndoRecord(
    std::vector<TfrUndoRec> &buffer, TfrUndoAction action, const std::vector<std::pair<TfrView *, int>> &list)
{
    if (int(buffer.size()) >= UndoDepth)
        buffer.erase(buffer.begin());
    TfrUndoRec rec;
    rec.Action = action;
    rec.PageIndex = CurPage;
    for (const auto &[view, index] : list) {
        TfrUndoObj entry;
        entry.ObjID = view->ObjectID;
        entry.Index = index;
        // An edited object stays on the page and only takes its record back: the record alone is kept, which
        // spares building and freeing a copy of each object of a large selection.
        if (action == acDelete) {
            entry.ObjPtr.reset(CreateViewOfType(view->TypeCode, view->ClassName()));
            CopyViewContents(*entry.ObjPtr, *view);
            entry.ObjPtr->ObjectID = view->ObjectID;
        } else if (action == acEdit) {
            entry.Contents = SaveViewContents(*view);
        }
        rec.Objects.push_back(std::move(entry));
    }
    buffer.push_back(std::move(rec));
    (&buffer == &UndoBuffer ? N46 : N48)->setEnabled(true);
    SetModified(true);
}

void TfrDesignerForm::UndoFrom(std::vector<TfrUndoRec> &buffer)
{
    if (buffer.empty() || !Page)
        return;
    TfrUndoRec &rec = buffer.back();
    // A record acts on its own page only; it waits there until that page is current again.
    if (rec.PageIndex != CurPage)
        return;
    std::vector<TfrUndoRec> &other = &buffer == &UndoBuffer ? RedoBuffer : UndoBuffer;
    std::vector<std::pair<TfrView *, int>> list;
    TfrUndoAction opposite = acEdit;
    bool found = true;
    const int count = Page->ObjectCount();
    for (const TfrUndoObj &entry : rec.Objects) {
        switch (rec.Action) {
        case acInsert:
        case acZOrder: {
            const int index = Page->IndexOfObjectID(entry.ObjID);
            found = found && index >= 0;
            if (index >= 0)
                list.emplace_back(Page->Object(index), index);
            opposite = rec.Action == acInsert ? acDelete : acZOrder;
            break;
        }
        case acDelete:
            found = found && entry.Index >= 0 && entry.Index <= count + int(list.size())
                && Page->IndexOfObjectID(entry.ObjID) < 0;
            list.emplace_back(entry.ObjPtr.get(), entry.Index);
            opposite = acInsert;
            break;
        case acEdit:
            found = found && entry.Index >= 0 && entry.Index < count
                && Page->Object(entry.Index)->ObjectID == entry.ObjID;
            if (found)
                list.emplace_back(Page->Object(entry.Index), entry.Index);
            opposite = acEdit;
            break;
        }
    }
    if (rec.Action == acZOrder) {
        std::vector<bool> taken(size_t(count), false), moved(size_t(count), false);
        for (size_t k = 0; found && k < list.size(); ++k) {
            const int to = rec.Objects[k].Index, from = list[k].second;
            found = to >= 0 && to < count && !taken[size_t(to)] && !moved[size_t(from)];
            if (found)
                taken[size_t(to)] = moved[size_t(from)] = true;
        }
    }
    // What the step changes on the surface: the objects it touches, where they were and where they come to be,
    // and the marks of the selection it clears. Bands, objects placed by their band and many objects at once are
    // drawn again whole.
    QRegion dirty;
    bool whole = Page->Type != 0 || rec.Action == acZOrder || list.size() > 100 || PageView->SelectedCount > 100;
    auto touch = [&dirty, &whole](TfrView *v) {
        if (IsBand(v) || v->BandAlign != 0)
            whole = true;
        else if (!whole)
            dirty += v->GetClipRegion(true);
    };
    if (!whole)
        dirty = PageView->SelectionRegion();
    // Objects gone or replaced since the record was made: the record is dropped and nothing changes.
    if (!found) {
        buffer.pop_back();
    } else {
        for (const auto &item : list)
            touch(item.first);
        AddUndoRecord(other, opposite, list);
        switch (rec.Action) {
        case acInsert:
            for (const TfrUndoObj &entry : rec.Objects)
                Page->DeleteObject(Page->IndexOfObjectID(entry.ObjID));
            break;
        case acDelete:
            for (TfrUndoObj &entry : rec.Objects)
                Page->Objects.insert(
                    Page->Objects.begin() + std::min(entry.Index, Page->ObjectCount()), std::move(entry.ObjPtr));
            break;
        case acEdit:
            for (const TfrUndoObj &entry : rec.Objects)
                LoadViewContents(*Page->Object(entry.Index), entry.Contents);
            break;
        case acZOrder: {
            // Each recorded object goes back to its place; objects the record left out fill the other places in
            // their present order.
            std::vector<std::unique_ptr<TfrView>> order(size_t(Page->ObjectCount()));
            for (size_t k = 0; k < list.size(); ++k)
                order[size_t(rec.Objects[k].Index)] = std::move(Page->Objects[size_t(list[k].second)]);
            size_t next = 0;
            for (auto &v : Page->Objects) {
                if (!v)
                    continue;
                while (order[next])
                    ++next;
                order[next] = std::move(v);
            }
            Page->Objects = std::move(order);
            break;
        }
        }
        for (const auto &item : list)
            if (rec.Action == acEdit || rec.Action == acDelete)
                touch(item.first);
        buffer.pop_back();
    }
    ResetSelection();
    if (whole || dirty.isEmpty())
        RepaintPage();
    else
        PageView->Draw(dirty);
    N46->setEnabled(!UndoBuffer.empty());
    N48->setEnabled(!RedoBuffer.empty());
}

void TfrDesignerForm::ClearUndo()
{
    UndoBuffer.clear();
    N46->setEnabled(false);
}

void TfrDesignerForm::ClearRedo()
{
    RedoBuffer.clear();
    N48->setEnabled(false);
}

TfrObjectIDs TfrDesignerForm::KeepObjectIDs() const
{
    TfrObjectIDs ids;
    if (TfrReport *r = Report())
        for (int p = 0; p < r->Pages().GetCount(); ++p) {
            const TfrPage *page = r->Pages().GetPage(p);
            std::vector<int> &list = ids.emplace_back();
            for (int i = 0; i < page->ObjectCount(); ++i)
                list.push_back(page->Object(i)->ObjectID);
        }
    return ids;
}

void TfrDesignerForm::RestoreObjectIDs(const TfrObjectIDs &ids)
{
    TfrReport *r = Report();
    if (!r)
        return;
    for (int p = 0; p < r->Pages().GetCount() && p < int(ids.size()); ++p) {
        TfrPage *page = r->Pages().GetPage(p);
        for (int i = 0; i < page->ObjectCount() && i < int(ids[size_t(p)].size()); ++i)
            page->Object(i)->ObjectID = ids[size_t(p)][size_t(i)];
    }
}

// ---- Deleting ----------------------------------------------------------------------------------------------------

void TfrDesignerForm::RenameBandLinks(const QString &oldName, const QString &newName)
{
    if (!Page)
        return;
    for (int i = 0; i < Page->ObjectCount(); ++i)
        if (auto *band = dynamic_cast<TfrBandView *>(Page->Object(i));
            band && band->ChildBand.compare(oldName, Qt::CaseInsensitive) == 0)
            band->ChildBand = newName;
}

void TfrDesignerForm::RemoveSelected()
{
    for (int i = Page->ObjectCount() - 1; i >= 0; --i) {
        TfrView *v = Page->Object(i);
        if (!v->IsSelected || !MayDelete(v))
            continue;
        if (IsBand(v) && BandType(v) == btChild)
            RenameBandLinks(v->Name, QString());
        Page->DeleteObject(i);
    }
}

void TfrDesignerForm::DeleteSelected()
{
    if (!Page)
        return;
    RecordUndo(acDelete);
    PageView->OldRegion = PageView->SelectionRegion();
    RemoveSelected();
    UpdatePageTabs();
    ResetSelection();
    PageView->LastSelected = nullptr;
    PageView->Draw(PageView->OldRegion);
}

// ---- The clipboard ---------------------------------------------------------------------------------------------

void TfrDesignerForm::CopyToClipboard()
{
    if (!Page)
        return;
    DesignerClipboard.clear();
    frEngine().StreamVersion = 24;
    for (TfrView *v : SelectedObjects()) {
        TMemoryStream stream;
        WriteStreamByte(stream, quint8(v->TypeCode));
        WriteStreamString(stream, v->ClassName());
        v->SaveToStream(stream);
        DesignerClipboard << stream.Bytes();
    }
    EnableControls();
}

void TfrDesignerForm::CutToClipboard()
{
    if (!Page)
        return;
    RecordUndo(acDelete);
    CopyToClipboard();
    RemoveSelected();
    PageView->LastSelected = nullptr;
    UpdatePageTabs();
    ResetSelection();
    RepaintPage();
}

void TfrDesignerForm::PasteFromClipboard()
{
    if ((DesignerRestrictions & drNoInsert) || !Page)
        return;
    TfrGlobals &e = frEngine();
    // The first selected band receives the objects; nothing that was on the page stays selected, so that the
    // undo step of the paste holds only the pasted objects.
    TfrView *target = nullptr;
    for (int i = 0; i < Page->ObjectCount(); ++i) {
        TfrView *v = Page->Object(i);
        if (v->IsSelected && IsBand(v) && !target)
            target = v;
        v->IsSelected = false;
    }
    PageView->SelectedCount = 0;
    PageView->LastSelected = nullptr;

    auto load = [this, &e](const QByteArray &bytes) -> std::unique_ptr<TfrView> {
        TMemoryStream stream(bytes);
        const int type = ReadStreamByte(stream);
        const QString className = ReadStreamString(stream);
        const bool known = (type >= 0 && type <= 4)
            || (type == 10 && std::any_of(e.AddIns.begin(), e.AddIns.end(), [&](const auto &a) {
                   return a.ClassName == className;
               }));
        if (!known)
            return nullptr;
        for (int i = 0; i < Page->ObjectCount(); ++i) {
            const TfrView *v = Page->Object(i);
            if (v->TypeCode == type && v->ClassName() == className && (v->Flags & ofOncePerPage))
                return nullptr;
        }
        std::unique_ptr<TfrView> view(CreateViewOfType(type, className));
        e.StreamVersion = 24;
        view->LoadFromStream(stream);
        return view;
    };
    int mx = 32767, my = 32767;
    for (const QByteArray &bytes : DesignerClipboard)
        if (const auto view = load(bytes)) {
            mx = std::min(mx, view->Left);
            my = std::min(my, view->Top);
        }
    const QPoint offset = PageForm ? QPoint() : PageView->mapTo(ScrollBox1->viewport(), QPoint(0, 0));
    for (const QByteArray &bytes : DesignerClipboard) {
        std::unique_ptr<TfrView> view = load(bytes);
        if (!view)
            continue;
        if (Report()->FindViewByName(view->Name))
            view->MakeUniqueName();
        else
            view->SetPropertyValue(QStringLiteral("Name"), Variant(view->Name));
        if (IsBand(view.get()) && !Repeatable(BandType(view.get())) && BandTypeExists(*Page, BandType(view.get())))
            continue;
        view->Left = DesignGeometry::PastePosition(view->Left, mx, offset.x(), GridSizeX);
        view->Top = target ? target->Top : DesignGeometry::PastePosition(view->Top, my, offset.y(), GridSizeY);
        view->IsSelected = true;
        ++PageView->SelectedCount;
        Page->AddObject(view.release());
    }
    SelectionChanged();
    SortBands(*Page);
    PageView->CalcSelectionBounds();
    RepaintPage();
    RecordUndo(acInsert);
}
