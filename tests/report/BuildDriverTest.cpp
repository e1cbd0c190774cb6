// The build driver: passes and progress, the report's events, rtMultiple, composite reports, failures and
// templates that refer back to themselves.
#include "BuildSupport.h"

#include "FR_ClassControls.h"
#include "FR_Progress.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using buildtest::Template;
using buildtest::dumpPages;
using buildtest::expectGolden;

namespace {

class BuildDriver : public buildtest::BuildFixture
{
protected:
    void SetUp() override
    {
        BuildFixture::SetUp();
        std::vector<std::vector<QVariant>> rows;
        for (int i = 1; i <= 5; ++i)
            rows.push_back({i <= 3 ? "Север" : "Юг", QStringLiteral("Абонент %1").arg(i), double(i)});
        fillSales(std::move(rows));
    }

    // A list of the sales on one page, with a summary.
    void listTemplate(TfrReport &r, const QString &prefix = QString())
    {
        Template t(r);
        t.band(btMasterData, 100, 20, prefix + QStringLiteral("MasterData1"), QStringLiteral("frSales"));
        t.memo(prefix + QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
        t.band(btReportSummary, 200, 20, prefix + QStringLiteral("Summary"));
        t.memo(prefix + QStringLiteral("Total"), 40, 200, 300, 20, QStringLiteral("Всего [SUM([AMOUNT])]"));
    }

    TfrRecordingProgress &recordingProgress()
    {
        auto progress = std::make_unique<TfrRecordingProgress>();
        TfrRecordingProgress &ref = *progress;
        frEngine().SetProgress(std::move(progress));
        return ref;
    }
};

TEST_F(BuildDriver, MultipleReportOverAnEmptyDatasetBuildsTheTemplateOnce)
{
    TMemTable empty;
    empty.LoadData({TFieldDef(QStringLiteral("ID"), ftInteger)}, {});
    TfrDBDataSet emptySource;
    emptySource.SetDataSet(&empty);
    report.ReportType = rtMultiple;
    report.Dataset = &emptySource;
    Template t(report);
    t.band(btReportTitle, 40, 20, QStringLiteral("Title"));
    t.memo(QStringLiteral("Head"), 40, 40, 300, 20, QStringLiteral("Отчет, лист [PAGE#]"));
    buildtest::reload(report);
    EXPECT_TRUE(report.BuildReport());
    expectGolden(dumpPages(report), QStringLiteral("build-multiple-empty"));
}

TEST_F(BuildDriver, MultipleReportRepeatsTheTemplatePerRecord)
{
    report.ReportType = rtMultiple;
    report.Dataset = &source;
    Template t(report);
    t.band(btReportTitle, 40, 20, QStringLiteral("Title"));
    t.memo(QStringLiteral("Head"), 40, 40, 300, 20, QStringLiteral("[NAME]"));
    buildtest::reload(report);
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(report.EMFPages().GetCount(), 5);
}

TEST_F(BuildDriver, CompositeReportChainsItsMembers)
{
    TfrReport first(&module), second(&module), third(&module);
    listTemplate(first, QStringLiteral("A"));
    listTemplate(second, QStringLiteral("B"));
    listTemplate(third, QStringLiteral("C"));
    second.Pages().GetPage(0)->PrintToPrevPage = true;
    // Another paper: the third member starts a page of its own although it asks for the previous one.
    third.Pages().GetPage(0)->PrintToPrevPage = true;
    third.Pages().GetPage(0)->ApplyPaper(PaperA4, 0, 0, -1, 1);
    for (TfrReport *r : {&first, &second, &third})
        buildtest::reload(*r);
    const QByteArray secondTemplate = buildtest::templateBytes(second);
    TfrCompositeReport composite(&module);
    composite.ShowProgress = false;
    composite.Reports = {&first, &second, &third};
    QStringList events;
    first.OnBeginDoc = [&] { events << "first begin"; };
    composite.OnBeginDoc = [&] { events << "composite begin"; };
    composite.OnEndDoc = [&] { events << "composite end"; };
    first.OnEndDoc = [&] { events << "first end"; };
    EXPECT_TRUE(composite.BuildReport());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    EXPECT_EQ(events, QStringList({"first begin", "composite begin", "composite end", "first end"}));
    EXPECT_EQ(first.EMFPages().GetCount(), 0) << "members build into the composite's pages";
    EXPECT_EQ(buildtest::templateBytes(second), secondTemplate);
    expectGolden(dumpPages(composite), QStringLiteral("build-composite"));
}

TEST_F(BuildDriver, ExpressionErrorGivesOneMessageAndNoPages)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 1; i <= 200; ++i)
        rows.push_back({"Север", QStringLiteral("Абонент %1").arg(i), double(i)});
    fillSales(std::move(rows));
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Bad"), 40, 100, 200, 20, QStringLiteral("[NOSUCHNAME + 1]"));
    buildtest::reload(report);
    const QByteArray before = buildtest::templateBytes(report);
    EXPECT_FALSE(report.BuildReport());
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests.first().caption, QStringLiteral("Ошибка"));
    EXPECT_TRUE(messages.requests.first().text.contains(QStringLiteral("NOSUCHNAME")))
        << messages.lastText().toStdString();
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
    EXPECT_EQ(buildtest::templateBytes(report), before);
}

