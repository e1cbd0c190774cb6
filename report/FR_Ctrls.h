#pragma once

#include <QComboBox>
#include <QFrame>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QShortcut;

enum TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

using TfrNotifyEvent = std::function<void(QObject *Sender)>;
using TfrMouseEvent = std::function<void(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                         int X, int Y)>;

// The glyph button of the engine's and the designer's windows: a speed button that may latch in a group, with
// a flat look that raises its frame only under the mouse and greys its glyph while the mouse is elsewhere.
class TfrSpeedButton : public QWidget
{
    Q_OBJECT
public:
    enum TState : std::uint8_t { bsUp = 0, bsDisabled = 1, bsPressed = 2, bsDown = 3, bsGrey = 4 };

    explicit TfrSpeedButton(QWidget *Parent = nullptr);

    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool Value);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int Value);
    bool Down() const { return m_down; }
    void SetDown(bool Value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool Value);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &Value);
    const QPixmap &Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap &Value);
    bool GrayedInactive() const { return m_grayedInactive; }
    void SetGrayedInactive(bool Value);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return m_margin; }
    // Values below -1 are refused and leave the margin as it was.
    void SetMargin(int Value);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int Value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int Value);

    TState State() const { return m_state; }
    bool MouseInControl() const { return m_mouseInControl; }

    // Draws the glyph image of the up (Enabled) or disabled state on another painter; the designer's menus use it.
    void DrawGlyph(QPainter &Canvas, int X, bool Enabled, int Y) const;
    // The image the button shows for a state (the grey and disabled ones made from the up image when missing).
    QImage GlyphImage(TState State) const;

    void Click();

    TfrNotifyEvent OnClick;
    TfrNotifyEvent OnDblClick;
    TfrNotifyEvent OnMouseEnter;
    TfrNotifyEvent OnMouseLeave;
    TfrMouseEvent OnMouseDown;
    TfrMouseEvent OnMouseMove;
    TfrMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;
    void changeEvent(QEvent *Event) override;

private:
    void UpdateExclusive();
    void ButtonPressed(int Group, TfrSpeedButton *Sender);
    void UpdateTracking();
    bool Inside(const QPoint &P) const;

    bool m_allowAllUp = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_flat = false;
    QString m_caption;
    QPixmap m_glyph;
    bool m_grayedInactive = true;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_numGlyphs = 1;
    int m_spacing = 4;
    TState m_state = bsUp;
    bool m_mouseInControl = false;
    bool m_tracking = false;
    QShortcut *m_accelerator = nullptr;
};

// A one-line combo box with a small glyph button at its right end that raises OnButtonClick.
class TfrComboEdit : public QComboBox
{
    Q_OBJECT
public:
    explicit TfrComboEdit(QWidget *Parent = nullptr);

    const QPixmap &Glyph() const { return m_button->Glyph(); }
    void SetGlyph(const QPixmap &Value) { m_button->SetGlyph(Value); }
    bool ButtonEnabled() const { return m_buttonEnabled; }
    void SetButtonEnabled(bool Value);
    QString ButtonHint() const { return m_button->toolTip(); }
    void SetButtonHint(const QString &Value) { m_button->setToolTip(Value); }
    TfrSpeedButton *Button() const { return m_button; }

    TfrNotifyEvent OnButtonClick;

protected:
    void resizeEvent(QResizeEvent *Event) override;
    void changeEvent(QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void PlaceButton();
    // Enter and Escape reach the dialog's default and cancel buttons before the edit sees them.
    bool PassDialogKey(int Key);

    QFrame *m_panel;
    TfrSpeedButton *m_button;
    bool m_buttonEnabled = true;
};
