// The address guides beyond the family: the houses' statistics, filter and search, and the customer codes that
// follow a street's code and a house's street; on both engines.
#include "CodePage.h"
#include "DBLookupEh.h"
#include "FR_Class.h"
#include "FR_E_TXT.h"
#include "FR_Globals.h"
#include "DataSource.h"
#include "FakeReportDesigner.h"
#include "GuideFixture.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "GridTexts.h"
#include "Screenshot.h"
#include "dmuReports.h"
#include "frmuAreaGuide.h"
#include "frmuHouseGuide.h"
#include "frmuLocationGuide.h"
#include "frmuStreetGuide.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr int StreetLesnaya = 5, StreetSadovaya = 6, AreaCentre = 2;
constexpr int House7 = 10, House17 = 11, House71 = 12;

class GuideAddress : public GuideFixture
{
protected:
    void SetUp() override
    {
        GuideFixture::SetUp();
        if (HasFatalFailure())
            return;
        for (const char *sql :
             { "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (5, '12', 'Лесная')",
               "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (6, '20', 'Садовая')",
               "insert into ZOLT.AREA (AREA_ID, AREA_NAME, LOCATION_ID) values (2, 'Центр', 0)",
               "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, "
               "Q_PORCH) values (10, 0, 5, 2, 0, '7', 40, 1)",
               "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, "
               "Q_PORCH) values (11, 0, 5, 0, 0, '17', 0, 1)",
               "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, "
               "Q_PORCH) values (12, 0, 6, 0, 0, '71', 10, 1)" })
            exec(sql);
        // Ten connected customers in the house of 40 flats; three in the house without flats, two connected;
        // two in the house on the other street.
        int id = 100;
        auto customer = [&](int house, int flat, int state) {
            exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, FLAT_NO, SURNAME, CUST_STATE, "
                                "CUST_CODE) values (:P_ID, :P_HOUSE, :P_FLAT, 'Жилец', :P_STATE, 'X')"),
                 { { QStringLiteral("P_ID"), id++ }, { QStringLiteral("P_HOUSE"), house },
                   { QStringLiteral("P_FLAT"), QString::number(flat) }, { QStringLiteral("P_STATE"), state } });
        };
        for (int flat = 1; flat <= 10; ++flat)
            customer(House7, flat, 1);
        customer(House17, 1, 1);
        customer(House17, 2, 1);
        customer(House17, 3, 0);
        customer(House71, 1, 1);
        customer(House71, 2, 0);
        m_dmr->CommitWork();
    }

    QStringList codes(int house)
    {
        QStringList out;
        for (int flat = 1; flat <= 3; ++flat) {
            const QVariant code = seen(QStringLiteral("select CUST_CODE from ZOLT.CUSTOMER where HOUSE_ID = %1 and "
                                                      "FLAT_NO = '%2'")
                                           .arg(house)
                                           .arg(flat));
            if (code.isValid())
                out << code.toString();
        }
        return out;
    }

    void markCodes()
    {
        exec("update ZOLT.CUSTOMER set CUST_CODE = 'X'");
        m_dmr->CommitWork();
    }

    static QVariant value(TfrmGuide *g, const char *field) { return g->L->FieldByName(QString::fromLatin1(field))->Value(); }
};

