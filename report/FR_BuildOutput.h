#pragma once

// What the band and page build write into: the prepared pages of the report receiving the output.

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
