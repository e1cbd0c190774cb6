// The service packages guide and the by-fact price list as guide windows, on both engines.
#include "GuideFixture.h"
#include "Kyv_DBGridEh.h"
#include "frmuServicePackageGuide.h"
#include "frmuSingleServiceTarifGuide.h"

#include <QAction>
#include <QStackedWidget>

#include <gtest/gtest.h>

namespace {

using GuideRoutine = bool (*)(const QVariant &, int, QVariant &);

// What the guide family's table (GuideFamilyTest) does not cover: each member's caption and record-action keys,
// the double click that picks, and "Готово" storing a new row.
struct Member
{
    const char *name;
    GuideRoutine run;
    const char *caption;
    const char *table, *key, *nameField;
    const char *insert; // a row with the key %1 and the name %2
    bool shortcuts;     // the record actions keep their keys
};

const Member Members[] = {
    { "packages", executeServicePackageGuide, "\"Пакеты услуг\"  (справочник)", "SERV_PACKAGE", "SERV_PACKAGE_ID",
        "SERV_PACKAGE_DESCR", "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (%1, '%2')",
        false },
    { "by-fact prices", executeSingleServiceTarifGuide, "Услуги по факту", "SINGLE_SERVICE_TARIF",
        "SINGLE_SERVICE_TARIF_ID", "SERVICE_NAME",
        "insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME, PRICE, MEASURE_ID) "
        "values (%1, '%2', 12.5, 1)",
        true },
};

class ServGuideMembers : public GuideFixture
{
protected:
    void add(const Member &m, int key, const char *name)
    {
        exec(QString::fromUtf8(m.insert).arg(key).arg(QString::fromUtf8(name)));
    }
};

TEST_P(ServGuideMembers, CaptionKeysPickByDoubleClickAndStoreByReady)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        add(m, 3, "Первый");
        add(m, 4, "Второй");

        // Pick mode: opened on the key, a double click hands back the current row.
        QVariant out;
        QString caption;
        EXPECT_TRUE(runGuide(m.run, 4, 1, out, [&](TfrmGuide *g) {
            caption = g->windowTitle();
            EXPECT_EQ(g->keyField()->AsInteger(), 4);
            EXPECT_TRUE(g->actMrOk->isEnabled());
            EXPECT_EQ(g->actInsertRecord->shortcut().isEmpty(), !m.shortcuts);
            EXPECT_EQ(g->actDeleteRecord->shortcut().isEmpty(), !m.shortcuts);
            g->L->Locate(QString::fromLatin1(m.key), 3);
            g->listDoubleClick();
        }));
        EXPECT_EQ(caption, QString::fromUtf8(m.caption));
        EXPECT_EQ(out.toInt(), 3);

        // A new row takes MAX+1 and is stored by "Готово".
        runGuide(m.run, 0, 0, out, [&](TfrmGuide *g) {
            g->actInsertRecord->trigger();
            EXPECT_EQ(g->keyField()->AsInteger(), 5) << "MAX+1 over the stored rows";
            g->L->FieldByName(QString::fromLatin1(m.nameField))->SetValue(QStringLiteral("Новый"));
            g->actApply->trigger();
        });
        EXPECT_EQ(seen(QStringLiteral("select %1 from ZOLT.%2 where %3 = 5")
                           .arg(QString::fromLatin1(m.nameField), QString::fromLatin1(m.table), QString::fromLatin1(m.key)))
                      .toString(),
            QStringLiteral("Новый"));
    }
    EXPECT_EQ(seen("select MEASURE_ID from ZOLT.SINGLE_SERVICE_TARIF where SINGLE_SERVICE_TARIF_ID = 5").toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(ServGuide, ServGuideMembers, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
