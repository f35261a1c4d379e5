#include "app/statement_worker.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

using namespace kx;

TEST(StatementWorkerTest, ALongCallRunsElsewhereWhileTheEventLoopGoesOn) {
    TKxStatementWorker worker;
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id ranOn;
    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 longestGap = 0;
    int nestedRanOnCaller = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (lastTick >= 0)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        // Code the event loop runs meanwhile may make a call of its own: in place.
        if (nestedRanOnCaller == 0)
            worker.RunBlockingCall([&] {
                if (std::this_thread::get_id() == caller)
                    ++nestedRanOnCaller;
            });
    });
    clock.start();
    ticker.start();
    worker.RunBlockingCall([&] {
        ranOn = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    const qint64 elapsed = clock.elapsed();
    ticker.stop();

    EXPECT_NE(ranOn, caller);
    EXPECT_GE(elapsed, 400) << "the call returns only when it has ended";
    EXPECT_GT(lastTick, 300) << "the timer kept ticking during the call";
    EXPECT_LT(longestGap, 100);
    EXPECT_EQ(nestedRanOnCaller, 1);
}

TEST(StatementWorkerTest, ManyShortCallsEachRunOnceInOrderAndFailuresComeBack) {
    TKxStatementWorker worker;
    std::atomic<int> last{-1};
    int outOfOrder = 0;
    for (int i = 0; i < 20000; ++i)
        worker.RunBlockingCall([&, i] {
            if (last.exchange(i) != i - 1)
                ++outOfOrder;
        });
    EXPECT_EQ(last.load(), 19999);
    EXPECT_EQ(outOfOrder, 0);

    // An exception of the call reaches the caller, and the worker goes on afterwards.
    EXPECT_THROW(worker.RunBlockingCall([] { throw std::runtime_error("call failed"); }),
                 std::runtime_error);
    bool ran = false;
    worker.RunBlockingCall([&] { ran = true; });
    EXPECT_TRUE(ran);
}

} // namespace
