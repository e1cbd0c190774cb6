// Windows closed with edits not yet stored: the customer card, the new-ticket dialog and the tickets window ask
// "Данные изменены, записать?" in the program's own box (Yes saves and closes when the save succeeds, No drops
// the edits and closes, Cancel keeps the window and what was typed); and a ticket without its planned times is
// refused. On both engines.
#include "CustomerProgramFixture.h"
#include "DBCtrlsEh.h"
#include "Periods.h"
#include "WindowMessages.h"
#include "frmuCustomer.h"
#include "frmuCustomerTicket.h"
#include "frmuTickets.h"
#include "uTickets.h"

#include <QAction>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

const QString SaveQuestion = QStringLiteral("Данные изменены, записать?");

std::string s(const QString &text)
{
    return text.toStdString();
}

// Types the text key by key, Cyrillic letters too (the test library's own typing takes ASCII only).
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

// The program's own message boxes instead of the fixture's scripted ones, for as long as it lives.
class RealMessageBoxes
{
public:
    RealMessageBoxes()
        : m_scripted(Services::setMessages(nullptr))
    {
    }
    ~RealMessageBoxes() { Services::setMessages(m_scripted); }
    RealMessageBoxes(const RealMessageBoxes &) = delete;
    RealMessageBoxes &operator=(const RealMessageBoxes &) = delete;

private:
    MessageService *m_scripted;
};

// Presses the button captioned `button` in the box showing `text`, once it is up; the captions the box offered go
// to `offered`.
std::unique_ptr<ModalAnswer> press(const QString &text, const QString &button, QStringList *offered = nullptr)
{
    return std::make_unique<ModalAnswer>(
        [text] {
            auto *box = activeModal<QMessageBox>();
            return box && box->text() == text;
        },
        [button, offered] {
            auto *box = activeModal<QMessageBox>();
            QAbstractButton *chosen = nullptr;
            for (QAbstractButton *b : box->buttons()) {
                if (offered)
                    *offered << b->text();
                if (b->text() == button)
                    chosen = b;
            }
            if (chosen)
                chosen->click();
            else
                box->reject();
        });
}

struct CloseCase
{
    const char *label;
    const char *answer; // the button pressed in the question
    bool closes;
    bool saved; // the edits are in the database afterwards
};

const CloseCase closeCases[] = {
    { "Yes saves and closes", "&Да", true, true },
    { "No drops the edits and closes", "&Нет", true, false },
    { "Cancel keeps the window with the edits", "Отмена", false, false },
};

class HardeningCardClose : public CustomerWindowsFixture
{
protected:
    void TearDown() override
    {
        m_form.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CustomerWindowsFixture::TearDown();
    }
    TfrmCustomer *open()
    {
        m_form = std::make_unique<TfrmCustomer>();
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        SendMessage(m_form.get(), AMRunQuery, 1, 0);
        return m_form.get();
    }
    QString storedSurname() const
    {
        return seen(QStringLiteral("select SURNAME from ZOLT.CUSTOMER where FLAT_NO = '12'")).toString();
    }
    // The card of the customer opened for editing, its surname typed over.
    void typeSurname(TfrmCustomer *form, const QString &surname)
    {
        ASSERT_TRUE(customers()->Locate(QStringLiteral("FLAT_NO"), QStringLiteral("12")));
        ASSERT_TRUE(form->actEditCustomer->isEnabled());
        form->actEditCustomer->trigger();
        ASSERT_EQ(form->pcMain->currentWidget(), form->tsDetail);
        form->edSurname->setFocus();
        form->edSurname->selectAll();
        QTest::keyClick(form->edSurname, Qt::Key_Delete);
        typeText(form->edSurname, surname);
    }

    std::unique_ptr<TfrmCustomer> m_form;
};

