// The barcode report object: its record, drawing at the four angles, expressions and the editor.
#include "ModelStreamSupport.h"

#include "FR_BarC.h"
#include "FR_Ctrls.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Exceptions.h"
#include "FakeReportDesigner.h"
#include "ServiceFakes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstring>

#include <gtest/gtest.h>

using modeltest::Bytes;

namespace {

class BuildBarcode : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        frEngine().DocumentMode = 1;
        setDefaultTextMeasurer(std::make_shared<FixedWidthMeasurer>(7));
    }
    void TearDown() override
    {
        setDefaultTextMeasurer(nullptr);
        frEngine().CurrentDesigner = nullptr;
    }

    static std::unique_ptr<TfrBarCodeView> barcodeAt(int left, int top, int width, int height)
    {
        auto view = std::make_unique<TfrBarCodeView>();
        view->Name = QStringLiteral("Bar1");
        view->PlaceAt(left, top, width, height);
        return view;
    }

    FakeMessageService messages;
};

const CanvasRecord *firstOf(const RecordingCanvas &canvas, CanvasRecord::Kind kind)
{
    for (const CanvasRecord &r : canvas.records())
        if (r.kind == kind)
            return &r;
    return nullptr;
}

TEST_F(BuildBarcode, ARecordKeepsItsFieldsAfterTheBaseRecordAngleAndRatioAsReals)
{
    TfrBarCodeView view;
    view.CheckSum = 0;
    view.BarType = bcCodeEAN13;
    view.Modul = 2;
    view.Ratio = 2.5;
    view.Angle = 90;
    view.Memo = QStringList { QStringLiteral("[Code]") };
    TMemoryStream base;
    view.TfrView::SaveToStream(base);
    TMemoryStream whole;
    view.SaveToStream(whole);
    ASSERT_EQ(whole.Size(), base.Size() + 24);
    double ratio = 0, angle = 0;
    std::memcpy(&ratio, whole.Bytes().constData() + base.Size() + 8, 8);
    std::memcpy(&angle, whole.Bytes().constData() + base.Size() + 16, 8);
    EXPECT_EQ(whole.Bytes().mid(int(base.Size()), 8), Bytes().u8(0).u8(1).u8(0).u8(14).i32(2).bytes());
    EXPECT_EQ(ratio, 2.5);
    EXPECT_EQ(angle, 90.0);

    // In a template it travels as an add-in object, which the engine knows from its start.
    TfrReport report;
    const int page = report.Pages().Add();
    auto *placed = new TfrBarCodeView;
    CopyViewContents(*placed, view);
    placed->Name = QStringLiteral("Bar1");
    report.Pages()[page]->AddObject(placed);
    TfrReport copy;
    modeltest::load(copy, modeltest::save(report));
    auto *loaded = dynamic_cast<TfrBarCodeView *>(copy.FindViewByName(QStringLiteral("Bar1")));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->TypeCode, 10);
    EXPECT_EQ(loaded->BarType, bcCodeEAN13);
    EXPECT_EQ(loaded->CheckSum, 0);
    EXPECT_EQ(loaded->Ratio, 2.5);
    EXPECT_EQ(loaded->Angle, 90.0);
    EXPECT_EQ(loaded->Memo, QStringList { QStringLiteral("[Code]") });
    EXPECT_EQ(loaded->GetPropertyValue(QStringLiteral("DataField")).toString(), QStringLiteral("[Code]"));
}

TEST_F(BuildBarcode, ANewObjectShowsCode39OfItsDefaultTextWithTheTextUnderTheBars)
{
    auto view = barcodeAt(0, 0, 10, 60);
    EXPECT_EQ(view->Memo, QStringList { QStringLiteral("12345678") });
    EXPECT_EQ(view->BarType, bcCode39);
    RecordingCanvas canvas;
    view->Draw(canvas);
    TfrBarcode code39;
    code39.SetTyp(bcCode39);
    code39.SetChecksum(true);
    code39.SetText(QStringLiteral("12345678"));
    EXPECT_EQ(view->Width, code39.Width());
    const CanvasRecord *text = firstOf(canvas, CanvasRecord::Text);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, code39.Text());
    EXPECT_EQ(text->p1.y(), 60 - 12);
    EXPECT_EQ(text->font.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(text->font.pixelSize(), 12);
}

