// Faults found by review in the platform's values and datasets, each with the behaviour that replaced it.
#include "DatabaseFixture.h"
#include "DatasetsSupport.h"

#include "AdoDataSet.h"
#include "ClientDataSet.h"
#include "DataSetProvider.h"
#include "FormatSettings.h"
#include "Formats.h"
#include "LogSink.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using tarvik::test::makeTable;

namespace {

// ---- Numbers an integer field cannot hold are refused, and the field keeps its value.

TEST(HardeningValues, IntegerFieldsRefuseWhatTheyCannotHold)
{
    struct Case
    {
        TFieldType type;
        QVariant value;
    };
    const Case refused[] = {
        {ftInteger, QVariant(qlonglong(3000000000LL))},
        {ftInteger, QVariant(QStringLiteral("3000000000"))},
        {ftInteger, QVariant(QStringLiteral("12345678901234567890"))},
        {ftInteger, QVariant(3e9)},
        {ftInteger, QVariant(-2147483649.0)},
        {ftSmallint, QVariant(40000)},
        {ftWord, QVariant(-1)},
        {ftWord, QVariant(QStringLiteral("65536"))},
        {ftLargeint, QVariant(QStringLiteral("12345678901234567890"))},
        {ftLargeint, QVariant(1e19)},
        {ftLargeint, QVariant(quint64(std::numeric_limits<quint64>::max()))},
        {ftInteger, QVariant(std::numeric_limits<double>::quiet_NaN())},
        {ftLargeint, QVariant(std::numeric_limits<double>::infinity())},
    };
    for (const Case &c : refused) {
        TMemTable table;
        table.FieldDefs().Add(QStringLiteral("N"), c.type);
        table.Open();
        table.Append();
        TField *n = table.FieldByName(QStringLiteral("N"));
        n->SetValue(7);
        EXPECT_THROW(n->SetValue(c.value), EConvertError) << FieldTypeName(c.type).toStdString() << " "
                                                           << c.value.toString().toStdString();
        EXPECT_EQ(n->AsLargeInt(), 7) << c.value.toString().toStdString();
    }
    // The edges themselves are held.
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("I"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("S"), ftSmallint);
    table.FieldDefs().Add(QStringLiteral("L"), ftLargeint);
    table.Open();
    table.Append();
    table.FieldByName(QStringLiteral("I"))->SetValue(QStringLiteral("-2147483648"));
    table.FieldByName(QStringLiteral("S"))->SetValue(32767.0);
    table.FieldByName(QStringLiteral("L"))->SetValue(QStringLiteral("9223372036854775807"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("I"))->AsInteger(), std::numeric_limits<int>::min());
    EXPECT_EQ(table.FieldByName(QStringLiteral("S"))->AsInteger(), 32767);
    EXPECT_EQ(table.FieldByName(QStringLiteral("L"))->AsLargeInt(), std::numeric_limits<qlonglong>::max());
}

TEST(HardeningValues, AFilterWithANumberNoKeyHoldsIsRefused)
{
    auto t = makeTable({"a", "b"});
    t->SetFiltered(true);
    for (const char *text : {"ID = 3000000000", "ID IN (1, 4294967297)", "ID > 99999999999999999999"}) {
        EXPECT_THROW(t->SetFilter(QString::fromLatin1(text)), EConvertError) << text;
        EXPECT_TRUE(t->Filter().isEmpty());
        EXPECT_EQ(t->RecordCount(), 2);
    }
}

// ---- A date number that is not a number, infinite or outside the calendar is refused.

TEST(HardeningValues, DateNumbersOutsideTheCalendarAreRefused)
{
    const double refused[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.0, -693594.0, 1e10};
    for (double v : refused) {
        EXPECT_THROW(DateToStr(v), EConvertError) << v;
        EXPECT_THROW(DateTimeToStr(v), EConvertError) << v;
        EXPECT_THROW(FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), v), EConvertError) << v;
        EXPECT_THROW(DayCountToDate(v), EConvertError) << v;
        EXPECT_THROW(DayCountToDateTime(v), EConvertError) << v;
    }
    FormatSettingsScope formats;
    FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    FormatSettings().DateSeparator = QLatin1Char('.');
    EXPECT_EQ(DateToStr(EncodeDate(1, 1, 1)), QStringLiteral("01.01.0001"));
    EXPECT_EQ(DateToStr(EncodeDate(9999, 12, 31) + 0.5), QStringLiteral("31.12.9999"));

    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("D"), ftDateTime);
    table.Open();
    table.Append();
    TField *d = table.FieldByName(QStringLiteral("D"));
    d->SetValue(EncodeDate(2024, 3, 1));
    EXPECT_THROW(d->SetValue(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_EQ(d->AsDateTime().date(), QDate(2024, 3, 1));
}

// ---- Every value the calendar check lets through prints as a date of the calendar; the rest is refused.

TEST(HardeningValues, TheCalendarCheckAndTheDateTextAgreeAtTheEdges)
{
    FormatSettingsScope formats;
    FormatSettings().DateSeparator = QLatin1Char('.');
    FormatSettings().TimeSeparator = QLatin1Char(':');
    const QString format = QStringLiteral("dd.mm.yyyy hh:nn:ss.zzz");
    struct Case
    {
        double value;
        const char *text; // nullptr: refused
    };
    const Case cases[] = {
        {-693594.0, nullptr},
        {-693593.9999999999, nullptr}, // rounds to the last millisecond of the day before 1 January 1
        {-693593.99999999, "01.01.0001 23:59:59.999"},
        {-693593.5, "01.01.0001 12:00:00.000"},
        {-693593.0, "01.01.0001 00:00:00.000"},
        {2958465.0, "31.12.9999 00:00:00.000"},
        {2958465.99999999, "31.12.9999 23:59:59.999"},
        {2958465.9999999999, nullptr}, // rounds to 1 January 10000
        {2958466.0, nullptr},
    };
    for (const Case &c : cases) {
        const std::string label = QString::number(c.value, 'f', 10).toStdString();
        if (!c.text) {
            EXPECT_THROW(FormatDateTime(format, c.value), EConvertError) << label;
            EXPECT_THROW(DayCountToDateTime(c.value), EConvertError) << label;
            EXPECT_THROW(DateToStr(c.value), EConvertError) << label;
            continue;
        }
        EXPECT_EQ(FormatDateTime(format, c.value), QString::fromLatin1(c.text)) << label;
        EXPECT_EQ(DayCountToDateTime(c.value).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")),
                  QString::fromLatin1(c.text))
            << label;
    }
}

// ---- A bare number in a filter is the filter language's own, written with a point whatever the settings.

TEST(HardeningFilter, BareNumbersReadWithAPointWhateverTheDecimalSeparator)
{
    FormatSettingsScope formats;
    for (const QChar separator : {QLatin1Char(','), QLatin1Char('.')}) {
        FormatSettings().DecimalSeparator = separator;
        auto t = makeTable({"a", "b", "c"}); // AMOUNT 1.5, 3, 4.5
        t->SetFiltered(true);
        const QString sep(separator);
        struct Case
        {
            QString filter;
            int count;
        };
        const Case cases[] = {
            {QStringLiteral("AMOUNT > 1.5"), 2},
            {QStringLiteral("AMOUNT = 4.5"), 1},
            {QStringLiteral("AMOUNT IN (1.5, 4.5)"), 2},
            {QStringLiteral("AMOUNT > -0.5 AND AMOUNT < 3.01"), 2},
            {QStringLiteral("ID = 2.0"), 1},
            {QStringLiteral("ID >= 2"), 2},
            // A quoted number is typed text, read with the user's separator as any typed number is.
            {QStringLiteral("AMOUNT > '1") + sep + QStringLiteral("6'"), 2},
        };
        for (const Case &c : cases) {
            t->SetFilter(c.filter);
            EXPECT_EQ(t->RecordCount(), c.count) << c.filter.toStdString() << " with " << sep.toStdString();
        }
        // A fraction for an integer field is refused, never rounded; a number that is no number is an error.
        t->SetFilter(QString());
        for (const char *bad : {"ID = 1.5", "AMOUNT > 1.2.3", "AMOUNT > -"}) {
            EXPECT_THROW(t->SetFilter(QString::fromLatin1(bad)), Exception) << bad;
            EXPECT_EQ(t->RecordCount(), 3) << bad;
        }
    }
}

// ---- Nesting beyond any filter a window builds is a clear error, never a crash.

TEST(HardeningFilter, DeepNestingIsAClearError)
{
    auto t = makeTable({"a", "b"});
    const QString deep[] = {
        QString(20000, QLatin1Char('(')) + QStringLiteral("ID = 1") + QString(20000, QLatin1Char(')')),
        QStringLiteral("NOT ").repeated(20000) + QStringLiteral("ID = 1"),
        QStringLiteral("ID = 1 OR ").repeated(20000) + QStringLiteral("ID = 2"),
        QStringLiteral("ID = 1 AND ").repeated(20000) + QStringLiteral("ID = 1"),
        QString(20000, QLatin1Char('(')),
    };
    t->SetFiltered(true);
    for (const QString &text : deep) {
        try {
            t->SetFilter(text);
            ADD_FAILURE() << "accepted " << text.left(30).toStdString();
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("filter expression"), Qt::CaseInsensitive))
                << e.message().toStdString();
        }
        EXPECT_EQ(t->RecordCount(), 2);
    }
    // Depths a window does build still work.
    t->SetFilter(QString(100, QLatin1Char('(')) + QStringLiteral("ID = 2") + QString(100, QLatin1Char(')'))
                 + QStringLiteral(" OR ID = 7").repeated(100));
    EXPECT_EQ(t->RecordCount(), 1);
}