TEST_P(GuideAddress, HousesCountConnectedAndDisconnectedCustomers)
{
    struct Case
    {
        int house;
        int connected, disconnected;
        double percent;
    };
    const Case cases[] = { { House7, 10, 0, 25 }, { House17, 2, 1, 0 }, { House71, 1, 1, 10 } };
    QVariant out;
    runGuide(executeHouseGuide, House7, 0, out, [&](TfrmGuide *g) {
        EXPECT_EQ(g->L->RecordCount(), 3);
        for (const Case &c : cases) {
            SCOPED_TRACE(c.house);
            ASSERT_TRUE(g->L->Locate(QStringLiteral("HOUSE_ID"), c.house));
            EXPECT_EQ(value(g, "L_Q_ACT_CUST").toInt(), c.connected);
            EXPECT_EQ(value(g, "C_Q_INACTIVE_CUST").toInt(), c.disconnected);
            EXPECT_DOUBLE_EQ(value(g, "C_PERCENT").toDouble(), c.percent);
        }
        // The footers: houses counted, flats and customers totalled.
        struct Footer
        {
            TGroupOperation op;
            const char *field;
            int total;
        };
        const Footer footers[] = { { goCount, "", 3 }, { goSum, "Q_FLAT", 50 }, { goSum, "L_Q_ACT_CUST", 13 },
                                   { goSum, "C_Q_INACTIVE_CUST", 2 } };
        for (const Footer &f : footers) {
            const TDBSum *sum = nullptr;
            for (int i = 0; i < g->dbgList->Columns().Count(); ++i) {
                const QString name = f.op == goCount ? QString() : g->dbgList->Columns()[i]->FieldName();
                if (f.op == goCount || name.compare(QLatin1String(f.field), Qt::CaseInsensitive) == 0)
                    sum = g->dbgList->SumList().SumCollection().FindSumItem(f.op, name);
                if (sum)
                    break;
            }
            ASSERT_NE(sum, nullptr) << f.field;
            EXPECT_EQ(sum->SumValue, qint64(f.total) * 10000) << f.field;
        }
        // What the footer row shows, and a house being typed stays unposted while the footers are recounted.
        auto footerText = [g](const char *field) {
            for (int i = 0; i < g->dbgList->Columns().Count(); ++i) {
                TColumnEh *c = g->dbgList->Columns()[i];
                if (c->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
                    return g->dbgList->GetFooterText(c->Footer(), *c);
            }
            return QStringLiteral("no column");
        };
        EXPECT_EQ(footerText("L_Q_ACT_CUST"), QStringLiteral("13"));
        EXPECT_EQ(footerText("C_Q_INACTIVE_CUST"), QStringLiteral("2"));
        EXPECT_EQ(footerText("Q_FLAT"), QStringLiteral("50"));
        g->L->Append();
        g->L->FieldByName(QStringLiteral("HOUSE_NO"))->SetValue(QStringLiteral("99"));
        g->dbgList->SumList().RecalcAllSums();
        EXPECT_EQ(g->L->State(), dsInsert);
        EXPECT_EQ(footerText("Q_FLAT"), QStringLiteral("50"));
        g->L->Cancel();
        EXPECT_EQ(g->L->RecordCount(), 3);
        ASSERT_TRUE(g->L->Locate(QStringLiteral("HOUSE_ID"), House71));
        EXPECT_EQ(value(g, "RO_SREET_NAME").toString(), QStringLiteral("Садовая"));
        EXPECT_EQ(value(g, "RO_HOUSE_NO").toString(), QStringLiteral("    71"));
    });
}

TEST(GuideHouseFilter, TextNamesTheChosenKeysOnly)
{
    const QVariant null;
    struct Case
    {
        QVariant street, area, subArea;
        const char *want;
    };
    const Case cases[] = {
        { null, null, null, "" },
        { 0, 0, 0, "" },
        { 5, 2, null, "(STREET_ID=5) and (AREA_ID=2)" },
        { null, 0, 3, "(SubArea_ID=3)" },
        { 5, 2, 3, "(STREET_ID=5) and (AREA_ID=2) and (SubArea_ID=3)" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(HouseFilterText(c.street, c.area, c.subArea), QString::fromLatin1(c.want));
}

TEST_P(GuideAddress, HouseFilterNarrowsTheListAndShowsItsPanel)
{
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) {
        auto *h = static_cast<TfrmHouseGuide *>(g);
        for (TDBLookupComboboxEh *combo : { h->cbFilterStreet, h->cbFilterArea, h->cbFilterSubArea }) {
            TDataSet *choices = combo->ListSource()->DataSet();
            EXPECT_TRUE(choices->Active() && !choices->IsEmpty()) << combo->objectName().toStdString();
        }
        // The districts are the data module's lists; another window closing them does not leave the panel empty.
        EXPECT_EQ(h->cbFilterArea->ListSource()->DataSet(), m_dm->cdsAreaList());
        EXPECT_EQ(h->cbFilterSubArea->ListSource()->DataSet(), m_dm->cdsSubAreaList());
        m_dm->cdsAreaList()->Close();
        m_dm->cdsSubAreaList()->Close();
        h->actFilterOn->trigger();
        EXPECT_TRUE(m_dm->cdsAreaList()->Active());
        EXPECT_TRUE(m_dm->cdsSubAreaList()->Active());
        EXPECT_TRUE(h->pnlFilter->isVisible());
        EXPECT_EQ(h->L->RecordCount(), 3) << "nothing chosen shows every house";
        h->cbFilterStreet->SetKeyValue(StreetLesnaya);
        EXPECT_EQ(h->L->Filter(), QStringLiteral("(STREET_ID=5)"));
        EXPECT_EQ(h->L->RecordCount(), 2);
        h->cbFilterArea->SetKeyValue(AreaCentre);
        EXPECT_EQ(h->L->Filter(), QStringLiteral("(STREET_ID=5) and (AREA_ID=2)"));
        EXPECT_EQ(h->L->RecordCount(), 1);
        EXPECT_EQ(value(h, "HOUSE_ID").toInt(), House7);
        h->actFilterOn->trigger();
        EXPECT_FALSE(h->pnlFilter->isVisible());
        EXPECT_EQ(h->L->RecordCount(), 3);
    });
    EXPECT_FALSE(m_dm->cdsAreaList()->Active()) << "closed with the guide";
    EXPECT_FALSE(m_dm->cdsSubAreaList()->Active());
}

TEST_P(GuideAddress, HouseNumberSearchIsPaddedWhileSortedByNumber)
{
    QVariant out;
    runGuide(executeHouseGuide, House7, 0, out, [&](TfrmGuide *g) {
        // Sorted by street as the list opens: the text is the street's, unpadded.
        g->edtSearch->setText(QStringLiteral("Сад"));
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), House71);
        TColumnEh *number = nullptr;
        for (int i = 0; i < g->dbgList->Columns().Count(); ++i)
            g->dbgList->Columns()[i]->Title().SetSortMarker(smNoneEh);
        for (int i = 0; i < g->dbgList->Columns().Count(); ++i)
            if (g->dbgList->Columns()[i]->FieldName().compare(QLatin1String("RO_HOUSE_NO"), Qt::CaseInsensitive) == 0)
                number = g->dbgList->Columns()[i];
        ASSERT_NE(number, nullptr);
        number->Title().SetSortMarker(smDownEh);
        ASSERT_TRUE(SortByMarkers(g->dbgList));
        g->edtSearch->setText(QStringLiteral("7"));
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), House7) << "\"7\" is looked up as five blanks and 7";
        EXPECT_NE(g->edtSearch->palette().color(QPalette::Text), QColor(Qt::red));
        g->edtSearch->setText(QStringLiteral("9"));
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), House7) << "a number not found leaves the row";
        EXPECT_EQ(g->edtSearch->palette().color(QPalette::Text), QColor(Qt::red));
    });
}

