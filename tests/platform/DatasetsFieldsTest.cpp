#include "DatasetsSupport.h"

#include "Exceptions.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

using tarvik::test::makeTable;

TEST(DatasetsFields, NullValuesReadAsTheirDefaults)
{
    auto t = makeTable({QString()});
    t->Edit();
    for (const char *n : {"ID", "NAME", "AMOUNT", "D"})
        t->FieldByName(n)->Clear();
    EXPECT_TRUE(t->FieldByName("NAME")->IsNull());
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "");
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 0);
    EXPECT_EQ(t->FieldByName("AMOUNT")->AsFloat(), 0.0);
    EXPECT_EQ(t->FieldByName("D")->AsDateTime(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(t->FieldByName("AMOUNT")->DisplayText(), "");
    // Empty typed text is null for numbers and dates.
    t->FieldByName("AMOUNT")->SetText("  ");
    EXPECT_TRUE(t->FieldByName("AMOUNT")->IsNull());
}

TEST(DatasetsFields, TypedConversionsAndTexts)
{
    FormatSettingsScope scope;
    auto t = makeTable({"a"});
    t->Edit();
    TField *amount = t->FieldByName("AMOUNT");
    amount->SetDisplayFormat("### ### ### ##0.##");
    struct { double value; const char *display; } cases[] = {
        {1234567.5, "1 234 567.5"}, {0, "0"}, {-1500.25, "-1 500.25"}};
    for (const auto &c : cases) {
        amount->SetValue(c.value);
        EXPECT_EQ(amount->DisplayText(), c.display);
    }
    amount->SetValue(1234567.5);
    EXPECT_EQ(amount->Text(), "1234567.5") << "the edit text reads back as the same number";
    amount->SetEditFormat("0.00");
    EXPECT_EQ(amount->Text(), "1234567.50");
    amount->SetText("12.5");
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 12.5);
    EXPECT_EQ(amount->AsInteger(), 12) << "halves go to the even neighbour";

    TField *d = t->FieldByName("D");
    d->SetAsString("2024-03-15 00:00:00");
    EXPECT_EQ(d->AsDateTime().date(), QDate(2024, 3, 15));
    EXPECT_EQ(d->DisplayText(), "15.03.2024");
    d->SetText("01.02.2023");
    EXPECT_EQ(d->AsDateTime().date(), QDate(2023, 2, 1));
    d->SetDisplayFormat("yyyy/mm");
    EXPECT_EQ(d->DisplayText(), "2023/02");
    EXPECT_THROW(d->SetText("32.13.2023"), EConvertError);

    TField *id = t->FieldByName("ID");
    id->SetAsString("17");
    EXPECT_EQ(id->Value(), QVariant(17));
    EXPECT_THROW(id->SetAsString("1.5"), EConvertError);
    id->OnGetText = [](TField *f, QString &text, bool display) {
        if (display)
            text = QStringLiteral("№") + f->AsString();
    };
    id->OnSetText = [](TField *f, const QString &text) { f->SetValue(text.mid(1).toInt()); };
    EXPECT_EQ(id->DisplayText(), "№17");
    EXPECT_EQ(id->Text(), "17");
    id->SetText("№5");
    EXPECT_EQ(id->AsInteger(), 5);
}

