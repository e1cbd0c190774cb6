#pragma once

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Export.h"
#include "FR_Globals.h"
#include "FR_Progress.h"
#include "FR_Prntr.h"

#include "ServiceFakes.h"
#include "Streams.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace outputtest {

// One text line as a text object hands it to an export.
struct TextCall
{
    QRect rect;
    int x, y;
    QString text;
    int frame = 0;
    TfrView *view = nullptr;
};

// Runs a filter over pages of text lines (and pictures through OnData) and answers the bytes it wrote.
inline QByteArray runFilter(TfrExportFilter &filter, const std::vector<std::vector<TextCall>> &pages,
                            const std::vector<std::pair<int, TfrView *>> &pictures = {})
{
    TMemoryStream stream;
    filter.Stream = &stream;
    filter.OnBeginDoc();
    for (size_t p = 0; p < pages.size(); ++p) {
        filter.OnBeginPage();
        for (const auto &[page, view] : pictures)
            if (size_t(page) == p)
                filter.OnData(view->Left, view->Top, view);
        for (const TextCall &c : pages[p])
            filter.OnText(c.rect, c.x, c.y, c.text, c.frame, c.view);
        filter.OnEndPage();
    }
    filter.OnEndDoc();
    filter.Stream = nullptr;
    return stream.Bytes();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A report with prepared pages of text objects placed in code, on A4 with its printer geometry.
class PreparedFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        report.ShowProgress = false;
        report.Pages().Add();
    }
    void TearDown() override { frResetEngine(); }

    TfrPage *templatePage() { return report.Pages().GetPage(0); }

    // Appends a prepared page and answers its index.
    int addPage()
    {
        report.EMFPages().Add(templatePage());
        return report.EMFPages().GetCount() - 1;
    }

    void addText(int page, const QString &name, int left, int top, int width, int height, const QString &text)
    {
        TfrMemoView m;
        m.Name = name;
        m.Left = left;
        m.Top = top;
        m.Width = width;
        m.Height = height;
        m.Memo = text.split(u'\n');
        m.WorkText = m.Memo;
        report.EMFPages().AddObject(page, &m);
    }

    // A report of n pages, each with the line "Страница k" and "Итого" on page 3.
    void addPages(int n)
    {
        for (int k = 1; k <= n; ++k) {
            const int p = addPage();
            addText(p, QStringLiteral("T%1").arg(k), 40, 40, 300, 20, QStringLiteral("Страница %1").arg(k));
            if (k == 3)
                addText(p, QStringLiteral("Sum"), 40, 100, 300, 20, QStringLiteral("ИТОГО"));
        }
    }

    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }

    FakeMessageService messages;
    QTemporaryDir dir;
    TfrReport report;
};

// Pages of a PDF file.
inline int pdfPages(const QString &path)
{
    const QByteArray pdf = readFile(path);
    return int(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)"))));
}

// One printer whose QPrinter writes a PDF file per print job: job-1.pdf, job-2.pdf, ...
class PdfPrinters : public PlatformPrinters
{
public:
    explicit PdfPrinters(QString folder) : m_folder(std::move(folder)) { m_printer.setOutputFormat(QPrinter::PdfFormat); }

    QStringList printerNames() const override { return {"PDF"}; }
    int defaultPrinterIndex() const override { return 0; }
    bool readSettings(int, PlatformPrinterSettings &s) override
    {
        s.paperSize = paper;
        s.orientation = orientation;
        s.paperWidth = orientation ? 2970 : 2100;
        s.paperHeight = orientation ? 2100 : 2970;
        s.paperSizes = {9, 8};
        s.paperNames = {"A4", "A3"};
        s.dpiX = s.dpiY = 1200;
        s.physicalWidth = orientation ? 14031 : 9921;
        s.physicalHeight = orientation ? 9921 : 14031;
        s.offsetX = s.offsetY = 0;
        s.printableWidth = s.physicalWidth;
        s.printableHeight = s.physicalHeight;
        return true;
    }
    bool applySettings(int, int paperSize, int, int, int turned, int) override
    {
        paper = paperSize;
        orientation = turned;
        m_printer.setPageOrientation(turned ? QPageLayout::Landscape : QPageLayout::Portrait);
        return true;
    }
    bool showProperties(int) override { return false; }
    QPrinter *printer(int) override
    {
        m_printer.setOutputFileName(m_folder + QStringLiteral("/job-%1.pdf").arg(++jobs));
        return &m_printer;
    }

    int paper = 9, orientation = 0, jobs = 0;
    QPrinter &device() { return m_printer; }

private:
    QString m_folder;
    QPrinter m_printer{QPrinter::HighResolution};
};

} // namespace outputtest