TEST_F(BuildBarcode, TheFourAnglesPlaceBarsAndCaption)
{
    const struct
    {
        double angle;
        bool lengthIsHeight;
    } cases[] = { { 0, false }, { 90, true }, { 180, false }, { 270, true } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.angle);
        auto view = barcodeAt(10, 20, 50, 80);
        view->Angle = c.angle;
        RecordingCanvas canvas;
        view->Draw(canvas);
        const int W = view->Width, H = view->Height;
        if (c.lengthIsHeight)
            EXPECT_EQ(W, 50);
        else
            EXPECT_EQ(H, 80);
        EXPECT_GT(c.lengthIsHeight ? H : W, 100);
        const CanvasRecord *text = firstOf(canvas, CanvasRecord::Text);
        ASSERT_NE(text, nullptr);
        const int tw = 7 * int(text->text.size());
        QPoint expected;
        switch (int(c.angle)) {
        case 0:
            expected = QPoint((W - tw) / 2, H - 12);
            break;
        case 90:
            expected = QPoint(W - 12, H - (H - tw) / 2);
            break;
        case 180:
            expected = QPoint(W - (W - tw) / 2, 12);
            break;
        default:
            expected = QPoint(12, (H - tw) / 2);
            break;
        }
        EXPECT_EQ(text->p1, expected + QPoint(10, 20));
        int turned = -1;
        for (const CanvasRecord &r : canvas.records()) {
            if (r.kind == CanvasRecord::Rotation && turned < 0)
                turned = r.value;
            // No bar lies outside the object, and the caption's room stays free of bars.
            if (r.kind == CanvasRecord::Polygon) {
                for (const QPoint &p : r.points) {
                    EXPECT_GE(p.x(), 10);
                    EXPECT_GE(p.y(), 20);
                    EXPECT_LE(p.x(), 10 + W);
                    EXPECT_LE(p.y(), 20 + H);
                }
            }
        }
        EXPECT_EQ(turned, int(c.angle));
    }
}

TEST_F(BuildBarcode, TheRecordingIsStretchedIntoTheScaledRectangle)
{
    auto view = barcodeAt(0, 0, 10, 60);
    view->HumanReadable = 0;
    view->ZoomX = view->ZoomY = 2;
    view->ShiftX = 5;
    RecordingCanvas canvas;
    view->Draw(canvas);
    int right = 0, bottom = 0;
    for (const CanvasRecord &r : canvas.records())
        if (r.kind == CanvasRecord::Polygon)
            for (const QPoint &p : r.points) {
                right = std::max(right, p.x());
                bottom = std::max(bottom, p.y());
            }
    EXPECT_NEAR(right, 5 + 2 * view->Width, 2);
    EXPECT_NEAR(bottom, 2 * 60, 2);
}

TEST_F(BuildBarcode, TextsANumericSymbologyCannotShowAndTheZeroCode)
{
    auto view = barcodeAt(0, 0, 10, 60);
    view->BarType = bcCodeEAN13;
    view->CheckSum = 0;
    view->Memo = QStringList { QStringLiteral("ABC123") };
    RecordingCanvas canvas;
    view->Draw(canvas);
    const CanvasRecord *text = firstOf(canvas, CanvasRecord::Text);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, QStringLiteral("0000012345678"));

    // An unevaluated expression shows the default code as well.
    view->BarType = bcCode39;
    view->Memo = QStringList { QStringLiteral("[Code]") };
    canvas.clear();
    view->Draw(canvas);
    EXPECT_TRUE(firstOf(canvas, CanvasRecord::Text)->text.startsWith(QStringLiteral("12345678")));

    // "0" and an empty line draw nothing at all, not even the frame.
    view->FrameTyp = 15;
    view->FillColor = clWhite;
    for (const QString &code : { QStringLiteral("0"), QStringLiteral(" 0\t"), QString() }) {
        view->Memo = QStringList { code };
        canvas.clear();
        view->Draw(canvas);
        EXPECT_TRUE(canvas.records().empty()) << code.toStdString();
    }
}

TEST_F(BuildBarcode, AnExpressionThatFailsInABuildPrintsAsZero)
{
    TfrGlobals &e = frEngine();
    e.Parser().OnGetValue = [](const QString &name, Variant &value) {
        if (name == QLatin1String("Code"))
            value = Variant(QStringLiteral("4006381333931"));
        else
            throw Exception(QStringLiteral("Неизвестная переменная ") + name);
    };
    auto written = [](TfrBarCodeView &view) {
        TMemoryStream s;
        view.RecordMode = 1;
        view.WritePrepared(s);
        if (s.Size() == 0)
            return QStringList { QStringLiteral("nothing") };
        s.SetPosition(0);
        EXPECT_EQ(ReadStreamByte(s), 10);
        EXPECT_EQ(ReadStreamString(s), QStringLiteral("TfrBarCodeView"));
        TfrBarCodeView loaded;
        loaded.RecordMode = 1;
        loaded.LoadFromStream(s);
        return loaded.Memo;
    };
    auto view = barcodeAt(0, 0, 100, 60);
    view->Memo = QStringList { QStringLiteral("[Code]") };
    EXPECT_EQ(written(*view), QStringList { QStringLiteral("4006381333931") });
    view->Memo = QStringList { QStringLiteral("[Missing]") };
    EXPECT_EQ(written(*view), QStringList { QStringLiteral("0") });
    EXPECT_FALSE(e.ErrorFlag);
    view->Memo = QStringList { QStringLiteral("777") };
    EXPECT_EQ(written(*view), QStringList { QStringLiteral("777") });
    view->Visible = false;
    EXPECT_EQ(written(*view), QStringList { QStringLiteral("nothing") });
}