// ---- The lookup list is built from stored values.

TEST(HardeningDatasets, ALookupListRebuiltWhileTheListEditsARowKeepsThatRow)
{
    auto list = makeTable({"first", "second"});
    TMemTable t;
    auto *ref = t.AddField<TIntegerField>(QStringLiteral("REF"));
    auto *look = t.AddField<TStringField>(QStringLiteral("L_NAME"), fkLookup);
    look->SetLookupDataSet(list.get());
    look->SetKeyFields(QStringLiteral("REF"));
    look->SetLookupKeyFields(QStringLiteral("ID"));
    look->SetLookupResultField(QStringLiteral("NAME"));
    look->SetLookupCache(true);
    t.Open();
    t.Append();
    ref->SetValue(2);
    t.Post();

    list->Locate(QStringLiteral("ID"), 2);
    list->Edit();
    list->FieldByName(QStringLiteral("ID"))->SetValue(5);
    look->RefreshLookupList();
    EXPECT_EQ(look->AsString(), QStringLiteral("second")) << "the stored key until the edit is posted";
    list->Cancel();
    EXPECT_EQ(look->AsString(), QStringLiteral("second")) << "after Cancel";

    list->Append();
    list->FieldByName(QStringLiteral("ID"))->SetValue(3);
    look->RefreshLookupList();
    list->Cancel();
    t.Edit();
    ref->SetValue(3);
    EXPECT_TRUE(look->IsNull()) << "a new row never posted is not in the list";
    t.Cancel();
}

