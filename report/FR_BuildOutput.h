#pragma once

// What the band and page build share: the prepared pages of the report receiving the output, the stop of the
// build, and the flags of band objects that the build reads.

#include <QtGlobal>

class TStream;
class TfrPage;

// The object stream of the prepared page PageNo (the last one when PageNo lies beyond them), positioned at its
// end.
TStream &PreparedPageStream();
// Appends a prepared page for a template page and raises OnBeginPage.
void AddPreparedPage(TfrPage *page);
int PreparedPageCount();
void ClearPreparedPages();
// The paper of prepared page i.
void PreparedPagePaper(int i, int &size, int &orientation);

// The report receiving the output was asked to stop (Cancel, STOPREPORT, an expression error).
bool BuildStopped();

// Flags of band objects.
enum : quint16 { bfOnFirstPage = 0x10, bfOnLastPage = 0x20, bfRepeatHeader = 0x40 };

// A template read from a file may hold any numbers: places and sizes are kept to some hundred metres of paper,
// so that the build's arithmetic on them stays in range. The template is reloaded after the build.
void KeepGeometryInRange(TfrPage &page);