TEST_P(GuideAddress, HouseNeedsItsNumberAndFlats)
{
    QVariant out;
    runGuide(executeHouseGuide, House7, 0, out, [&](TfrmGuide *g) {
        g->actEditRecord->trigger();
        g->L->FieldByName(QStringLiteral("HOUSE_NO"))->SetValue(QStringLiteral("  "));
        g->actApply->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введен № дома"));
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
        g->L->FieldByName(QStringLiteral("HOUSE_NO"))->SetValue(QStringLiteral("7а"));
        g->L->FieldByName(QStringLiteral("Q_FLAT"))->Clear();
        g->actApply->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введено количество квартир"));
        EXPECT_EQ(g->L->State(), dsEdit);
        g->actCancel->trigger();
    });
    EXPECT_EQ(seen("select HOUSE_NO from ZOLT.HOUSE where HOUSE_ID = 10").toString(), QStringLiteral("7"));
}

TEST_P(GuideAddress, StreetCodeChangeRebuildsItsCustomerCodesOnce)
{
    QVariant out;
    runGuide(executeStreetGuide, StreetLesnaya, 0, out, [&](TfrmGuide *g) {
        ASSERT_EQ(value(g, "STREET_ID").toInt(), StreetLesnaya);
        g->actEditRecord->trigger();
        g->L->FieldByName(QStringLiteral("STREET_CODE"))->SetValue(QStringLiteral("15"));
        g->actApply->trigger();
        EXPECT_EQ(codes(House7), (QStringList { "15.7.1.", "15.7.2.", "15.7.3." }));
        EXPECT_EQ(codes(House71), (QStringList { "X", "X" })) << "another street's customers keep their codes";

        markCodes();
        // The same street saved again with only its name changed: no rebuild.
        g->actEditRecord->trigger();
        g->L->FieldByName(QStringLiteral("STREET_NAME"))->SetValue(QStringLiteral("Лесная ул."));
        g->actApply->trigger();
        EXPECT_EQ(codes(House7), (QStringList { "X", "X", "X" }));
        // Nor after a change made without the edit action (a rebuild is not left pending).
        g->L->Edit();
        g->L->FieldByName(QStringLiteral("STREET_NAME"))->SetValue(QStringLiteral("Лесная"));
        g->L->Post();
        EXPECT_EQ(codes(House7), (QStringList { "X", "X", "X" }));
    });
    EXPECT_EQ(seen("select STREET_CODE from ZOLT.STREET where STREET_ID = 5").toString(), QStringLiteral("15"));
}

