#pragma once

#include "ToolCtrlsEh.h"

#include <QFrame>
#include <QLabel>
#include <QVariant>

#include <vector>

// The value contract between the number editor and the calculator it drops down.
class ICalculatorValueEh
{
public:
    virtual ~ICalculatorValueEh() = default;
    // True when no operation is pending, so that accepting takes the displayed value as it stands.
    virtual bool ResultReady() const = 0;
    virtual bool GetFlat() const = 0;
    // The displayed number, or an error value while the calculator shows "Error".
    virtual Variant GetValue() const = 0;
    virtual void SetFlat(bool Value) = 0;
    virtual void SetValue(const Variant &Value) = 0;
};

// A pocket calculator drawn as a control: a display and 22 buttons, driven by the buttons, the keyboard, the
// mouse wheel and the clipboard.
class TCalculatorEh : public QFrame
{
    Q_OBJECT
public:
    enum TCalcState : std::uint8_t { csFirst = 0, csValid = 1, csError = 2 };
    enum TBorderStyle : std::uint8_t { bsNone, bsSingle };

    explicit TCalculatorEh(QWidget *Owner = nullptr);

    virtual void CalcKey(QChar Key);
    virtual int NonClientHeight() const;

    QString DisplayText() const;
    double DisplayValue() const;
    TCalcState State() const { return m_state; }
    double Operand() const { return m_operand; }
    QChar Operator() const { return m_operator; }
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // Shows a value as a fresh result.
    void SetDisplayValue(double Value);
    void Clear();
    void Copy();
    void Paste();

    TSpeedButtonEh *Button(const QString &Name) const;
    TSpeedButtonEh *EqualButton() const { return m_equalButton; }
    const std::vector<TSpeedButtonEh *> &Buttons() const { return m_buttons; }
    QSize DesignClientSize() const { return m_designClientSize; }

    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    // The key a keyboard event stands for, or a null character.
    static QChar KeyOfEvent(const QKeyEvent *Event);
    void TextChanged();

private:
    void CreateLayout();
    void SetDisplay(const QString &Text);
    void CheckFirst();
    void Error();
    void ApplyOperator(QChar Key);
    void UpdateEqualCaption();

    QFrame *m_panel = nullptr;
    QLabel *m_textBox = nullptr;
    TSpeedButtonEh *m_equalButton = nullptr;
    std::vector<TSpeedButtonEh *> m_buttons;
    TCalcState m_state = csFirst;
    double m_operand = 0;
    QChar m_operator = QLatin1Char('=');
    TBorderStyle m_borderStyle = bsNone;
    QSize m_designClientSize;
};

// The calculator as a drop-down of a number editor: never takes the focus, closes on Enter, "=" or Escape.
class TPopupCalculatorEh : public TCalculatorEh, public ICalculatorValueEh
{
    Q_OBJECT
public:
    explicit TPopupCalculatorEh(QObject *Owner);

    void CalcKey(QChar Key) override;
    // Keys reach the calculator from its owner's edit field, which keeps the focus; true when consumed.
    bool HandleKey(QKeyEvent *Event);

    int FrameWidth() const { return m_frameWidth; }
    TDropDownBehaviorEh *Behavior() const { return m_behavior; }

    bool ResultReady() const override;
    bool GetFlat() const override { return m_flat; }
    Variant GetValue() const override;
    void SetFlat(bool Value) override;
    void SetValue(const Variant &Value) override;

protected:
    void keyPressEvent(QKeyEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
    virtual void DrawFrame3D(QPainter &Painter);

private:
    TDropDownBehaviorEh *m_behavior;
    int m_frameWidth = 2;
    bool m_flat = true;
};
