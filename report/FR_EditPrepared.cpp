// Editing one prepared page in the designer.

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "ScreenCursor.h"
#include "Services.h"
#include "Streams.h"

#include <optional>

void TfrReport::EditPreparedPage(int i)
{
    TfrGlobals &e = frEngine();
    if (!e.DesignerFormClass || i < 0 || i >= m_emfPages->GetCount())
        return;
    // A designer already open (the preview was started from it) gets its template back afterwards.
    TfrReportDesigner *const opened = e.CurrentDesigner;
    if (opened)
        opened->Page = nullptr;
    TfrPreparedPage &p = *m_emfPages->GetPage(i);
    std::unique_ptr<TfrReportDesigner> designer;
    TMemoryStream saved;
    SaveReportStream(saved);
    const QByteArray before = p.Stream.Bytes();
    bool modified = false, lent = false;
    // The designer borrows the page object; it goes back to the prepared page whatever the designer does.
    auto giveBack = [&] {
        if (lent) {
            if (m_pages->GetCount() > 0)
                p.Page = m_pages->Take(0);
            m_pages->Clear();
            saved.SetPosition(0);
            LoadReportStream(saved);
        }
        designer.reset();
        e.CurrentDesigner = opened;
        if (opened)
            opened->Page = m_pages->GetCount() > 0 ? m_pages->GetPage(0) : nullptr;
    };
    try {
        std::optional<TScreenCursorScope> busy(std::in_place, crHourGlass);
        designer.reset(e.DesignerFormClass(false));
        e.CurrentDesigner = designer.get();
        lent = true;
        m_pages->Clear();
        m_emfPages->ObjectsToPage(i);
        m_pages->Append(std::move(p.Page));
        e.CurrentReport = this;
        busy.reset();
        if (designer) {
            designer->ShowModal();
            modified = designer->GetModified();
        }
        giveBack();
    } catch (...) {
        giveBack();
        throw;
    }
    if (!p.Page)
        return;
    m_emfPages->PageToObjects(i);
    if (p.Stream.Bytes() == before)
        return;
    // Only a change the designer itself reports is offered for keeping.
    if (modified
        && Services::messages()->show(
               { GetLocaleString(55306) + u'?', mtConfirmation, mbYesNo, mbYes, GetLocaleString(55006) })
            == mrYes)
        return;
    p.Stream.Clear();
    p.Stream.WriteBytes(before);
    p.Page.reset();
}
