#include "app/statement_worker.h"
#include "foundation/exceptions.h"
#include "support/event_loop_watch.h"

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
    int nestedRanOnCaller = 0;
    test::EventLoopWatch watch([&](qint64) {
        // Code the event loop runs meanwhile may make a call of its own: in place.
        if (nestedRanOnCaller == 0)
            worker.RunBlockingCall([&] {
                if (std::this_thread::get_id() == caller)
                    ++nestedRanOnCaller;
            });
    });
    watch.Start();
    worker.RunBlockingCall([&] {
        ranOn = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    const qint64 elapsed = watch.Stop();

    EXPECT_NE(ranOn, caller);
    EXPECT_GE(elapsed, 400) << "the call returns only when it has ended";
    EXPECT_GT(watch.LastTick(), 300) << "the timer kept ticking during the call";
    EXPECT_LT(watch.LongestGap(), 100);
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
