#pragma once

#include <QApplication>

#include <functional>
#include <memory>

class QTimer;

namespace tarvik::test {

// Answers a modal dialog that the code under test is about to open: once `ready` holds (the dialog is up), it
// runs `act` once, from the event loop of whatever waits for the dialog. It records that it ran, and it stops
// when it is destroyed, so an answer whose dialog never came can never answer a later test's dialog.
class ModalAnswer
{
public:
    ModalAnswer(std::function<bool()> ready, std::function<void()> act);
    ~ModalAnswer();
    ModalAnswer(ModalAnswer &&) noexcept;
    ModalAnswer &operator=(ModalAnswer &&) noexcept;

    bool ran() const;
    // No answer after this; `ran()` keeps what happened.
    void stop();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The modal widget the user sees now, when it is a T.
template <class T> T *activeModal()
{
    return qobject_cast<T *>(QApplication::activeModalWidget());
}

} // namespace tarvik::test
