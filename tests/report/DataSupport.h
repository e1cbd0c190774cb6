#pragma once

#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_DataDict.h"
#include "FR_Globals.h"
#include "ReportValues.h"

#include "ComponentRegistry.h"
#include "FormatSettings.h"
#include "MemTable.h"

#include <gtest/gtest.h>

#include <memory>

// A data module "DM" with a customer table and a report data source on it, a report owned by the module with
// its value chain installed, and one report page that is the active page.
class DataFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        module.setObjectName(QStringLiteral("DM"));
        ComponentRegistry::instance().registerOwner(&module, QStringLiteral("DM"));
        customers.LoadData({TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                            TFieldDef(QStringLiteral("AMOUNT"), ftFloat)},
                           {{1, QStringLiteral("Иванов"), 10.5}, {2, QStringLiteral("Петров"), QVariant()},
                            {3, QStringLiteral("Сидоров"), 7.0}});
        ComponentRegistry::instance().registerComponent(&module, &customers, QStringLiteral("Customers"));
        source.setObjectName(QStringLiteral("frCustomers"));
        source.SetDataSet(&customers);
        ComponentRegistry::instance().registerComponent(&module, &source, QStringLiteral("frCustomers"));
        report.setObjectName(QStringLiteral("Report1"));
        frEngine().CurrentReport = &report;
        frEngine().OutputReport = &report;
        InstallReportCallbacks(report);
        page = std::make_unique<TfrPage>(PaperA4, 0, 0, -1, 0);
        frEngine().ActivePage = page.get();
    }
    void TearDown() override
    {
        frResetEngine();
        ComponentRegistry::instance().unregister(&module);
    }

    // A band of the page's chain of that type (the first of its type is kept by the page).
    TfrBand *addBand(int type, const QString &name, TfrDataset *dataSource = nullptr)
    {
        auto band = std::make_unique<TfrBand>(type, page.get());
        band->Name = name;
        band->DataSource = dataSource;
        TfrBand *raw = band.get();
        auto &slot = page->BandsByType[size_t(type)];
        if (!slot) {
            slot = std::move(band);
        } else {
            TfrBand *last = slot.get();
            while (last->Next)
                last = last->Next.get();
            raw->Prev = last;
            last->Next = std::move(band);
        }
        return raw;
    }

    Variant value(const QString &expression) { return frEngine().Parser().Evaluate(expression); }

    FormatSettingsScope formats;
    QObject module;
    TMemTable customers;
    TfrDBDataSet source;
    TfrReport report{&module};
    std::unique_ptr<TfrPage> page;
};
