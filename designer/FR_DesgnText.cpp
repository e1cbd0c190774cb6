// The Text and Frame toolbars, the frame styles' panel and the colour picker under the colour buttons: how they are
// built and what a click on them sets off.
#include "FR_Desgn.h"

#include "FR_Color.h"
#include "FR_Combo.h"
#include "FR_Dock.h"
#include "FR_Locale.h"

#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>

namespace {

constexpr int ButtonSize = 22;

// Hands one widget's events to a function.
class EventHook : public QObject
{
public:
    EventHook(QObject *watched, std::function<bool(QEvent *)> handler)
        : QObject(watched)
        , m_handler(std::move(handler))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

// The toolbars' glyphs, drawn in black on a transparent 16 x 16 square.
QPixmap DrawnGlyph(const std::function<void(QPainter &)> &draw)
{
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setPen(Qt::black);
    draw(p);
    return glyph;
}

QPixmap LetterGlyph(const QString &letter, int style)
{
    return DrawnGlyph([&](QPainter &p) {
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(14);
        font.setBold(style & 2);
        font.setItalic(style & 1);
        font.setUnderline(style & 4);
        p.setFont(font);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    });
}

// Four lines of text set left (0), right (1), centred (2) or justified (3).
QPixmap TextLinesGlyph(int alignment)
{
    return DrawnGlyph([alignment](QPainter &p) {
        const int lengths[] = { 12, 8, 12, 6 };
        for (int i = 0; i < 4; ++i) {
            const int len = alignment == 3 ? 12 : lengths[i];
            const int x = alignment == 1 ? 14 - len : alignment == 2 ? 2 + (12 - len) / 2 : 2;
            p.drawLine(x, 3 + i * 3, x + len - 1, 3 + i * 3);
        }
    });
}

// Two lines within a box, at its top (0), middle (8) or bottom (16).
QPixmap VerticalPlaceGlyph(int place)
{
    return DrawnGlyph([place](QPainter &p) {
        p.setPen(Qt::gray);
        p.drawRect(1, 1, 13, 13);
        p.setPen(Qt::black);
        const int y = place == 0 ? 4 : place == 8 ? 7 : 10;
        p.drawLine(4, y, 11, y);
        p.drawLine(4, y + 2, 11, y + 2);
    });
}

QPixmap TurnedTextGlyph()
{
    return DrawnGlyph([](QPainter &p) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(11);
        p.setFont(font);
        p.translate(12, 15);
        p.rotate(-90);
        p.drawText(QRect(0, 0, 14, 10), Qt::AlignCenter, QStringLiteral("ab"));
    });
}

// A square whose lines given by the frame bits (8 top, 4 left, 2 bottom, 1 right) are drawn solid, the others dotted.
QPixmap FrameGlyph(int bits)
{
    return DrawnGlyph([bits](QPainter &p) {
        const QLine lines[] = { { 2, 2, 13, 2 }, { 2, 2, 2, 13 }, { 2, 13, 13, 13 }, { 13, 2, 13, 13 } };
        const int bitOf[] = { 8, 4, 2, 1 };
        for (int i = 0; i < 4; ++i) {
            p.setPen(QPen(bits & bitOf[i] ? Qt::black : Qt::gray, 1, bits & bitOf[i] ? Qt::SolidLine : Qt::DotLine));
            p.drawLine(lines[i]);
        }
    });
}

QPixmap LineStyleGlyph()
{
    return DrawnGlyph([](QPainter &p) {
        p.drawLine(1, 3, 14, 3);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawLine(1, 7, 14, 7);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawLine(1, 11, 14, 11);
    });
}

// One frame style's sample across a 90 x 17 button: solid, dash, dot, dash-dot, dash-dot-dot, double.
QPixmap FrameStyleSample(int style)
{
    QPixmap sample(80, 9);
    sample.fill(Qt::transparent);
    QPainter p(&sample);
    const Qt::PenStyle styles[]
        = { Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine, Qt::SolidLine };
    p.setPen(QPen(Qt::black, 1, styles[style]));
    if (style == 5) {
        p.drawLine(0, 3, 79, 3);
        p.drawLine(0, 5, 79, 5);
    } else {
        p.drawLine(0, 4, 79, 4);
    }
    return sample;
}

} // namespace

