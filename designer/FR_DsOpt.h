#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TfrComboBox;
class TfrFontComboBox;

// What the designer options show and answer: the designer window's settings. The editor's fonts are not among
// them; the dialog keeps those in the registry itself.
struct TfrDesignerOptions
{
    bool ShowGrid = true;
    bool GridAlign = true;
    // 4, 8 or 18 pixels; another step shows no choice and is answered as 18.
    int GridSize = 8;
    // Objects show their contents while they are moved.
    bool ShowContents = true;
    // 0 pixels, 1 millimetres, 2 inches.
    int Units = 0;
    bool GrayButtons = false;
    bool EditAfterInsert = true;
    bool BandTitles = true;
    // 5 centred, 3 left, 4 right; another value shows no choice and is answered as 4.
    int PagePosition = 5;
    bool LocalizedPropNames = false;

    bool operator==(const TfrDesignerOptions &) const = default;
};

// The designer options: the grid, units, page position and look of the designer, and the fonts of the text and
// script editor, which are read from and, on OK only, written to the section of the designer's class.
class TfrDesOptionsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrDesOptionsForm(QWidget *parent = nullptr);

    // Shows the values; on OK writes the editor's fonts and answers true with the values read back.
    static bool Execute(TfrDesignerOptions &values);

    QTabWidget *PageControl1;
    QWidget *Tab1, *Tab2;
    QCheckBox *CB1, *CB2, *CB3, *CB4, *CB5, *CB6, *CB7;
    QLabel *Label1;
    QRadioButton *RB1, *RB2, *RB3, *RB6, *RB7, *RB8, *RB9, *RB10, *RB11;
    QRadioButton *ERB1, *ERB2;
    QLabel *Label2, *Label3, *Label4, *Label5;
    TfrFontComboBox *TextFontNameCB, *ScriptFontNameCB;
    TfrComboBox *TextFontSizeCB, *ScriptFontSizeCB;
    QLabel *SampleTextPanel, *SampleScriptPanel;
    QPushButton *Button1, *Button2;

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetValues(const TfrDesignerOptions &values);
    void GetValues(TfrDesignerOptions &values) const;
    void ReadEditorFonts();
    void WriteEditorFonts();
    void EditorFontChoiceChanged();
};
