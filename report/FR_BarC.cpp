// The barcode report object, its editor and its registration.
#include "FR_BarC.h"

#include "FR_Ctrls.h"
#include "FR_Globals.h"
#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Formats.h"
#include "Services.h"
#include "Streams.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString DefaultCode = QStringLiteral("12345678");
// The caption under (or beside) the bars: its font height and the room the bars leave for it.
constexpr int CaptionHeight = 12;
constexpr int CaptionRoom = 14;

// The angle as one of 0, 90, 180 and 270.
int quarterAngle(double angle)
{
    const int a = int(Round(angle)) % 360;
    return ((a + 360) % 360) / 90 * 90;
}

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// The text without leading and trailing characters of codes 0 to 32.
QString trimControls(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

// The tool button picture of the barcode object: a few bars of different widths.
QImage barcodeButtonImage()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    int x = 1;
    for (int w : { 1, 2, 1, 1, 3, 1, 2, 1 }) {
        p.fillRect(QRect(x, 2, w, 12), Qt::black);
        x += w + 1;
    }
    return image;
}

} // namespace

// ---- TfrBarCodeView

TfrBarCodeView::TfrBarCodeView()
{
    TypeCode = 10;
    NamePrefix = QStringLiteral("Bar");
    Memo = QStringList { DefaultCode };
}

Variant TfrBarCodeView::GetPropertyValue(const QString &name)
{
    if (name.compare(QLatin1String("DATAFIELD"), Qt::CaseInsensitive) == 0)
        return Variant(Memo.value(0));
    return TfrView::GetPropertyValue(name);
}

void TfrBarCodeView::RegisterProperties()
{
    TfrView::RegisterProperties();
    RegisterProp(QStringLiteral("Barcode"), frdtHasEditor | frdtOneObject, [this](TfrView *) { ShowEditor(); });
    RegisterProp(
        QStringLiteral("DataField"), frdtHasEditor | frdtOneObject | frdtString, frEngine().DataFieldEditorHook);
}

bool TfrBarCodeView::RecordBarcode(RecordingCanvas &picture)
{
    const int angle = quarterAngle(Angle);
    const bool turned = angle == 90 || angle == 270;
    QString code = WorkText.isEmpty() || WorkText.at(0).startsWith(u'[') ? DefaultCode : WorkText.at(0);
    Barcode.SetAngle(Angle);
    Barcode.SetRatio(Ratio);
    Barcode.SetModul(Modul);
    Barcode.SetChecksum(CheckSum != 0);
    Barcode.SetColor(FillColor == clTransparent ? QColor(Qt::white) : toQColor(FillColor));
    Barcode.SetTyp(TfrBarcodeType(qMin<int>(BarType, bcCodeEAN128C)));
    if (frBarcodeTypeInfo[Barcode.Typ()].Numeric && !isDigits(code))
        code = DefaultCode;
    Barcode.SetText(code);
    if (turned)
        Height = Barcode.Width();
    else
        Width = Barcode.Width();
    if (trimControls(Barcode.Text()) == QLatin1String("0"))
        return false;

    const int h = (turned ? Width : Height) - (HumanReadable ? CaptionRoom : 0);
    Barcode.SetLeft(0);
    Barcode.SetTop(0);
    Barcode.SetHeight(h);
    if (Barcode.Typ() == bcCodePostNet && angle == 0) {
        // The bars stand on a common bottom line.
        Barcode.SetTop(h);
        Barcode.SetHeight(-h);
    } else if (angle == 180) {
        Barcode.SetTop(Height - h);
    } else if (angle == 270) {
        Barcode.SetLeft(Width - h);
    }
    Barcode.DrawOn(picture);
    if (HumanReadable) {
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(CaptionHeight);
        picture.setFont(font, Qt::black);
        picture.setTextAngle(angle);
        const QString text = Barcode.Text();
        const int tw = picture.textWidth(text);
        const QRect clip(0, 0, Width, Height);
        switch (angle) {
        case 90:
            picture.drawText(Width - CaptionHeight, Height - (Height - tw) / 2, text, clip);
            break;
        case 180:
            picture.drawText(Width - (Width - tw) / 2, CaptionHeight, text, clip);
            break;
        case 270:
            picture.drawText(CaptionHeight, (Height - tw) / 2, text, clip);
            break;
        default:
            picture.drawText((Width - tw) / 2, Height - CaptionHeight, text, clip);
            break;
        }
        picture.setTextAngle(0);
    }
    return true;
}

