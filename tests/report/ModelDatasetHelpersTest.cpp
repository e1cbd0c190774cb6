#include "FR_Class.h"
#include "FR_Globals.h"
#include "FR_Utils.h"

#include "CodePage.h"
#include "ComponentRegistry.h"
#include "DataSet.h"
#include "MemTable.h"
#include "Streams.h"
#include "Variant.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <memory>

namespace {

class ModelDatasetHelpers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        customers.setObjectName(QStringLiteral("Customers"));
        customers.LoadData({TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                            TFieldDef(QStringLiteral("FULL NAME"), ftString, 60),
                            TFieldDef(QStringLiteral("A.B"), ftInteger)},
                           {{1, QStringLiteral("Иванов"), QStringLiteral("Иванов И. И."), 5},
                            {2, QStringLiteral("Петров"), QVariant(), QVariant()}});
        ComponentRegistry::instance().registerOwner(&module, QStringLiteral("DM"));
        ComponentRegistry::instance().registerComponent(&module, &customers, QStringLiteral("Customers"));
        ComponentRegistry::instance().registerComponent(&module, &notADataSet, QStringLiteral("Label"));
        ComponentRegistry::instance().registerOwner(&form, QStringLiteral("Form1"));
        frame.setObjectName(QStringLiteral("Frame1"));
        orders.setObjectName(QStringLiteral("Orders"));
        orders.AddField<TIntegerField>(QStringLiteral("ORDER_ID"));
    }
    void TearDown() override { frResetEngine(); }

    QObject module;
    QObject form;
    QObject frame{&form};
    TMemTable orders{&frame};
    TMemTable customers;
    QObject notADataSet;
};

TEST_F(ModelDatasetHelpers, FieldReferencesByDottedNames)
{
    TfrReport report(&module);
    frEngine().CurrentReport = &report;
    struct Case
    {
        const char *text;
        TDataSet *given;
        TDataSet *dataset;
        const char *field;
    } cases[] = {
        {"NAME", &customers, &customers, "NAME"},
        {"name", &customers, &customers, "name"},
        {"NAME", nullptr, nullptr, ""},
        {"Customers.NAME", nullptr, &customers, "NAME"},
        {"Customers.NAME", &orders, &customers, "NAME"},
        {"Customers.MISSING", nullptr, &customers, ""},
        {"Customers.\"FULL NAME\"", nullptr, &customers, "FULL NAME"},
        {"DM.Customers.\"A.B\"", nullptr, &customers, "A.B"},
        {"\"A.B\"", &customers, &customers, "A.B"},
        {"DM.Customers.ID", nullptr, &customers, "ID"},
        {"Form1.Frame1.Orders.ORDER_ID", nullptr, &orders, "ORDER_ID"},
        {"NoForm.Customers.NAME", &customers, nullptr, ""},
        {"Label.NAME", &customers, nullptr, ""}, // a component that is no dataset
        {"A.B.C.D.NAME", &customers, nullptr, ""},
    };
    for (const Case &c : cases) {
        TDataSet *dataset = c.given;
        QString field = QStringLiteral("stale");
        ResolveFieldReference(QString::fromUtf8(c.text), dataset, field);
        EXPECT_EQ(dataset, c.dataset) << c.text;
        EXPECT_EQ(field, QString::fromUtf8(c.field)) << c.text;
    }

    QStringList names;
    ListDataSetFields(&orders, names);
    EXPECT_EQ(names, QStringList{QStringLiteral("ORDER_ID")}) << "declared fields of a closed dataset";
    ListDataSetFields(nullptr, names);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_EQ(FieldNameIfExists(nullptr, QStringLiteral("ID")), QString());
}

TEST_F(ModelDatasetHelpers, FieldValuesForExpressions)
{
    TMemTable t;
    auto *text = t.AddField<TStringField>(QStringLiteral("TEXT"));
    auto *memo = t.AddField<TMemoField>(QStringLiteral("NOTE"));
    auto *flag = t.AddField<TBooleanField>(QStringLiteral("FLAG"));
    auto *count = t.AddField<TIntegerField>(QStringLiteral("COUNT"));
    auto *amount = t.AddField<TFloatField>(QStringLiteral("AMOUNT"));
    auto *big = t.AddField<TLargeintField>(QStringLiteral("BIG"));
    auto *handled = t.AddField<TIntegerField>(QStringLiteral("HANDLED"));
    handled->OnGetText = [](TField *f, QString &s, bool) { s = f->IsNull() ? QStringLiteral("нет") : QStringLiteral("да"); };

    Variant v;
    GetFieldValue(text, v);
    EXPECT_TRUE(t.Active()) << "a closed dataset is opened";
    t.Append();
    struct Case
    {
        TField *field;
        Variant null;
    } nulls[] = {
        {text, Variant(QString())}, {memo, Variant(QString())}, {flag, Variant(false)},
        {count, Variant(0)},        {amount, Variant(0)},       {big, Variant(QString())},
        {handled, Variant(QStringLiteral("нет"))},
    };
    for (const Case &c : nulls) {
        GetFieldValue(c.field, v);
        EXPECT_EQ(v.type(), c.null.type()) << c.field->FieldName().toStdString();
        EXPECT_EQ(v.toString(), c.null.toString()) << c.field->FieldName().toStdString();
    }

    amount->SetValue(12.5);
    big->SetValue(qlonglong(9007199254740993LL));
    handled->SetValue(1);
    GetFieldValue(amount, v);
    EXPECT_DOUBLE_EQ(v.toDouble(), 12.5);
    GetFieldValue(big, v);
    EXPECT_EQ(v.toString(), QStringLiteral("9007199254740993")) << "a large integer keeps every digit as text";
    GetFieldValue(handled, v);
    EXPECT_EQ(v.toString(), QStringLiteral("да"));
}