// ---- A field freed under an open dataset, and a write while browsing.

TEST(HardeningDatasets, FreeingAFieldOfAnOpenDatasetClosesItWithoutThrowing)
{
    QStringList errors;
    const auto previous = setPlatformLogSink([&](LogKind kind, const QString &text) {
        if (kind == LogKind::Error)
            errors << text;
    });
    TMemTable t;
    t.setObjectName(QStringLiteral("mdT"));
    auto *id = t.AddField<TIntegerField>(QStringLiteral("ID"));
    auto *name = t.AddField<TStringField>(QStringLiteral("NAME"));
    t.Open();
    t.Append();
    id->SetValue(1);
    t.Post();
    delete name;
    setPlatformLogSink(previous);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.FindField(QStringLiteral("NAME")), nullptr);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("open dataset"))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].endsWith(QStringLiteral("mdT.NAME"))) << errors[0].toStdString();
    t.Open();
    EXPECT_EQ(t.FieldCount(), 1);
}

TEST(HardeningDatasets, WritingAFieldWhileBrowsingIsRefused)
{
    auto t = makeTable({"a"});
    TField *name = t->FieldByName(QStringLiteral("NAME"));
    try {
        name->SetValue(QStringLiteral("b"));
        ADD_FAILURE() << "written while browsing";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("mdTest: Dataset not in edit or insert mode"));
    }
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(name->AsString(), QStringLiteral("a"));
    EXPECT_THROW(name->SetAsString(QStringLiteral("c")), EDatabaseError);
    EXPECT_EQ(t->State(), dsBrowse);
}

} // namespace

