#include "uLookupPool.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

// Blocking lookups on a bounded set of threads.
class TestLookupPool : public QObject {
    Q_OBJECT
private slots:
    void neverMoreThreadsThanItsBound_data();
    void neverMoreThreadsThanItsBound();
    void closingDropsWhatHasNotBegun();
};

void TestLookupPool::neverMoreThreadsThanItsBound_data() {
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("lookups");
    QTest::newRow("one thread") << 1 << 5;
    QTest::newRow("more lookups than threads") << 4 << 40;
    QTest::newRow("fewer lookups than threads") << 8 << 3;
}

void TestLookupPool::neverMoreThreadsThanItsBound() {
    QFETCH(int, bound);
    QFETCH(int, lookups);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<int> done{0};
    {
        TLookupPool pool(bound);
        for (int i = 0; i < lookups; ++i) {
            pool.Run([&] {
                const int now = ++running;
                int seen = most;
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                --running;
                ++done;
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(done.load(), lookups, 30000);
    }
    QVERIFY(most <= bound);
    QVERIFY(most >= 1);
}

// The lookups under way finish; those still waiting are dropped, so closing does not wait for all of them.
void TestLookupPool::closingDropsWhatHasNotBegun() {
    std::atomic<int> started{0};
    {
        TLookupPool pool(1);
        for (int i = 0; i < 10; ++i)
            pool.Run([&started] {
                ++started;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            });
        QTRY_VERIFY_WITH_TIMEOUT(started >= 1, 10000);
    }
    QVERIFY(started < 10);
}

QTEST_GUILESS_MAIN(TestLookupPool)
#include "TestLookupPool.moc"
