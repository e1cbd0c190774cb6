#pragma once

#include "Color.h"
#include "WidgetKit.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <functional>

class QScrollBar;

// What the colouring makes of each character of the code editor's text.
enum TSynClass : char { scPlain = 0, scComment = 2, scKeyword = 3, scString = 4 };

// A place in the code editor's text: column and line, both from 1.
struct TSynPos
{
    int Col = 0;
    int Line = 0;

    bool operator==(const TSynPos &) const = default;
};

// The code editor without its window: the text, the cursor and the part of the text in view, the selection, the
// undo snapshots and the class map that colours the text. The control paints it and hands it keys and clicks;
// everything the user can do to the text happens here.
class TSyntaxMemoModel
{
public:
    // Columns run from 1 to MaxLineLength; the cursor may stand beyond a line's end (virtual space).
    static constexpr int MaxLineLength = 1024;
    static constexpr int MaxSnapshots = 32;

    TSyntaxMemoModel();

    // The text; never empty, and every line is kept right-trimmed (the cursor may stand beyond its end).
    QStringList Lines() const { return m_lines; }
    // New text from outside: the editor starts afresh (cursor 1, 1, view at the top, no selection, no undo).
    void SetLines(const QStringList &lines);
    // The lines joined with CR LF.
    QString Text() const;
    int LineCount() const { return int(m_lines.size()); }
    // Line number line (from 1), as the control paints it.
    const QString &Line(int line) const { return m_lines.at(line - 1); }

    int HighlightMode() const { return m_mode; }
    // 0 colours scripts, 1 SQL; any other mode colours string literals only.
    void SetHighlightMode(int mode);
    TSynClass ClassAt(int column, int line) const;

    TSynPos Cursor() const { return m_cursor; }
    // Moves the cursor (clamped to the text) and scrolls it into view; clears the error text.
    void SetCursor(int column, int line);

    // The selection from where it was started to where it was extended; none when SelStart().Col is 0.
    TSynPos SelStart() const { return m_selStart; }
    TSynPos SelEnd() const { return m_selEnd; }
    bool HasSelection() const { return m_selStart.Col != 0; }
    void SetSelection(TSynPos start, TSynPos end);
    void ClearSelection();
    // The character cell at this place lies in the selection.
    bool IsSelected(int column, int line) const;
    QString SelText() const;

    // The view: the first line (from 0) and the columns scrolled out at the left, and how much fits.
    int TopLine() const { return m_topLine; }
    int LeftCol() const { return m_leftCol; }
    int VisibleCols() const { return m_visibleCols; }
    int VisibleLines() const { return m_visibleLines; }
    void SetVisibleArea(int columns, int lines);
    // The scroll bar's move: the first line in view, at most the line count.
    void ScrollTo(int topLine);

    // Editing; nothing changes while read-only.
    void InsertText(const QString &text);
    void Enter();
    void Tab();
    void Backspace();
    void Delete();
    void ShiftLines(bool indent);
    void Undo();
    int UndoCount() const { return int(m_undo.size()); }

    // A key as the control gets it; true when the editor used it. Clipboard keys are the control's.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Typed text; true when it was inserted (printable text only).
    bool KeyPress(const QString &text);
    // A click and a drag to the character cell at column and line.
    void MouseDown(int column, int line);
    void MouseMove(int column, int line);

    QString ErrorText() const { return m_errorText; }
    void SetErrorText(const QString &text);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }
    // A snapshot is taken before the next edit; a run of typing clears it, so it is undone in one step.
    bool SnapshotAllowed() const { return m_snapshotAllowed; }

    // Called after every change the control must show.
    std::function<void()> OnChange;

private:
    struct Snapshot
    {
        int Col;
        int Line;
        QString Text;
    };

    void SetText(const QString &text);
    void TakeSnapshot();
    bool StartDeletion();
    void UpdateHighlight();
    void Changed();
    int Offset(int column, int line) const;
    void Ordered(TSynPos &lower, TSynPos &upper) const;
    void MoveTo(int column, int line, bool extend);
    void PageUp(bool extend);
    void PageDown(bool extend);

    QStringList m_lines;
    QList<Snapshot> m_undo;
    // One class per character of Text() (control characters keep their own code), then 11 NULs.
    QByteArray m_map;
    QList<int> m_lineStart;
    int m_mode = 0;
    QSet<QString> m_keywords;
    TSynPos m_cursor { 1, 1 };
    TSynPos m_selStart, m_selEnd;
    int m_topLine = 0;
    int m_leftCol = 0;
    int m_visibleCols = 0;
    int m_visibleLines = 0;
    QString m_errorText;
    bool m_readOnly = false;
    bool m_snapshotAllowed = true;
};

// The designer's code editor: a fixed-pitch text editor that colours keywords, comments and string literals,
// with its own caret and selection, smart indentation, block shifts, the clipboard and 32 steps of undo.
class TSyntaxMemo : public QWidget
{
    Q_OBJECT
public:
    explicit TSyntaxMemo(QWidget *parent = nullptr);
    ~TSyntaxMemo() override;

    TSyntaxMemoModel &Model() { return m_model; }

    QStringList Lines() const { return m_model.Lines(); }
    void SetLines(const QStringList &lines) { m_model.SetLines(lines); }
    int HighlightMode() const { return m_model.HighlightMode(); }
    void SetHighlightMode(int mode) { m_model.SetHighlightMode(mode); }
    QString ErrorText() const { return m_model.ErrorText(); }
    void SetErrorText(const QString &text) { m_model.SetErrorText(text); }
    bool ReadOnly() const { return m_model.ReadOnly(); }
    void SetReadOnly(bool value) { m_model.SetReadOnly(value); }

    void SetCursor(int column, int line) { m_model.SetCursor(column, line); }
    void InsertText(const QString &text) { m_model.InsertText(text); }
    QString SelText() const { return m_model.SelText(); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo() { m_model.Undo(); }
    void ShiftLines(bool indent) { m_model.ShiftLines(indent); }

    // Size of a character cell, measured in the control's font made bold.
    int LineHeight() const { return m_lineHeight; }
    int CharWidth() const { return m_charWidth; }
    // Height of the red bar that shows ErrorText at the bottom.
    int ErrorBarHeight() const;
    QScrollBar *ScrollBar() const { return m_scrollBar; }

    // Of the class fonts only colour and style count; face and size are the control's.
    TFont TextFont, CommentFont, KeywordFont, StringFont;
    TColor SelColor = clHighlight;
    TColor SelFontColor = clHighlightText;

    // The memo or its scroll bar got the focus.
    std::function<void(TSyntaxMemo *Sender)> OnEnter;
    // Before the memo's own handling; a key set to 0 is consumed.
    std::function<void(TSyntaxMemo *Sender, int &Key, Qt::KeyboardModifiers Shift)> OnKeyDown;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void MeasureFont();
    void ModelChanged();
    void UpdateScrollBar();
    void UpdateVisibleArea();
    QRect ClientRect() const;
    QRect CaretRect() const;
    TSynPos CellAt(const QPoint &point) const;
    void RestartCaret();
    void PaintLine(QPainter &painter, int line, int y);

    TSyntaxMemoModel m_model;
    QScrollBar *m_scrollBar;
    int m_lineHeight = 0;
    int m_charWidth = 0;
    bool m_courier = false;
    bool m_selecting = false;
    bool m_updatingScrollBar = false;
    bool m_caretOn = false;
    QBasicTimer m_caretTimer;
};