// ---- A text with a NUL is refused where it is typed: one engine would keep it whole, the other cut it there.

class HardeningTexts : public DatabaseTest
{
};
INSTANTIATE_TEST_SUITE_P(Hardening, HardeningTexts,
                         ::testing::Values(DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL), databaseEngineName);

TEST_P(HardeningTexts, ATextWithANulIsRefusedAndNothingOfItIsStored)
{
    db->Execute(QStringLiteral("CREATE TABLE ZOLT.NOTE (NOTE_ID INTEGER NOT NULL PRIMARY KEY, NOTICE %1)")
                    .arg(db->SqlDialect()->columnType(QStringLiteral("VARCHAR2(40)"))));
    TADODataSet server;
    server.SetConnection(db.get());
    server.SetUniqueFields(QStringLiteral("NOTE_ID"));
    TDataSetProvider provider;
    provider.SetDataSet(&server);
    provider.SetUpdateMode(upWhereKeyOnly);
    provider.SetOptions(poAllowCommandText);
    provider.OnGetTableName = [](TDataSetProvider *, TDataSet *) { return QStringLiteral("ZOLT.NOTE"); };
    TClientDataSet client;
    client.setObjectName(QStringLiteral("cdsNote"));
    client.SetProvider(&provider);
    client.SetCommandText(QStringLiteral("select NOTE_ID, NOTICE from ZOLT.NOTE"));
    client.Open();
    client.Append();
    client.FieldByName(QStringLiteral("NOTE_ID"))->SetAsInteger(1);
    TField *notice = client.FieldByName(QStringLiteral("NOTICE"));
    notice->SetAsString(QStringLiteral("1002"));
    const QString withNul = QStringLiteral("1002") + QChar(0) + QStringLiteral("abc");
    const std::function<void()> writes[] = {
        [&] { notice->SetAsString(withNul); },
        [&] { notice->SetText(withNul); },
        [&] { notice->SetValue(withNul); },
        [&] { notice->SetValue(withNul.toUtf8()); },
    };
    for (const auto &write : writes) {
        EXPECT_EQ(failureOf(write),
                  QStringLiteral("cdsNote: Текст поля '%1' содержит символ NUL").arg(notice->DisplayName()));
        EXPECT_EQ(notice->AsString(), QStringLiteral("1002"));
    }
    client.Post();
    EXPECT_EQ(client.ApplyUpdates(0), 0);

    TADODataSet check;
    check.SetConnection(db.get());
    check.SetCommandText(QStringLiteral("select NOTICE from ZOLT.NOTE where NOTE_ID = 1"));
    check.Open();
    EXPECT_EQ(check.FieldByName(QStringLiteral("NOTICE"))->AsString(), QStringLiteral("1002"));

    // Bytes are not text: a blob keeps its NUL bytes.
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("B"), ftBlob);
    table.Open();
    table.Append();
    table.FieldByName(QStringLiteral("B"))->SetValue(QByteArray("a\0b", 3));
    EXPECT_EQ(table.FieldByName(QStringLiteral("B"))->Value().toByteArray(), QByteArray("a\0b", 3));
}