void TfrBarCodeView::Draw(ReportCanvas &canvas)
{
    if ((Memo.size() == 1 && Memo.at(0).isEmpty()) || Width < 0 || Height < 0)
        return;
    PrepareDraw(canvas);
    WorkText = Memo;
    RecordingCanvas picture;
    if (!RecordBarcode(picture))
        return;
    const QSize recorded(Width, Height);
    ApplyScale();
    DrawBackground();
    picture.replay(canvas, recorded, DrawRect);
    DrawFrame();
    RestoreGeometry();
}

void TfrBarCodeView::CompletePreparedText()
{
    if (WorkText.isEmpty() || !WorkText.at(0).startsWith(u'['))
        return;
    // A value that cannot be computed prints as "0", which draws nothing.
    try {
        WorkText[0] = frEngine().Parser().Evaluate(WorkText.at(0)).toString();
    } catch (const std::exception &) {
        WorkText[0] = QStringLiteral("0");
    }
}

void TfrBarCodeView::LoadFromStream(TStream &stream)
{
    LoadBaseRecord(stream);
    CheckSum = ReadStreamByte(stream);
    HumanReadable = ReadStreamByte(stream);
    Reserved = ReadStreamByte(stream);
    BarType = ReadStreamByte(stream);
    Modul = ReadStreamInt(stream);
    Ratio = stream.ReadDouble();
    Angle = stream.ReadDouble();
}

void TfrBarCodeView::SaveToStream(TStream &stream)
{
    SaveBaseRecord(stream);
    WriteStreamByte(stream, CheckSum);
    WriteStreamByte(stream, HumanReadable);
    WriteStreamByte(stream, Reserved);
    WriteStreamByte(stream, BarType);
    WriteStreamInt(stream, Modul);
    stream.WriteDouble(Ratio);
    stream.WriteDouble(Angle);
}

void TfrBarCodeView::ShowEditor()
{
    TfrBarCodeForm form(QApplication::activeWindow());
    if (!Memo.isEmpty())
        form.M1->setEditText(Memo.at(0));
    form.cbType->setCurrentIndex(qMin<int>(BarType, bcCodeEAN128C));
    form.ckCheckSum->setChecked(CheckSum != 0);
    form.ckViewText->setChecked(HumanReadable != 0);
    form.eZoom->setText(QString::number(Modul));
    const int angle = quarterAngle(Angle);
    (angle == 0 ? form.RB1 : angle == 90 ? form.RB2 : angle == 180 ? form.RB3 : form.RB4)->setChecked(true);
    if (form.exec() != QDialog::Accepted)
        return;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        designer->BeginObjectChange();
    Memo = QStringList { form.M1->currentText() };
    Modul = StrToInt(form.eZoom->text());
    CheckSum = form.ckCheckSum->isChecked() ? 1 : 0;
    HumanReadable = form.ckViewText->isChecked() ? 1 : 0;
    BarType = quint8(qMax(0, form.cbType->currentIndex()));
    Angle = form.RB1->isChecked() ? 0 : form.RB2->isChecked() ? 90 : form.RB3->isChecked() ? 180 : 270;
}

// ---- TfrBarCodeForm

