#pragma once

// The customer module for the card's windows: the global data modules set, message boxes and the clock faked,
// the user's settings back to their defaults afterwards, and an error escaping a window's handler failing the
// test with its text.
#include "CustomerProgramFixture.h"
#include "Guard.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "uSettings.h"

class CustomerWindowFixture : public CustomerProgramFixture
{
protected:
    void SetUp() override
    {
        CustomerProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_previousHandler = setExceptionHandler([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
    }
    void TearDown() override
    {
        setExceptionHandler(m_previousHandler);
        AppSettings() = TAppSettings::defaults();
        CustomerProgramFixture::TearDown();
    }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 6, 20), QTime(10, 0)) };
    ExceptionHandler m_previousHandler;
};
