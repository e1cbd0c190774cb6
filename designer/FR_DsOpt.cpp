#include "FR_DsOpt.h"

#include "FR_Combo.h"
#include "FR_Edit.h"
#include "FR_Fields.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Color.h"
#include "Registry.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString SampleText = QStringLiteral("AaBbАаЯя");
const QString DefaultFontSize = QStringLiteral("10");

template <class T> T *Captioned(QWidget *parent, const char *name, int captionId)
{
    auto *widget = new T(GetLocaleString(captionId), parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QGroupBox *Group(QWidget *parent, const char *name, int captionId, const QList<QWidget *> &children)
{
    auto *group = Captioned<QGroupBox>(parent, name, captionId);
    auto *layout = new QVBoxLayout(group);
    for (QWidget *child : children) {
        child->setParent(group);
        layout->addWidget(child);
    }
    layout->addStretch();
    return group;
}

TfrFontComboBox *FontNameBox(const char *name)
{
    auto *box = new TfrFontComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->ShowMRU = false;
    box->SetDropDownCount(12);
    return box;
}

TfrComboBox *FontSizeBox(const char *name)
{
    auto *box = new TfrComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->addItems({ "8", "9", "10", "11", "12", "14" });
    // A size is typed whole: completing "1" to "10" from the list would store a size nobody typed.
    box->setCompleter(nullptr);
    box->setEditText(DefaultFontSize);
    box->setFixedWidth(60);
    return box;
}

QLabel *SamplePanel(const char *name)
{
    auto *panel = new QLabel(SampleText);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, toQColor(clWindow));
    palette.setColor(QPalette::WindowText, toQColor(clWindowText));
    panel->setPalette(palette);
    panel->setMinimumHeight(40);
    return panel;
}

// Shows the name and size in the sample; a size that is no whole number leaves the sample as it was.
void ShowSample(QLabel *sample, const QString &name, const QString &sizeText)
{
    bool ok = false;
    const int size = sizeText.trimmed().toInt(&ok);
    if (!ok || size <= 0)
        return;
    QFont font(name);
    font.setPointSize(size);
    sample->setFont(font);
}

// The box shows the name even when no installed font has it, so that OK writes back what was read.
void ShowFontName(TfrFontComboBox *box, const QString &name)
{
    box->FillFonts();
    const int at = box->findText(name, Qt::MatchFixedString);
    box->setCurrentIndex(at);
    if (at < 0)
        box->setEditText(name);
}

} // namespace

