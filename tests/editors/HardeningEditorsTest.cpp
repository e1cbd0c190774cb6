// Faults found by review in the edit controls, each with the behaviour that replaced it.
#include "DBLookupEh.h"
#include "DBLookupGridsEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"
#include "Exceptions.h"
#include "LookupControlsSupport.h"
#include "ServiceFakes.h"
#include "ToolCtrlsEh.h"

#include <QLayout>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;
using tarvik::test::LookupList;

namespace {

int redPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == QColor(Qt::red);
    return n;
}

// A glyph image narrower than its glyph count drew nothing: it shows the glyphs it holds.
TEST(HardeningEditors, AGlyphNarrowerThanItsCountStillShows)
{
    for (int width : {1, 3, 8}) {
        QWidget host;
        TEditButtonControlEh button(&host);
        button.SetStyle(ebsGlyphEh);
        button.resize(15, 17);
        QPixmap glyph(width, 6);
        glyph.fill(Qt::red);
        button.SetGlyph(glyph);
        button.SetNumGlyphs(4);
        // One glyph of the strip, 6 pixels high.
        EXPECT_EQ(redPixels(button.grab().toImage()), 6 * (width / std::min(4, width))) << "width " << width;
    }
}

// A list whose changed record cannot be stored: searching it (which stores that record first) fails.
void refuseSearching(LookupList &list)
{
    list.table.BeforePost.add([](TDataSet *) { throw EDatabaseError(QStringLiteral("Список заблокирован")); });
    list.table.Edit();
    list.table.FieldByName(QStringLiteral("CODE"))->SetValue(QStringLiteral("XX"));
}

} // namespace

// Every failure of a lookup control's search counted as a key not in the list: the control went blank, and a
// bound one wrote the blank back. Only a miss is a miss now.
TEST(HardeningEditors, ALookupSearchThatFailsIsAnErrorAndOnlyAMissIsAMiss)
{
    {
        LookupList list;
        EditorWindow w;
        auto *combo = new TDBLookupComboboxEh(&w.window);
        w.window.layout()->addWidget(combo);
        combo->SetListSource(&list.source);
        combo->SetKeyField(QStringLiteral("ID"));
        combo->SetListField(QStringLiteral("NAME"));
        EXPECT_NO_THROW(combo->SetKeyValue(99));
        EXPECT_EQ(combo->EditText(), QString()) << "a key the list lacks";
        EXPECT_THROW(combo->SetKeyValue(QStringLiteral("три")), EConvertError) << "a key the list's key cannot take";
        refuseSearching(list);
        EXPECT_THROW(combo->SetKeyValue(3), EDatabaseError);
    }
    {
        LookupList list;
        EditorWindow w;
        auto *grid = new TDBLookupGridEh(&w.window);
        w.window.layout()->addWidget(grid);
        grid->SetListSource(&list.source);
        grid->SetKeyField(QStringLiteral("ID"));
        grid->SetListField(QStringLiteral("NAME"));
        EXPECT_NO_THROW(grid->SetKeyValue(99));
        // The list's first record stood in for the key that could not be searched.
        EXPECT_THROW(grid->SetKeyValue(QStringLiteral("три")), EConvertError);
    }
}

TEST(HardeningEditors, TypingIntoALookupComboWhoseListFailsShowsTheError)
{
    FakeMessageService messages;
    LookupList list;
    EditorWindow w;
    auto *combo = new TDBLookupComboboxEh(&w.window);
    w.window.layout()->addWidget(combo);
    combo->SetStyle(csDropDownListEh);
    combo->SetListSource(&list.source);
    combo->SetKeyField(QStringLiteral("ID"));
    combo->SetListField(QStringLiteral("NAME"));
    combo->SetKeyValue(1);
    ASSERT_TRUE(EditorWindow::focus(combo));
    refuseSearching(list);
    QTest::keyClick(combo, Qt::Key_B);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.requests.isEmpty(); }));
    EXPECT_EQ(messages.requests.constLast().type, mtError);
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("Список заблокирован")))
        << messages.lastText().toStdString();
    EXPECT_EQ(combo->KeyValue(), QVariant(1));
    EXPECT_EQ(combo->EditText(), QStringLiteral("Apple"));
}
