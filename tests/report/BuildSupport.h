#pragma once

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_DBSet.h"
#include "FR_Globals.h"
#include "FR_Utils.h"

#include "ComponentRegistry.h"
#include "FormatSettings.h"
#include "MemTable.h"
#include "ServiceFakes.h"
#include "Streams.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace buildtest {

// Assembles a template in code on the report's last page.
class Template
{
public:
    explicit Template(TfrReport &report) : m_report(report) { addPage(); }

    TfrPage *addPage()
    {
        const int i = m_report.Pages().Add();
        page = m_report.Pages().GetPage(i);
        page->Name = QStringLiteral("Page%1").arg(i + 1);
        return page;
    }

    TfrBandView *band(int type, int top, int height, const QString &name, const QString &source = QString(),
                      quint16 flags = 0)
    {
        auto *b = new TfrBandView;
        b->SetBandType(type);
        b->Name = name;
        b->Left = 0;
        b->Top = top;
        b->Width = 700;
        b->Height = height;
        b->FormatText = source;
        b->Flags = flags;
        page->AddObject(b);
        return b;
    }

    TfrMemoView *memo(const QString &name, int left, int top, int width, int height, const QString &text)
    {
        auto *m = new TfrMemoView;
        m->Name = name;
        m->Left = left;
        m->Top = top;
        m->Width = width;
        m->Height = height;
        m->Flags = 0;
        m->Memo = text.split(u'\n');
        page->AddObject(m);
        return m;
    }

    TfrSubReportView *subreport(const QString &name, int left, int top, int width, int height, int pageIndex)
    {
        auto *s = new TfrSubReportView;
        s->Name = name;
        s->Left = left;
        s->Top = top;
        s->Width = width;
        s->Height = height;
        s->SubPageIndex = pageIndex;
        page->AddObject(s);
        return s;
    }

    TfrPage *page = nullptr;

private:
    TfrReport &m_report;
};

// The template written to a stream and read back, as the program loads it from a file.
inline void reload(TfrReport &report)
{
    TMemoryStream stream;
    report.SaveReportStream(stream);
    stream.SetPosition(0);
    report.LoadReportStream(stream);
}

inline QByteArray templateBytes(TfrReport &report)
{
    TMemoryStream stream;
    report.SaveReportStream(stream);
    return stream.Bytes();
}

// Every object of every prepared page: type, name, rectangle and text.
inline QString dumpPages(TfrReport &report)
{
    TfrGlobals &e = frEngine();
    QString out;
    const int pages = report.EMFPages().GetCount();
    for (int i = 0; i < pages; ++i) {
        out += QStringLiteral("page %1\n").arg(i + 1);
        TMemoryStream stream(report.EMFPages().GetPage(i)->Stream.Bytes());
        const int savedVersion = e.StreamVersion;
        e.StreamVersion = ReadStreamByte(stream);
        while (stream.Position() < stream.Size()) {
            const int type = ReadStreamByte(stream);
            const QString className = type == 10 ? ReadStoredString(stream) : QString();
            std::unique_ptr<TfrView> v(CreateViewOfType(type, className));
            v->RecordMode = 1;
            v->LoadFromStream(stream);
            const char *kind = type == 0 ? "text" : type == 1 ? "picture" : type == 4 ? "line" : "object";
            QString text = v->Memo.join(u'|');
            text.replace(QChar(1), QStringLiteral("¶"));
            out += QStringLiteral("  %1 %2 (%3,%4 %5x%6) %7\n")
                       .arg(QLatin1String(kind), v->Name)
                       .arg(v->Left)
                       .arg(v->Top)
                       .arg(v->Width)
                       .arg(v->Height)
                       .arg(text);
        }
        e.StreamVersion = savedVersion;
    }
    return out;
}

// Compares with tests/report/data/<name>.txt; with TARVIK_UPDATE_GOLDEN set the file is written instead, and
// the template, when given, joins the template fuzzer's seeds.
inline void expectGolden(const QString &actual, const QString &name, const QByteArray &templateBytes = QByteArray())
{
    const QString path = QStringLiteral(TARVIK_TEST_DATA_DIR) + u'/' + name + QStringLiteral(".txt");
    if (qEnvironmentVariableIsSet("TARVIK_UPDATE_GOLDEN")) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(actual.toUtf8());
        if (!templateBytes.isEmpty()) {
            QFile seed(QStringLiteral(TARVIK_SOURCE_DIR "/tests/fuzz/corpus/fuzz_template/") + name);
            ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
            seed.write(templateBytes);
        }
        return;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "missing golden file " << path.toStdString();
    EXPECT_EQ(actual.toStdString(), QString::fromUtf8(f.readAll()).toStdString()) << name.toStdString();
}

// A data module "DM" with a table of sales and its report data source, and a report on the module.
class BuildFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        module.setObjectName(QStringLiteral("DM"));
        ComponentRegistry::instance().registerOwner(&module, QStringLiteral("DM"));
        ComponentRegistry::instance().registerComponent(&module, &sales, QStringLiteral("Sales"));
        source.setObjectName(QStringLiteral("frSales"));
        source.SetDataSet(&sales);
        ComponentRegistry::instance().registerComponent(&module, &source, QStringLiteral("frSales"));
        report.setObjectName(QStringLiteral("Report1"));
        report.ShowProgress = false;
    }
    void TearDown() override
    {
        frResetEngine();
        ComponentRegistry::instance().unregister(&module);
    }

    // Builds the reloaded template, which must succeed without a message and stay as it was; answers the dump
    // of the prepared pages and keeps the template's bytes.
    QString build()
    {
        reload(report);
        const QByteArray before = templateBytes(report);
        EXPECT_TRUE(report.BuildReport());
        EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
        EXPECT_EQ(templateBytes(report), before) << "the build leaves the template as it was";
        lastTemplate = before;
        return dumpPages(report);
    }

    // Rows of (region, name, amount).
    void fillSales(std::vector<std::vector<QVariant>> rows)
    {
        sales.LoadData({TFieldDef(QStringLiteral("REGION"), ftString, 20), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                        TFieldDef(QStringLiteral("AMOUNT"), ftFloat)},
                       std::move(rows));
    }

    FormatSettingsScope formats;
    FakeMessageService messages;
    QObject module;
    TMemTable sales;
    TfrDBDataSet source;
    TfrReport report{&module};
    QByteArray lastTemplate;
};

} // namespace buildtest
