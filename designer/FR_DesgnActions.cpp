// The window's commands as actions shared by menu items and toolbar buttons, the Standard and Objects toolbars,
// and which commands the mode and the host's restrictions leave on.
#include "FR_Desgn.h"

#include "FR_Dock.h"
#include "FR_Locale.h"

#include "Services.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

// The resource registrations must be called outside any namespace.
static void initWindowResources()
{
    Q_INIT_RESOURCE(WindowGlyphs);
    Q_INIT_RESOURCE(EditorGlyphs);
    Q_INIT_RESOURCE(PreviewGlyphs);
}

namespace {

constexpr int ButtonSize = 22;

QAction *MakeAction(
    QObject *owner, const char *name, int captionId, const QKeySequence &shortcut = {}, const char *glyph = nullptr)
{
    auto *action = new QAction(GetLocaleString(captionId), owner);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (glyph)
        action->setIcon(QIcon(QPixmap(QLatin1String(glyph))));
    return action;
}

} // namespace

void TfrDesignerForm::CreateActions()
{
    initWindowResources();
    N23 = MakeAction(this, "N23", 53155, QKeySequence(Qt::CTRL | Qt::Key_N), ":/window/NEW");
    N19 = MakeAction(this, "N19", 53156, QKeySequence(Qt::CTRL | Qt::Key_O), ":/preview/OPEN");
    N20 = MakeAction(this, "N20", 53157, QKeySequence(Qt::CTRL | Qt::Key_S), ":/preview/SAVE");
    N17 = MakeAction(this, "N17", 53188);
    N42 = MakeAction(this, "N42", 53158);
    N8 = MakeAction(this, "N8", 53159);
    N25 = MakeAction(this, "N25", 53160, {}, ":/window/PAGEOPT");
    N39 = MakeAction(this, "N39", 53161, QKeySequence(Qt::CTRL | Qt::Key_P), ":/window/PREVIEW");
    N10 = MakeAction(this, "N10", 53162, {}, ":/preview/CLOSE");

    N46 = MakeAction(this, "N46", 53164, QKeySequence(Qt::CTRL | Qt::Key_Z), ":/window/UNDO");
    N48 = MakeAction(this, "N48", 53165, QKeySequence(Qt::CTRL | Qt::Key_Y), ":/window/REDO");
    N11 = MakeAction(this, "N11", 53166, QKeySequence(Qt::CTRL | Qt::Key_X), ":/editor/CUT");
    N12 = MakeAction(this, "N12", 53167, QKeySequence(Qt::CTRL | Qt::Key_C), ":/editor/COPY");
    N13 = MakeAction(this, "N13", 53168, QKeySequence(Qt::CTRL | Qt::Key_V), ":/editor/PASTE");
    N27 = MakeAction(this, "N27", 53169);
    N28 = MakeAction(this, "N28", 53170, QKeySequence(Qt::CTRL | Qt::Key_A), ":/window/SELALL");
    N36 = MakeAction(this, "N36", 53171);
    N29 = MakeAction(this, "N29", 53172, {}, ":/window/ADDPAGE");
    N15 = MakeAction(this, "N15", 53192, {}, ":/window/ADDDIALOG");
    N30 = MakeAction(this, "N30", 53173, {}, ":/window/DELPAGE");
    N32 = MakeAction(this, "N32", 53174, {}, ":/window/FRONT");
    N33 = MakeAction(this, "N33", 53175, {}, ":/window/BACK");

    N37 = MakeAction(this, "N37", 53177);
    N14 = MakeAction(this, "N14", 53179);
    N22 = MakeAction(this, "N22", 53189, QKeySequence(Qt::Key_F1));
    N35 = MakeAction(this, "N35", 53190, QKeySequence(Qt::SHIFT | Qt::Key_F1), ":/preview/HELP");
    N34 = MakeAction(this, "N34", 53187);

    // The toolbar submenu; the tag says which toolbar or window an item shows.
    struct PanItem
    {
        QAction **action;
        const char *name;
        int caption, tag;
    };
    for (const PanItem &p : { PanItem { &Pan2, "Pan2", 53181, 1 }, PanItem { &Pan3, "Pan3", 53182, 2 },
             PanItem { &Pan1, "Pan1", 53180, 0 }, PanItem { &Pan4, "Pan4", 53183, 3 },
             PanItem { &Pan6, "Pan6", 53185, 4 }, PanItem { &Pan7, "Pan7", 53186, 6 },
             PanItem { &Pan5, "Pan5", 53184, 5 }, PanItem { &Pan8, "Pan8", 53450, 7 } }) {
        *p.action = MakeAction(this, p.name, p.caption);
        (*p.action)->setCheckable(true);
        (*p.action)->setData(p.tag);
    }

    // The popups' items: their own captions, the main menu's commands.
    N2 = MakeAction(this, "N2", 53148, QKeySequence(Qt::CTRL | Qt::Key_X), ":/editor/CUT");
    N1 = MakeAction(this, "N1", 53149, QKeySequence(Qt::CTRL | Qt::Key_C), ":/editor/COPY");
    N3 = MakeAction(this, "N3", 53150, QKeySequence(Qt::CTRL | Qt::Key_V), ":/editor/PASTE");
    N5 = MakeAction(this, "N5", 53151, QKeySequence(Qt::Key_Delete));
    N16 = MakeAction(this, "N16", 53152, QKeySequence(Qt::CTRL | Qt::Key_A), ":/window/SELALL");
    N6 = MakeAction(this, "N6", 53153);
    N41 = MakeAction(this, "N41", 53172, {}, ":/window/ADDPAGE");
    N45 = MakeAction(this, "N45", 53192, {}, ":/window/ADDDIALOG");
    N43 = MakeAction(this, "N43", 53173, {}, ":/window/DELPAGE");
    N44 = MakeAction(this, "N44", 53160, {}, ":/window/PAGEOPT");
    LinkPopupItem(N2, N11);
    LinkPopupItem(N1, N12);
    LinkPopupItem(N3, N13);
    LinkPopupItem(N5, N27);
    LinkPopupItem(N16, N28);
    LinkPopupItem(N6, N36);
    LinkPopupItem(N41, N29);
    LinkPopupItem(N45, N15);
    LinkPopupItem(N43, N30);
    LinkPopupItem(N44, N25);

    NewAction = MakeAction(this, "NewAction", 53087, {}, ":/window/NEW");
    GridAction = MakeAction(this, "GridAction", 53102, {}, ":/window/GRID");
    GridAction->setCheckable(true);
    GridAlignAction = MakeAction(this, "GridAlignAction", 53103, {}, ":/window/GRIDALIGN");
    GridAlignAction->setCheckable(true);
    FitGridAction = MakeAction(this, "FitGridAction", 53104, {}, ":/window/FITGRID");
    connect(GridAction, &QAction::toggled, this, &TfrDesignerForm::SetShowGrid);
    connect(GridAlignAction, &QAction::toggled, this, &TfrDesignerForm::SetGridAlign);
    connect(N10, &QAction::triggered, this, [this] {
        if (windowModality() == Qt::ApplicationModal)
            SetModalResult(mrOk);
        else
            close();
    });
}