TEST_F(BuildDriver, FailureOtherThanAnExpressionRestoresTheTemplate)
{
    Template t(report);
    // "Sales" is a dataset, not a report data source.
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("Sales"));
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
    buildtest::reload(report);
    const QByteArray before = buildtest::templateBytes(report);
    EXPECT_FALSE(report.BuildReport());
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests.first().caption, QStringLiteral("Ошибка"));
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("Sales")));
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
    EXPECT_EQ(buildtest::templateBytes(report), before);

    // An event handler that throws ends the build the same way.
    messages.requests.clear();
    report.Pages().Clear();
    listTemplate(report);
    report.OnBeginBand = [](TfrBand *) { throw Exception(QStringLiteral("обработчик")); };
    EXPECT_FALSE(report.BuildReport());
    EXPECT_EQ(messages.lastText(), QStringLiteral("обработчик"));
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
}

TEST_F(BuildDriver, BeforePrintReplacingTheLinesPrintsThemUnexpanded)
{
    listTemplate(report);
    buildtest::reload(report);
    int calls = 0;
    report.OnBeforePrint = [&calls](QStringList &memo, TfrView *view) {
        if (view->Name == QLatin1String("Total")) {
            memo = QStringList{QStringLiteral("[NAME] как есть")};
            ++calls;
        }
    };
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(calls, 1);
    const QString dump = dumpPages(report);
    EXPECT_TRUE(dump.contains(QStringLiteral("Total (40,118 300x20) [NAME] как есть"))) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("Абонент 5"))) << "the other objects are expanded";
}

TEST_F(BuildDriver, ProgressShowsThePassLabels)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 1; i <= 60; ++i)
        rows.push_back({"Юг", QStringLiteral("Абонент %1").arg(i), double(i)});
    fillSales(std::move(rows));
    listTemplate(report);
    report.ShowProgress = true;
    report.Title = QStringLiteral("Список");

    TfrRecordingProgress &one = recordingProgress();
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(one.Runs, 1);
    EXPECT_EQ(one.Captions, QStringList{"Подготовка отчета - Список"});
    EXPECT_EQ(one.Prefixes, QStringList{"Формируется страница:"});
    EXPECT_EQ(one.Label1s.first(), QStringLiteral("Формируется страница:  1"));
    EXPECT_TRUE(one.Label1s.contains(QStringLiteral("Формируется страница:  2")));
    for (const QString &label : one.Label1s)
        EXPECT_FALSE(label.contains(QStringLiteral("из"))) << label.toStdString();

    report.TwoPass = true;
    TfrRecordingProgress &two = recordingProgress();
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(two.Runs, 1) << "the final pass runs in the window of the first";
    EXPECT_EQ(two.Prefixes, QStringList({"Выполняется 1-й проход:", "Формируется страница:"}));
    EXPECT_TRUE(two.Label1s.contains(QStringLiteral("Выполняется 1-й проход:  2")));
    EXPECT_TRUE(two.Label1s.contains(QStringLiteral("Формируется страница:  2 из 2")));
    EXPECT_EQ(report.EMFPages().GetCount(), 2);

    // With OnProgress assigned no window is used, also for two passes.
    TfrRecordingProgress &none = recordingProgress();
    QList<int> counts;
    report.OnProgress = [&counts](int n) { counts << n; };
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(none.Runs, 0);
    EXPECT_TRUE(none.Label1s.isEmpty());
    EXPECT_FALSE(counts.isEmpty());
}

