#pragma once

#include "FR_Export.h"

#include <QByteArray>
#include <QChar>
#include <QStringList>

// Prepared pages as a text file laid out on a character grid, as the page looks in a fixed-pitch font, with
// the frames of text objects drawn in line characters when asked.
class TfrTextExport : public TfrExportFilter
{
    Q_OBJECT
public:
    explicit TfrTextExport(QObject *owner = nullptr);

    // One column per 6.5 / ScaleX page pixels, one line per 14 / ScaleY.
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    bool KillEmptyLines = true;
    // Lines in the DOS code page (866) instead of the Windows one (1251).
    bool ConvertToOEM = false;
    bool ExportFrames = false;
    // Box-drawing characters of the DOS code page for frames instead of "|", "-" and "+".
    bool UsePseudographic = false;
    // A form-feed line after every page.
    bool PageBreaks = true;

    int ShowModal() override;
    void OnBeginPage() override;
    void OnText(const QRect &drawRect, int x, int y, const QString &text, int frameTyp, TfrView *view) override;
    void OnEndPage() override;

protected:
    // For the derived filters, which register themselves.
    TfrTextExport(QObject *owner, bool registerSelf);
    void AddTextRec(TfrTextRec rec, int line);
    // The highest grid line holding a record, -1 for none.
    int LastLine() const;
    // Text in the file's code page.
    QByteArray Encode(const QString &text) const;

    QStringList m_out;
};

// Prepared pages as delimited records: one per grid line, the field following the horizontal position.
class TfrCSVExport : public TfrTextExport
{
    Q_OBJECT
public:
    explicit TfrCSVExport(QObject *owner = nullptr);

    QChar Delimiter = u';';

    int ShowModal() override;
    void OnEndPage() override;
};

// The character a frame code (the directions it joins: 1 up, 2 right, 4 down, 8 left) is written as; 0 for a
// character that is no frame code.
char frFrameChar(int code, bool pseudographic);