QByteArray bitmapBytes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

TEST_F(ModelDatasetHelpers, ObjectsBoundToBlobFieldsTakeTheirContentBeforePrint)
{
    TMemTable t;
    t.LoadData({TFieldDef(QStringLiteral("NOTE"), ftMemo), TFieldDef(QStringLiteral("PHOTO"), ftBlob),
                TFieldDef(QStringLiteral("NAME"), ftString, 20)},
               {{QStringLiteral("первая\r\nвторая\r\n"), bitmapBytes(4, 3), QStringLiteral("Иванов")},
                {QVariant(), QVariant(), QStringLiteral("Петров")}});
    TfrReport report;
    QStringList seen;
    report.OnBeforePrint = [&](QStringList &memo, TfrView *) { seen = memo; };

    TfrMemoView memo;
    memo.BlobDataSet = &t;
    memo.BlobFieldName = QStringLiteral("note");
    report.DoBeforePrint(memo.WorkText, &memo);
    EXPECT_EQ(memo.WorkText, (QStringList{QStringLiteral("первая"), QStringLiteral("вторая")}));
    EXPECT_EQ(seen, memo.WorkText) << "the handler sees the field's text";

    TfrPictureView picture;
    picture.BlobDataSet = &t;
    picture.BlobFieldName = QStringLiteral("PHOTO");
    report.DoBeforePrint(picture.WorkText, &picture);
    EXPECT_EQ(picture.Picture.Width(), 4);
    EXPECT_EQ(picture.Picture.Height(), 3);

    // A field that is not a blob is left to the expressions.
    memo.BlobFieldName = QStringLiteral("NAME");
    memo.WorkText = QStringList{QStringLiteral("[NAME]")};
    report.DoBeforePrint(memo.WorkText, &memo);
    EXPECT_EQ(memo.WorkText, QStringList{QStringLiteral("[NAME]")});

    t.Next();
    memo.BlobFieldName = QStringLiteral("NOTE");
    report.DoBeforePrint(memo.WorkText, &memo);
    EXPECT_TRUE(memo.WorkText.isEmpty());
    report.DoBeforePrint(picture.WorkText, &picture);
    EXPECT_TRUE(picture.Picture.IsEmpty()) << "a Null field clears the picture";

    {
        TfrMemoView unbound;
        unbound.BlobFieldName = QStringLiteral("NOTE");
        unbound.WorkText = QStringList{QStringLiteral("x")};
        report.DoBeforePrint(unbound.WorkText, &unbound);
        EXPECT_EQ(unbound.WorkText, QStringList{QStringLiteral("x")});
    }
    {
        auto gone = std::make_unique<TMemTable>();
        memo.BlobDataSet = gone.get();
        gone.reset();
        memo.WorkText = QStringList{QStringLiteral("y")};
        report.DoBeforePrint(memo.WorkText, &memo);
        EXPECT_EQ(memo.WorkText, QStringList{QStringLiteral("y")}) << "a freed dataset unbinds the object";
    }

    t.First();
    TMemoryStream stream;
    stream.WriteByte(0x55);
    AssignBlobTo(t.FieldByName(QStringLiteral("NOTE")), stream);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.Bytes(), QByteArray("\x55") + QStringToCP1251(QStringLiteral("первая\r\nвторая\r\n")))
        << "text content in the ANSI code page, after what the stream held";
    EXPECT_TRUE(IsBlobField(t.FieldByName(QStringLiteral("PHOTO"))));
    EXPECT_FALSE(IsBlobField(t.FieldByName(QStringLiteral("NAME"))));
    EXPECT_FALSE(IsBlobField(nullptr));
}

TEST_F(ModelDatasetHelpers, BookmarksGoBackAndCompare)
{
    QByteArray first = GetDataSetBookmark(&customers);
    customers.Next();
    const QByteArray second = GetDataSetBookmark(&customers);
    EXPECT_FALSE(BookmarksEqual(&customers, first, second));
    EXPECT_TRUE(BookmarksEqual(&customers, second, GetDataSetBookmark(&customers)));
    GotoDataSetBookmark(&customers, first);
    EXPECT_EQ(customers.RecNo(), 1);
    FreeDataSetBookmark(&customers, first);
    EXPECT_TRUE(first.isEmpty());
    EXPECT_TRUE(GetDataSetBookmark(nullptr).isEmpty());
}

} // namespace