TEST_F(BuildDriver, CancelInTheProgressWindow)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 1; i <= 200; ++i)
        rows.push_back({"Юг", QStringLiteral("Абонент %1").arg(i), double(i)});
    fillSales(std::move(rows));
    listTemplate(report);
    report.ShowProgress = true;
    TfrRecordingProgress &progress = recordingProgress();
    progress.CancelAfterLabels = 3;
    EXPECT_FALSE(report.BuildReport());
    const int kept = report.EMFPages().GetCount();
    EXPECT_GT(kept, 0) << "a single pass keeps the pages built so far";
    EXPECT_LT(kept, 4);

    report.TwoPass = true;
    TfrRecordingProgress &first = recordingProgress();
    first.CancelAfterLabels = 3;
    EXPECT_FALSE(report.BuildReport());
    EXPECT_EQ(report.EMFPages().GetCount(), 0) << "a cancelled first pass keeps nothing";
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(BuildDriver, EventsInTheirOrder)
{
    listTemplate(report);
    buildtest::reload(report);
    QStringList events;
    report.OnBeginDoc = [&] { events << "BeginDoc"; };
    report.OnEndDoc = [&] { events << "EndDoc"; };
    report.OnBeginPage = [&](int n) { events << QStringLiteral("BeginPage %1").arg(n); };
    report.OnEndPage = [&](int n) { events << QStringLiteral("EndPage %1").arg(n); };
    report.OnBeginBand = [&](TfrBand *b) { events << QStringLiteral("BeginBand ") + b->Name; };
    report.OnEndBand = [&](TfrBand *b) { events << QStringLiteral("EndBand ") + b->Name; };
    report.OnBeforePrint = [&](QStringList &, TfrView *v) { events << QStringLiteral("BeforePrint ") + v->Name; };
    fillSales({{"Север", "Антонов", 1.0}});
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(events.join(u','), QStringLiteral("BeginDoc,BeginPage 0,BeginBand MasterData1,BeforePrint Name,"
                                                "EndBand MasterData1,BeginBand Summary,BeforePrint Total,"
                                                "EndBand Summary,EndPage 0,EndDoc"));
}

TEST_F(BuildDriver, EmptySourceWithoutPrintIfEmptyGivesNoPage)
{
    listTemplate(report);
    fillSales({});
    report.PrintIfEmpty = false;
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
    report.PrintIfEmpty = true;
    EXPECT_TRUE(report.BuildReport());
    EXPECT_EQ(report.EMFPages().GetCount(), 1);
}

TEST_F(BuildDriver, TemplatesThatReferToThemselvesEnd)
{
    Template t(report);
    TfrBandView *data = t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    data->ChildBand = QStringLiteral("Child1");
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
    TfrBandView *child = t.band(btChild, 140, 20, QStringLiteral("Child1"));
    child->ChildBand = QStringLiteral("Child2");
    TfrBandView *child2 = t.band(btChild, 180, 20, QStringLiteral("Child2"));
    child2->ChildBand = QStringLiteral("Child1");
    t.memo(QStringLiteral("Loop"), 40, 180, 200, 20, QStringLiteral("петля"));
    // A subreport showing its own page, and a band whose script shows itself and asks for new pages.
    t.subreport(QStringLiteral("Self"), 400, 100, 100, 20, 0);
    TfrBandView *header = t.band(btPageHeader, 20, 20, QStringLiteral("PageHeader1"), QString(), 0x10);
    header->Script = QStringList{QStringLiteral("ShowBand(PageHeader1); NewPage;")};
    buildtest::reload(report);
    EXPECT_TRUE(report.BuildReport());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    const QString dump = dumpPages(report);
    EXPECT_EQ(dump.count(QStringLiteral("петля")), 5) << dump.toStdString();
}