TfrBarCodeForm::TfrBarCodeForm(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(GetLocaleString(53650));
    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Label1 = new QLabel(GetLocaleString(53651), this);
    M1 = new TfrComboEdit(this);
    M1->setEditable(true);
    M1->SetButtonHint(GetLocaleString(53656));
    Label1->setBuddy(M1);
    Label2 = new QLabel(GetLocaleString(53652), this);
    cbType = new QComboBox(this);
    Label2->setBuddy(cbType);
    GroupBox1 = new QGroupBox(GetLocaleString(53653), this);
    ckCheckSum = new QCheckBox(GetLocaleString(53654), GroupBox1);
    ckViewText = new QCheckBox(GetLocaleString(53655), GroupBox1);
    Label3 = new QLabel(GetLocaleString(53659), GroupBox1);
    eZoom = new QLineEdit(QStringLiteral("1"), GroupBox1);
    Label3->setBuddy(eZoom);
    frSpeedButton1 = new TfrSpeedButton(GroupBox1);
    frSpeedButton1->SetCaption(QStringLiteral("▲"));
    frSpeedButton2 = new TfrSpeedButton(GroupBox1);
    frSpeedButton2->SetCaption(QStringLiteral("▼"));
    for (TfrSpeedButton *b : { frSpeedButton1, frSpeedButton2 })
        b->setFixedSize(16, 11);
    GroupBox2 = new QGroupBox(GetLocaleString(53658), this);
    RB1 = new QRadioButton(QStringLiteral("0°"), GroupBox2);
    RB2 = new QRadioButton(QStringLiteral("90°"), GroupBox2);
    RB3 = new QRadioButton(QStringLiteral("180°"), GroupBox2);
    RB4 = new QRadioButton(QStringLiteral("270°"), GroupBox2);
    bOk = new QPushButton(GetLocaleString(55000), this);
    bOk->setDefault(true);
    bCancel = new QPushButton(GetLocaleString(55001), this);
    named(Label1, "Label1");
    named(M1, "M1");
    named(Label2, "Label2");
    named(cbType, "cbType");
    named(GroupBox1, "GroupBox1");
    named(ckCheckSum, "ckCheckSum");
    named(ckViewText, "ckViewText");
    named(Label3, "Label3");
    named(eZoom, "eZoom");
    named(frSpeedButton1, "frSpeedButton1");
    named(frSpeedButton2, "frSpeedButton2");
    named(GroupBox2, "GroupBox2");
    named(RB1, "RB1");
    named(RB2, "RB2");
    named(RB3, "RB3");
    named(RB4, "RB4");
    named(bOk, "bOk");
    named(bCancel, "bCancel");

    auto *zoom = new QHBoxLayout;
    zoom->addWidget(Label3);
    zoom->addWidget(eZoom);
    auto *arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(frSpeedButton1);
    arrows->addWidget(frSpeedButton2);
    zoom->addLayout(arrows);
    auto *options = new QVBoxLayout(GroupBox1);
    options->addWidget(ckCheckSum);
    options->addWidget(ckViewText);
    options->addLayout(zoom);
    auto *angles = new QVBoxLayout(GroupBox2);
    for (QRadioButton *rb : { RB1, RB2, RB3, RB4 })
        angles->addWidget(rb);
    auto *groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOk);
    buttons->addWidget(bCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(M1);
    layout->addWidget(Label2);
    layout->addWidget(cbType);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    resize(269, 249);

    for (const TfrBarcodeTypeInfo &info : frBarcodeTypeInfo)
        cbType->addItem(QString::fromLatin1(info.DisplayName));
    cbType->setCurrentIndex(0);
    RB1->setChecked(true);

    M1->OnButtonClick = [this](QObject *) { ExprBtnClick(); };
    frSpeedButton1->OnClick = [this](QObject *) { frSpeedButton1Click(); };
    frSpeedButton2->OnClick = [this](QObject *) { frSpeedButton2Click(); };
    connect(bOk, &QPushButton::clicked, this, &TfrBarCodeForm::bOkClick);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrBarCodeForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    M1->setFocus();
}

void TfrBarCodeForm::ExprBtnClick()
{
    TfrReportDesigner *designer = frEngine().CurrentDesigner;
    if (!designer)
        return;
    const QString expression = designer->PickExpression();
    if (!expression.isEmpty())
        M1->setEditText(expression);
}

void TfrBarCodeForm::frSpeedButton1Click()
{
    eZoom->setText(QString::number(eZoom->text().toInt() + 1));
}

void TfrBarCodeForm::frSpeedButton2Click()
{
    const int n = eZoom->text().toInt();
    eZoom->setText(QString::number(n >= 2 ? n - 1 : 1));
}

void TfrBarCodeForm::bOkClick()
{
    // A scale that is no number is refused here, while what was typed is still on screen.
    int zoom = 0;
    if (!TryStrToInt(eZoom->text(), zoom)) {
        try {
            StrToInt(eZoom->text());
        } catch (const std::exception &error) {
            Services::messages()->show({ exceptionMessage(error), mtError, mbOK, mbOK, GetLocaleString(55206) });
        }
        eZoom->setFocus();
        return;
    }
    const QString text = M1->currentText();
    if (text.isEmpty() || !text.startsWith(u'[')) {
        TfrBarcode barcode;
        try {
            barcode.SetText(text);
            barcode.SetChecksum(ckCheckSum->isChecked());
            barcode.SetTyp(TfrBarcodeType(qMax(0, cbType->currentIndex())));
            QImage image(16, 16, QImage::Format_RGB32);
            QPainter painter(&image);
            QPainterCanvas canvas(&painter);
            barcode.DrawOn(canvas);
        } catch (const std::exception &) {
            Services::messages()->show({ GetLocaleString(55339), mtError, mbOK, mbOK, GetLocaleString(55206) });
            return;
        }
    }
    accept();
}

// ---- registration

void RegisterBarCodeObject()
{
    RegisterAddInObject(
        QStringLiteral("TfrBarCodeView"), [] { return new TfrBarCodeView; }, barcodeButtonImage(),
        QStringLiteral("55338"));
}
