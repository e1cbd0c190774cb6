#pragma once

#include <QMutex>

#include <utility>

// A callback that one place installs while any thread may call it: it is copied out under the lock and called
// outside it, so that the callback may itself log or install another.
template <class F> class Hook
{
public:
    F get() const
    {
        QMutexLocker lock(&m_mutex);
        return m_fn;
    }
    F exchange(F fn)
    {
        QMutexLocker lock(&m_mutex);
        F previous = std::move(m_fn);
        m_fn = std::move(fn);
        return previous;
    }

private:
    mutable QMutex m_mutex;
    F m_fn;
};
