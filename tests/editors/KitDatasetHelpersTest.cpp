#include "VCLHelpersEh.h"

#include "DataSet.h"
#include "DataSource.h"
#include "DatabaseError.h"
#include "MemTable.h"
#include "Color.h"
#include "Exceptions.h"
#include "Variant.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <memory>
#include <tuple>

namespace {

std::unique_ptr<TMemTable> makeCustomers()
{
    auto t = std::make_unique<TMemTable>();
    t->setObjectName(QStringLiteral("Customers"));
    t->LoadData({TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                 TFieldDef(QStringLiteral("DEBT"), ftFloat)},
                {{1, QStringLiteral("Иванов"), 10.5}, {2, QStringLiteral("Петров"), QVariant()},
                 {3, QStringLiteral("Сидоров"), 0.0}});
    return t;
}

std::string messageOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const EDatabaseError &e) {
        return e.message().toStdString();
    }
    return "no error";
}

} // namespace

// A control with the object properties the controls read their master dataset from.
class KitSourceHolder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TDataSource *MasterSource READ MasterSource)
    Q_PROPERTY(QObject *Other READ Other)
    Q_PROPERTY(int Number READ Number)
    Q_PROPERTY(QObject *Raising READ Raising)
public:
    TDataSource *MasterSource() const { return source; }
    QObject *Other() const { return other; }
    int Number() const { return 7; }
    QObject *Raising() const { throw EDatabaseError(QStringLiteral("unreadable")); }

    QPointer<TDataSource> source;
    QPointer<QObject> other;

    QMetaProperty property(const char *name) const
    {
        return metaObject()->property(metaObject()->indexOfProperty(name));
    }
};

TEST(KitDatasetHelpers, BookmarksFollowTheDatasetOrder)
{
    auto t = makeCustomers();
    const QByteArray first = t->GetBookmark();
    t->Last();
    const QByteArray last = t->GetBookmark();
    EXPECT_LT(CompareDatasetBookmarks(t.get(), first, last), 0);
    EXPECT_GT(CompareDatasetBookmarks(t.get(), last, first), 0);
    EXPECT_EQ(CompareDatasetBookmarks(t.get(), last, last), 0);
    EXPECT_TRUE(IsDatasetBookmarkValid(t.get(), first));

    t->Delete();
    EXPECT_FALSE(IsDatasetBookmarkValid(t.get(), last)) << "a deleted row";
    EXPECT_FALSE(IsDatasetBookmarkValid(t.get(), QByteArray()));
    EXPECT_FALSE(IsDatasetBookmarkValid(nullptr, first));
    EXPECT_EQ(CompareDatasetBookmarks(nullptr, first, last), 0);
}

TEST(KitDatasetHelpers, MasterDatasetOnlyThroughADataSourceProperty)
{
    auto t = makeCustomers();
    TDataSource source;
    source.SetDataSet(t.get());
    QObject plain;
    KitSourceHolder holder;

    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("MasterSource")), nullptr) << "empty property";
    holder.source = &source;
    holder.other = &plain;
    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("MasterSource")), t.get());
    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("Other")), nullptr) << "not a data source";
    holder.other = &source;
    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("Other")), t.get());
    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("Number")), nullptr) << "not an object";
    EXPECT_EQ(MasterDatasetFromProperty(&holder, QMetaProperty()), nullptr) << "no property";
    EXPECT_EQ(MasterDatasetFromProperty(&holder, holder.property("Raising")), nullptr) << "never raises";
}

TEST(KitDatasetHelpers, SetFieldValuesClearsOnNullAndRefusesAMisfitValue)
{
    auto t = makeCustomers();
    t->Edit();
    SetDataSetFieldValues(t.get(), QStringLiteral("NAME"), QStringLiteral("Смирнов"));
    SetDataSetFieldValues(t.get(), QStringLiteral("ID;DEBT"), QVariantList{9, 1.25});
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), QStringLiteral("Смирнов"));
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 9);
    EXPECT_DOUBLE_EQ(t->FieldByName("DEBT")->AsFloat(), 1.25);

    SetDataSetFieldValues(t.get(), QStringLiteral("NAME; DEBT"), QVariant());
    EXPECT_TRUE(t->FieldByName("NAME")->IsNull());
    EXPECT_TRUE(t->FieldByName("DEBT")->IsNull());

    // One value for two fields, or a list of another length, would set one field from another's value.
    EXPECT_THROW(SetDataSetFieldValues(t.get(), QStringLiteral("ID;DEBT"), 5), EDatabaseError);
    EXPECT_THROW(SetDataSetFieldValues(t.get(), QStringLiteral("ID;DEBT"), QVariantList{5}), EDatabaseError);
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 9) << "nothing set by a refused value";
    EXPECT_EQ(messageOf([&] { SetDataSetFieldValues(t.get(), QStringLiteral("NAME;NOPE"), QVariant()); }),
              "Customers: Field 'NOPE' not found");
}

