// Filter texts over a table with a field of every kind a filter compares, with a null row among the others.
#include "MemTable.h"

#include <cstddef>
#include <cstdint>

namespace {

TMemTable &table()
{
    static TMemTable *t = [] {
        auto *m = new TMemTable;
        m->setObjectName(QStringLiteral("mdFuzz"));
        m->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        m->FieldDefs().Add(QStringLiteral("SMALL"), ftSmallint);
        m->FieldDefs().Add(QStringLiteral("BIG"), ftLargeint);
        m->FieldDefs().Add(QStringLiteral("NAME"), ftString, 30);
        m->FieldDefs().Add(QStringLiteral("SUM"), ftFloat);
        m->FieldDefs().Add(QStringLiteral("D"), ftDateTime);
        m->FieldDefs().Add(QStringLiteral("FLAG"), ftBoolean);
        m->Open();
        for (int i = 0; i < 4; ++i) {
            m->Append();
            if (i < 3) {
                m->FieldByName(QStringLiteral("ID"))->SetValue(i - 1);
                m->FieldByName(QStringLiteral("SMALL"))->SetValue(i * 100);
                m->FieldByName(QStringLiteral("BIG"))->SetValue(qlonglong(i) << 40);
                m->FieldByName(QStringLiteral("NAME"))->SetValue(QStringLiteral("Иванов %1'").arg(i));
                m->FieldByName(QStringLiteral("SUM"))->SetValue(i * 2.5);
                m->FieldByName(QStringLiteral("D"))->SetValue(QDateTime(QDate(2024, 1 + i, 1), QTime(12, 0)));
                m->FieldByName(QStringLiteral("FLAG"))->SetValue(i % 2 == 0);
            }
            m->Post();
        }
        return m;
    }();
    return *t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TMemTable &t = table();
    t.SetFiltered(false);
    try {
        t.SetFilter(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
        t.SetFiltered(true);
        for (t.First(); !t.Eof(); t.Next())
            t.FieldByName(QStringLiteral("NAME"))->AsString();
    } catch (const Exception &) {
        // A text that is not a filter is refused with a message: that is the behaviour under test.
    }
    return 0;
}
