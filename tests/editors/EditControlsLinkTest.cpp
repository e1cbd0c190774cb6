// The field data link and the edit image settings.
#include "DBCtrlsEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"

#include <gtest/gtest.h>

using tarvik::test::EditorTable;

namespace {

struct CountingLink
{
    TFieldDataLinkEh link;
    int dataChanges = 0;
    int editingChanges = 0;
    int updates = 0;

    CountingLink()
    {
        link.OnDataChange = [this](TFieldDataLinkEh *) { ++dataChanges; };
        link.OnEditingChange = [this](TFieldDataLinkEh *) { ++editingChanges; };
        link.OnUpdateData = [this](TFieldDataLinkEh *) { ++updates; };
    }
};

} // namespace

TEST(EditControlsLink, AFreshLinkIsIndependentActiveAndModifiable)
{
    TFieldDataLinkEh link;
    EXPECT_TRUE(link.DataIndependent());
    EXPECT_TRUE(link.Active());
    EXPECT_TRUE(link.CanModify());
    EXPECT_FALSE(link.UnboundValue.isValid());
    EXPECT_EQ(link.Field(), nullptr);
    EXPECT_FALSE(link.Editing());
}

TEST(EditControlsLink, ClearingTheDataSourceAgainMakesItIndependentWithNull)
{
    EditorTable data;
    CountingLink c;
    c.link.UnboundValue = 5;
    c.link.SetDataSource(&data.source);
    EXPECT_FALSE(c.link.DataIndependent());
    EXPECT_FALSE(c.link.UnboundValue.isValid()) << "every switch clears the own value";
    c.link.UnboundValue = 6;
    c.dataChanges = 0;
    c.link.SetDataSource(nullptr);
    EXPECT_TRUE(c.link.DataIndependent());
    EXPECT_FALSE(c.link.UnboundValue.isValid());
    EXPECT_GE(c.dataChanges, 1);
}

TEST(EditControlsLink, ChangesOfUnlinkedFieldsAreIgnored)
{
    EditorTable data;
    CountingLink c;
    c.link.SetDataSource(&data.source);
    c.link.SetFieldName(QStringLiteral("NAME"));
    ASSERT_EQ(c.link.Field(), data.field("NAME"));
    data.table.Edit();
    c.dataChanges = 0;
    data.field("ID")->SetValue(8);
    EXPECT_EQ(c.dataChanges, 0);
    data.field("NAME")->SetValue(QStringLiteral("Петров"));
    EXPECT_EQ(c.dataChanges, 1);
    c.link.RecordChanged(nullptr);
    EXPECT_EQ(c.dataChanges, 2) << "the whole record always counts";
}

TEST(EditControlsLink, EditOnAReadOnlyIndependentLinkFailsQuietly)
{
    CountingLink c;
    c.link.SetReadOnly(true);
    EXPECT_FALSE(c.link.Edit());
    EXPECT_EQ(c.editingChanges, 0);
    c.link.SetReadOnly(false);
    EXPECT_TRUE(c.link.Edit());
    EXPECT_EQ(c.editingChanges, 1);
}

TEST(EditControlsLink, UpdateDataWritesOnlyWhenModified)
{
    EditorTable data;
    CountingLink c;
    c.link.SetDataSource(&data.source);
    c.link.SetFieldName(QStringLiteral("NAME"));
    ASSERT_TRUE(c.link.Edit());
    ASSERT_TRUE(c.link.Editing());
    c.link.UpdateRecord();
    EXPECT_EQ(c.updates, 0);
    EXPECT_TRUE(c.link.Editing());
    c.link.MarkModified();
    c.link.UpdateRecord();
    EXPECT_EQ(c.updates, 1);
    EXPECT_FALSE(c.link.Modified());

    // Unbound: written when modified, and editing ends either way.
    CountingLink u;
    ASSERT_TRUE(u.link.Edit());
    u.link.UpdateRecord();
    EXPECT_EQ(u.updates, 0);
    EXPECT_FALSE(u.link.Editing());
}

TEST(EditControlsLink, NullAndValuesOverSeveralFields)
{
    EditorTable data;
    TFieldDataLinkEh link;
    link.SetMultiFields(true);
    link.SetDataSource(&data.source);
    link.SetFieldName(QStringLiteral("ID;NAME"));
    ASSERT_EQ(link.FieldsCount(), 2);
    data.table.Edit();
    link.SetValue(QVariantList { 9, QStringLiteral("Сидоров") });
    EXPECT_EQ(data.field("ID")->AsInteger(), 9);
    EXPECT_EQ(data.field("NAME")->AsString(), QStringLiteral("Сидоров"));
    link.SetValue(QVariant());
    EXPECT_TRUE(data.field("ID")->IsNull());
    EXPECT_TRUE(data.field("NAME")->IsNull());
    EXPECT_THROW(link.SetValue(5), EVariantError) << "a scalar for several fields";
}

TEST(EditControlsLink, WritingWithNothingBoundIsAClearError)
{
    // A field name without a data source.
    TFieldDataLinkEh orphan;
    orphan.SetFieldName(QStringLiteral("NAME"));
    EXPECT_FALSE(orphan.DataIndependent());
    EXPECT_THROW(orphan.SetText(QStringLiteral("x")), EDatabaseError);
    orphan.MarkModified();
    EXPECT_THROW(orphan.UpdateRecord(), EDatabaseError) << "a change is never dropped without a word";
    EXPECT_TRUE(orphan.Modified());

    // A field the dataset lacks.
    EditorTable data;
    TFieldDataLinkEh link;
    link.SetDataSource(&data.source);
    try {
        link.SetFieldName(QStringLiteral("MISSING"));
        FAIL() << "no error";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Field 'MISSING' not found")));
    }
}

TEST(EditControlsLink, IndependentTextAndValueGoToTheOwnValue)
{
    CountingLink c;
    c.link.SetText(QStringLiteral("abc"));
    EXPECT_EQ(c.link.UnboundValue, QVariant(QStringLiteral("abc")));
    EXPECT_EQ(c.dataChanges, 1);
    c.link.SetValue(5);
    EXPECT_EQ(c.link.UnboundValue, QVariant(5));
    EXPECT_EQ(VariantToText(QVariant(QVariantList { 1, 2 })), QString());
    EXPECT_EQ(ReplicateString(QStringLiteral("ab"), 3), QStringLiteral("ababab"));
    EXPECT_EQ(ReplicateString(QStringLiteral("ab"), 0), QString());
}

TEST(EditControlsLink, ImageAssignKeepsTheTargetsImageHeightRule)
{
    QWidget host;
    TImageList images;
    TEditImageEh source(&host);
    source.SetImages(&images);
    source.SetImageIndex(3);
    source.SetVisible(true);
    source.SetWidth(20);
    source.SetUseImageHeight(false);
    TEditImageEh target(&host);
    target.Assign(source);
    EXPECT_EQ(target.Images(), &images);
    EXPECT_EQ(target.ImageIndex(), 3);
    EXPECT_TRUE(target.Visible());
    EXPECT_EQ(target.Width(), 20);
    EXPECT_TRUE(target.UseImageHeight());
}
