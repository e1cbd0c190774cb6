#pragma once

// The customer module with its database module as the program's own (DMR) while a test runs, and, for the tests
// of the customer windows, the main window with message boxes, the shell and the clock faked and the modal dialogs
// a test answers.
#include "CustomerFixture.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"

#include <QApplication>
#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class CustomerProgramFixture : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (!HasFatalFailure())
            DMR = m_dmr.get();
    }
    void TearDown() override
    {
        CustomerFixture::TearDown();
        DMR = nullptr;
    }
};

class CustomerWindowsFixture : public CustomerProgramFixture
{
protected:
    explicit CustomerWindowsFixture(const QDateTime &now = QDateTime(QDate(2024, 6, 20), QTime(10, 0)))
        : m_clock(now)
    {
    }

    // Answers a modal dialog with `act` once `ready` says it is up.
    void whenReady(std::function<bool()> ready, std::function<void()> act)
    {
        m_answers.push_back(std::make_unique<tarvik::test::ModalAnswer>(std::move(ready), std::move(act)));
    }
    // No answer after this; a test whose answered dialog never opened fails.
    void stopAnswers()
    {
        for (auto &answer : m_answers) {
            answer->stop();
            EXPECT_TRUE(answer->ran()) << "a dialog the test answers never opened";
        }
    }
    // The main window's child windows closed for good, and whatever waits to be deleted deleted.
    void deleteChildForms()
    {
        for (QWidget *child : m_scope.main()->ChildForms())
            delete child;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    FakeMessageService m_messages;
    FakeShellService m_shell;
    FakeClock m_clock;
    tarvik::test::MainWindowScope m_scope;
    std::vector<std::unique_ptr<tarvik::test::ModalAnswer>> m_answers;
};

// Saving a new customer goes on to connecting a service (its dialog); tests that only save cancel whatever dialog
// that opens while the answer lives.
inline tarvik::test::ModalAnswer cancelConnecting()
{
    return tarvik::test::ModalAnswer([] { return qobject_cast<QDialog *>(QApplication::activeModalWidget()) != nullptr; },
        [] { qobject_cast<QDialog *>(QApplication::activeModalWidget())->reject(); });
}