void TfrDesignerForm::LinkPopupItem(QAction *item, QAction *command)
{
    // A popup's shortcut is shown only; the main menu's item has the key.
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, command, &QAction::trigger);
    connect(command, &QAction::changed, item, [item, command] { item->setEnabled(command->isEnabled()); });
}

void TfrDesignerForm::CreateMenus()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    FileMenu = MainMenu1->addMenu(GetLocaleString(53154));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    FileMenu->addActions({ N23, N19, N20, N17 });
    FileMenu->addSeparator();
    FileMenu->addAction(N42);
    FileMenu->addSeparator();
    FileMenu->addActions({ N8, N25, N39 });
    FileMenu->addSeparator();
    FileMenu->addAction(N10);

    EditMenu = MainMenu1->addMenu(GetLocaleString(53163));
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    EditMenu->addActions({ N46, N48 });
    EditMenu->addSeparator();
    EditMenu->addActions({ N11, N12, N13, N27, N28, N36 });
    EditMenu->addSeparator();
    EditMenu->addActions({ N29, N15, N30 });
    EditMenu->addSeparator();
    EditMenu->addActions({ N32, N33 });

    ToolMenu = MainMenu1->addMenu(GetLocaleString(53176));
    ToolMenu->setObjectName(QStringLiteral("ToolMenu"));
    ToolbarsMenu = new QMenu(GetLocaleString(53177), this);
    ToolbarsMenu->setObjectName(QStringLiteral("ToolbarsMenu"));
    ToolbarsMenu->addActions({ Pan2, Pan3, Pan1, Pan4, Pan6, Pan7, Pan5, Pan8 });
    N37->setMenu(ToolbarsMenu);
    ToolMenu->addAction(N37);
    MastMenu = ToolMenu->addMenu(GetLocaleString(53178));
    MastMenu->setObjectName(QStringLiteral("MastMenu"));
    // Enabled once an extra tool is added.
    MastMenu->setEnabled(false);
    ToolMenu->addAction(N14);

    HelpMenu = MainMenu1->addMenu(QStringLiteral("?"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    HelpMenu->addActions({ N22, N35, N34 });

    Popup1 = new QMenu(this);
    Popup1->setObjectName(QStringLiteral("Popup1"));
    Popup1->addActions({ N2, N1, N3, N5, N16 });
    Popup1->addSeparator();
    Popup1->addAction(N6);
    Popup2 = new QMenu(this);
    Popup2->setObjectName(QStringLiteral("Popup2"));
    Popup2->addActions({ N41, N45, N43, N44 });
}

TfrTBButton *TfrDesignerForm::AddButton(TfrToolBar *bar, const char *name, int tag, QAction *action)
{
    auto *button = new TfrTBButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setProperty("Tag", tag);
    button->resize(ButtonSize, ButtonSize);
    button->SetFlat(true);
    if (!action)
        return button;
    button->SetGlyph(action->icon().pixmap(16, 16));
    if (action->isCheckable()) {
        // A toggle latches in a group of its own.
        button->SetGroupIndex(1000 + tag);
        button->SetAllowAllUp(true);
        button->OnClick = [action, button](QObject *) {
            if (action->isChecked() != button->Down())
                action->trigger();
        };
        connect(action, &QAction::toggled, button, [button](bool on) { button->SetDown(on); });
    } else {
        button->OnClick = [action](QObject *) { action->trigger(); };
    }
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    return button;
}

void TfrDesignerForm::CreateStandardToolbar()
{
    Panel2 = new TfrToolBar(frDock1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setWindowTitle(GetLocaleString(53082));
    auto separator = [this](const char *name) {
        auto *s = new TfrTBSeparator(Panel2);
        s->setObjectName(QLatin1String(name));
        s->resize(8, ButtonSize);
    };
    FileBtn1 = AddButton(Panel2, "FileBtn1", 40, NewAction);
    FileBtn2 = AddButton(Panel2, "FileBtn2", 41, N19);
    FileBtn3 = AddButton(Panel2, "FileBtn3", 42, N20);
    FileBtn4 = AddButton(Panel2, "FileBtn4", 43, N39);
    separator("frTBSeparator1");
    CutB = AddButton(Panel2, "CutB", 44, N11);
    CopyB = AddButton(Panel2, "CopyB", 45, N12);
    PstB = AddButton(Panel2, "PstB", 46, N13);
    separator("frTBSeparator2");
    UndoB = AddButton(Panel2, "UndoB", 47, N46);
    RedoB = AddButton(Panel2, "RedoB", 48, N48);
    separator("frTBSeparator3");
    ZB1 = AddButton(Panel2, "ZB1", 49, N32);
    ZB2 = AddButton(Panel2, "ZB2", 50, N33);
    SelAllB = AddButton(Panel2, "SelAllB", 51, N28);
    separator("frTBSeparator4");
    PgB1 = AddButton(Panel2, "PgB1", 52, N29);
    PgB4 = AddButton(Panel2, "PgB4", 70, N15);
    PgB2 = AddButton(Panel2, "PgB2", 53, N30);
    PgB3 = AddButton(Panel2, "PgB3", 54, N25);
    separator("frTBSeparator5");
    GB1 = AddButton(Panel2, "GB1", 55, GridAction);
    GB2 = AddButton(Panel2, "GB2", 56, GridAlignAction);
    GB3 = AddButton(Panel2, "GB3", 57, FitGridAction);
    separator("frTBSeparator6");
    HelpBtn = AddButton(Panel2, "HelpBtn", 0, N35);
    ExitB = AddButton(Panel2, "ExitB", 58, N10);
    ExitB->SetCaption(GetLocaleString(53105));
    ExitB->resize(60, ButtonSize);
    const std::pair<TfrTBButton *, int> hints[] = {
        { FileBtn1, 53087 },
        { FileBtn2, 53088 },
        { FileBtn3, 53089 },
        { FileBtn4, 53090 },
        { CutB, 53091 },
        { CopyB, 53092 },
        { PstB, 53093 },
        { UndoB, 53094 },
        { RedoB, 53095 },
        { ZB1, 53096 },
        { ZB2, 53097 },
        { SelAllB, 53098 },
        { PgB1, 53099 },
        { PgB4, 53193 },
        { PgB2, 53100 },
        { PgB3, 53101 },
        { GB1, 53102 },
        { GB2, 53103 },
        { GB3, 53104 },
        { HelpBtn, 53032 },
        { ExitB, 53106 },
    };
    for (const auto &[button, id] : hints)
        button->setToolTip(GetLocaleString(id));
    Panel2->AddToDock(frDock1);
}

void TfrDesignerForm::CreateObjectsToolbar()
{
    Panel4 = new TfrToolBar(frDock2);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setWindowTitle(GetLocaleString(53084));
    struct Tool
    {
        TfrTBButton **button;
        const char *name, *glyph;
        int tag;
    };
    for (const Tool &t : { Tool { &OB1, "OB1", ":/window/SELECT", -1 }, Tool { &OB2, "OB2", ":/window/TEXT", 0 },
             Tool { &OB3, "OB3", ":/window/BAND", 2 }, Tool { &OB4, "OB4", ":/window/PICTURE", 1 },
             Tool { &OB5, "OB5", ":/window/SUBREPORT", 3 }, Tool { &OB6, "OB6", ":/window/LINE", 4 } }) {
        *t.button = AddButton(Panel4, t.name, t.tag, nullptr);
        (*t.button)->SetGlyph(QPixmap(QLatin1String(t.glyph)));
        (*t.button)->SetGroupIndex(1);
        (*t.button)->SetGrayedInactive(false);
        m_objectButtons.push_back(*t.button);
    }
    const auto &addIns = frEngine().AddIns;
    for (int i = 0; i < int(addIns.size()); ++i) {
        const TfrAddInObjectInfo &a = addIns[size_t(i)];
        bool isId = false;
        const int id = a.ButtonHint.toInt(&isId);
        AddObjectButton(a.ButtonBmp, isId ? GetLocaleString(id) : a.ButtonHint, a.Reserved != 0, 10 + i);
    }
    for (TfrTBButton *b : m_objectButtons) {
        b->OnMouseDown = [this, b](QObject *, Qt::MouseButton, Qt::KeyboardModifiers shift, int, int) {
            if (b == OB1) {
                PageView->RepeatTool = false;
            } else {
                PageView->RepeatTool = shift.testFlag(Qt::ShiftModifier);
                PageView->SetCursorKind(TfrDesignerPage::ckDefault);
            }
        };
    }
    OB1->SetDown(true);
    Panel4->AddToDock(frDock2);
}

void TfrDesignerForm::AddObjectButton(const QImage &glyph, const QString &hint, bool hidden, int tag)
{
    TfrTBButton *b = AddButton(Panel4, "", tag, nullptr);
    b->setObjectName(QStringLiteral("AddIn%1").arg(tag - 10));
    b->SetGlyph(QPixmap::fromImage(glyph));
    b->setToolTip(hint);
    b->SetGroupIndex(1);
    b->SetGrayedInactive(false);
    b->setVisible(!hidden);
    m_objectButtons.push_back(b);
}

int TfrDesignerForm::ToolTag() const
{
    for (const TfrTBButton *b : m_objectButtons)
        if (b->Down())
            return b->property("Tag").toInt();
    return -1;
}

void TfrDesignerForm::PressTool(int tag)
{
    for (TfrTBButton *b : m_objectButtons)
        if (b->property("Tag").toInt() == tag)
            b->SetDown(true);
}

void TfrDesignerForm::ApplyAvailability()
{
    const bool hide = DesignerComponent && DesignerComponent->HideDisabledButtons;
    const quint16 r = DesignerRestrictions;
    auto set = [hide](bool on, std::initializer_list<QAction *> actions, std::initializer_list<QWidget *> buttons) {
        for (QAction *a : actions)
            a->setEnabled(on);
        for (QWidget *b : buttons) {
            b->setEnabled(on);
            if (hide)
                b->setVisible(on);
        }
    };
    const bool t = TemplateMode;
    const bool composite = qobject_cast<TfrCompositeReport *>(Report()) != nullptr;
    set(t && !(r & drNoNew), { NewAction, N23 }, { FileBtn1 });
    set(t && !(r & drNoOpen), { N19 }, { FileBtn2 });
    set(!(r & drNoSave), { N20, N17 }, { FileBtn3 });
    set(t && !(r & drNoPreview) && !composite, { N39 }, { FileBtn4 });
    set(t, {}, { OB3, OB5 });
    set(t && !(r & drNoAddPage), { N29, N15 }, { PgB1, PgB4 });
    set(t && !(r & drNoDeletePage), { N30 }, { PgB2 });
    set(t && !(r & drNoPageOptions), { N25 }, { PgB3 });
    set(t && !(r & drNoDictionary), { N42 }, {});
    set(t && !(r & drNoReportOptions), { N8 }, {});
}
