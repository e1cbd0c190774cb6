// The code editor's text: cursor, view, selection, editing rules, undo snapshots and the class map.
#include "FR_SynMemo.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const char ScriptKeywords[]
    = "and,array,as,begin,case,class,const,constructor,destructor,div,do,downto,else,end,except,finally,for,"
      "forward,function,goto,if,is,in,inherited,label,mod,nil,not,object,of,on,or,override,private,procedure,"
      "program,property,protected,public,raise,record,repeat,set,shl,shr,string,then,to,try,type,until,uses,var,"
      "virtual,while,with,xor";

const char SqlKeywords[]
    = "active,after,all,alter,and,any,as,asc,ascending,at,auto,base_name,before,begin,between,by,cache,cast,check,"
      "column,commit,committed,computed,conditional,constraint,containing,count,create,current,cursor,database,"
      "debug,declare,default,delete,desc,descending,distinct,do,domain,drop,else,end,entry_point,escape,exception,"
      "execute,exists,exit,external,extract,filter,for,foreign,from,full,function,generator,grant,group,having,if,"
      "in,inactive,index,inner,insert,into,is,isolation,join,key,left,level,like,merge,names,no,not,null,of,on,"
      "only,or,order,outer,parameter,password,plan,position,primary,privileges,procedure,protected,read,retain,"
      "returns,revoke,right,rollback,schema,select,set,shadow,shared,snapshot,some,suspend,table,then,to,"
      "transaction,trigger,uncommitted,union,unique,update,user,using,view,wait,when,where,while,with,work";

// Padding after the text, so that the scanner may look ahead without bounds checks of its own.
constexpr int MapPadding = 11;

bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

QString RightTrimmed(const QString &s)
{
    int n = int(s.size());
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return s.left(n);
}

// The column of the line's first non-blank character; 0 for a blank line.
int FirstNonBlank(const QString &s)
{
    for (int i = 0; i < s.size(); ++i)
        if (!IsBlank(s[i]))
            return i + 1;
    return 0;
}

QString Blanks(int n)
{
    return QString(std::max(0, n), u' ');
}

