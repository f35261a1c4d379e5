#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "platform/deferred_call.h"
#include "platform/event_guard.h"
#include "platform/kx_application.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using namespace kx;

// Records what reaches the application exception handler while a test runs.
class EventGuardTest : public testing::Test {
protected:
    void SetUp() override {
        previous = KxSetApplicationExceptionHandler(
            [this](const std::exception& e) { messages << KxExceptionMessage(e); });
    }
    void TearDown() override { KxSetApplicationExceptionHandler(previous); }

    QStringList messages;
    KxApplicationExceptionHandler previous;
};

// A widget with handlers that fail on request, as a programming error in a view would.
class FailingWidget : public QWidget {
public:
    QString typed;
    bool paintFails = false;
    int paints = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_X)
            throw std::runtime_error("key handler failed");
        typed += event->text();
    }
    void mousePressEvent(QMouseEvent*) override { throw 42; }
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (paintFails)
            throw std::runtime_error("paint failed");
    }
};

// Qt's widget library is built without exception support: an exception that passes its frames
// on the way to `notify` skips their clean-up, and what they allocated stays allocated. That
// is the price of the application-wide net for widgets that do not catch in their own frame
// (ours do); the leak checker is told to accept it where a test throws through those frames.
struct ThrowingThroughQt {
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler leaksAccepted;
#endif
};

void SendKey(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

TEST_F(EventGuardTest, TheTestsRunUnderTheProgramsApplicationObject) {
    EXPECT_NE(dynamic_cast<TKxApplication*>(QCoreApplication::instance()), nullptr);
}

TEST_F(EventGuardTest, ADeferredStepThatRaisesReachesTheHandlerOnceAndLaterStepsStillRun) {
    QObject receiver;
    int ran = 0;
    KxPostDeferred(&receiver, [] { KxRaise(QStringLiteral("deferred step failed"), {}); });
    KxPostDeferred(&receiver, [&] { ++ran; });
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, QStringList{QStringLiteral("deferred step failed")});
    EXPECT_EQ(ran, 1);
}

TEST_F(EventGuardTest, KeyAndMouseHandlersThatRaiseAreReportedAndTheWidgetKeepsWorking) {
    [[maybe_unused]] const ThrowingThroughQt accepted;
    FailingWidget widget;
    SendKey(&widget, Qt::Key_A, QStringLiteral("a"));
    SendKey(&widget, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("key handler failed")});
    SendKey(&widget, Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(widget.typed, QStringLiteral("ab")) << "keys after the failure still arrive";

    // Something that is no std::exception at all is reported too.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], QStringLiteral("Unknown exception"));
}

TEST_F(EventGuardTest, AFailingPaintIsReportedOnceAfterThePaintUntilAPaintSucceeds) {
    FailingWidget widget;
    widget.resize(40, 30);
    widget.paintFails = true;
    widget.grab();
    EXPECT_TRUE(messages.isEmpty()) << "no dialog may open inside the painting of a window";
    EXPECT_TRUE(KxPaintFailing(&widget));
    for (int i = 0; i < 3; ++i) {
        widget.grab();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(widget.paints, 4);
    EXPECT_EQ(messages, QStringList{QStringLiteral("paint failed")}) << "reported once";

    widget.paintFails = false;
    widget.grab();
    EXPECT_FALSE(KxPaintFailing(&widget));
    widget.paintFails = true;
    widget.grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 2) << "a new failure after a good paint is new news";
}

TEST_F(EventGuardTest, NestedGuardsReportAFailureOnceAndDoNotTakeItForSuccess) {
    QObject widget;
    QEvent paint(QEvent::Paint);
    for (int i = 0; i < 2; ++i) {
        // The application's guard around a widget's own guard, as for the editor's paint.
        const bool handled = KxGuardEvent(&widget, &paint, [&] {
            return KxGuardEvent(&widget, &paint, []() -> bool { throw std::logic_error("x"); });
        });
        EXPECT_FALSE(handled);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(KxPaintFailing(&widget));
}

} // namespace
