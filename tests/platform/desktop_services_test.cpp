#include "platform/clipboard_text.h"
#include "platform/deferred_call.h"
#include "platform/file_drop_target.h"
#include "platform/wait_cursor.h"
#include "platform/window_opacity.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

using namespace kx;

TEST(DeferredCallTest, RunsAfterTheCurrentStepAndNotForADeadReceiver) {
    QObject receiver;
    int ran = 0;
    KxPostDeferred(&receiver, [&] { ++ran; });
    EXPECT_EQ(ran, 0) << "a deferred step must not run inside the caller";
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);

    auto doomed = std::make_unique<QObject>();
    KxPostDeferred(doomed.get(), [&] { ++ran; });
    doomed.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
}

TEST(WaitCursorTest, NestedScopesRestoreTheCursorAlsoWhenAnExceptionPasses) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    try {
        KxWaitCursorScope outer;
        {
            KxWaitCursorScope inner;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
        throw std::runtime_error("step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(ClipboardTextTest, RoundTripsNonAsciiText) {
    const QString text = QStringLiteral("id\tname\r\n1\tGrüße €");
    KxSetClipboardText(text);
    EXPECT_EQ(KxClipboardText(), text);
}

TEST(WindowOpacityTest, MapsTheByteScaleAndClampsIt) {
    QWidget window;
    KxSetConstantOpacity(&window, 200);
    EXPECT_NEAR(window.windowOpacity(), 200 / 255.0, 0.01);
    KxSetConstantOpacity(&window, 400);
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
}

class FileDropTargetTest : public testing::Test {
protected:
    void SetUp() override {
        new KxFileDropTarget(&widget, [this](const QStringList& names) { dropped += names; });
    }

    // Sends a drag-enter and a drop carrying `urls`; answers whether the drop was accepted.
    bool DragAndDrop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &drop);
        return drop.isAccepted();
    }

    QWidget widget;
    QStringList dropped;
};

TEST_F(FileDropTargetTest, DeliversLocalFilesInDragOrder) {
    EXPECT_TRUE(widget.acceptDrops());
    EXPECT_TRUE(DragAndDrop({QUrl::fromLocalFile(QStringLiteral("/tmp/b script.sql")),
                             QUrl(QStringLiteral("https://example.invalid/x.sql")),
                             QUrl::fromLocalFile(QStringLiteral("/tmp/ä.sql"))}));
    EXPECT_EQ(dropped,
              QStringList({QStringLiteral("/tmp/b script.sql"), QStringLiteral("/tmp/ä.sql")}));
}

TEST_F(FileDropTargetTest, RefusesDragsWithoutLocalFiles) {
    EXPECT_FALSE(DragAndDrop({QUrl(QStringLiteral("https://example.invalid/x.sql"))}));
    EXPECT_TRUE(dropped.isEmpty());
}

} // namespace
