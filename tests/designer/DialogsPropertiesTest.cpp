// The property dialogs of report objects: display format, highlight, tag, picture, and a group's condition.
#include "DialogsFixture.h"

#include "FR_AttrE.h"
#include "FR_Color.h"
#include "FR_Expr.h"
#include "FR_FmtEd.h"
#include "FR_GEdit.h"
#include "FR_GrpEd.h"
#include "FR_Hilit.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using tarvik::test::ModalAnswer;

class DialogsProperties : public DialogsFixture
{
protected:
    FakeDialogService dialogs;
};

// ---- display format ---------------------------------------------------------------------------------------------

const QStringList VariantsOf[] = {
    { "[Нет]" },
    { "1234,5", "1234,50", "1 234,5", "1 234,50", "Другой" },
    { "05.11.98", "05.11.1998", "5 ноя 1998", "5 ноября 1998", "Другой" },
    { "02:43:35", "2:43:35", "02:43", "2:43", "Другой" },
    { "0;1", "Нет;Да", "_;x", "False;True", "Другой" },
};

constexpr qint32 Code(int category, int variant, int digits, char16_t separator)
{
    return (category << 24) + (variant << 16) + digits * 256 + separator;
}

TEST_F(DialogsProperties, EveryCategoryAndVariantShowsAsItsStringsWithTheEditsItNeeds)
{
    for (int category = 0; category < 5; ++category) {
        for (int variant = 0; variant < VariantsOf[category].size(); ++variant) {
            SCOPED_TRACE(QStringLiteral("category %1, variant %2").arg(category).arg(variant).toStdString());
            qint32 code = Code(category, variant, 3, u'.');
            QString text = QStringLiteral("0.###");
            ModalAnswer answer = whenShown<TfrFmtForm>([&](TfrFmtForm &form) {
                EXPECT_EQ(form.windowTitle(), QStringLiteral("Формат переменной"));
                EXPECT_EQ(texts(form.CatLB), QStringList({ "Текст", "Число", "Дата", "Время", "Логическая" }));
                EXPECT_EQ(form.CatLB->currentRow(), category);
                EXPECT_EQ(texts(form.TypeLB), VariantsOf[category]);
                EXPECT_EQ(form.TypeLB->currentRow(), variant);
                const bool number = category == 1, own = variant == 4;
                for (QWidget *w :
                    std::initializer_list<QWidget *> { form.Label1, form.Label2, form.DecEdit, form.SplEdit })
                    EXPECT_EQ(w->isEnabled(), number) << w->objectName().toStdString();
                EXPECT_EQ(form.DecEdit->text(), number ? QStringLiteral("3") : QString());
                EXPECT_EQ(form.SplEdit->text(), number ? QStringLiteral(".") : QString());
                EXPECT_EQ(form.Label3->isEnabled(), own);
                EXPECT_EQ(form.FormatEdit->isEnabled(), own);
                EXPECT_EQ(form.FormatEdit->text(), own ? QStringLiteral("0.###") : QString());
                form.Button1->click();
            });
            ASSERT_TRUE(TfrFmtForm::Execute(code, text));
            // Only numbers keep digits and a separator of their own.
            EXPECT_EQ(code, category == 1 ? Code(1, variant, 3, u'.') : Code(category, variant, 0, u','));
            EXPECT_EQ(text, QStringLiteral("0.###"));
        }
    }
}

