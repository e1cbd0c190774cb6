#pragma once

#include "FR_Desgn.h"

class QPlainTextEdit;
class TSyntaxMemo;
class TfrSpeedButton;

// The registry section (below EngineRegistryKey) of the open designer's class, where the designer options keep
// the editor's fonts; empty without a designer, when everything keeps its default.
QString DesignerSection();

// The modal editor of one object's text (upper pane) and script (lower pane). A script is accepted only when it
// compiles; otherwise the cursor goes to the first error, which shows on the script pane's error bar.
class TfrEditorForm : public TfrObjEditorForm
{
    Q_OBJECT
public:
    explicit TfrEditorForm(QWidget *parent = nullptr);

    // The whole edit of the object; answers mrOk or mrCancel.
    int ShowEditor(TfrView *view) override;
    // Replaces the selection of the editor last entered.
    void InsertText(const QString &text);

    // Hiding the script pane for one text object keeps it hidden for the next.
    bool ScriptVisible = true;
    // Top of the splitter between the panes; kept in the registry.
    int SplitterPos;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OkBtnClick();
    void InsExprBtnClick();
    void InsDBBtnClick();
    void ClipboardBtnClick(int command);
    void ScriptBtnClick();
    // Keys either editor sees before its own handling; true when the form used the key.
    bool EditorKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void ShowError(const QString &errorLine);
    void ApplyRegistry();
    void ArrangePanes();
    void PlaceToolbar();

    TfrView *m_view = nullptr;
    // The object is a text object, not a dialog control or a band, which have only a script.
    bool m_hasText = true;
    QWidget *m_activeEditor;
    int m_scriptHeight = 140;
    bool m_dragging = false;
    int m_dragStartY = 0;

    QWidget *m_panel1;
    TfrSpeedButton *m_insExprBtn, *m_insDBBtn, *m_cutBtn, *m_copyBtn, *m_pasteBtn, *m_wordWrapBtn, *m_scriptBtn,
        *m_cancelBtn, *m_okBtn;
    QWidget *m_memoPanel;
    QPlainTextEdit *m_m1;
    QWidget *m_splitter;
    QWidget *m_scriptPanel;
    TSyntaxMemo *m_scriptMemo;
};
