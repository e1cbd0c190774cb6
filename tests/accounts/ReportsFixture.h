#pragma once

// The reports module over a logged-on database on either engine, with the engine's preview and designer
// replaced by recorders: each records the report, its template file, how it was to be shown, and the text and
// CSV exports of its prepared pages.
#include "CustomerFixture.h"

#include "CodePage.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_E_TXT.h"
#include "FR_Globals.h"
#include "FakeReportDesigner.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "frmuMain.h"
#include "uLog.h"

#include <QFile>
#include <QTemporaryDir>

// One preview or designer the module opened.
struct ShownReport
{
    QString report; // the component's name
    QString fileName; // the template it held
    bool designer = false;
    bool mdi = false;
    bool modal = false;
    QStringList text; // the prepared pages as the text export writes them (previews only)
    QStringList csv;
    QStringList params; // the parameters of the report's dataset, "NAME=value"
};

class ReportsFixture : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (HasFatalFailure())
            return;
        DM = m_dm.get();
        DMR = m_dmr.get();
        custDM = m_cust.get();
        m_savedFrom = SelectionPeriodFrom;
        m_savedTo = SelectionPeriodTo;
        m_reports = std::make_unique<TdmReports>(m_dm.get(), m_dmr.get(), m_cust.get());
        dmReports = m_reports.get();
        m_reports->SetTemplateFolder(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms/"));
        for (const char *name : { "frRepNewActivCustomers", "frRepMainState", "frDisactByPeriodCustomers",
                 "frReportPaymentsByServ", "frCustomerBalance", "frReportPayDocKO1", "frReportContract",
                 "frReportReceipt", "frRepCustomers", "frRepCusLetters", "frReportCustPayKvit" })
            m_reports->Report(QString::fromLatin1(name))->ShowProgress = false;
        TfrGlobals &e = frEngine();
        m_savedPreview = e.ShowPreparedHook;
        e.ShowPreparedHook = [this](TfrReport &report) { shown.push_back(record(report, false)); };
        m_designers.emplace([this](tarvik::test::FakeReportDesigner &designer) {
            designer.WhileShown = [this](tarvik::test::FakeReportDesigner &) {
                shown.push_back(record(*frEngine().CurrentReport, true));
            };
        });
        SetDebugMode(false);
    }

    void TearDown() override
    {
        TfrGlobals &e = frEngine();
        e.ShowPreparedHook = m_savedPreview;
        m_designers.reset();
        SetDebugMode(false);
        dmReports = nullptr;
        m_reports.reset();
        custDM = nullptr;
        DM = nullptr;
        DMR = nullptr;
        SelectionPeriodFrom = m_savedFrom;
        SelectionPeriodTo = m_savedTo;
        CustomerFixture::TearDown();
    }

    ShownReport record(TfrReport &report, bool designer)
    {
        ShownReport r;
        r.report = report.objectName();
        r.fileName = report.FileName;
        r.designer = designer;
        r.mdi = report.MDIPreview;
        r.modal = report.ModalPreview;
        if (auto *source = qobject_cast<TfrDBDataSet *>(report.Dataset.data()))
            if (TDataSet *ds = source->GetSourceDataSet())
                for (int i = 0; i < ds->Params().Count(); ++i)
                    r.params << ds->Params()[i].Name() + QLatin1Char('=') + ds->Params()[i].Value().toString();
        if (!designer) {
            TfrTextExport txt;
            r.text = exported(report, txt, QStringLiteral("report.txt"));
            TfrCSVExport csv;
            r.csv = exported(report, csv, QStringLiteral("report.csv"));
        }
        return r;
    }

    // The lines of the export, without trailing blanks, empty lines and page breaks.
    QStringList exported(TfrReport &report, TfrExportFilter &filter, const QString &name)
    {
        const QString path = m_exports.filePath(name);
        filter.ShowDialog = false;
        EXPECT_TRUE(report.ExportTo(&filter, path));
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        const QByteArray bytes = f.readAll();
        for (QString line : CP1251ToQString(bytes).split(u'\n')) {
            line.remove(u'\r').remove(u'\f');
            while (line.endsWith(u' '))
                line.chop(1);
            if (!line.isEmpty())
                lines << line;
        }
        return lines;
    }

    void exec(const QString &sql) { m_dmr->dbConnection()->Execute(sql); }

    std::unique_ptr<TdmReports> m_reports;
    std::vector<ShownReport> shown;
    FakeMessageService messages;
    QTemporaryDir m_exports;

private:
    std::function<void(TfrReport &)> m_savedPreview;
    std::optional<tarvik::test::FakeDesignerFactory> m_designers;
    QDate m_savedFrom, m_savedTo;
};