void TfrDesignerForm::CreateFormatToolbars()
{
    InitDesignerGlyphs();
    auto separator = [](TfrToolBar *bar) {
        auto *s = new TfrTBSeparator(bar);
        s->resize(8, ButtonSize);
    };
    // A box lives on a panel of the toolbar that keeps its width.
    auto boxPanel = [](TfrToolBar *bar, QComboBox *box, int width) {
        auto *panel = new TfrTBPanel(bar);
        panel->setObjectName(box->objectName() + QStringLiteral("Panel"));
        panel->resize(width + 2, ButtonSize);
        box->setParent(panel);
        box->setGeometry(1, 0, width, ButtonSize);
    };
    auto button = [this](TfrToolBar *bar, TfrTBButton *&b, const char *name, int tag, int hint, const QPixmap &glyph) {
        b = AddButton(bar, name, tag, nullptr);
        b->SetGlyph(glyph);
        b->setToolTip(GetLocaleString(hint));
    };
    auto toggle = [](TfrTBButton *b, int group) {
        b->SetGroupIndex(group);
        b->SetAllowAllUp(true);
    };

    Panel3 = new TfrToolBar(frDock1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setWindowTitle(GetLocaleString(53083));
    C2 = new TfrFontComboBox;
    C2->setObjectName(QStringLiteral("C2"));
    C2->setProperty("Tag", 7);
    C2->setToolTip(GetLocaleString(53121));
    C2->SetDropDownCount(12);
    boxPanel(Panel3, C2, 130);
    C3 = new TfrComboBox;
    C3->setObjectName(QStringLiteral("C3"));
    C3->setProperty("Tag", 8);
    C3->setToolTip(GetLocaleString(53120));
    C3->setInsertPolicy(QComboBox::NoInsert);
    for (int size : { 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72 })
        C3->addItem(QString::number(size));
    boxPanel(Panel3, C3, 42);
    separator(Panel3);
    button(Panel3, FnB1, "FnB1", 9, 53115, LetterGlyph(QStringLiteral("B"), 2));
    button(Panel3, FnB2, "FnB2", 10, 53116, LetterGlyph(QStringLiteral("I"), 1));
    button(Panel3, FnB3, "FnB3", 18, 53117, LetterGlyph(QStringLiteral("U"), 4));
    for (TfrTBButton *b : { FnB1, FnB2, FnB3 })
        toggle(b, 100 + b->property("Tag").toInt());
    separator(Panel3);
    button(Panel3, ClB2, "ClB2", 17, 53118, QPixmap());
    button(Panel3, HlB1, "HlB1", 59, 53119, QPixmap(QStringLiteral(":/window/HIGHLIGHT")));
    separator(Panel3);
    button(Panel3, AlB1, "AlB1", 11, 53107, TextLinesGlyph(0));
    button(Panel3, AlB2, "AlB2", 12, 53108, TextLinesGlyph(1));
    button(Panel3, AlB3, "AlB3", 13, 53109, TextLinesGlyph(2));
    button(Panel3, AlB8, "AlB8", 22, 53114, TextLinesGlyph(3));
    for (TfrTBButton *b : { AlB1, AlB2, AlB3, AlB8 })
        b->SetGroupIndex(120);
    separator(Panel3);
    button(Panel3, AlB6, "AlB6", 15, 53112, VerticalPlaceGlyph(0));
    button(Panel3, AlB5, "AlB5", 15, 53111, VerticalPlaceGlyph(8));
    button(Panel3, AlB7, "AlB7", 15, 53113, VerticalPlaceGlyph(16));
    for (TfrTBButton *b : { AlB6, AlB5, AlB7 })
        b->SetGroupIndex(121);
    button(Panel3, AlB4, "AlB4", 14, 53110, TurnedTextGlyph());
    toggle(AlB4, 122);
    Panel3->AddToDock(frDock1);

    Panel1 = new TfrToolBar(frDock1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setWindowTitle(GetLocaleString(53081));
    button(Panel1, FrB1, "FrB1", 1, 53122, FrameGlyph(8));
    button(Panel1, FrB2, "FrB2", 2, 53123, FrameGlyph(4));
    button(Panel1, FrB3, "FrB3", 3, 53124, FrameGlyph(2));
    button(Panel1, FrB4, "FrB4", 4, 53125, FrameGlyph(1));
    for (TfrTBButton *b : { FrB1, FrB2, FrB3, FrB4 })
        toggle(b, 130 + b->property("Tag").toInt());
    button(Panel1, FrB5, "FrB5", 20, 53126, FrameGlyph(15));
    button(Panel1, FrB6, "FrB6", 21, 53127, FrameGlyph(0));
    separator(Panel1);
    button(Panel1, ClB1, "ClB1", 5, 53128, QPixmap());
    button(Panel1, ClB3, "ClB3", 19, 53129, QPixmap());
    button(Panel1, StB1, "StB1", 0, 53191, LineStyleGlyph());
    C4 = new TfrComboBox;
    C4->setObjectName(QStringLiteral("C4"));
    C4->setProperty("Tag", 6);
    C4->setToolTip(GetLocaleString(53130));
    C4->setInsertPolicy(QComboBox::NoInsert);
    C4->addItems({ QStringLiteral("0,1"), QStringLiteral("0,5"), QStringLiteral("1"), QStringLiteral("1,5") });
    for (int w = 2; w <= 10; ++w)
        C4->addItem(QString::number(w));
    boxPanel(Panel1, C4, 42);
    Panel1->AddToDock(frDock1);

    // Each colour button shows its colour in the bar of its glyph; black until the selection says otherwise.
    SetColorButtonGlyph(ClB2, cgFontColor, clBlack);
    SetColorButtonGlyph(ClB1, cgFillColor, clBlack);
    SetColorButtonGlyph(ClB3, cgFrameColor, clBlack);
    ColorSelector = new TColorSelector(this);
    ColorSelector->OnColorSelected = [this](QObject *) {
        if (!m_colorButton)
            return;
        const int cell = m_colorButton == ClB1 ? cgFillColor : m_colorButton == ClB3 ? cgFrameColor : cgFontColor;
        SetColorButtonGlyph(m_colorButton, cell, ColorSelector->Color);
        ApplyAttribute(m_colorButton->property("Tag").toInt());
    };

    LinePanel = new QWidget(this);
    LinePanel->setObjectName(QStringLiteral("LinePanel"));
    LinePanel->setAutoFillBackground(true);
    LinePanel->resize(96, 6 * 17 + 6);
    for (int style = 0; style < 6; ++style) {
        auto *b = new TfrSpeedButton(LinePanel);
        b->setObjectName(QStringLiteral("frSpeedButton%1").arg(style + 1));
        b->setProperty("Tag", 25 + style);
        b->setGeometry(3, 3 + style * 17, 90, 17);
        b->SetFlat(true);
        b->SetGlyph(FrameStyleSample(style));
        b->OnClick = [this, style](QObject *) {
            LinePanel->hide();
            ApplyAttribute(25 + style);
        };
    }
    LinePanel->hide();

    for (TfrTBButton *b : { ClB1, ClB2, ClB3 })
        b->OnClick = [this, b](QObject *) { ColorButtonClick(b); };
    StB1->OnClick = [this](QObject *) { FrameStyleClick(); };
    HlB1->OnClick = [this](QObject *) { ShowHighlightDialog(); };
    for (TfrTBButton *b : { FnB1, FnB2, FnB3, AlB1, AlB2, AlB3, AlB8, AlB6, AlB5, AlB7, AlB4, FrB1, FrB2, FrB3, FrB4,
             FrB5, FrB6 })
        b->OnClick = [this, b](QObject *) { ApplyAttribute(b->property("Tag").toInt()); };
    C2->OnClick = [this](QObject *) { ApplyAttribute(7); };
    new EventHook(C2->lineEdit(), [this](QEvent *event) {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        ShowFontDialog();
        return true;
    });
    // A size or width picked from the list applies at once; a typed one on Enter (the window's keys).
    connect(C3, &QComboBox::activated, this, [this] { ApplyAttribute(8); });
    connect(C4, &QComboBox::activated, this, [this] { ApplyAttribute(6); });
}

void TfrDesignerForm::ColorButtonClick(TfrTBButton *button)
{
    LinePanel->hide();
    const QPoint at = button->mapTo(this, QPoint(0, 0));
    if (ColorSelector->x() == at.x() && m_colorButton == button) {
        ColorSelector->setVisible(ColorSelector->isHidden());
    } else {
        ColorSelector->move(at.x(), at.y() + 26);
        ColorSelector->show();
    }
    ColorSelector->raise();
    m_colorButton = button;
    // The glyph's bar holds the colour the button stands for.
    ColorSelector->ShowColor(ColorButtonGlyphColor(button->Glyph()));
}

void TfrDesignerForm::FrameStyleClick()
{
    ColorSelector->hide();
    if (LinePanel->isHidden()) {
        const QPoint at = StB1->mapTo(this, QPoint(0, 0));
        LinePanel->move(at.x(), at.y() + 26);
    }
    LinePanel->setVisible(LinePanel->isHidden());
    LinePanel->raise();
}

bool TfrDesignerForm::ToolbarBoxFocused() const
{
    const QWidget *focused = QWidget::focusWidget();
    for (const QWidget *box : { static_cast<const QWidget *>(C2), static_cast<const QWidget *>(C3),
             static_cast<const QWidget *>(C4) })
        if (focused && box && (focused == box || box->isAncestorOf(focused)))
            return true;
    return false;
}

void TfrDesignerForm::ConnectToolbarItems()
{
    // The toolbars' items of the toolbar submenu find their bars by name; the DB-fields window is no toolbar and
    // has its own item.
    connect(Pan8, &QAction::triggered, this, [this](bool on) { ShowFieldsWindow(on); });
    connect(ToolbarsMenu, &QMenu::aboutToShow, this, [this] { Pan8->setChecked(FieldsWindow() != nullptr); });
    connect(N32, &QAction::triggered, this, &TfrDesignerForm::BringToFront);
    connect(N33, &QAction::triggered, this, &TfrDesignerForm::SendToBack);
    connect(FitGridAction, &QAction::triggered, this, &TfrDesignerForm::FitToGrid);
}