TEST(KitDatasetHelpers, FieldListsKeepTheOrderAndNameTheComponentOfAMissingField)
{
    auto t = makeCustomers();
    QObject grid;
    grid.setObjectName(QStringLiteral("gridCustomers"));

    TFieldsArrEh fields;
    FieldsArrayFromNames(t.get(), &grid, QStringLiteral("DEBT;id ; Name"), fields);
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields[0]->FieldName(), QStringLiteral("DEBT"));
    EXPECT_EQ(fields[1]->FieldName(), QStringLiteral("ID"));
    EXPECT_EQ(fields[2]->FieldName(), QStringLiteral("NAME"));

    QList<TField *> found;
    EXPECT_EQ(messageOf([&] { FindFieldsList(&found, t.get(), &grid, QStringLiteral("ID;ADDRESS;NAME")); }),
              "gridCustomers: Field 'ADDRESS' not found");
    ASSERT_EQ(found.size(), 1) << "the fields found before the missing one stay";
    EXPECT_EQ(found[0]->FieldName(), QStringLiteral("ID"));

    EXPECT_NO_THROW(FindFieldsList(nullptr, t.get(), &grid, QStringLiteral("ID;NAME")));
    EXPECT_EQ(messageOf([&] { FindFieldsList(nullptr, t.get(), nullptr, QStringLiteral("X")); }),
              "Field 'X' not found");
    EXPECT_EQ(messageOf([&] { FindFieldsList(nullptr, nullptr, &grid, QStringLiteral("ID")); }),
              "gridCustomers: Field 'ID' not found");
}

#include "KitDatasetHelpersTest.moc"

TEST(KitDatasetHelpers, MessageAndColourValues)
{
    EXPECT_EQ(ColorToImageListColor(clNone), CLR_NONE);
    EXPECT_EQ(ColorToImageListColor(clDefault), CLR_DEFAULT);
    EXPECT_EQ(ColorToImageListColor(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToImageListColor(clBtnFace), COLORREF(ColorToRGB(clBtnFace)));

    // Negative coordinates keep their 16-bit pattern, as a mouse message carries them.
    EXPECT_EQ(SmallPointAsLParam(QPoint(3, 2)), 0x00020003);
    EXPECT_EQ(quint32(SmallPointAsLParam(QPoint(-1, -2))), 0xFFFEFFFFu);

    TMessageEvent source(WM_USER + 5, 7, 9), copy(0, 0, 0);
    source.Result = 11;
    CopyWindowMessage(source, copy);
    EXPECT_EQ(std::tuple(copy.Msg, copy.WParam, copy.LParam, copy.Result), std::tuple(WM_USER + 5, 7, 9, 11));
}

TEST(KitDatasetHelpers, RedimVariantArrayKeepsElementsAndRefusesScalars)
{
    Variant array(QList<Variant>{Variant(1), Variant(QStringLiteral("a"))});
    RedimVariantArray(array, 3);
    ASSERT_EQ(array.elements().size(), 4);
    EXPECT_EQ(array.elements()[1].toString(), QStringLiteral("a"));
    EXPECT_TRUE(array.elements()[3].isUnassigned());
    RedimVariantArray(array, 0);
    EXPECT_EQ(array.elements().size(), 1);

    Variant scalar(5);
    EXPECT_THROW(RedimVariantArray(scalar, 2), EVariantError);
    EXPECT_THROW(RedimVariantArray(array, -2), EVariantError);
    EXPECT_EQ(scalar.toInt(), 5);
}