TEST(DatasetsFields, KindsPropertiesAndLists)
{
    TMemTable t;
    t.setObjectName("mdFlags");
    auto *flag = t.AddField<TBooleanField>("FLAG");
    auto *memo = t.AddField<TMemoField>("NOTE");
    auto *small = t.AddField<TSmallintField>("N");
    auto *amount = t.AddField<TFloatField>("AMOUNT");
    auto *code = t.AddField<TStringField>("CODE");
    code->SetSize(8);
    t.Open();
    t.Append();
    flag->SetValue(true);
    memo->SetValue("long text");
    EXPECT_EQ(flag->AsString(), "True");
    EXPECT_EQ(memo->DisplayText(), "(MEMO)");
    EXPECT_EQ(memo->Text(), "long text");
    EXPECT_EQ(small->Alignment(), taRightJustify);
    EXPECT_EQ(code->Alignment(), taLeftJustify);
    EXPECT_EQ(small->DisplayWidth(), 6);
    EXPECT_EQ(code->DisplayWidth(), 8);
    EXPECT_EQ(amount->DisplayWidth(), 10);
    EXPECT_TRUE(amount->IsValidChar('.'));
    EXPECT_TRUE(amount->IsValidChar('E'));
    EXPECT_FALSE(small->IsValidChar('.'));
    EXPECT_FALSE(small->IsValidChar('a'));
    EXPECT_TRUE(code->IsValidChar('a'));

    EXPECT_EQ(t.FindField("flag"), flag);
    EXPECT_EQ(t.FindField("missing"), nullptr);
    try {
        t.FieldByName("missing");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), "mdFlags: Field 'missing' not found");
    }
    t.SetFieldValues("N;CODE", QVariantList{3, "x"});
    EXPECT_EQ(t.FieldValues("code; n"), QVariant(QVariantList{"x", 3}));
    EXPECT_EQ(t.FieldValues("N"), QVariant(3));
    amount->SetIndex(0);
    EXPECT_EQ(t.Fields()[0], amount);
}

TEST(DatasetsFields, MovingAFieldToAnOpenDatasetLeavesItWhereItWas)
{
    TMemTable from;
    auto *code = from.AddField<TStringField>("CODE");
    TMemTable to;
    to.AddField<TStringField>("NAME");
    to.Open();
    EXPECT_THROW(code->SetDataSet(&to), EDatabaseError);
    EXPECT_EQ(code->DataSet(), &from);
    EXPECT_EQ(from.FindField("CODE"), code);
    EXPECT_EQ(to.FindField("CODE"), nullptr);
}

TEST(DatasetsFields, CalculatedAndLookupFields)
{
    auto lookup = makeTable({"first", "second"});
    TMemTable t;
    auto *ref = t.AddField<TIntegerField>("REF");
    auto *calc = t.AddField<TStringField>("C_TEXT", fkCalculated);
    auto *look = t.AddField<TStringField>("L_NAME", fkLookup);
    look->SetLookupDataSet(lookup.get());
    look->SetKeyFields("REF");
    look->SetLookupKeyFields("ID");
    look->SetLookupResultField("NAME");
    int calls = 0;
    t.OnCalcFields.add([&](TDataSet *ds) {
        ++calls;
        EXPECT_EQ(ds->State(), dsCalcFields);
        ds->FieldByName("C_TEXT")->SetValue("SKT" + ds->FieldByName("REF")->AsString());
    });
    t.Open();
    for (int r : {2, 1, 3}) {
        t.Append();
        ref->SetValue(r);
        t.Post();
    }
    t.First();
    EXPECT_EQ(calc->AsString(), "SKT2");
    EXPECT_EQ(look->AsString(), "second");
    t.Next();
    EXPECT_EQ(look->AsString(), "first");
    t.Next();
    EXPECT_TRUE(look->IsNull()) << "no lookup row";
    t.Edit();
    ref->SetValue(1);
    EXPECT_EQ(calc->AsString(), "SKT1") << "recalculated while editing";
    EXPECT_EQ(look->AsString(), "first");
    EXPECT_FALSE(calc->CanModify());
    EXPECT_THROW(calc->SetValue("x"), EDatabaseError);
    t.Cancel();
    EXPECT_GT(calls, 0);
}