TEST_F(BuildDriver, FixedTablesNeverOverrun)
{
    {
        // More group headers than the pending list holds, all of the master data band.
        Template t(report);
        for (int i = 0; i < 110; ++i)
            t.band(btGroupHeader, 10 + i, 1, QStringLiteral("G%1").arg(i), QStringLiteral("[REGION]"));
        t.band(btMasterData, 200, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
        t.memo(QStringLiteral("Name"), 40, 200, 200, 20, QStringLiteral("[NAME]"));
        buildtest::reload(report);
        EXPECT_TRUE(report.BuildReport());
        EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
        EXPECT_TRUE(dumpPages(report).contains(QStringLiteral("Абонент 5")));
    }
    report.Pages().Clear();
    {
        // More subreports in one band than it keeps track of.
        Template t(report);
        t.band(btReportTitle, 160, 30, QStringLiteral("Host"));
        for (int i = 0; i < 40; ++i)
            t.subreport(QStringLiteral("Sub%1").arg(i), 10 * i, 160, 10, 10, 1 + i);
        for (int i = 0; i < 40; ++i) {
            t.addPage();
            t.band(btMasterData, 0, 10, QStringLiteral("Inner%1").arg(i), QStringLiteral("1"));
            t.memo(QStringLiteral("InnerText%1").arg(i), 0, 0, 10, 10, QStringLiteral("x"));
        }
        buildtest::reload(report);
        EXPECT_TRUE(report.BuildReport());
        EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
        const QString dump = dumpPages(report);
        EXPECT_EQ(dump.count(QStringLiteral("InnerText")), 32) << "a band runs the subreports it keeps track of";
    }
}

// A dialog control with an edit line, known to the template reader as an add-in class.
class EditControl : public TfrControl
{
public:
    EditControl() { SetControl(new QLineEdit); }
    QString ClassName() const override { return QStringLiteral("TfrTestEdit"); }
};

class QueryControl : public TfrNonVisualControl
{
public:
    QueryControl() { SetComponent(new QObject); }
    QString ClassName() const override { return QStringLiteral("TfrTestQuery"); }
};

TEST_F(BuildDriver, DialogPageCancelledGivesNoPages)
{
    RegisterAddInObject(QStringLiteral("TfrTestEdit"), [] { return new EditControl; }, QImage(), QString());
    RegisterAddInObject(QStringLiteral("TfrTestQuery"), [] { return new QueryControl; }, QImage(), QString());
    Template t(report);
    t.page->Type = 1;
    t.page->Caption = QStringLiteral("Период");
    auto *edit = new EditControl;
    edit->Name = QStringLiteral("Edit1");
    edit->PlaceAt(10, 10, 120, 24);
    t.page->AddObject(edit);
    auto *query = new QueryControl;
    query->Name = QStringLiteral("Query1");
    t.page->AddObject(query);
    t.addPage();
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
    buildtest::reload(report);
    const QByteArray before = buildtest::templateBytes(report);
    QStringList customized;
    report.OnCustomizeObject = [&customized](QObject *component) { customized << component->objectName(); };

    for (const bool cancel : {true, false}) {
        QString caption;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            caption = dialog->windowTitle();
            if (cancel)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->accept();
        });
        timer.start();
        EXPECT_EQ(report.BuildReport(), !cancel);
        EXPECT_EQ(caption, QStringLiteral("Период"));
        EXPECT_EQ(customized.takeFirst(), QStringLiteral("Query1"));
        EXPECT_EQ(report.EMFPages().GetCount(), cancel ? 0 : 1);
        EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
        EXPECT_EQ(buildtest::templateBytes(report), before);
    }
}

} // namespace