TEST_P(GuideAddress, HouseMovedToAnotherStreetRebuildsTheNewStreetsCodes)
{
    QVariant out;
    runGuide(executeHouseGuide, House71, 0, out, [&](TfrmGuide *g) {
        ASSERT_EQ(value(g, "HOUSE_ID").toInt(), House71);
        g->actEditRecord->trigger();
        g->L->FieldByName(QStringLiteral("STREET_ID"))->SetValue(StreetLesnaya);
        g->actApply->trigger();
        EXPECT_EQ(codes(House71), (QStringList { "12.71.1.", "12.71.2." }));
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), House71);
        EXPECT_EQ(value(g, "RO_SREET_NAME").toString(), QStringLiteral("Лесная")) << "the row is read again";

        markCodes();
        g->actEditRecord->trigger();
        g->L->FieldByName(QStringLiteral("Q_FLAT"))->SetValue(12);
        g->actApply->trigger();
        EXPECT_EQ(codes(House71), (QStringList { "X", "X" })) << "a house kept on its street rebuilds nothing";
    });
}

TEST_P(GuideAddress, StreetDuplicatesAreListedWhileAsked)
{
    exec("insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (7, '30', 'Лесная')");
    QVariant out;
    runGuide(executeStreetGuide, StreetLesnaya, 0, out, [&](TfrmGuide *g) {
        auto *s = static_cast<TfrmStreetGuide *>(g);
        EXPECT_FALSE(s->pnlDublicates->isVisible());
        s->actDublicates->trigger();
        EXPECT_TRUE(s->pnlDublicates->isVisible());
        ASSERT_EQ(s->qDublicates->RecordCount(), 1);
        EXPECT_EQ(s->qDublicates->FieldByName(QStringLiteral("STREET_ID"))->AsInteger(), 7);
        ASSERT_TRUE(g->L->Locate(QStringLiteral("STREET_ID"), StreetSadovaya));
        EXPECT_EQ(s->qDublicates->RecordCount(), 0) << "the list follows the current street";
        EXPECT_EQ(s->findChild<QAction *>(QStringLiteral("actMerge")), nullptr) << "no merge is offered";
        s->actDublicates->trigger();
        EXPECT_FALSE(s->pnlDublicates->isVisible());
    });
}

