#pragma once

// The customer data module over a logged-on database on either engine, with one locality, one street and one
// house to put customers in, and a second connection that sees only what was committed.
#include "DataFixture.h"
#include "dmuCust.h"
#include "dmuDM.h"

#include <algorithm>
#include <memory>

class CustomerFixture : public ::testing::TestWithParam<TestEngine>
{
protected:
    static constexpr int HouseId = 7;

    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        m_dmr = m_data.makeReadyDmr();
        ASSERT_TRUE(m_dmr->Get_DatabaseConnectStatus());
        for (const char *sql :
            { "insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) values (3, 'Гродно', 0)",
                "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME, STREET_TYPE_ID, LOCATION_ID) "
                "values (5, '012', 'Лесная', 1, 3)",
                "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, HOUSE_NO, Q_PORCH) values (7, 3, 5, '14', "
                "1)" })
            m_dmr->dbConnection()->Execute(QString::fromUtf8(sql));
        m_dm = std::make_unique<TDM>(m_dmr.get());
        // The operator's company, which a new customer belongs to, comes with the first configuration row.
        ASSERT_TRUE(m_dm->CreateDefaultMainCFG());
        m_cust = std::make_unique<TcustDM>(m_dm.get(), m_dmr.get());
        m_other = m_data.makeDmr();
        m_other->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST"));
        ASSERT_TRUE(m_other->Get_DatabaseConnectStatus());
    }

    void TearDown() override
    {
        m_cust.reset();
        m_dm.reset();
    }

    TKyv_ClientDataSet *customers() const { return m_cust->cdsCustomer(); }
    TField *field(TDataSet *ds, const char *name) const { return ds->FieldByName(QString::fromLatin1(name)); }

    // The ids of the customers the list holds, in order.
    QList<int> listed() const
    {
        QList<int> ids;
        TKyv_ClientDataSet *c = customers();
        for (c->First(); !c->Eof(); c->Next())
            ids << field(c, "CUSTOMER_ID")->AsInteger();
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // A value as the second connection reads it.
    QVariant seen(const QString &sql) const { return m_other->dbConnection()->SelectValue(sql); }

    // Inserts a person in the house through the list dataset, with the values given, and posts it.
    void addCustomer(const QString &surname, const QString &flat = QStringLiteral("1"))
    {
        TKyv_ClientDataSet *c = customers();
        if (!c->Active())
            c->Open();
        c->Append();
        field(c, "HOUSE_ID")->SetValue(HouseId);
        field(c, "SURNAME")->SetValue(surname);
        field(c, "FLAT_NO")->SetValue(flat);
        c->Post();
    }

    DataFixture m_data { GetParam() };
    std::unique_ptr<TDMR> m_dmr, m_other;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TcustDM> m_cust;
};
