#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs blocking name lookups on at most a few threads, started when first needed, so that one slow lookup
// holds up neither its caller nor the others, and many lookups never mean many threads. The destructor
// drops the lookups that have not begun and waits for those under way.
class TLookupPool {
public:
    explicit TLookupPool(int maxThreads = 4);
    ~TLookupPool();
    TLookupPool(const TLookupPool&) = delete;
    TLookupPool& operator=(const TLookupPool&) = delete;

    // Runs the lookup on one of the pool's threads.
    void Run(std::function<void()> lookup);

private:
    void Serve();

    const int m_maxThreads;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    std::vector<std::thread> m_threads;
    int m_idle = 0;
    bool m_closing = false;
};