TEST_F(DialogsProperties, TheCodeIsPackedFromTheChoicesAndTheEdits)
{
    const struct
    {
        const char *name;
        int category, variant;
        QString digits, separator, format;
        qint32 code;
        QString text;
    } cases[] = {
        { "number with digits", 1, 3, "2", ",", {}, Code(1, 3, 2, u','), "kept" },
        { "number, point", 1, 0, "4", ".", {}, Code(1, 0, 4, u'.'), "kept" },
        { "number of the user's own", 1, 4, "1", ",", "#,##0.0", Code(1, 4, 1, u','), "#,##0.0" },
        { "digits that are no number", 1, 1, "two", ".", {}, Code(1, 1, 0, u'.'), "kept" },
        { "digits beyond eight bits", 1, 1, "300", ".", {}, Code(1, 1, 0, u'.'), "kept" },
        { "negative digits", 1, 1, "-1", ".", {}, Code(1, 1, 0, u'.'), "kept" },
        { "no separator", 1, 2, "2", "", {}, Code(1, 2, 2, u','), "kept" },
        { "date", 2, 3, {}, {}, {}, Code(2, 3, 0, u','), "kept" },
        { "date of the user's own", 2, 4, {}, {}, "dd.mm", Code(2, 4, 0, u','), "dd.mm" },
        { "time", 3, 1, {}, {}, {}, Code(3, 1, 0, u','), "kept" },
        { "boolean", 4, 1, {}, {}, {}, Code(4, 1, 0, u','), "kept" },
        { "text", 0, 0, {}, {}, {}, Code(0, 0, 0, u','), "kept" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // Opened on a number format, so that the edits hold something to replace.
        qint32 code = Code(1, 1, 5, u'.');
        QString text = QStringLiteral("kept");
        ModalAnswer answer = whenShown<TfrFmtForm>([&](TfrFmtForm &form) {
            clickRow(form.CatLB, c.category);
            clickRow(form.TypeLB, c.variant);
            if (form.DecEdit->isEnabled()) {
                retype(form.DecEdit, c.digits);
                retype(form.SplEdit, c.separator);
            }
            if (form.FormatEdit->isEnabled())
                retype(form.FormatEdit, c.format);
            form.Button1->click();
        });
        ASSERT_TRUE(TfrFmtForm::Execute(code, text));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(DialogsProperties, AFormatOfTextOpensAsNoFormatAndCancelAnswersNothing)
{
    qint32 code = 0;
    QString text = QStringLiteral("x");
    ModalAnswer answer = whenShown<TfrFmtForm>([](TfrFmtForm &form) {
        EXPECT_EQ(form.CatLB->currentItem()->text(), QStringLiteral("Текст"));
        EXPECT_EQ(form.TypeLB->currentItem()->text(), QStringLiteral("[Нет]"));
        clickRow(form.CatLB, 1);
        form.Button2->click();
    });
    EXPECT_FALSE(TfrFmtForm::Execute(code, text));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text, QStringLiteral("x"));

    // A category the lists do not have (a damaged template) opens as text and packs as text.
    code = Code(9, 7, 2, u'.');
    answer = whenShown<TfrFmtForm>([](TfrFmtForm &form) {
        EXPECT_EQ(form.CatLB->currentRow(), 0);
        EXPECT_EQ(form.TypeLB->currentRow(), 0);
        form.Button1->click();
    });
    ASSERT_TRUE(TfrFmtForm::Execute(code, text));
    EXPECT_EQ(code, Code(0, 0, 0, u','));
}

// ---- highlight ----------------------------------------------------------------------------------------------------

TEST_F(DialogsProperties, TheHighlightShowsItsValuesAndAnswersTheStyleOfTheThreeBoxes)
{
    const struct
    {
        int style;
        bool bold, italic, underline;
    } cases[] = { { 2, true, false, false }, { 1, false, true, false }, { 4, false, false, true },
        { 8 | 2, true, false, false }, { 0, false, false, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        TfrHighlight values { QStringLiteral("[VALUE] > 0"), c.style, clRed, clTransparent };
        ModalAnswer answer = whenShown<TfrHilightForm>([&](TfrHilightForm &form) {
            EXPECT_EQ(form.windowTitle(), QStringLiteral("Условное выделение"));
            EXPECT_EQ(form.Edit1->currentText(), QStringLiteral("[VALUE] > 0"));
            EXPECT_EQ(form.CB1->isChecked(), c.bold);
            EXPECT_EQ(form.CB2->isChecked(), c.italic);
            EXPECT_EQ(form.CB3->isChecked(), c.underline);
            EXPECT_EQ(ColorButtonGlyphColor(form.SpeedButton1->Glyph()), clRed);
            EXPECT_TRUE(form.RB1->isChecked());
            EXPECT_FALSE(form.SpeedButton2->isEnabled());
            form.Button1->click();
        });
        ASSERT_TRUE(TfrHilightForm::Execute(values));
        // The strike-out bit is not the dialog's and is dropped.
        EXPECT_EQ(values, (TfrHighlight { QStringLiteral("[VALUE] > 0"), c.style & 7, clRed, clTransparent }));
    }
}

TEST_F(DialogsProperties, TheBackgroundIsTransparentAfterAColourWasPickedAndTransparentChosen)
{
    TfrHighlight values { {}, 2, clBlack, clWhite };
    dialogs.answerColor(QColor(Qt::green));
    dialogs.answerColor(QColor(Qt::red));
    ModalAnswer answer = whenShown<TfrHilightForm>([](TfrHilightForm &form) {
        EXPECT_TRUE(form.RB2->isChecked());
        EXPECT_TRUE(form.SpeedButton2->isEnabled());
        EXPECT_EQ(ColorButtonGlyphColor(form.SpeedButton2->Glyph()), clWhite);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
        EXPECT_EQ(ColorButtonGlyphColor(form.SpeedButton2->Glyph()), clRed);
        form.RB1->click();
        EXPECT_FALSE(form.SpeedButton2->isEnabled());
        form.Button1->click();
    });
    ASSERT_TRUE(TfrHilightForm::Execute(values));
    EXPECT_EQ(values.FontColor, clLime);
    EXPECT_EQ(values.FillColor, clTransparent);

    // Cancelling the colour dialog keeps the colour; a picked colour stays while "other" stays chosen.
    dialogs.answerColor(std::nullopt);
    dialogs.answerColor(QColor(Qt::blue));
    answer = whenShown<TfrHilightForm>([](TfrHilightForm &form) {
        form.RB2->click();
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
        form.Button1->click();
    });
    ASSERT_TRUE(TfrHilightForm::Execute(values));
    EXPECT_EQ(values.FontColor, clLime);
    EXPECT_EQ(values.FillColor, clBlue);
}

TEST_F(DialogsProperties, TheConditionComesFromTheExpressionBuilderPresetWithIt)
{
    TfrHighlight values { QStringLiteral("[A]"), 2, clBlack, clWhite };
    ModalAnswer builder = whenShown<TfrExprForm>([](TfrExprForm &form) {
        EXPECT_EQ(form.ExprMemo->toPlainText(), QStringLiteral("[A]"));
        form.ExprMemo->setPlainText(QStringLiteral("[B] = 1"));
        form.Button1->click();
    });
    ModalAnswer answer = whenShown<TfrHilightForm>([&builder](TfrHilightForm &form) {
        QTest::mouseClick(form.Edit1->Button(), Qt::LeftButton);
        EXPECT_TRUE(builder.ran());
        EXPECT_EQ(form.Edit1->currentText(), QStringLiteral("[B] = 1"));
        form.Button2->click();
    });
    EXPECT_FALSE(TfrHilightForm::Execute(values));
    EXPECT_EQ(values.Condition, QStringLiteral("[A]")) << "cancelled";
}

// ---- tag and group condition --------------------------------------------------------------------------------------

TEST_F(DialogsProperties, TheTagTakesTheBuiltExpressionAtTheCaretAndIsStoredAfterTheChangeIsRecorded)
{
    TfrMemoView view;
    view.Tag = QStringLiteral("a-b");
    ModalAnswer builder = whenShown<TfrExprForm>([](TfrExprForm &form) {
        EXPECT_TRUE(form.ExprMemo->toPlainText().isEmpty()) << "the builder starts empty";
        form.ExprMemo->setPlainText(QStringLiteral("[X]"));
        form.Button1->click();
    });
    ModalAnswer answer = whenShown<TfrAttrEditorForm>([](TfrAttrEditorForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Тэг объекта"));
        EXPECT_EQ(form.Edit1->ButtonHint(), QStringLiteral("Вставить выражение"));
        form.Edit1->lineEdit()->setSelection(1, 1);
        QTest::mouseClick(form.Edit1->Button(), Qt::LeftButton);
        form.Button1->click();
    });
    ASSERT_TRUE(TfrAttrEditorForm::EditTag(view));
    EXPECT_EQ(view.Tag, QStringLiteral("a[X]b"));
    EXPECT_EQ(designer.Calls, QStringList({ "BeginObjectChange" }));

    answer = whenShown<TfrAttrEditorForm>([](TfrAttrEditorForm &form) {
        form.Edit1->setEditText(QStringLiteral("other"));
        form.Button2->click();
    });
    EXPECT_FALSE(TfrAttrEditorForm::EditTag(view));
    EXPECT_EQ(view.Tag, QStringLiteral("a[X]b"));
    EXPECT_EQ(designer.Calls.size(), 1) << "nothing recorded on Cancel";
}

TEST_F(DialogsProperties, TheGroupConditionTakesTheDesignersPickedExpression)
{
    TfrBandView band;
    band.SetBandType(btGroupHeader);
    band.FormatText = QStringLiteral("[Customers.\"ID\"]");
    ModalAnswer answer = whenShown<TfrGroupEditorForm>([this](TfrGroupEditorForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Группа"));
        EXPECT_EQ(form.GB1->title(), QStringLiteral("&Условие"));
        EXPECT_EQ(form.Edit1->currentText(), QStringLiteral("[Customers.\"ID\"]"));
        // A cancelled pick leaves the text.
        QTest::mouseClick(form.Edit1->Button(), Qt::LeftButton);
        EXPECT_EQ(form.Edit1->currentText(), QStringLiteral("[Customers.\"ID\"]"));
        designer.Expression = QStringLiteral("[Customers.\"NAME\"]");
        QTest::mouseClick(form.Edit1->Button(), Qt::LeftButton);
        EXPECT_EQ(form.Edit1->currentText(), QStringLiteral("[Customers.\"NAME\"]"));
        form.Button1->click();
    });
    ASSERT_TRUE(TfrGroupEditorForm::EditCondition(band));
    EXPECT_EQ(band.GetPropertyValue(QStringLiteral("Condition")).toString(), QStringLiteral("[Customers.\"NAME\"]"));
    EXPECT_EQ(designer.Calls, QStringList({ "PickExpression", "PickExpression", "BeginObjectChange" }));

    answer = whenShown<TfrGroupEditorForm>([](TfrGroupEditorForm &form) {
        form.Edit1->setEditText(QStringLiteral("[X]"));
        form.Button2->click();
    });
    EXPECT_FALSE(TfrGroupEditorForm::EditCondition(band));
    EXPECT_EQ(band.FormatText, QStringLiteral("[Customers.\"NAME\"]"));
    EXPECT_EQ(designer.Calls.size(), 3);
}

// ---- picture ------------------------------------------------------------------------------------------------------

class DialogsPicture : public DialogsProperties
{
protected:
    QString pictureFile(const QString &name, int width, int height, QColor color)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        const QString file = folder.filePath(name);
        EXPECT_TRUE(image.save(file, "BMP"));
        return file;
    }
    // The box's pixel, as the user sees it.
    static QColor pixel(TfrGEditorForm &form, int x, int y) { return form.PB1->grab().toImage().pixelColor(x, y); }

    QTemporaryDir folder;
    const QColor window = toQColor(clWindow);
};

TEST_F(DialogsPicture, ASmallPictureIsDrawnCentredAndALargeOneSqueezedIntoTheBox)
{
    TfrPictureView view;
    dialogs.answerPicture(pictureFile(QStringLiteral("small.bmp"), 50, 50, Qt::red));
    dialogs.answerPicture(pictureFile(QStringLiteral("wide.bmp"), 2000, 100, Qt::blue));
    TfrGEditorForm form;
    ModalAnswer answer = whenShown<TfrGEditorForm>([this](TfrGEditorForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Рисунок"));
        form.Button3->click();
        const QSize box = form.PB1->size();
        ASSERT_GT(box.width(), 100);
        const QPoint centre(box.width() / 2, box.height() / 2);
        EXPECT_EQ(pixel(form, centre.x(), centre.y()), QColor(Qt::red));
        EXPECT_EQ(pixel(form, centre.x() - 24, centre.y() - 24), QColor(Qt::red));
        EXPECT_EQ(pixel(form, centre.x() - 27, centre.y()), window) << "left of the picture";
        EXPECT_EQ(pixel(form, centre.x(), centre.y() + 27), window) << "below the picture";
        EXPECT_EQ(pixel(form, 0, 0), window);

        form.Button3->click();
        EXPECT_EQ(pixel(form, 0, 0), QColor(Qt::blue));
        EXPECT_EQ(pixel(form, box.width() - 1, box.height() - 1), QColor(Qt::blue));
        form.Button1->click();
    });
    EXPECT_EQ(form.ShowEditor(&view), mrOk);
    EXPECT_EQ(view.Picture.Width(), 2000);
    EXPECT_EQ(designer.Calls, QStringList({ "BeginObjectChange" }));
    EXPECT_EQ(dialogs.fileRequests.first().filter,
        QStringLiteral(
            "Графические файлы (*.bmp *.jpg *.ico *.wmf *.emf)|*.bmp;*.jpg;*.ico;*.wmf;*.emf|Все файлы|*.*"));
}

TEST_F(DialogsPicture, AFileThatIsNoPictureKeepsThePictureAndIsNamed)
{
    TfrPictureView view;
    view.Picture.SetImage(QImage(QSize(40, 30), QImage::Format_RGB32));
    const QString text = folder.filePath(QStringLiteral("notes.bmp"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM these are notes, not a picture");
    file.close();
    dialogs.answerPicture(text);
    dialogs.answerPicture(QString());
    TfrGEditorForm form;
    ModalAnswer answer = whenShown<TfrGEditorForm>([](TfrGEditorForm &form) {
        form.Button3->click();
        EXPECT_EQ(form.Picture.Width(), 40);
        form.Button3->click(); // cancelled
        EXPECT_EQ(form.Picture.Width(), 40);
        form.Button2->click();
    });
    EXPECT_EQ(form.ShowEditor(&view), mrCancel);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests.first().type, mtError);
    EXPECT_TRUE(messages.lastText().contains(QDir::toNativeSeparators(text))) << messages.lastText().toStdString();
    EXPECT_TRUE(designer.Calls.isEmpty());
}

TEST_F(DialogsPicture, ThePictureIsPastedFromTheClipboardAndCleared)
{
    TfrPictureView view;
    QImage green(30, 20, QImage::Format_RGB32);
    green.fill(Qt::green);
    TfrGEditorForm form;
    ModalAnswer answer = whenShown<TfrGEditorForm>([&green, this](TfrGEditorForm &form) {
        const QSize box = form.PB1->size();
        // Without a picture "[Нет]" stands from y 100, in the middle.
        const QImage none = form.PB1->grab().toImage();
        auto inkIn = [&none, this](int top, int bottom, int left, int right) {
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    if (none.pixelColor(x, y) != window)
                        return true;
            return false;
        };
        EXPECT_FALSE(inkIn(0, 100, 0, box.width()));
        EXPECT_TRUE(inkIn(100, 120, box.width() / 2 - 10, box.width() / 2 + 10));
        EXPECT_FALSE(inkIn(100, 120, 0, box.width() / 2 - 40));
        QApplication::clipboard()->setText(QStringLiteral("no picture here"));
        QTest::keyClick(&form, Qt::Key_V, Qt::ControlModifier);
        EXPECT_TRUE(form.Picture.IsEmpty()) << "text on the clipboard changes nothing";
        QApplication::clipboard()->setImage(green);
        QTest::keyClick(&form, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(form.Picture.Width(), 30);
        EXPECT_EQ(pixel(form, box.width() / 2, box.height() / 2), QColor(Qt::green));
        form.Button4->click();
        EXPECT_TRUE(form.Picture.IsEmpty());
        QTest::keyClick(&form, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(form.Picture.Height(), 20);
        form.Button1->click();
    });
    EXPECT_EQ(form.ShowEditor(&view), mrOk);
    EXPECT_EQ(view.Picture.Image().pixelColor(0, 0), QColor(Qt::green));
}

} // namespace
