#pragma once

// The customer module for the card's windows: the global data modules set, message boxes and the clock faked,
// the user's settings back to their defaults afterwards, and an error escaping a window's handler failing the
// test with its text.
#include "CustomerFixture.h"
#include "Guard.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "uSettings.h"

#include <algorithm>

class CustomerWindowFixture : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (HasFatalFailure())
            return;
        DMR = m_dmr.get();
        m_previousHandler = setExceptionHandler([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
    }
    void TearDown() override
    {
        setExceptionHandler(m_previousHandler);
        AppSettings() = TAppSettings::defaults();
        CustomerFixture::TearDown();
        DMR = nullptr;
    }

    // The ids of the customers the list holds, in order.
    QList<int> listed()
    {
        QList<int> ids;
        TKyv_ClientDataSet *c = customers();
        for (c->First(); !c->Eof(); c->Next())
            ids << field(c, "CUSTOMER_ID")->AsInteger();
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 6, 20), QTime(10, 0)) };
    ExceptionHandler m_previousHandler;
};