TEST_P(HardeningCardClose, ClosingACardBeingEditedAsksWhetherToSaveIt)
{
    addCustomer(QStringLiteral("Петров"), QStringLiteral("12"));
    customers()->Close();
    RealMessageBoxes boxes;
    for (const CloseCase &c : closeCases) {
        SCOPED_TRACE(c.label);
        TfrmCustomer *form = open();
        typeSurname(form, QStringLiteral("Сидоров"));
        QStringList offered;
        auto question = press(SaveQuestion, QString::fromUtf8(c.answer), &offered);
        EXPECT_EQ(form->close(), c.closes);
        EXPECT_TRUE(question->ran());
        offered.sort();
        EXPECT_EQ(offered, QStringList({ "&Да", "&Нет", "Отмена" }));
        EXPECT_EQ(storedSurname(), c.saved ? QStringLiteral("Сидоров") : QStringLiteral("Петров"));
        if (!c.closes) {
            EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);
            EXPECT_EQ(customers()->State(), dsEdit);
            EXPECT_EQ(form->edSurname->Text(), QStringLiteral("Сидоров")) << "what was typed is kept";
            auto drop = press(SaveQuestion, QStringLiteral("&Нет"));
            EXPECT_TRUE(form->close());
        }
        EXPECT_FALSE(customers()->Active()) << "a closed window closes its list";
        m_dmr->dbConnection()->Execute(
            QStringLiteral("update ZOLT.CUSTOMER set SURNAME = 'Петров' where FLAT_NO = '12'"));
        m_dmr->CommitWork();
    }

    // Yes on a card its checks refuse keeps the window: the refusal is shown and nothing typed is lost.
    TfrmCustomer *form = open();
    typeSurname(form, QStringLiteral(" "));
    auto question = press(SaveQuestion, QStringLiteral("&Да"));
    auto refusal = press(QStringLiteral("Не введена фамилия"), QStringLiteral("OK"));
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(refusal->ran());
    EXPECT_EQ(customers()->State(), dsEdit);
    EXPECT_EQ(storedSurname(), QStringLiteral("Петров"));

    // A card that is only shown closes without a question.
    customers()->Cancel();
    EXPECT_TRUE(form->close());
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningCardClose, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

class HardeningTickets : public CustomerWindowsFixture
{
protected:
    HardeningTickets()
        : CustomerWindowsFixture(QDateTime(QDate(2021, 3, 20), QTime(10, 0)))
    {
    }
    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (2, 'Север')"));
        addCustomer(QStringLiteral("Петров"), QStringLiteral("12"));
        customers()->Close();
        m_customer = seen(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER")).toInt();
        m_dm->SetWorkDate(QDate(2021, 3, 15));
        m_savedFrom = SelectionPeriodFrom;
        m_savedTo = SelectionPeriodTo;
        SelectionPeriodFrom = QDate(2021, 3, 1);
        SelectionPeriodTo = QDate(2021, 3, 31);
    }
    void TearDown() override
    {
        delete m_form;
        SelectionPeriodFrom = m_savedFrom;
        SelectionPeriodTo = m_savedTo;
        CustomerWindowsFixture::TearDown();
    }

    int tickets() const { return seen(QStringLiteral("select count(*) from ZOLT.TICKET")).toInt(); }
    QVariant ticketValue(int id, const char *column) const
    {
        return seen(
            QStringLiteral("select %1 from ZOLT.TICKET where TICKET_ID = %2").arg(QString::fromLatin1(column)).arg(id));
    }
    int addTicket(const QString &notice)
    {
        int id = 0;
        EXPECT_TRUE(m_dmr->newCustomerTicket(m_customer, 2, id, QStringLiteral("10:30"), QStringLiteral("10:00"),
            notice, QDate(2021, 3, 16), QDate(2021, 3, 15), tsPlan));
        return id;
    }
    // Types the digits as a user does: the window is active first, so that the edit has the focus it types into.
    static void typeTime(TDBComboBoxEh *edit, const QString &digits)
    {
        edit->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(edit->window()));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, digits);
    }
    TfrmTickets *openWindowOnTicket(int id)
    {
        m_form = new TfrmTickets;
        m_form->resize(1000, 480);
        m_form->show();
        SendMessage(m_form, AMRunQuery);
        EXPECT_TRUE(m_form->odsTickets->Locate(QStringLiteral("TICKET_ID"), id));
        m_form->actTicketsEdit->trigger();
        EXPECT_EQ(m_form->pcMain->currentWidget(), m_form->tsEdit);
        return m_form;
    }

    QPointer<TfrmTickets> m_form;
    int m_customer = 0;
    QDate m_savedFrom, m_savedTo;
};

