// Printing prepared pages on the engine's printer.

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Export.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Progress.h"

#include "Services.h"

#include <QPainter>
#include <QPrinter>

namespace {

// The page list, or a message and nothing when the text is no list.
bool parsePages(const QString &pages, int count, TfrPageList &list)
{
    try {
        list = ParsePageList(pages, count);
        return true;
    } catch (const EConvertError &) {
        Services::messages()->error(QStringLiteral("Неверный список страниц: ") + pages);
        return false;
    }
}

// Where page p goes on the sheet, in the printer's pixels from the printable area's corner.
QRect targetRect(const TfrPreparedPage &p)
{
    const TPrinterGeometry &g = p.PrnInfo;
    if (p.MarginsUsed)
        return QRect(QPoint(-g.DevOffsetX, -g.DevOffsetY),
                     QPoint(g.DevPaperWidth - g.DevOffsetX, g.DevPaperHeight - g.DevOffsetY));
    const double kx = g.PrintWidth > 0 ? double(g.DevPrintWidth) / g.PrintWidth : 1;
    const double ky = g.PrintHeight > 0 ? double(g.DevPrintHeight) / g.PrintHeight : 1;
    return QRect(QPoint(frRound(p.Margins.Left * kx), frRound(p.Margins.Top * ky)),
                 QPoint(g.DevPrintWidth - frRound(p.Margins.Right * kx),
                        g.DevPrintHeight - frRound(p.Margins.Bottom * ky)));
}

} // namespace

void TfrReport::PrintPreparedReport(const QString &pages, int copies, bool collate, int oddEven)
{
    TfrGlobals &e = frEngine();
    e.CurrentReport = e.OutputReport = this;
    StopRequested = false;
    PreviewPagesLent lent(*this);
    TfrPageList list;
    if (!parsePages(pages, m_emfPages->GetCount(), list))
        return;
    if (OnProgress || !ShowProgress) {
        auto hover = std::exchange(OnMouseOverObject, nullptr);
        try {
            PrintPreparedPages(pages, copies, collate, oddEven);
        } catch (...) {
            OnMouseOverObject = std::move(hover);
            throw;
        }
        OnMouseOverObject = std::move(hover);
        return;
    }
    TfrProgress &progress = e.Progress();
    QString caption = GetLocaleString(55203);
    if (!Title.isEmpty())
        caption += QStringLiteral(" - ") + Title;
    progress.SetCaption(caption);
    progress.SetCaptionPrefix(GetLocaleString(55208));
    progress.SetLabel1(progress.CaptionPrefix());
    progress.WorkProc = [&] {
        PrintPreparedPages(pages, copies, collate, oddEven);
        progress.SetModalResult(1);
    };
    try {
        progress.RunModal(*this);
    } catch (...) {
        progress.WorkProc = nullptr;
        throw;
    }
    progress.WorkProc = nullptr;
}

void TfrReport::PrintPreparedPages(const QString &pages, int copies, bool collate, int oddEven)
{
    TfrPrinter &printer = EnginePrinter();
    TfrPageList list;
    const int count = m_emfPages->GetCount();
    if (count == 0 || !parsePages(pages, count, list))
        return;
    if (printer.IsVirtual() || !printer.Printer) {
        Services::messages()->error(QStringLiteral("Печать невозможна: не выбран принтер"));
        return;
    }
    copies = std::max(copies, 1);
    TfrPreparedPage &first = *m_emfPages->GetPage(0);
    printer.SetPrinterInfo(first.PaperSize, first.PaperWidth, first.PaperHeight, first.PaperBin, first.Orientation,
                           true);
    printer.FillPrnInfo(first.PrnInfo);
    const QString docName = Title.isEmpty() ? GetLocaleString(55209) : Title;

    QPainter painter;
    QPrinter *device = nullptr;
    // A job begins with the first page it prints, so that a paper change never leaves an empty job behind.
    auto beginJob = [&] {
        device = printer.Printer->printer(printer.PrinterIndex);
        if (!device)
            throw Exception(QStringLiteral("Принтер %1 не печатает").arg(printer.Printers.value(printer.PrinterIndex)));
        device->setDocName(docName);
        device->setCopyCount(collate ? 1 : copies);
        device->setCollateCopies(collate);
        if (!painter.begin(device))
            throw Exception(QStringLiteral("Принтер %1 не начал печать").arg(printer.Printers.value(printer.PrinterIndex)));
    };
    auto printPage = [&](int i) {
        if ((oddEven == 1 && (i + 1) % 2 == 0) || (oddEven == 2 && (i + 1) % 2 == 1))
            return true;
        TfrPreparedPage &p = *m_emfPages->GetPage(i);
        const bool samePaper = printer.IsEqual(p.PaperSize, p.PaperWidth, p.PaperHeight, p.Orientation, p.PaperBin);
        if (painter.isActive() && samePaper) {
            device->newPage();
        } else {
            if (painter.isActive())
                painter.end();
            if (!samePaper)
                printer.SetPrinterInfo(p.PaperSize, p.PaperWidth, p.PaperHeight, p.PaperBin, p.Orientation, true);
            beginJob();
        }
        printer.FillPrnInfo(p.PrnInfo);
        p.Visible = true;
        {
            QPainterCanvas canvas(&painter, true);
            m_emfPages->Draw(i, canvas, targetRect(p));
            p.Visible = false;
            m_emfPages->Draw(i, canvas, QRect());
        }
        DoProgress(i + 1);
        frEngine().Progress().ProcessMessages();
        return !StopRequested;
    };
    try {
        for (int c = 0; c < (collate ? copies : 1); ++c)
            for (int i = 0; i < count; ++i) {
                if (!list.Holds(i + 1))
                    continue;
                if (!printPage(i)) {
                    device->abort();
                    painter.end();
                    return;
                }
            }
    } catch (...) {
        if (painter.isActive()) {
            device->abort();
            painter.end();
        }
        throw;
    }
    if (painter.isActive())
        painter.end();
}