TEST(DatasetsFields, LookupCacheReadsTheListOnceUntilItChanges)
{
    TMemTable list;
    list.AddField<TIntegerField>("ID");
    list.AddField<TStringField>("NAME");
    list.AddField<TStringField>("C_NAME", fkCalculated);
    int reads = 0; // rows of the list read for their result
    list.OnCalcFields.add([&](TDataSet *ds) {
        ++reads;
        ds->FieldByName("C_NAME")->SetValue(ds->FieldByName("NAME")->AsString().toUpper());
    });
    list.Open();
    for (const auto &[id, name] : QList<std::pair<int, QString>>{{1, "a"}, {2, "b"}, {3, "c"}, {2, "duplicate"}}) {
        list.Append();
        list.FieldByName("ID")->SetValue(id);
        list.FieldByName("NAME")->SetValue(name);
        list.Post();
    }
    TMemTable t;
    auto *ref = t.AddField<TIntegerField>("REF");
    auto *look = t.AddField<TStringField>("L_NAME", fkLookup);
    look->SetLookupDataSet(&list);
    look->SetKeyFields("REF");
    look->SetLookupKeyFields("ID");
    look->SetLookupResultField("C_NAME");
    look->SetLookupCache(true);
    t.Open();
    for (int r : {1, 2, 3, 1, 2, 9}) {
        t.Append();
        ref->SetValue(r);
        t.Post();
    }
    auto texts = [&] {
        QStringList out;
        for (t.First(); !t.Eof(); t.Next())
            out << look->AsString();
        return out;
    };
    reads = 0;
    EXPECT_EQ(texts(), QStringList({"A", "B", "C", "A", "B", ""})) << "the first row of a key answers";
    EXPECT_EQ(texts(), QStringList({"A", "B", "C", "A", "B", ""}));
    EXPECT_EQ(reads, 3) << "the first row of each key read once, for both walks";

    // A change of the list's rows or order is seen at the next read.
    list.Locate("ID", 3);
    list.Edit();
    list.FieldByName("NAME")->SetValue("cc");
    list.Post();
    EXPECT_EQ(texts()[2], "CC");
    list.SetFilter("ID <> 1");
    list.SetFiltered(true);
    EXPECT_EQ(texts()[0], "");
    list.Close();
    EXPECT_EQ(texts(), QStringList({"", "", "", "", "", ""}));
    list.Open(); // a memory table starts empty again
    EXPECT_EQ(texts()[1], "");

    reads = 0;
    look->RefreshLookupList();
    EXPECT_EQ(reads, 0) << "an empty list";
    look->SetLookupCache(false);
    list.Append();
    list.FieldByName("ID")->SetValue(2);
    list.FieldByName("NAME")->SetValue("x");
    list.Post();
    EXPECT_EQ(texts(), QStringList({"", "X", "", "", "X", ""}));
}

TEST(DatasetsFields, OldValueIsTheValueBeforeTheEdit)
{
    auto t = makeTable({"a"});
    t->Edit();
    t->FieldByName("NAME")->SetValue("b");
    EXPECT_EQ(t->FieldByName("NAME")->OldValue(), QVariant("a"));
    EXPECT_EQ(t->FieldByName("NAME")->Value(), QVariant("b"));
    t->Cancel();
    t->Append();
    EXPECT_FALSE(t->FieldByName("NAME")->OldValue().isValid());
    t->Cancel();
}

TEST(DatasetsParams, ByNameAndValues)
{
    TParams p;
    p.CreateParam(ftInteger, "USER_ID");
    p.CreateParam(ftString, "P_LOGIN_NAME");
    p.ParamByName("user_id").SetValue(5);
    p.SetParamValues("P_LOGIN_NAME", "VMDEMO");
    EXPECT_EQ(p.ParamValues("USER_ID;P_LOGIN_NAME"), QVariant(QVariantList{5, "VMDEMO"}));
    EXPECT_EQ(p.FindParam("missing"), nullptr);
    try {
        p.ParamByName("missing");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), "Parameter 'missing' not found");
    }
    TParams other;
    other.CreateParam(ftInteger, "USER_ID").SetValue(9);
    other.CreateParam(ftDate, "NEW").SetValue(QDate(2024, 1, 1));
    p.AssignValues(other);
    EXPECT_EQ(p.Count(), 3);
    EXPECT_EQ(p.ParamByName("USER_ID").AsInteger(), 9);
}
