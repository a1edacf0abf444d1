#include "uLookupPool.h"

#include <algorithm>

TLookupPool::TLookupPool(int maxThreads) : m_maxThreads(std::max(1, maxThreads)) {}

TLookupPool::~TLookupPool() {
    {
        const std::lock_guard locker(m_lock);
        m_closing = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void TLookupPool::Run(std::function<void()> lookup) {
    {
        const std::lock_guard locker(m_lock);
        m_queue.push_back(std::move(lookup));
        if (m_idle == 0 && static_cast<int>(m_threads.size()) < m_maxThreads)
            m_threads.emplace_back([this] { Serve(); });
    }
    m_wake.notify_one();
}

void TLookupPool::Serve() {
    std::unique_lock locker(m_lock);
    for (;;) {
        ++m_idle;
        m_wake.wait(locker, [this] { return m_closing || !m_queue.empty(); });
        --m_idle;
        if (m_closing)
            return;
        const std::function<void()> lookup = std::move(m_queue.front());
        m_queue.pop_front();
        locker.unlock();
        lookup();
        locker.lock();
    }
}
