#include "ModalAnswer.h"

#include <QTimer>

namespace tarvik::test {

struct ModalAnswer::State
{
    QTimer timer;
    bool ran = false;
};

ModalAnswer::ModalAnswer(std::function<bool()> ready, std::function<void()> act)
    : m_state(std::make_unique<State>())
{
    State *state = m_state.get();
    // The dialog opens inside a call the test makes; a short poll from its event loop finds it.
    state->timer.setInterval(5);
    QObject::connect(&state->timer, &QTimer::timeout, [state, ready = std::move(ready), act = std::move(act)] {
        if (!ready())
            return;
        state->timer.stop();
        state->ran = true;
        act();
    });
    state->timer.start();
}

ModalAnswer::~ModalAnswer() = default;
ModalAnswer::ModalAnswer(ModalAnswer &&) noexcept = default;
ModalAnswer &ModalAnswer::operator=(ModalAnswer &&) noexcept = default;

bool ModalAnswer::ran() const
{
    return m_state && m_state->ran;
}

void ModalAnswer::stop()
{
    if (m_state)
        m_state->timer.stop();
}

} // namespace tarvik::test