int Linear(TSynPos p)
{
    return p.Line * TSyntaxMemoModel::MaxLineLength + p.Col;
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// A word begins at a letter; one holding letters beyond ASCII is never a keyword, so it is read whole.
bool CanStartToken(QChar c)
{
    switch (c.unicode()) {
    case '"':
    case '\'':
    case '(':
    case '-':
    case '/':
    case '_':
    case '{':
        return true;
    default:
        return c.isLetter();
    }
}

bool IsLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

TSyntaxMemoModel::TSyntaxMemoModel()
    : m_lines { QString() }
{
    SetHighlightMode(0);
}

void TSyntaxMemoModel::SetLines(const QStringList &lines)
{
    SetText(lines.join(QStringLiteral("\r\n")));
    m_snapshotAllowed = true;
    m_undo.clear();
    m_cursor = { 1, 1 };
    m_topLine = m_leftCol = 0;
    m_selStart = m_selEnd = {};
    UpdateHighlight();
    Changed();
}

QString TSyntaxMemoModel::Text() const
{
    return m_lines.join(QStringLiteral("\r\n"));
}

void TSyntaxMemoModel::SetText(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    m_lines = text.split(lineBreak);
}

void TSyntaxMemoModel::SetHighlightMode(int mode)
{
    m_mode = mode;
    m_keywords.clear();
    const char *list = mode == 0 ? ScriptKeywords : mode == 1 ? SqlKeywords : "";
    for (const QString &word : QString::fromLatin1(list).split(u',', Qt::SkipEmptyParts))
        m_keywords.insert(word);
    UpdateHighlight();
    Changed();
}

void TSyntaxMemoModel::UpdateHighlight()
{
    for (QString &line : m_lines)
        line = RightTrimmed(line);
    const QString text = Text();
    const int n = int(text.size());
    m_lineStart.clear();
    int start = 0;
    for (const QString &line : std::as_const(m_lines)) {
        m_lineStart << start;
        start += int(line.size()) + 2;
    }

    m_map = QByteArray(n + MapPadding, '\0');
    const auto mark = [&](int from, int to, TSynClass cls) {
        for (int i = from; i < to; ++i) {
            const ushort u = text[i].unicode();
            m_map[i] = u < 32 ? char(u) : char(cls);
        }
    };
    const auto at = [&](int i) { return i < n ? text[i] : QChar(0); };
    const bool script = m_mode == 0, sql = m_mode == 1;

    int pos = 0;
    while (pos < n) {
        const QChar c = text[pos];
        if (!CanStartToken(c)) {
            mark(pos, pos + 1, scPlain);
            ++pos;
            continue;
        }
        int end = pos + 1;
        TSynClass cls = scPlain;
        const QChar next = at(pos + 1);
        if (c == u'_' || c.isLetter()) {
            end = pos;
            bool ascii = true;
            while (end < n && IsWordChar(text[end])) {
                ascii = ascii && text[end].unicode() < 128;
                ++end;
            }
            if (ascii && m_keywords.contains(text.mid(pos, end - pos).toLower()))
                cls = scKeyword;
        } else if ((script && c == u'/' && next == u'/') || (sql && c == u'-' && next == u'-')) {
            while (end < n && !IsLineBreak(text[end]))
                ++end;
            cls = scComment;
        } else if (script && c == u'{') {
            const int close = int(text.indexOf(u'}', pos + 1));
            end = close < 0 ? n : close + 1;
            cls = scComment;
        } else if ((script && c == u'(' && next == u'*') || (sql && c == u'/' && next == u'*')) {
            const int close = int(text.indexOf(script ? QStringLiteral("*)") : QStringLiteral("*/"), pos + 2));
            end = close < 0 ? n : close + 2;
            cls = scComment;
        } else if (c == u'\'' || (sql && c == u'"')) {
            const auto closes = [&](QChar q) { return q == u'\'' || (sql && q == u'"'); };
            while (end < n && !closes(text[end]) && !IsLineBreak(text[end]))
                ++end;
            if (end < n && closes(text[end]))
                ++end;
            cls = scString;
        }
        mark(pos, end, cls);
        pos = end;
    }
}

TSynClass TSyntaxMemoModel::ClassAt(int column, int line) const
{
    if (line < 1 || line > LineCount() || column < 1 || column > m_lines[line - 1].size())
        return scPlain;
    switch (m_map[m_lineStart[line - 1] + column - 1]) {
    case scComment:
        return scComment;
    case scKeyword:
        return scKeyword;
    case scString:
        return scString;
    default:
        return scPlain;
    }
}

void TSyntaxMemoModel::Changed()
{
    if (OnChange)
        OnChange();
}

// ---- cursor and view -------------------------------------------------------------------------------------------

void TSyntaxMemoModel::SetCursor(int column, int line)
{
    m_errorText.clear();
    m_cursor = { std::clamp(column, 1, MaxLineLength), std::clamp(line, 1, LineCount()) };
    if (m_visibleCols > 0 && m_visibleLines > 0) {
        m_topLine = std::min(m_topLine, LineCount() - 1);
        if (m_cursor.Col > m_leftCol + m_visibleCols)
            m_leftCol = m_cursor.Col - m_visibleCols;
        else if (m_cursor.Col <= m_leftCol)
            m_leftCol = m_cursor.Col - 1;
        // The line comes into view whichever way the columns scrolled, so that a cursor sent far right and
        // down (an error position, Ctrl+End) or far left and up (Ctrl+Home) is never left out of sight.
        if (m_cursor.Line > m_topLine + m_visibleLines)
            m_topLine = m_cursor.Line - m_visibleLines;
        else if (m_cursor.Line <= m_topLine)
            m_topLine = m_cursor.Line - 1;
    }
    Changed();
}

void TSyntaxMemoModel::SetVisibleArea(int columns, int lines)
{
    m_visibleCols = std::max(0, columns);
    m_visibleLines = std::max(0, lines);
}

void TSyntaxMemoModel::ScrollTo(int topLine)
{
    m_topLine = std::clamp(topLine, 0, LineCount());
    Changed();
}

void TSyntaxMemoModel::MoveTo(int column, int line, bool extend)
{
    const TSynPos from = m_cursor;
    SetCursor(column, line);
    if (!extend) {
        ClearSelection();
        return;
    }
    if (!HasSelection())
        m_selStart = from;
    m_selEnd = m_cursor;
    if (m_selStart == m_selEnd)
        ClearSelection();
    Changed();
}

void TSyntaxMemoModel::PageUp(bool extend)
{
    const int step = std::max(1, m_visibleLines - 1);
    if (m_topLine > m_visibleLines) {
        m_topLine -= step;
        MoveTo(m_cursor.Col, m_cursor.Line - step, extend);
    } else if (m_topLine == 0) {
        MoveTo(m_cursor.Col, 1, extend);
    } else {
        const int old = m_topLine;
        m_topLine = 0;
        MoveTo(m_cursor.Col, m_cursor.Line - old, extend);
    }
}

void TSyntaxMemoModel::PageDown(bool extend)
{
    const int step = std::max(1, m_visibleLines - 1);
    if (m_topLine + 2 * m_visibleLines < LineCount()) {
        m_topLine += step;
        MoveTo(m_cursor.Col, m_cursor.Line + step, extend);
    } else {
        MoveTo(m_cursor.Col, LineCount(), extend);
    }
}

// ---- selection -------------------------------------------------------------------------------------------------

void TSyntaxMemoModel::SetSelection(TSynPos start, TSynPos end)
{
    m_selStart = start;
    m_selEnd = end;
    if (start.Col <= 0 || start == end)
        m_selStart = m_selEnd = {};
    Changed();
}

void TSyntaxMemoModel::ClearSelection()
{
    if (!HasSelection())
        return;
    m_selStart = m_selEnd = {};
    Changed();
}

void TSyntaxMemoModel::Ordered(TSynPos &lower, TSynPos &upper) const
{
    lower = m_selStart;
    upper = m_selEnd;
    if (Linear(upper) < Linear(lower))
        std::swap(lower, upper);
}

bool TSyntaxMemoModel::IsSelected(int column, int line) const
{
    if (!HasSelection())
        return false;
    TSynPos lower, upper;
    Ordered(lower, upper);
    const int at = Linear({ column, line });
    return at >= Linear(lower) && at < Linear(upper);
}

int TSyntaxMemoModel::Offset(int column, int line) const
{
    int offset = 0;
    for (int i = 0; i < line - 1; ++i)
        offset += int(m_lines[i].size()) + 2;
    return offset + column - 1;
}

QString TSyntaxMemoModel::SelText() const
{
    if (!HasSelection())
        return {};
    TSynPos lower, upper;
    Ordered(lower, upper);
    lower.Line = std::clamp(lower.Line, 1, LineCount());
    upper.Line = std::clamp(upper.Line, 1, LineCount());
    if (lower.Col > m_lines[lower.Line - 1].size()) {
        if (lower.Line >= LineCount())
            return {};
        lower = { 1, lower.Line + 1 };
    }
    const int lastChar = std::min(upper.Col - 1, int(RightTrimmed(m_lines[upper.Line - 1]).size()));
    const int from = Offset(lower.Col, lower.Line);
    const int to = Offset(1, upper.Line) + lastChar;
    return to > from ? Text().mid(from, to - from) : QString();
}

// ---- editing ---------------------------------------------------------------------------------------------------

void TSyntaxMemoModel::TakeSnapshot()
{
    if (!m_snapshotAllowed)
        return;
    m_undo.append({ m_cursor.Col, m_cursor.Line, Text() });
    if (m_undo.size() > MaxSnapshots)
        m_undo.removeFirst();
}

void TSyntaxMemoModel::InsertText(const QString &text)
{
    if (m_readOnly)
        return;
    TakeSnapshot();
    TSynPos lower = m_cursor, upper = m_cursor;
    if (HasSelection())
        Ordered(lower, upper);
    lower.Line = std::clamp(lower.Line, 1, LineCount());
    upper.Line = std::clamp(upper.Line, 1, LineCount());

    const int endLength = int(RightTrimmed(m_lines[upper.Line - 1]).size());
    QString &startLine = m_lines[lower.Line - 1];
    if (startLine.size() < lower.Col - 1)
        startLine += Blanks(lower.Col - 1 - int(startLine.size()));
    const int from = Offset(lower.Col, lower.Line);
    const int to = std::max(from, Offset(1, upper.Line) + std::min(upper.Col - 1, endLength));

    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList parts = text.split(lineBreak);
    const QString all = Text();
    SetText(all.left(from) + parts.join(QStringLiteral("\r\n")) + all.mid(to));

    m_selStart = m_selEnd = {};
    UpdateHighlight();
    if (parts.size() == 1)
        SetCursor(lower.Col + int(text.size()), lower.Line);
    else
        SetCursor(int(parts.last().size()) + 1, lower.Line + int(parts.size()) - 1);
}

void TSyntaxMemoModel::Enter()
{
    if (m_readOnly)
        return;
    TakeSnapshot();
    const int row = m_cursor.Line - 1;
    const QString line = RightTrimmed(m_lines[row]);
    const QString before = line.left(m_cursor.Col - 1);
    const QString after = line.mid(m_cursor.Col - 1);
    const int indent = FirstNonBlank(before) > 0 ? FirstNonBlank(before) : m_cursor.Col;
    m_lines[row] = before;
    m_lines.insert(row + 1, Blanks(indent - 1) + after);
    m_selStart = m_selEnd = {};
    UpdateHighlight();
    SetCursor(indent, m_cursor.Line + 1);
}

void TSyntaxMemoModel::Tab()
{
    if (m_readOnly)
        return;
    const int col = m_cursor.Col;
    int target = col;
    for (int row = m_cursor.Line - 2; row >= 0; --row) {
        const QString line = RightTrimmed(m_lines[row]);
        const int length = int(line.size());
        if (length < col)
            continue;
        int p = col;
        if (!IsBlank(line[p - 1]))
            while (p <= length && !IsBlank(line[p - 1]))
                ++p;
        while (p <= length && IsBlank(line[p - 1]))
            ++p;
        target = p;
        break;
    }
    if (target > col || HasSelection())
        InsertText(Blanks(target - col));
}

void TSyntaxMemoModel::ShiftLines(bool indent)
{
    if (m_readOnly || !HasSelection())
        return;
    TSynPos lower, upper;
    Ordered(lower, upper);
    const int first = std::clamp(lower.Line, 1, LineCount());
    int last = std::clamp(upper.Line, 1, LineCount());
    // A line of which nothing is selected (the selection ends at its column 1) stays where it is.
    if (upper.Col == 1 && last > first)
        --last;
    TakeSnapshot();
    if (indent) {
        for (int i = first; i <= last; ++i)
            m_lines[i - 1].prepend(QStringLiteral("  "));
    } else {
        int n = 2;
        for (int i = first; i <= last; ++i)
            if (const int f = FirstNonBlank(m_lines[i - 1]); f > 0)
                n = std::min(n, f - 1);
        for (int i = first; i <= last; ++i)
            if (FirstNonBlank(m_lines[i - 1]) > 0)
                m_lines[i - 1].remove(0, n);
    }
    UpdateHighlight();
    Changed();
}

// Backspace and Delete clear the error and take a selection away whole; false when that was all.
bool TSyntaxMemoModel::StartDeletion()
{
    if (m_readOnly)
        return false;
    m_errorText.clear();
    if (!HasSelection())
        return true;
    InsertText(QString());
    return false;
}

void TSyntaxMemoModel::Backspace()
{
    if (!StartDeletion())
        return;
    const int col = m_cursor.Col, row = m_cursor.Line - 1;
    if (col == 1 && row == 0) {
        Changed();
        return;
    }
    TakeSnapshot();
    QString &line = m_lines[row];
    line = RightTrimmed(line);
    if (col == 1) {
        const QString previous = RightTrimmed(m_lines[row - 1]);
        m_lines[row - 1] = previous + line;
        m_lines.removeAt(row);
        UpdateHighlight();
        SetCursor(int(previous.size()) + 1, row);
        return;
    }
    const int first = FirstNonBlank(line);
    int newCol = col - 1;
    if (first == 0 || first == col) {
        // Back to the indentation of the nearest line above that is indented less.
        if (row > 0) {
            newCol = 1;
            for (int i = row - 1; i >= 0; --i)
                if (const int f = FirstNonBlank(m_lines[i]); f > 0 && f < col) {
                    newCol = f;
                    break;
                }
        }
    }
    if (newCol - 1 < line.size())
        line.remove(newCol - 1, std::min(col - 1, int(line.size())) - (newCol - 1));
    UpdateHighlight();
    SetCursor(newCol, row + 1);
}

void TSyntaxMemoModel::Delete()
{
    if (!StartDeletion())
        return;
    const int col = m_cursor.Col, row = m_cursor.Line - 1;
    const QString line = RightTrimmed(m_lines[row]);
    if (col > line.size() && row + 1 < LineCount()) {
        TakeSnapshot();
        m_lines[row] = line + Blanks(col - 1 - int(line.size())) + RightTrimmed(m_lines[row + 1]);
        m_lines.removeAt(row + 1);
    } else if (col <= line.size()) {
        TakeSnapshot();
        m_lines[row] = line;
        m_lines[row].remove(col - 1, 1);
    }
    UpdateHighlight();
    SetCursor(col, row + 1);
}

void TSyntaxMemoModel::Undo()
{
    m_snapshotAllowed = true;
    if (m_readOnly || m_undo.isEmpty())
        return;
    const Snapshot snapshot = m_undo.takeLast();
    SetText(snapshot.Text);
    m_selStart = m_selEnd = {};
    UpdateHighlight();
    SetCursor(snapshot.Col, snapshot.Line);
}

void TSyntaxMemoModel::SetErrorText(const QString &text)
{
    m_errorText = text;
    Changed();
}

// ---- keys and mouse --------------------------------------------------------------------------------------------

bool TSyntaxMemoModel::KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier;
    const TSynPos c = m_cursor;
    const auto move = [&](int column, int line) {
        m_snapshotAllowed = true;
        MoveTo(column, line, shift);
    };
    switch (key) {
    case Qt::Key_Left:
        move(c.Col - 1, c.Line);
        return true;
    case Qt::Key_Right:
        move(c.Col + 1, c.Line);
        return true;
    case Qt::Key_Up:
        move(c.Col, c.Line - 1);
        return true;
    case Qt::Key_Down:
        move(c.Col, c.Line + 1);
        return true;
    case Qt::Key_Home:
        move(1, ctrl ? 1 : c.Line);
        return true;
    case Qt::Key_End: {
        const int line = ctrl ? LineCount() : c.Line;
        move(int(RightTrimmed(m_lines[line - 1]).size()) + 1, line);
        return true;
    }
    case Qt::Key_PageUp:
        m_snapshotAllowed = true;
        PageUp(shift);
        return true;
    case Qt::Key_PageDown:
        m_snapshotAllowed = true;
        PageDown(shift);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
            Enter();
        m_snapshotAllowed = false;
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        Tab();
        m_snapshotAllowed = false;
        return true;
    case Qt::Key_Backspace:
        Backspace();
        m_snapshotAllowed = false;
        return true;
    case Qt::Key_Delete:
        Delete();
        m_snapshotAllowed = false;
        return true;
    case Qt::Key_Insert:
        m_snapshotAllowed = false;
        return true;
    case Qt::Key_I:
    case Qt::Key_U:
        if (!ctrl)
            return false;
        ShiftLines(key == Qt::Key_I);
        return true;
    case Qt::Key_Z:
        if (!ctrl)
            return false;
        Undo();
        return true;
    default:
        return false;
    }
}

bool TSyntaxMemoModel::KeyPress(const QString &text)
{
    if (text.isEmpty()
        || std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32 || c == u'\x7f'; }))
        return false;
    InsertText(text);
    m_snapshotAllowed = false;
    return true;
}

void TSyntaxMemoModel::MouseDown(int column, int line)
{
    m_snapshotAllowed = true;
    MoveTo(column, line, false);
}

void TSyntaxMemoModel::MouseMove(int column, int line)
{
    MoveTo(column, line, true);
}
