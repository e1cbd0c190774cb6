#pragma once

// The screen's cursor, as the program sets it for the whole application while it works (the hourglass during a
// query or a logon). Cursor numbers are the platform's: 0 is the default, negative numbers the stock shapes.
using TCursor = int;

constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crAppStart = -19;

TCursor ScreenCursor();
// Shows `cursor` over every window of the application; crDefault gives each widget its own cursor back.
void SetScreenCursor(TCursor cursor);

// Shows `cursor` while it lives (unless it is crDefault or already showing) and then puts the previous one back,
// also when the work in between raises.
class TScreenCursorScope
{
public:
    explicit TScreenCursorScope(TCursor cursor);
    ~TScreenCursorScope();
    TScreenCursorScope(const TScreenCursorScope &) = delete;
    TScreenCursorScope &operator=(const TScreenCursorScope &) = delete;

private:
    TCursor m_saved;
    bool m_changed = false;
};