TEST_P(GuideAddress, SettlementsShowTheirPlaceholderRowDistrictsHideTheirs)
{
    QVariant out;
    runGuide(executeLocationGuide, 0, 0, out, [&](TfrmGuide *g) {
        EXPECT_TRUE(g->L->Locate(QStringLiteral("LOCATION_ID"), 0));
    });
    runGuide(executeAreaGuide, 0, 0, out, [&](TfrmGuide *g) {
        EXPECT_FALSE(g->L->Locate(QStringLiteral("AREA_ID"), 0));
        EXPECT_TRUE(g->L->Locate(QStringLiteral("AREA_ID"), AreaCentre));
    });
}

TEST_P(GuideAddress, NewHouseTakesTheSmallestKeysAndNoFlats)
{
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) {
        g->actInsertRecord->trigger();
        ASSERT_EQ(g->L->State(), dsInsert);
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), 13);
        EXPECT_EQ(value(g, "STREET_ID").toInt(), 0);
        EXPECT_EQ(value(g, "AREA_ID").toInt(), 0);
        EXPECT_EQ(value(g, "Q_FLAT").toInt(), 0);
        g->actInsertRecord->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Вы уже находитесь в режиме добавления"));
        g->L->FieldByName(QStringLiteral("HOUSE_NO"))->SetValue(QStringLiteral("3"));
        g->L->FieldByName(QStringLiteral("STREET_ID"))->SetValue(StreetSadovaya);
        g->actApply->trigger();
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsList);
        g->actEditRecord->trigger();
        g->actInsertRecord->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Вы находитесь в режиме корректировки. Для добавления новой "
                                                        "записи нужно записать введенные изменения"));
    });
    EXPECT_EQ(seen("select STREET_ID from ZOLT.HOUSE where HOUSE_ID = 13").toInt(), StreetSadovaya);
}

TEST_P(GuideAddress, HousePicksItsStreetFromTheStreetsGuide)
{
    QVariant out;
    runGuide(executeHouseGuide, House71, 0, out, [&](TfrmGuide *g) {
        auto *h = static_cast<TfrmHouseGuide *>(g);
        h->actSelectStreet->trigger();
        EXPECT_EQ(value(g, "STREET_ID").toInt(), StreetSadovaya) << "nothing is picked outside an edit";
        g->actEditRecord->trigger();
        tarvik::test::ModalAnswer pick([] { return tarvik::test::activeModal<TfrmStreetGuide>() != nullptr; }, [] {
            TfrmStreetGuide *streets = tarvik::test::activeModal<TfrmStreetGuide>();
            EXPECT_EQ(streets->FMode, 1);
            EXPECT_EQ(streets->L->FieldByName(QStringLiteral("STREET_ID"))->AsInteger(), StreetSadovaya)
                << "the streets guide opens on the house's street";
            streets->L->Locate(QStringLiteral("STREET_ID"), StreetLesnaya);
            streets->actMrOk->trigger();
        });
        h->actSelectStreet->trigger();
        EXPECT_TRUE(pick.ran());
        EXPECT_EQ(g->L->State(), dsEdit);
        EXPECT_EQ(value(g, "STREET_ID").toInt(), StreetLesnaya);
        g->actApply->trigger();
    });
    EXPECT_EQ(seen("select STREET_ID from ZOLT.HOUSE where HOUSE_ID = 12").toInt(), StreetLesnaya);
    EXPECT_EQ(codes(House71), (QStringList { "12.71.1.", "12.71.2." }));
}