TfrDesOptionsForm::TfrDesOptionsForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frDesOptionsForm"));
    setWindowTitle(GetLocaleString(53280));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    Tab1 = new QWidget;
    Tab1->setObjectName(QStringLiteral("Tab1"));
    CB1 = Captioned<QCheckBox>(nullptr, "CB1", 53286);
    CB2 = Captioned<QCheckBox>(nullptr, "CB2", 53287);
    QGroupBox *grid = Group(Tab1, "GroupBox1", 53282, { CB1, CB2 });
    CB6 = new QCheckBox;
    CB6->setObjectName(QStringLiteral("CB6"));
    Label1 = Captioned<QLabel>(nullptr, "Label1", 53293);
    Label1->setWordWrap(true);
    Label1->installEventFilter(this);
    auto *drawing = Captioned<QGroupBox>(Tab1, "GroupBox2", 53283);
    auto *drawingLayout = new QHBoxLayout(drawing);
    drawingLayout->addWidget(CB6, 0, Qt::AlignTop);
    drawingLayout->addWidget(Label1, 1);
    RB6 = Captioned<QRadioButton>(nullptr, "RB6", 53294);
    RB7 = Captioned<QRadioButton>(nullptr, "RB7", 53295);
    RB8 = Captioned<QRadioButton>(nullptr, "RB8", 53296);
    QGroupBox *units = Group(Tab1, "GroupBox3", 53284, { RB6, RB7, RB8 });
    RB1 = Captioned<QRadioButton>(nullptr, "RB1", 53289);
    RB2 = Captioned<QRadioButton>(nullptr, "RB2", 53290);
    RB3 = Captioned<QRadioButton>(nullptr, "RB3", 53291);
    QGroupBox *step = Group(Tab1, "GroupBox4", 53285, { RB1, RB2, RB3 });
    CB3 = Captioned<QCheckBox>(nullptr, "CB3", 53288);
    CB4 = Captioned<QCheckBox>(nullptr, "CB4", 53298);
    CB5 = Captioned<QCheckBox>(nullptr, "CB5", 53299);
    CB7 = Captioned<QCheckBox>(nullptr, "CB7", 53311);
    QGroupBox *other = Group(Tab1, "GroupBox5", 53297, { CB3, CB4, CB5, CB7 });
    RB9 = Captioned<QRadioButton>(nullptr, "RB9", 53301);
    RB10 = Captioned<QRadioButton>(nullptr, "RB10", 53302);
    RB11 = Captioned<QRadioButton>(nullptr, "RB11", 53303);
    QGroupBox *position = Group(Tab1, "GroupBox6", 53300, { RB9, RB10, RB11 });
    auto *designerLayout = new QGridLayout(Tab1);
    designerLayout->addWidget(grid, 0, 0);
    designerLayout->addWidget(step, 0, 1);
    designerLayout->addWidget(drawing, 1, 0);
    designerLayout->addWidget(units, 1, 1);
    designerLayout->addWidget(other, 2, 0);
    designerLayout->addWidget(position, 2, 1);

    Tab2 = new QWidget;
    Tab2->setObjectName(QStringLiteral("Tab2"));
    auto *textEditor = Captioned<QGroupBox>(Tab2, "GroupBox7", 53305);
    ERB1 = Captioned<QRadioButton>(textEditor, "ERB1", 53306);
    ERB2 = Captioned<QRadioButton>(textEditor, "ERB2", 53307);
    Label2 = Captioned<QLabel>(textEditor, "Label2", 53308);
    TextFontNameCB = FontNameBox("TextFontNameCB");
    Label3 = Captioned<QLabel>(textEditor, "Label3", 53309);
    TextFontSizeCB = FontSizeBox("TextFontSizeCB");
    SampleTextPanel = SamplePanel("SampleTextPanel");
    auto *textLayout = new QGridLayout(textEditor);
    textLayout->addWidget(ERB1, 0, 0, 1, 3);
    textLayout->addWidget(ERB2, 1, 0, 1, 3);
    textLayout->addWidget(Label2, 2, 0);
    textLayout->addWidget(TextFontNameCB, 2, 1);
    textLayout->addWidget(Label3, 3, 0);
    textLayout->addWidget(TextFontSizeCB, 3, 1, Qt::AlignLeft);
    textLayout->addWidget(SampleTextPanel, 2, 2, 2, 1);
    textLayout->setColumnStretch(2, 1);
    auto *scriptEditor = Captioned<QGroupBox>(Tab2, "GroupBox8", 53310);
    Label4 = Captioned<QLabel>(scriptEditor, "Label4", 53308);
    ScriptFontNameCB = FontNameBox("ScriptFontNameCB");
    Label5 = Captioned<QLabel>(scriptEditor, "Label5", 53309);
    ScriptFontSizeCB = FontSizeBox("ScriptFontSizeCB");
    SampleScriptPanel = SamplePanel("SampleScriptPanel");
    auto *scriptLayout = new QGridLayout(scriptEditor);
    scriptLayout->addWidget(Label4, 0, 0);
    scriptLayout->addWidget(ScriptFontNameCB, 0, 1);
    scriptLayout->addWidget(Label5, 1, 0);
    scriptLayout->addWidget(ScriptFontSizeCB, 1, 1, Qt::AlignLeft);
    scriptLayout->addWidget(SampleScriptPanel, 0, 2, 2, 1);
    scriptLayout->setColumnStretch(2, 1);
    Label2->setBuddy(TextFontNameCB);
    Label3->setBuddy(TextFontSizeCB);
    Label4->setBuddy(ScriptFontNameCB);
    Label5->setBuddy(ScriptFontSizeCB);
    auto *editorLayout = new QVBoxLayout(Tab2);
    editorLayout->addWidget(textEditor);
    editorLayout->addWidget(scriptEditor);
    editorLayout->addStretch();

    PageControl1->addTab(Tab1, GetLocaleString(53281));
    PageControl1->addTab(Tab2, GetLocaleString(53304));
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    ReadEditorFonts();
    connect(ERB2, &QRadioButton::toggled, this, &TfrDesOptionsForm::EditorFontChoiceChanged);
    auto showText
        = [this] { ShowSample(SampleTextPanel, TextFontNameCB->currentText(), TextFontSizeCB->currentText()); };
    auto showScript
        = [this] { ShowSample(SampleScriptPanel, ScriptFontNameCB->currentText(), ScriptFontSizeCB->currentText()); };
    connect(TextFontNameCB, &QComboBox::currentTextChanged, this, showText);
    connect(TextFontSizeCB, &QComboBox::currentTextChanged, this, showText);
    connect(ScriptFontNameCB, &QComboBox::currentTextChanged, this, showScript);
    connect(ScriptFontSizeCB, &QComboBox::currentTextChanged, this, showScript);
    EditorFontChoiceChanged();
    showText();
    showScript();
}

