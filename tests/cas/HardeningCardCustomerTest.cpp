// The console's card list names each card's customer even when part of the name is missing.
#include "dmuSMS.h"

#include "DataFixture.h"
#include "Kyv_db.h"

#include <gtest/gtest.h>

namespace {

class HardeningCardCustomer : public ::testing::TestWithParam<TestEngine>
{
protected:
    void TearDown() override { DMR = nullptr; }

    DataFixture m_data { GetParam() };
};

TEST_P(HardeningCardCustomer, ACustomerWithoutInitialsIsStillNamed)
{
    ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
    const auto dmr = m_data.makeReadyDmr();
    DMR = dmr.get();
    for (const char *sql : {
             "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CUST_STATE) "
             "values (1, '1', 'Иванов', null, 1)",
             "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CUST_STATE) "
             "values (2, '2', 'Петров', 'П.П.', 1)",
             "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (7, '123', 1)",
             "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (8, '124', 1)",
             "insert into ZOLT.CUSTOMER_SMARTCARDS (CUSTOMER_ID, SMARTCARD_ID, IS_MAIN) values (1, 7, 1)",
             "insert into ZOLT.CUSTOMER_SMARTCARDS (CUSTOMER_ID, SMARTCARD_ID, IS_MAIN) values (2, 8, 1)",
         })
        dmr->dbConnection()->Execute(QString::fromUtf8(sql));
    TdmSMS sms;
    TKyv_ADODataSet *cards = sms.rdsCASCFGSmartCardLookup();
    cards->Open();
    QStringList shown;
    for (cards->First(); !cards->Eof(); cards->Next())
        shown << cards->FieldByName(QStringLiteral("SMARTCARD_NO"))->AsString() + QLatin1Char('=')
                + cards->FieldByName(QStringLiteral("RO_CUSTOMER"))->AsString();
    cards->Close();
    EXPECT_EQ(shown.join(QLatin1Char('|')).toStdString(), "123=Иванов |124=Петров П.П.");
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningCardCustomer, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
