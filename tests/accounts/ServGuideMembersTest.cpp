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

struct Member
{
    const char *name;
    GuideRoutine run;
    const char *caption;
    const char *table, *key, *nameField;
    const char *insert;   // a row with the key %1 and the name %2
    const char *referrer; // a row that refers to the key %1
    bool shortcuts;       // the record actions keep their keys
};

const Member Members[] = {
    { "packages", executeServicePackageGuide, "\"Пакеты услуг\"  (справочник)", "SERV_PACKAGE", "SERV_PACKAGE_ID",
        "SERV_PACKAGE_DESCR", "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (%1, '%2')",
        "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (40, 'Услуга', 0, %1)", false },
    { "by-fact prices", executeSingleServiceTarifGuide, "Услуги по факту", "SINGLE_SERVICE_TARIF",
        "SINGLE_SERVICE_TARIF_ID", "SERVICE_NAME",
        "insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME, PRICE, MEASURE_ID) "
        "values (%1, '%2', 12.5, 1)",
        "insert into ZOLT.CUSTOMER_SERVICE (CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, SERVICE_DATE, "
        "QUANTITY, PRICE, PUT_TIME) values (95, 1, %1, '2021-03-01 00:00:00', 1, 12.5, '2021-03-01 00:00:00')", true },
};

class ServGuideMembers : public GuideFixture
{
protected:
    void add(const Member &m, int key, const char *name)
    {
        exec(QString::fromUtf8(m.insert).arg(key).arg(QString::fromUtf8(name)));
    }
};

TEST_P(ServGuideMembers, PickBrowseRefuseAndAddAsTheFamilyDoes)
{
    exec("insert into ZOLT.CUSTOMER (CUSTOMER_ID, SURNAME) values (95, 'Жилец')");
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        add(m, 3, "Первый");
        add(m, 4, "Второй");

        // Pick mode: opened on the key, Ok hands back the current row.
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

        // A missing key: the list stays on its first row and Cancel hands the key back.
        EXPECT_FALSE(runGuide(m.run, 77, 1, out, [](TfrmGuide *g) { g->actMrCancel->trigger(); }));
        EXPECT_EQ(out.toInt(), 77);

        // Browsing: Ok is off and a double click opens the row for editing.
        EXPECT_FALSE(runGuide(m.run, 0, 0, out, [&](TfrmGuide *g) {
            EXPECT_FALSE(g->actMrOk->isEnabled());
            g->listDoubleClick();
            EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
            EXPECT_TRUE(g->isEditing());
            g->actCancel->trigger();
        }));

        // A referenced row is refused with the member's text; an unreferenced one is deleted after Yes.
        exec(QString::fromUtf8(m.referrer).arg(3));
        m_messages.answer(mrOk);
        m_messages.answer(mrYes);
        runGuide(m.run, 3, 0, out, [&](TfrmGuide *g) {
            g->L->Locate(QString::fromLatin1(m.key), 3);
            g->actDeleteRecord->trigger();
            g->L->Locate(QString::fromLatin1(m.key), 4);
            g->actDeleteRecord->trigger();
        });
        ASSERT_GE(m_messages.requests.size(), 2);
        EXPECT_EQ(m_messages.requests[m_messages.requests.size() - 2].text,
            QStringLiteral("\"Первый\" удалить нельзя, т.к. есть ссылка на услуги"));
        EXPECT_EQ(m_messages.requests.last().text, QStringLiteral("Удалять запись? Второй"));
        EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.%1 where %2 = 3").arg(QString::fromLatin1(m.table),
                      QString::fromLatin1(m.key)))
                      .toInt(),
            1);
        EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.%1 where %2 = 4").arg(QString::fromLatin1(m.table),
                      QString::fromLatin1(m.key)))
                      .toInt(),
            0);

        // A new row takes MAX+1 and is stored by "Готово".
        runGuide(m.run, 0, 0, out, [&](TfrmGuide *g) {
            g->actInsertRecord->trigger();
            EXPECT_EQ(g->keyField()->AsInteger(), 4) << "MAX+1 over the stored rows";
            g->L->FieldByName(QString::fromLatin1(m.nameField))->SetValue(QStringLiteral("Новый"));
            g->actApply->trigger();
        });
        EXPECT_EQ(seen(QStringLiteral("select %1 from ZOLT.%2 where %3 = 4")
                           .arg(QString::fromLatin1(m.nameField), QString::fromLatin1(m.table), QString::fromLatin1(m.key)))
                      .toString(),
            QStringLiteral("Новый"));
    }
    EXPECT_EQ(seen("select MEASURE_ID from ZOLT.SINGLE_SERVICE_TARIF where SINGLE_SERVICE_TARIF_ID = 4").toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(ServGuide, ServGuideMembers, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
