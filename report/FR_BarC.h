#pragma once

#include "FR_Class.h"
#include "frBarcod.h"

#include <QDialog>
#include <QObject>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrComboEdit;
class TfrSpeedButton;

// A report object showing its text, or an expression's value, as a linear barcode with an optional caption, at
// 0, 90, 180 or 270 degrees. The bars are drawn on a recording the size of the object, which is then stretched
// into the object's rectangle.
class TfrBarCodeView : public TfrView
{
public:
    TfrBarCodeView();
    QString ClassName() const override { return QStringLiteral("TfrBarCodeView"); }

    Variant GetPropertyValue(const QString &name) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    void CompletePreparedText() override;
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) override;
    void ShowEditor() override;
    // A barcode offers no items of its own.
    void BuildPopupMenu(QMenu *) override {}

    TfrBarcode Barcode;
    quint8 CheckSum = 1;
    quint8 HumanReadable = 1;
    quint8 Reserved = 0;
    quint8 BarType = bcCode39;
    qint32 Modul = 1;
    double Ratio = 2;
    double Angle = 0;

private:
    // The drawing at the object's own size, with Width or Height set to the code's length; false when the code
    // is "0" and nothing is drawn.
    bool RecordBarcode(RecordingCanvas &picture);
};

// The barcode object's editor.
class TfrBarCodeForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrBarCodeForm(QWidget *parent = nullptr);

    QLabel *Label1, *Label2, *Label3;
    TfrComboEdit *M1;
    QComboBox *cbType;
    QGroupBox *GroupBox1, *GroupBox2;
    QCheckBox *ckCheckSum, *ckViewText;
    QLineEdit *eZoom;
    TfrSpeedButton *frSpeedButton1, *frSpeedButton2;
    QRadioButton *RB1, *RB2, *RB3, *RB4;
    QPushButton *bOk, *bCancel;

    void ExprBtnClick();
    void frSpeedButton1Click();
    void frSpeedButton2Click();
    // Closes the dialog only when the typed code (not an expression) draws in the chosen symbology.
    void bOkClick();

protected:
    void showEvent(QShowEvent *event) override;
};

// Placing this component links the barcode object into a program; the engine registers the object class
// when it starts.
class TfrBarCodeObject : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
};

// Registers the barcode object with the engine's add-in objects.
void RegisterBarCodeObject();
