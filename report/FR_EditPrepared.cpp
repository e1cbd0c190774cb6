// Editing one prepared page in the designer.

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "Services.h"
#include "Streams.h"

void TfrReport::EditPreparedPage(int i)
{
    TfrGlobals &e = frEngine();
    if (!e.DesignerFormClass || i < 0 || i >= m_emfPages->GetCount())
        return;
    TfrPreparedPage &p = *m_emfPages->GetPage(i);
    TMemoryStream saved;
    SaveReportStream(saved);
    const QByteArray before = p.Stream.Bytes();
    m_pages->Clear();
    // The designer borrows the page object; it goes back to the prepared page whatever the designer does.
    auto giveBack = [&] {
        if (m_pages->GetCount() > 0)
            p.Page = m_pages->Take(0);
        m_pages->Clear();
        saved.SetPosition(0);
        LoadReportStream(saved);
    };
    try {
        m_emfPages->ObjectsToPage(i);
        m_pages->Append(std::move(p.Page));
        e.CurrentReport = this;
        e.DesignerFormClass(*this);
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
    const TModalResult answer = Services::messages()->show(
        {GetLocaleString(55306) + u'?', mtConfirmation, mbYesNo, mbYes, GetLocaleString(55006)});
    if (answer != mrYes) {
        p.Stream.Clear();
        p.Stream.WriteBytes(before);
        p.Page.reset();
    }
}
