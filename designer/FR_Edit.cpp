#include "FR_Edit.h"

#include "FR_Class.h"
#include "FR_ClassControls.h"
#include "FR_Ctrls.h"
#include "FR_Dock.h"
#include "FR_Globals.h"
#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "FR_SynMemo.h"

#include "Registry.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>

// The resource registration must be called outside any namespace.
static void initEditorResources()
{
    Q_INIT_RESOURCE(EditorGlyphs);
}

namespace {

constexpr int ToolbarHeight = 33;
constexpr int SplitterHeight = 2;
constexpr int DefaultFontSize = 10;
constexpr quint16 DontEditMemo = 0x01, DontEditScript = 0x02;

enum ClipboardCommand { cmdCut, cmdCopy, cmdPaste };

TfrSpeedButton *ToolButton(QWidget *parent, const char *name, const char *glyph, int hint)
{
    auto *button = new TfrSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(24, 24);
    button->SetFlat(true);
    button->SetGlyph(QPixmap(QStringLiteral(":/editor/") + QString::fromLatin1(glyph)));
    button->setToolTip(GetLocaleString(hint));
    return button;
}

QWidget *Panel(QWidget *parent, const char *name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    return panel;
}

QFont RegistryFont(const TRegIniFile &ini, const QString &section, const QString &nameKey, const QString &defaultName,
    const QString &sizeKey)
{
    QString name = defaultName;
    int size = DefaultFontSize;
    if (!section.isEmpty()) {
        name = ini.ReadString(section, nameKey, defaultName);
        size = ini.ReadInteger(section, sizeKey, DefaultFontSize);
    }
    QFont font(name.isEmpty() ? defaultName : name);
    font.setPointSize(size > 0 ? size : DefaultFontSize);
    return font;
}

// Only "begin" and "end" around blanks: nothing worth keeping.
bool IsEmptyScript(const QStringList &lines)
{
    QString text;
    for (QChar c : lines.join(QString()))
        if (c.unicode() > 32)
            text += c;
    return text.isEmpty() || text.compare(QStringLiteral("beginend"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString DesignerSection()
{
    const TfrReportDesigner *designer = frEngine().CurrentDesigner;
    return designer ? QStringLiteral("Form\\") + QString::fromLatin1(designer->metaObject()->className()) : QString();
}

TfrEditorForm::TfrEditorForm(QWidget *parent)
    : TfrObjEditorForm(parent)
{
    initEditorResources();
    setObjectName(QStringLiteral("frEditorForm"));
    setWindowTitle(GetLocaleString(53060));
    setWindowFlags(windowFlags() & ~Qt::WindowMinimizeButtonHint);
    resize(520, 380);
    SplitterPos = height() / 2;

    m_panel1 = Panel(this, "Panel1");
    m_insExprBtn = ToolButton(m_panel1, "InsExprBtn", "INSEXPR", 53061);
    m_insDBBtn = ToolButton(m_panel1, "InsDBBtn", "INSDB", 53062);
    m_cutBtn = ToolButton(m_panel1, "CutBtn", "CUT", 53091);
    m_copyBtn = ToolButton(m_panel1, "CopyBtn", "COPY", 53092);
    m_pasteBtn = ToolButton(m_panel1, "PasteBtn", "PASTE", 53093);
    m_wordWrapBtn = ToolButton(m_panel1, "WordWrapBtn", "WORDWRAP", 53063);
    m_wordWrapBtn->SetGroupIndex(1);
    m_wordWrapBtn->SetAllowAllUp(true);
    m_scriptBtn = ToolButton(m_panel1, "ScriptBtn", "SCRIPT", 53064);
    m_scriptBtn->SetGroupIndex(2);
    m_scriptBtn->SetAllowAllUp(true);
    m_scriptBtn->SetDown(true);
    m_cancelBtn = ToolButton(m_panel1, "CancelBtn", "CANCEL", 55001);
    m_okBtn = ToolButton(m_panel1, "OkBtn", "OK", 55000);

    m_memoPanel = Panel(this, "MemoPanel");
    m_m1 = new QPlainTextEdit(m_memoPanel);
    m_m1->setObjectName(QStringLiteral("M1"));
    m_m1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_m1->setTabChangesFocus(true);
    m_m1->setFont(QFont(QStringLiteral("MS Sans Serif")));
    m_m1->installEventFilter(this);

    m_splitter = Panel(this, "Splitter");
    m_splitter->setCursor(Qt::SplitVCursor);
    m_splitter->installEventFilter(this);

    m_scriptPanel = Panel(this, "ScriptPanel");
    m_scriptMemo = new TSyntaxMemo(m_scriptPanel);
    m_scriptMemo->setObjectName(QStringLiteral("ScriptMemo"));
    m_scriptMemo->SetHighlightMode(0);
    m_scriptMemo->OnEnter = [this](TSyntaxMemo *) { m_activeEditor = m_scriptMemo; };
    m_scriptMemo->OnKeyDown = [this](TSyntaxMemo *, int &key, Qt::KeyboardModifiers modifiers) {
        if (EditorKeyDown(key, modifiers))
            key = 0;
    };
    m_activeEditor = m_m1;

    m_insExprBtn->OnClick = [this](QObject *) { InsExprBtnClick(); };
    m_insDBBtn->OnClick = [this](QObject *) { InsDBBtnClick(); };
    m_cutBtn->OnClick = [this](QObject *) { ClipboardBtnClick(cmdCut); };
    m_copyBtn->OnClick = [this](QObject *) { ClipboardBtnClick(cmdCopy); };
    m_pasteBtn->OnClick = [this](QObject *) { ClipboardBtnClick(cmdPaste); };
    m_wordWrapBtn->OnClick = [this](QObject *) {
        m_m1->setLineWrapMode(m_wordWrapBtn->Down() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    };
    m_scriptBtn->OnClick = [this](QObject *) { ScriptBtnClick(); };
    m_cancelBtn->OnClick = [this](QObject *) { reject(); };
    m_okBtn->OnClick = [this](QObject *) { OkBtnClick(); };
    PlaceToolbar();
    ArrangePanes();
}

int TfrEditorForm::ShowEditor(TfrView *view)
{
    m_view = view;
    if (!isVisible() && !testAttribute(Qt::WA_Moved)) {
        const QRect area = parentWidget() ? parentWidget()->window()->geometry() : ScreenWorkArea(QCursor::pos());
        move(area.center() - rect().center());
    }
    ReadFormPlacement(this);
    m_hasText = !dynamic_cast<TfrControl *>(view) && !dynamic_cast<TfrBandView *>(view);

    m_m1->setLineWrapMode(m_wordWrapBtn->Down() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_m1->setPlainText(view->Memo.join(u'\n'));
    m_scriptMemo->SetLines(view->Script.join(QString()).trimmed().isEmpty()
            ? QStringList { QStringLiteral("begin"), QStringLiteral("  "), QStringLiteral("end") }
            : view->Script);
    m_scriptMemo->SetErrorText(QString());
    ApplyRegistry();
    m_m1->setReadOnly(view->Restrictions & DontEditMemo);
    m_scriptMemo->SetReadOnly(view->Restrictions & DontEditScript);

    m_scriptBtn->SetDown(!m_hasText || ScriptVisible);
    m_scriptHeight = height() - SplitterPos - SplitterHeight;
    ArrangePanes();
    m_activeEditor = m_hasText ? static_cast<QWidget *>(m_m1) : m_scriptMemo;
    m_m1->moveCursor(QTextCursor::Start);
    m_m1->ensureCursorVisible();

    const int result = exec() == QDialog::Accepted ? mrOk : mrCancel;
    if (result == mrOk) {
        if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
            designer->BeginObjectChange();
        // Only the line breaks the user typed are kept, not those of the wrapping.
        m_m1->setLineWrapMode(QPlainTextEdit::NoWrap);
        const QString text = m_m1->toPlainText();
        view->Memo = text.isEmpty() ? QStringList() : text.split(u'\n');
        const QStringList script = m_scriptMemo->Lines();
        if (!IsEmptyScript(script))
            view->Script = script;
        else if (!view->Script.isEmpty())
            view->Script.clear();
    }
    if (m_hasText)
        ScriptVisible = m_scriptBtn->Down();
    if (const QString section = DesignerSection(); !section.isEmpty())
        TRegIniFile(EngineRegistryKey()).WriteInteger(section, QStringLiteral("SplitterPos"), SplitterPos);
    WriteFormPlacement(this);
    m_view = nullptr;
    return result;
}

void TfrEditorForm::ApplyRegistry()
{
    const TRegIniFile ini(EngineRegistryKey());
    const QString section = DesignerSection();
    m_m1->setFont(RegistryFont(
        ini, section, QStringLiteral("TextFontName"), QStringLiteral("Arial"), QStringLiteral("TextFontSize")));
    m_scriptMemo->setFont(RegistryFont(ini, section, QStringLiteral("ScriptFontName"), QStringLiteral("Courier New"),
        QStringLiteral("ScriptFontSize")));
    const bool useDefaultFont = section.isEmpty() || ini.ReadBool(section, QStringLiteral("UseDefaultFont"), true);
    if (auto *memo = dynamic_cast<TfrMemoView *>(m_view); memo && useDefaultFont) {
        QFont font(memo->Font.Name);
        font.setPointSize(DefaultFontSize);
        m_m1->setFont(font);
    }
    if (!section.isEmpty())
        SplitterPos = ini.ReadInteger(section, QStringLiteral("SplitterPos"), 100);
}

void TfrEditorForm::InsertText(const QString &text)
{
    if (m_activeEditor != m_m1)
        m_scriptMemo->InsertText(text);
    else if (!m_m1->isReadOnly())
        m_m1->insertPlainText(text);
}

// ---- buttons ---------------------------------------------------------------------------------------------------

void TfrEditorForm::OkBtnClick()
{
    QStringList compiled, errors;
    try {
        frEngine().Interpreter().CompileScript(m_scriptMemo->Lines(), compiled, errors);
    } catch (const std::exception &e) {
        // A compiler that gives up is a refusal like any other, never an error escaping the dialog.
        errors = QStringList { exceptionMessage(e) };
    }
    if (errors.isEmpty()) {
        accept();
        return;
    }
    ShowError(errors.join(u'\n').section(u'\n', 0, 0));
}

// The first error's place is read from "Line <line>/<column>: <message>"; a text without a readable place
// points at the start of the script.
void TfrEditorForm::ShowError(const QString &errorLine)
{
    static const QRegularExpression place(QStringLiteral("^Line (\\d+)/(\\d+):"));
    int line = 1, column = 1;
    if (const QRegularExpressionMatch m = place.match(errorLine); m.hasMatch()) {
        line = m.captured(1).toInt();
        column = m.captured(2).toInt();
    }
    // The refusal must be seen, also when the user had hidden the script pane.
    if (!m_scriptBtn->Down()) {
        m_scriptBtn->SetDown(true);
        ScriptBtnClick();
    }
    m_scriptMemo->setFocus(Qt::OtherFocusReason);
    m_activeEditor = m_scriptMemo;
    m_scriptMemo->SetCursor(column, line);
    m_scriptMemo->SetErrorText(errorLine);
}

void TfrEditorForm::InsExprBtnClick()
{
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        if (const QString text = designer->PickExpression(); !text.isEmpty())
            InsertText(text);
}

void TfrEditorForm::InsDBBtnClick()
{
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        if (const QString text = designer->PickDBField(); !text.isEmpty())
            InsertText(text);
}

void TfrEditorForm::ClipboardBtnClick(int command)
{
    if (m_activeEditor == m_m1) {
        if (command == cmdCut)
            m_m1->cut();
        else if (command == cmdCopy)
            m_m1->copy();
        else
            m_m1->paste();
    } else if (command == cmdCut) {
        m_scriptMemo->CutToClipboard();
    } else if (command == cmdCopy) {
        m_scriptMemo->CopyToClipboard();
    } else {
        m_scriptMemo->PasteFromClipboard();
    }
}

void TfrEditorForm::ScriptBtnClick()
{
    // A dialog control or a band has nothing but its script.
    if (!m_hasText) {
        m_scriptBtn->SetDown(true);
        return;
    }
    m_splitter->setCursor(m_scriptBtn->Down() ? Qt::SplitVCursor : Qt::ArrowCursor);
    ArrangePanes();
}

bool TfrEditorForm::EditorKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && held == Qt::ControlModifier) {
        OkBtnClick();
        return true;
    }
    if (key == Qt::Key_Insert && held == Qt::NoModifier) {
        InsDBBtnClick();
        return true;
    }
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    return false;
}

// ---- layout ----------------------------------------------------------------------------------------------------

void TfrEditorForm::PlaceToolbar()
{
    m_panel1->setGeometry(0, 0, width(), ToolbarHeight);
    const std::pair<TfrSpeedButton *, int> left[] = {
        { m_insExprBtn, 4 },
        { m_insDBBtn, 28 },
        { m_cutBtn, 60 },
        { m_copyBtn, 84 },
        { m_pasteBtn, 108 },
        { m_wordWrapBtn, 140 },
        { m_scriptBtn, 164 },
    };
    for (const auto &[button, x] : left)
        button->move(x, 4);
    m_okBtn->move(width() - 56, 4);
    m_cancelBtn->move(width() - 30, 4);
}

// The text pane fills what the script pane below it leaves; a form for a script alone shows the script pane only.
void TfrEditorForm::ArrangePanes()
{
    const int w = width(), h = height();
    const bool scriptShown = !m_hasText || m_scriptBtn->Down();
    m_memoPanel->setVisible(m_hasText);
    m_splitter->setVisible(m_hasText && scriptShown);
    m_scriptPanel->setVisible(scriptShown);
    if (!m_hasText) {
        m_scriptPanel->setGeometry(0, ToolbarHeight, w, h - ToolbarHeight);
    } else if (scriptShown) {
        const int scriptHeight = std::clamp(m_scriptHeight, 0, std::max(0, h - ToolbarHeight - SplitterHeight));
        m_scriptPanel->setGeometry(0, h - scriptHeight, w, scriptHeight);
        m_splitter->setGeometry(0, h - scriptHeight - SplitterHeight, w, SplitterHeight);
        m_memoPanel->setGeometry(0, ToolbarHeight, w, h - scriptHeight - SplitterHeight - ToolbarHeight);
    } else {
        m_memoPanel->setGeometry(0, ToolbarHeight, w, h - ToolbarHeight);
    }
    m_m1->setGeometry(m_memoPanel->rect());
    m_scriptMemo->setGeometry(m_scriptPanel->rect());
}

void TfrEditorForm::resizeEvent(QResizeEvent *event)
{
    if (m_hasText && m_scriptHeight > height() - 40)
        m_scriptHeight = height() / 2;
    PlaceToolbar();
    ArrangePanes();
    TfrObjEditorForm::resizeEvent(event);
}

void TfrEditorForm::showEvent(QShowEvent *event)
{
    TfrObjEditorForm::showEvent(event);
    (m_hasText ? static_cast<QWidget *>(m_m1) : m_scriptMemo)->setFocus(Qt::OtherFocusReason);
}

bool TfrEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_m1) {
        if (event->type() == QEvent::FocusIn) {
            m_activeEditor = m_m1;
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (EditorKeyDown(key->key(), key->modifiers()))
                return true;
        }
    } else if (watched == m_splitter) {
        const auto y = [event] { return static_cast<QMouseEvent *>(event)->position().toPoint().y(); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_dragging = true;
            m_dragStartY = y();
            return true;
        case QEvent::MouseMove:
            if (m_dragging) {
                m_scriptHeight = std::clamp(
                    m_scriptHeight - (y() - m_dragStartY), 0, std::max(0, height() - ToolbarHeight - SplitterHeight));
                ArrangePanes();
                SplitterPos = m_splitter->y();
            }
            return true;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            return true;
        default:
            break;
        }
    }
    return TfrObjEditorForm::eventFilter(watched, event);
}
