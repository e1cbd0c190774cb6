// Faults found by review in the report engine, each with the behaviour that replaced it.
#include "FR_Class.h"
#include "FR_Globals.h"

#include "ServiceFakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class HardeningReport : public ::testing::Test
{
protected:
    void SetUp() override { frResetEngine(); }
    FakeMessageService messages;
};

// A file that cannot be read keeps the old template and its name, so that a later save writes the old template
// back to its own file and never over the unreadable one.
TEST_F(HardeningReport, AnUnreadableFileKeepsTheOldTemplatesName)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.frf");
    {
        TfrReport report;
        report.Pages().Add();
        report.Pages().Add();
        report.SaveReportFile(good);
    }
    TfrReport report;
    ASSERT_TRUE(report.LoadReportFile(good));
    ASSERT_EQ(report.FileName, good);

    const QString bad = dir.filePath("bad.frf");
    for (const QByteArray &bytes : {QByteArray("\x7f garbage", 9), QByteArray("\x17\x01\x00\x00", 4)}) {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        messages.requests.clear();
        report.LoadReportFile(bad);
        EXPECT_EQ(report.FileName, good) << bytes.toHex().toStdString();
        EXPECT_EQ(report.Pages().GetCount(), 2);
        EXPECT_EQ(messages.requests.size(), 1) << "the failure is shown";
    }
}

} // namespace