// Works the editor while it is shown: each step runs once the dialog is up.
void withEditor(const std::function<void(TfrBarCodeForm *)> &steps)
{
    QTimer::singleShot(0, [steps] {
        auto *form = qobject_cast<TfrBarCodeForm *>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        steps(form);
        if (form->isVisible())
            form->reject();
    });
}

TEST_F(BuildBarcode, TheEditorRefusesACodeTheSymbologyCannotDrawAndStaysOpen)
{
    TfrBarCodeView view;
    tarvik::test::FakeReportDesigner designer(true);
    frEngine().CurrentDesigner = &designer;
    bool stayed = false;
    withEditor([&](TfrBarCodeForm *form) {
        EXPECT_EQ(form->windowTitle(), GetLocaleString(53650));
        EXPECT_EQ(form->M1->currentText(), QStringLiteral("12345678"));
        EXPECT_EQ(form->cbType->currentIndex(), int(bcCode39));
        EXPECT_TRUE(form->RB1->isChecked());
        form->cbType->setCurrentIndex(bcCodeEAN13);
        form->M1->setEditText(QStringLiteral("12AB"));
        QTest::mouseClick(form->bOk, Qt::LeftButton);
        ASSERT_EQ(messages.requests.size(), 1);
        EXPECT_EQ(messages.requests[0].text, QStringLiteral("Ошибка в коде"));
        EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Ошибка"));
        stayed = form->isVisible();
        // A scale that is no number is refused the same way.
        form->M1->setEditText(QStringLiteral("400638133393"));
        form->eZoom->setText(QStringLiteral("x"));
        QTest::mouseClick(form->bOk, Qt::LeftButton);
        EXPECT_EQ(messages.requests.size(), 2);
        EXPECT_TRUE(form->isVisible());
        form->eZoom->setText(QStringLiteral("1"));
        form->frSpeedButton1Click();
        form->frSpeedButton1Click();
        form->frSpeedButton2Click();
        form->RB3->setChecked(true);
        form->ckViewText->setChecked(false);
        QTest::mouseClick(form->bOk, Qt::LeftButton);
    });
    view.ShowEditor();
    EXPECT_TRUE(stayed);
    EXPECT_EQ(designer.Calls, QStringList { QStringLiteral("BeginObjectChange") });
    EXPECT_EQ(view.Memo, QStringList { QStringLiteral("400638133393") });
    EXPECT_EQ(view.BarType, bcCodeEAN13);
    EXPECT_EQ(view.Modul, 2);
    EXPECT_EQ(view.Angle, 180.0);
    EXPECT_EQ(view.HumanReadable, 0);
}

TEST_F(BuildBarcode, TheEditorTakesAnExpressionUncheckedAndCancelChangesNothing)
{
    TfrBarCodeView view;
    tarvik::test::FakeReportDesigner designer(true);
    designer.Expression = QStringLiteral("[Table.Code]");
    frEngine().CurrentDesigner = &designer;
    withEditor([](TfrBarCodeForm *form) {
        form->cbType->setCurrentIndex(bcCodeEAN8);
        form->ExprBtnClick();
        EXPECT_EQ(form->M1->currentText(), QStringLiteral("[Table.Code]"));
        QTest::mouseClick(form->bOk, Qt::LeftButton);
    });
    view.ShowEditor();
    EXPECT_TRUE(messages.requests.isEmpty());
    EXPECT_EQ(view.Memo, QStringList { QStringLiteral("[Table.Code]") });
    EXPECT_EQ(view.BarType, bcCodeEAN8);

    withEditor([](TfrBarCodeForm *form) {
        form->M1->setEditText(QStringLiteral("other"));
        form->RB2->setChecked(true);
        QTest::mouseClick(form->bCancel, Qt::LeftButton);
    });
    view.ShowEditor();
    EXPECT_EQ(view.Memo, QStringList { QStringLiteral("[Table.Code]") });
    EXPECT_EQ(view.Angle, 0.0);
    EXPECT_EQ(designer.Calls, (QStringList { QStringLiteral("PickExpression"), QStringLiteral("BeginObjectChange") }))
        << "only OK changes the object";
}

} // namespace
