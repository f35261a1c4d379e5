#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "foundation/kx_timer.h"
#include "foundation/message_box.h"
#include "support/scripted_message_box.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using kx::test::ScriptedMessageBox;

// Runs the event loop until `done` says so, or at most `limitMs`.
template <class TDone> void RunEventLoopUntil(TDone done, int limitMs = 5000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// Records what reaches the application's exception handler while it lives.
struct HandlerRecorder {
    QStringList messages;
    KxApplicationExceptionHandler previous;
    HandlerRecorder() {
        previous = KxSetApplicationExceptionHandler(
            [this](const std::exception& e) { messages.append(KxExceptionMessage(e)); });
    }
    ~HandlerRecorder() { KxSetApplicationExceptionHandler(previous); }
};

TEST(TimerTest, TicksUntilTheHandlerStopsIt) {
    int ticks = 0;
    auto timer = KxMake<TKxTimer>(1, [&](TKxTimer* sender) {
        if (++ticks == 3)
            sender->Stop();
    });
    EXPECT_EQ(timer->GetHandle(), 0u);
    timer->Start();
    EXPECT_TRUE(timer->Running());
    EXPECT_NE(timer->GetHandle(), 0u);
    RunEventLoopUntil([&] { return !timer->Running(); });
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(timer->GetHandle(), 0u);
}

TEST(TimerTest, ChangingTheIntervalKeepsARunningTimerRunning) {
    auto timer = KxMake<TKxTimer>(60000);
    timer->SetInterval(50000);
    EXPECT_FALSE(timer->Running());
    timer->Start();
    timer->SetInterval(40000);
    EXPECT_TRUE(timer->Running());
    EXPECT_EQ(timer->Interval(), 40000);
    timer->Stop();
    timer->Restart(5);
    EXPECT_TRUE(timer->Running());
    EXPECT_EQ(timer->Interval(), 5);
    timer->Restart();
    EXPECT_EQ(timer->Interval(), 5);
    timer->Stop();
}

TEST(TimerTest, AHandlerThatRaisesStopsTheTimerAndReachesTheApplicationHandler) {
    HandlerRecorder recorder;
    int ticks = 0;
    auto timer = KxMake<TKxTimer>(1, [&](TKxTimer*) {
        ++ticks;
        KxRaise(QStringLiteral("refresh failed"), QStringLiteral("OnTimer"));
    });
    timer->Start();
    RunEventLoopUntil([&] { return !recorder.messages.isEmpty(); });
    // Give a timer that kept running the chance to tick again.
    RunEventLoopUntil([] { return false; }, 30);
    EXPECT_FALSE(timer->Running());
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(recorder.messages, QStringList{QStringLiteral("refresh failed")});
}

TEST(TimerTest, TheDefaultApplicationHandlerShowsTheErrorInAMessageBox) {
    ScriptedMessageBox box({id::Ok});
    KxHandleApplicationException(EKxException(QStringLiteral("disk full")));
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text, QStringLiteral("disk full"));
    EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Error"));

    // A handler that raises itself is not allowed to take the program down.
    KxApplicationExceptionHandler previous = KxSetApplicationExceptionHandler(
        [](const std::exception&) { throw std::runtime_error("handler failed"); });
    KxHandleApplicationException(std::runtime_error("first"));
    KxSetApplicationExceptionHandler(previous);
}

TEST(TimerTest, AHandlerMayFreeItsOwnTimer) {
    int ticks = 0;
    KxIntf<TKxTimer> timer = KxMake<TKxTimer>(1);
    timer->OnTimer = [&](TKxTimer*) {
        ++ticks;
        timer.reset(); // the last reference
    };
    timer->Start();
    RunEventLoopUntil([&] { return !timer; });
    RunEventLoopUntil([] { return false; }, 20);
    EXPECT_EQ(ticks, 1);
}

} // namespace