bool TfrDesOptionsForm::Execute(TfrDesignerOptions &values)
{
    TfrDesOptionsForm form;
    form.SetValues(values);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.GetValues(values);
    return true;
}

void TfrDesOptionsForm::SetValues(const TfrDesignerOptions &values)
{
    CB1->setChecked(values.ShowGrid);
    CB2->setChecked(values.GridAlign);
    RB1->setChecked(values.GridSize == 4);
    RB2->setChecked(values.GridSize == 8);
    RB3->setChecked(values.GridSize == 18);
    CB6->setChecked(values.ShowContents);
    RB6->setChecked(values.Units == 0);
    RB7->setChecked(values.Units == 1);
    RB8->setChecked(values.Units == 2);
    CB3->setChecked(!values.GrayButtons);
    CB4->setChecked(values.EditAfterInsert);
    CB5->setChecked(values.BandTitles);
    RB9->setChecked(values.PagePosition == 5);
    RB10->setChecked(values.PagePosition == 3);
    RB11->setChecked(values.PagePosition == 4);
    CB7->setChecked(values.LocalizedPropNames);
}

void TfrDesOptionsForm::GetValues(TfrDesignerOptions &values) const
{
    values.ShowGrid = CB1->isChecked();
    values.GridAlign = CB2->isChecked();
    values.GridSize = RB1->isChecked() ? 4 : RB2->isChecked() ? 8 : 18;
    values.ShowContents = CB6->isChecked();
    values.Units = RB6->isChecked() ? 0 : RB7->isChecked() ? 1 : 2;
    values.GrayButtons = !CB3->isChecked();
    values.EditAfterInsert = CB4->isChecked();
    values.BandTitles = CB5->isChecked();
    values.PagePosition = RB9->isChecked() ? 5 : RB10->isChecked() ? 3 : 4;
    values.LocalizedPropNames = CB7->isChecked();
}

void TfrDesOptionsForm::ReadEditorFonts()
{
    const QString section = DesignerSection();
    const TRegIniFile ini(EngineRegistryKey());
    auto read = [&](const char *ident, const QString &defaultValue) {
        return section.isEmpty() ? defaultValue : ini.ReadString(section, QString::fromLatin1(ident), defaultValue);
    };
    ShowFontName(TextFontNameCB, read("TextFontName", QStringLiteral("Arial")));
    TextFontSizeCB->setEditText(read("TextFontSize", DefaultFontSize));
    ShowFontName(ScriptFontNameCB, read("ScriptFontName", QStringLiteral("Courier New")));
    ScriptFontSizeCB->setEditText(read("ScriptFontSize", DefaultFontSize));
    const bool useDefaultFont = section.isEmpty() || ini.ReadBool(section, QStringLiteral("UseDefaultFont"), true);
    ERB1->setChecked(useDefaultFont);
    ERB2->setChecked(!useDefaultFont);
}

void TfrDesOptionsForm::WriteEditorFonts()
{
    const QString section = DesignerSection();
    if (section.isEmpty())
        return;
    TRegIniFile ini(EngineRegistryKey());
    ini.WriteString(section, QStringLiteral("TextFontName"), TextFontNameCB->currentText());
    ini.WriteString(section, QStringLiteral("TextFontSize"), TextFontSizeCB->currentText());
    ini.WriteString(section, QStringLiteral("ScriptFontName"), ScriptFontNameCB->currentText());
    ini.WriteString(section, QStringLiteral("ScriptFontSize"), ScriptFontSizeCB->currentText());
    ini.WriteBool(section, QStringLiteral("UseDefaultFont"), ERB1->isChecked());
}

void TfrDesOptionsForm::EditorFontChoiceChanged()
{
    SetControlsEnabled({ Label2, TextFontNameCB, Label3, TextFontSizeCB }, ERB2->isChecked());
}

bool TfrDesOptionsForm::eventFilter(QObject *watched, QEvent *event)
{
    // The long caption stands beside its box as a label of its own; clicking it works the box. A double-click
    // brings a press for each of its clicks, so it works the box twice.
    if (watched == Label1 && event->type() == QEvent::MouseButtonPress)
        CB6->toggle();
    return QDialog::eventFilter(watched, event);
}

void TfrDesOptionsForm::done(int result)
{
    if (result == QDialog::Accepted)
        WriteEditorFonts();
    QDialog::done(result);
}
