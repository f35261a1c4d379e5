#include "foundation/message_box.h"
#include "support/scripted_message_box.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;
using kx::test::ScriptedMessageBox;

TEST(MessageBoxTest, CaptionIconAndForegroundFollowTheSeverity) {
    ScriptedMessageBox box({id::Ok, id::Ok, id::Yes});
    EXPECT_EQ(KxMessageBox(QStringLiteral("done"), svInformation), id::Ok);
    KxMessageBox(QStringLiteral("careful"), svError, mb::Ok);
    EXPECT_EQ(KxMessageBox(QStringLiteral("sure?"), svWarning, mb::YesNo | mb::IconQuestion),
              id::Yes);

    ASSERT_EQ(box.Seen().size(), 3u);
    EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(box.Seen()[0].flags, mb::IconInformation | mb::SetForeground);
    EXPECT_EQ(box.Seen()[1].caption, QStringLiteral("Error"));
    EXPECT_EQ(box.Seen()[1].flags, mb::IconStop | mb::SetForeground);
    // An icon given by the caller wins over the severity's.
    EXPECT_EQ(box.Seen()[2].flags, mb::YesNo | mb::IconQuestion | mb::SetForeground);
}

TEST(MessageBoxTest, WithoutAPresenterNothingIsConfirmed) {
    EXPECT_EQ(KxMessageBox(QStringLiteral("really delete?"), svConfirm, mb::YesNo), id::No);
    EXPECT_EQ(KxMessageBox(QStringLiteral("save?"), svConfirm, mb::YesNoCancel), id::Cancel);
    EXPECT_EQ(KxMessageBox(QStringLiteral("note"), svInformation, mb::Ok), id::Ok);
}

TEST(AskContinueTest, ModesDecideWithoutOrWithTheUser) {
    const EKxException failure(QStringLiteral("Table not found"));
    EXPECT_FALSE(KxAskContinue(nullptr, eaContinue));
    EXPECT_TRUE(KxAskContinue(&failure, eaContinue));
    EXPECT_FALSE(KxAskContinue(&failure, eaAbort));
    EXPECT_FALSE(KxAskContinue(&failure, 7));

    ScriptedMessageBox box({id::Yes, id::No});
    EXPECT_TRUE(KxAskContinue(&failure, eaAskUser));
    EXPECT_FALSE(KxAskContinue(&failure, eaAskUser, QStringLiteral("Run the next statement")));
    ASSERT_EQ(box.Seen().size(), 2u);
    EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Table not found\r\rContinue Operation ?"));
    EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(box.Seen()[0].flags & mb::ButtonMask, mb::YesNo);
    EXPECT_EQ(box.Seen()[1].text, QStringLiteral("Table not found\r\rRun the next statement ?"));
    EXPECT_EQ(KxErrorActionName(eaAbort), QStringLiteral("Abort Operation"));
}

TEST(LoadingErrorTest, YesSuppressesTheRestOfTheRun) {
    KxResetLoadingErrorSuppression();
    const EKxException failure(QStringLiteral("bad value"));
    {
        ScriptedMessageBox box({id::No, id::Yes});
        KxShowLoadingError(failure);
        EXPECT_FALSE(KxLoadingErrorsSuppressed());
        KxShowLoadingError(failure);
        EXPECT_TRUE(KxLoadingErrorsSuppressed());
        ASSERT_EQ(box.Seen().size(), 2u);
        EXPECT_EQ(box.Seen()[0].text, QStringLiteral("bad value\rSuppress Further Messages ?\r"));
        EXPECT_EQ(box.Seen()[0].flags, 0x34u | mb::SetForeground);
    }
    ScriptedMessageBox silent; // any further question would fail the test
    KxShowLoadingError(failure);
    KxResetLoadingErrorSuppression();
}

} // namespace