TEST_P(GuideAddress, HouseStatisticsReportNeedsItsTemplate)
{
    QTemporaryDir templates;
    TdmReports reports(m_dm.get(), m_dmr.get(), nullptr);
    reports.SetTemplateFolder(templates.path() + QLatin1Char('/'));
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) {
        static_cast<TfrmHouseGuide *>(g)->actRepHouse->trigger();
        EXPECT_EQ(m_messages.lastText(),
                  QStringLiteral("Не найден шаблон отчета ") + templates.path() + QStringLiteral("/СтатистикаПоДомам.frf"));
        EXPECT_TRUE(g->isVisible());
    });
}

TEST_P(GuideAddress, HouseStatisticsReportPrintsTheListAsFiltered)
{
    QTemporaryDir exports;
    TdmReports reports(m_dm.get(), m_dmr.get(), nullptr);
    reports.SetTemplateFolder(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms/"));
    TfrGlobals &engine = frEngine();
    const auto savedPreview = engine.ShowPreparedHook;
    QStringList lines;
    bool modal = false, designed = false;
    engine.ShowPreparedHook = [&](TfrReport &report) {
        modal = report.ModalPreview && !report.MDIPreview;
        TfrTextExport text;
        text.ShowDialog = false;
        const QString path = exports.filePath(QStringLiteral("houses.txt"));
        ASSERT_TRUE(report.ExportTo(&text, path));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (QString line : CP1251ToQString(f.readAll()).split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
    };
    tarvik::test::FakeDesignerFactory designers([&](tarvik::test::FakeReportDesigner &d) {
        d.WhileShown = [&](tarvik::test::FakeReportDesigner &) { designed = true; };
    });
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) {
        auto *h = static_cast<TfrmHouseGuide *>(g);
        h->frHouse->ShowProgress = false;
        h->actFilterOn->trigger();
        h->cbFilterStreet->SetKeyValue(StreetLesnaya);
        h->actRepHouse->trigger();
        h->actReportDesign->trigger();
    });
    engine.ShowPreparedHook = savedPreview;
    EXPECT_TRUE(modal) << "the statistics are previewed modally";
    EXPECT_TRUE(designed);
    EXPECT_EQ(m_messages.requests.size(), 0);
    // Only the street the list is filtered on, sorted as the list is, with the statistics columns.
    EXPECT_TRUE(lines.contains(QStringLiteral("- Лесная 7 40 10 0 25 -"))) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("- Лесная 17 0 2 1 0 -"))) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Итого: 2")));
    EXPECT_FALSE(lines.join('\n').contains(QStringLiteral("Садовая")));
}

TEST_P(GuideAddress, HousesGuidePicture)
{
    QVariant out;
    runGuide(executeHouseGuide, House7, 0, out, [&](TfrmGuide *g) {
        auto *h = static_cast<TfrmHouseGuide *>(g);
        h->actFilterOn->trigger();
        if (GetParam() == TestEngine::SQLite)
            tarvik::test::SaveScreenshot(g, QStringLiteral("accounts-houses"), QSize(820, 360));
        // The picture: the empty filter over every house by street, the house it was opened on current, and the
        // totals under the counted columns.
        EXPECT_TRUE(h->pnlFilter->isVisible());
        // Each house as its row shows it; the footer counts the houses, adds up the counted columns and gives the
        // connected share of all the flats.
        EXPECT_EQ(ShownGridRows(g->dbgList),
            QStringList({ QStringLiteral("-|Лесная|     7|40|10|0|25|-"), QStringLiteral("-|Лесная|    17|0|2|1|0|-"),
                QStringLiteral("-|Садовая|    71|10|1|1|10|-") }));
        EXPECT_EQ(value(g, "HOUSE_ID").toInt(), House7);
        EXPECT_EQ(ShownGridFooter(g->dbgList), QStringLiteral("||3|50|13|2|26|"));
    });
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Guide, GuideAddress, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         [](const auto &info) { return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL"; });