TEST_P(HardeningTickets, ClosingTheNewTicketDialogWithATicketTypedAsksWhetherToAddIt)
{
    RealMessageBoxes boxes;
    for (const CloseCase &c : closeCases) {
        SCOPED_TRACE(c.label);
        const int before = tickets();
        bool keptOpen = false;
        QString noticeKept;
        std::unique_ptr<ModalAnswer> question;
        ModalAnswer dialog([] { return activeModal<TfrmCustomerTicket>() != nullptr; },
            [&] {
                auto *d = activeModal<TfrmCustomerTicket>();
                typeTime(d->cbTimeStart, QStringLiteral("1100"));
                typeTime(d->cbTimeEnd, QStringLiteral("1130"));
                d->memNotice->setPlainText(QStringLiteral("нет сигнала"));
                question = press(SaveQuestion, QString::fromUtf8(c.answer));
                d->close();
                keptOpen = d->isVisible();
                noticeKept = d->memNotice->toPlainText();
                if (keptOpen)
                    d->btnCancel->click();
            });
        EXPECT_EQ(executeCustomerTicket(m_customer), c.saved);
        EXPECT_TRUE(dialog.ran());
        ASSERT_TRUE(question);
        EXPECT_TRUE(question->ran());
        EXPECT_EQ(keptOpen, !c.closes);
        if (keptOpen) {
            EXPECT_EQ(noticeKept, QStringLiteral("нет сигнала"));
        }
        EXPECT_EQ(tickets(), before + (c.saved ? 1 : 0));
    }
    const int id = seen(QStringLiteral("select max(TICKET_ID) from ZOLT.TICKET")).toInt();
    EXPECT_EQ(ticketValue(id, "NOTICE").toString(), QStringLiteral("нет сигнала"));
    EXPECT_EQ(ticketValue(id, "PLAN_TIME_START").toString(), QStringLiteral("11:00"));

    // A dialog left as it was opened closes without a question.
    ModalAnswer untouched([] { return activeModal<TfrmCustomerTicket>() != nullptr; },
        [] { activeModal<TfrmCustomerTicket>()->close(); });
    EXPECT_FALSE(executeCustomerTicket(m_customer));
    EXPECT_TRUE(untouched.ran());
}

TEST_P(HardeningTickets, ClosingTheTicketsWindowOnAChangedTicketAsksWhetherToSaveIt)
{
    const int id = addTicket(QStringLiteral("было"));
    RealMessageBoxes boxes;
    for (const CloseCase &c : closeCases) {
        SCOPED_TRACE(c.label);
        TfrmTickets *form = openWindowOnTicket(id);
        form->memNotice->setPlainText(QStringLiteral("стало"));
        auto question = press(SaveQuestion, QString::fromUtf8(c.answer));
        EXPECT_EQ(form->close(), c.closes);
        EXPECT_TRUE(question->ran());
        EXPECT_EQ(ticketValue(id, "NOTICE").toString(), c.saved ? QStringLiteral("стало") : QStringLiteral("было"));
        if (!c.closes) {
            EXPECT_EQ(form->pcMain->currentWidget(), form->tsEdit);
            EXPECT_EQ(form->memNotice->toPlainText(), QStringLiteral("стало"));
        }
        delete m_form;
        m_dmr->updateTicket(id, QStringLiteral("было"), 2, tsPlan, QStringLiteral("10:30"), QStringLiteral("10:00"),
            QDate(2021, 3, 16), QDate(2021, 3, 15));
    }

    // A ticket only looked at closes without a question.
    TfrmTickets *form = openWindowOnTicket(id);
    EXPECT_TRUE(form->close());
}

struct TimeCase
{
    const char *label;
    const char *start, *end; // digits typed, empty for none
    const char *message;
};

const TimeCase timeCases[] = {
    { "no start", "", "1130", "Не введено время \"с:\"" },
    { "no end", "1100", "", "Не введено время \"по:\"" },
    { "an end cut short", "1100", "113", "Неверное время \"по:\": 11:3" },
};

TEST_P(HardeningTickets, ATicketWithoutItsPlannedTimesIsRefused)
{
    for (const TimeCase &c : timeCases) {
        SCOPED_TRACE(c.label);
        m_messages.requests.clear();
        bool keptOpen = false;
        ModalAnswer dialog([] { return activeModal<TfrmCustomerTicket>() != nullptr; },
            [&] {
                auto *d = activeModal<TfrmCustomerTicket>();
                typeTime(d->cbTimeStart, QString::fromLatin1(c.start));
                typeTime(d->cbTimeEnd, QString::fromLatin1(c.end));
                QTest::mouseClick(d->btnApply, Qt::LeftButton);
                keptOpen = d->isVisible();
                d->btnCancel->click();
            });
        EXPECT_FALSE(executeCustomerTicket(m_customer));
        EXPECT_TRUE(keptOpen);
        EXPECT_EQ(s(m_messages.lastText()), c.message);
        EXPECT_EQ(tickets(), 0);
    }

    const int id = addTicket(QStringLiteral("заявка"));
    for (const TimeCase &c : timeCases) {
        SCOPED_TRACE(c.label);
        m_messages.requests.clear();
        TfrmTickets *form = openWindowOnTicket(id);
        typeTime(form->cbTimeStart, QString::fromLatin1(c.start));
        typeTime(form->cbTimeEnd, QString::fromLatin1(c.end));
        QTest::mouseClick(form->btnSave, Qt::LeftButton);
        EXPECT_EQ(s(m_messages.lastText()), c.message);
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsEdit) << "what was typed stays on the page";
        EXPECT_EQ(ticketValue(id, "PLAN_TIME_START").toString(), QStringLiteral("10:00"));
        EXPECT_EQ(ticketValue(id, "PLAN_TIME_END").toString(), QStringLiteral("10:30"));
        delete m_form;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningTickets, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
