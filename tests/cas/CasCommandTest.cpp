#include "dmuSMS.h"

#include "DataFixture.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "ServiceFakes.h"
#include "uCasPacket.h"

#include <gtest/gtest.h>

namespace {

// The console's command record and lookups over a database on either engine with card "123", provider "TV"
// (CAS code "A") and DTV package 12.
class CasCommand : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        m_dmr = m_data.makeReadyDmr();
        DMR = m_dmr.get();
        TADOConnection *db = m_dmr->dbConnection();
        for (const char *sql : {
                 "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (7, '123', 0)",
                 "insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (3, ' TV ', 'A')",
                 "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, IS_DTV_PACKAGE, DTV_PACKAGE_CODE, SERV_PACKAGE_ID) values (5, 'P', 1, 12, -1)",
             })
            db->Execute(QString::fromLatin1(sql));
        m_sms = std::make_unique<TdmSMS>();
        for (TKyv_ADODataSet *ds :
            { m_sms->rdsCASCFGSmartCardLookup(), m_sms->rdsDTVProviderLookup(), m_sms->rdsDTVPackageLookup() })
            ds->Open();
    }

    void TearDown() override
    {
        m_sms.reset();
        m_dmr.reset();
        DMR = nullptr;
    }

    DataFixture m_data { GetParam() };
    FakeClock m_clock { QDateTime(QDate(2024, 2, 10), QTime(9, 30)) };
    std::unique_ptr<TDMR> m_dmr;
    std::unique_ptr<TdmSMS> m_sms;
};

TEST_P(CasCommand, RequestsAreBuiltFromTheLookupsAndTheRecord)
{
    m_sms->OpenCASCFG();
    TMemTable *record = m_sms->mdCASCFG();
    EXPECT_EQ(record->FieldByName(QStringLiteral("TYPE_CODE"))->AsString().toStdString(), "0100");
    EXPECT_EQ(record->FieldByName(QStringLiteral("DATE_TO"))->AsDateTime().date(), QDate(2024, 2, 29));
    EXPECT_EQ(record->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), -1);
    EXPECT_EQ(record->FieldByName(QStringLiteral("DTV_PROVIDER_ID"))->AsInteger(), 0);
    const struct
    {
        const char *code;
        std::string request;
    } cases[] = {
        { "0100", "0015001000010100" },
        { "0201", "0015003900010201" "0000000123" "A" + std::string(28, ' ') + "TV" },
        { "0203", "0015001B00010203" "0000000123" "A" },
        { "0301", "0015003100010301" "0000000123" "A" "000012" "20240210" "20240229" },
        { "0302", "0015002100010302" "0000000123" "A" "000012" },
        { "0999", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(m_sms->buildCasCommand(QString::fromLatin1(c.code)).toStdString(), c.request) << c.code;
}

INSTANTIATE_TEST_SUITE_P(CasDatabase, CasCommand, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
