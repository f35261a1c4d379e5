#include "foundation/connectable_component.h"
#include "foundation/scope_objects.h"
#include "notification_test_objects.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;
using namespace kx::test;

struct NotifySinksTest : ::testing::Test {
    QStringList log;
    TTestConnectable component{&log};
    KxIntf<TRecordingSink> a = KxMake<TRecordingSink>(QStringLiteral("A"), &log);
    KxIntf<TRecordingSink> b = KxMake<TRecordingSink>(QStringLiteral("B"), &log);
    std::uint32_t cookieA = 0;
    std::uint32_t cookieB = 0;

    void SetUp() override {
        cookieA = KxInterfaceConnect(&component, a.get(), IKxPositionChangeSink::IID);
        cookieB = KxInterfaceConnect(&component, b.get(), IKxPositionChangeSink::IID);
    }
    void TearDown() override {
        KxInterfaceDisconnect(&component, IKxPositionChangeSink::IID, cookieA);
        KxInterfaceDisconnect(&component, IKxPositionChangeSink::IID, cookieB);
    }
};

TEST_F(NotifySinksTest, SinksHearInReverseAdviseOrder) {
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkAfterPositionChange);
    EXPECT_EQ(Joined(log), QStringLiteral("B: before position|A: before position|"
                                          "B: after position|A: after position"));
}

TEST_F(NotifySinksTest, SinksAdvisedAgainAfterAllLeftHearAgain) {
    // Notifying is skipped while nobody is advised; the count behind that must follow
    // every advise and unadvise, also on other points of the same component.
    KxInterfaceDisconnect(&component, IKxPositionChangeSink::IID, cookieA);
    KxInterfaceDisconnect(&component, IKxPositionChangeSink::IID, cookieB);
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    EXPECT_TRUE(log.isEmpty());
    cookieA = KxInterfaceConnect(&component, a.get(), IKxPositionChangeSink::IID);
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    EXPECT_EQ(Joined(log), QStringLiteral("A: before position"));
    cookieB = KxInterfaceConnect(&component, b.get(), IKxPositionChangeSink::IID);
}

TEST_F(NotifySinksTest, WhileDisabledOnlyAlwaysNotifySinksHear) {
    a->alwaysNotify = true;
    component.DisableNotifications(1);
    log.clear();
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    EXPECT_EQ(Joined(log), QStringLiteral("A: before position"));

    component.EnableNotifications(1);
    log.clear();
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    EXPECT_EQ(Joined(log), QStringLiteral("B: before position|A: before position"));
}

TEST_F(NotifySinksTest, BeforeNotificationsPropagateSinkErrorsAfterNotificationsSwallowThem) {
    b->raiseBefore = true;
    b->raiseAfter = true;
    ExpectRaises(
        [&] { component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange); },
        QStringLiteral("B refuses"), QStringLiteral("TRecordingSink"));
    EXPECT_EQ(Joined(log), QStringLiteral("B: before position")); // A never heard of it

    log.clear();
    component.NotifySinks(IKxPositionChangeSink::IID, KxCallSinkAfterPositionChange);
    EXPECT_EQ(Joined(log), QStringLiteral("B: after position|A: after position"));
}

TEST_F(NotifySinksTest, OperationNotificationsCarryTheirParametersAndCheckTheirCount) {
    std::uint32_t cookie = KxInterfaceConnect(&component, a.get(), IKxOperationSink::IID);
    const auto parameter = KxMake<TRecordingSink>(QStringLiteral("P"), &log);
    component.NotifySinks(IKxOperationSink::IID, KxCallSinkBeforeOperation,
                          {KxVariant(std::int32_t{4}), KxIntf<IKxUnknown>(parameter)});
    EXPECT_EQ(a->lastParameter, static_cast<IKxUnknown*>(parameter.get()));
    component.NotifySinks(IKxOperationSink::IID, KxCallSinkAfterOperation,
                          {KxVariant(std::int32_t{2})});
    EXPECT_EQ(a->lastParameter, nullptr);
    EXPECT_EQ(Joined(log), QStringLiteral("A: before op 4|A: after op 2"));

    const TKxSinkParameters three{KxVariant(std::int32_t{1}), KxVariant(std::int32_t{2}),
                                  KxVariant(std::int32_t{3})};
    ExpectRaises(
        [&] { component.NotifySinks(IKxOperationSink::IID, KxCallSinkAfterOperation, three); },
        QStringLiteral("Unsupported number of Parameter: 3"),
        QStringLiteral("KxCallSinkAfterOperation"));
    ExpectRaises([&] { KxCallSinkAfterFieldValueChange(a.get(), {}); },
                 QStringLiteral("Unsupported number of Parameter: 0"),
                 QStringLiteral("KxCallSinkAfterFieldValueChange"));
    KxInterfaceDisconnect(&component, IKxOperationSink::IID, cookie);
}

TEST_F(NotifySinksTest, NullIidReachesEveryPointAndAMissingPointNobody) {
    std::uint32_t cookie = KxInterfaceConnect(&component, a.get(), IKxOperationSink::IID);
    KxNotifySinks(&component, IKxSQLChangeSink::IID, KxCallSinkAfterSQLChange, {}, true);
    EXPECT_TRUE(log.isEmpty());
    // Every sink of every point is offered the call; the callback skips sinks without the
    // interface it calls.
    KxNotifySinks(&component, GUID_NULL, KxCallSinkBeforeOperation, {KxVariant(std::int32_t{7})},
                  true);
    EXPECT_EQ(Joined(log), QStringLiteral("A: before op 7|B: before op 7|A: before op 7"));
    KxInterfaceDisconnect(&component, IKxOperationSink::IID, cookie);
}

TEST(ConnectableComponentTest, TheFirstDisableAndTheLastEnableCallTheHooksOnce) {
    QStringList log;
    TTestConnectable component(&log);
    EXPECT_TRUE(component.CanCallEvents());
    EXPECT_EQ(component.DisableNotifications(3), 1);
    EXPECT_EQ(component.DisableNotifications(3), 2);
    EXPECT_FALSE(component.CanCallEvents());
    component.SetCallEventsWhenDisabled(true);
    EXPECT_TRUE(component.CanCallEvents());
    EXPECT_EQ(component.EnableNotifications(3), 1);
    EXPECT_EQ(component.EnableNotifications(3), 0);
    EXPECT_EQ(component.EnableNotifications(3), 0);
    EXPECT_EQ(component.GetNotifyDisableCount(), 0);
    EXPECT_EQ(Joined(log), QStringLiteral("disabled 3|enabled 3"));

    // The scope object brackets the same, also when an exception leaves the scope.
    log.clear();
    try {
        KxIntf<IKxUnknown> quiet = KxMake<TKxNotificationDisabler>(&component, 5, 6);
        EXPECT_EQ(component.GetNotifyDisableCount(), 1);
        KxRaise(QStringLiteral("failed"), QStringLiteral("test"));
    } catch (const EKxException&) {
    }
    EXPECT_EQ(component.GetNotifyDisableCount(), 0);
    EXPECT_EQ(Joined(log), QStringLiteral("disabled 5|enabled 6"));
    // An object without the switch is left alone.
    KxIntf<IKxUnknown> none = KxMake<TKxNotificationDisabler>(nullptr, 1, 1);
}

TEST(ConnectableComponentTest, GetPropertyIntfAnswersThePublishedSubObjects) {
    QStringList log;
    TTestConnectable component(&log);
    IKxUnknown* unknown = static_cast<IKxGetName*>(&component);
    KxIntf<IKxUnknown> result;
    const auto iid = KxInterfaceId::Of<IKxPositionChangeSink>();
    EXPECT_EQ(KxGetPropertyIntf(unknown, QString(), iid, result), hr::E_InvalidArg);
    EXPECT_EQ(KxGetPropertyIntf(unknown, QStringLiteral("Partner"), iid, result),
              hr::DISP_E_UnknownName); // holds nothing
    EXPECT_EQ(KxGetPropertyIntf(unknown, QStringLiteral("Nothing"), iid, result),
              hr::DISP_E_UnknownName);
    EXPECT_EQ(KxGetPropertyIntf(nullptr, QStringLiteral("Partner"), iid, result), hr::E_Pointer);

    const auto partner = KxMake<TRecordingSink>(QStringLiteral("P"), &log);
    component.partner = KxIntf<IKxUnknown>(partner);
    EXPECT_EQ(KxGetPropertyIntf(unknown, QStringLiteral("partner"), iid, result), hr::S_Ok);
    EXPECT_EQ(result.get(), static_cast<IKxUnknown*>(partner.get()));
    EXPECT_EQ(KxGetPropertyIntf(unknown, QStringLiteral("Partner"),
                                KxInterfaceId::Of<IKxSQLChangeSink>(), result),
              hr::E_NoInterface);
    EXPECT_FALSE(result);
    EXPECT_EQ(KxGetPropertyIntf<IKxOperationSink>(unknown, QStringLiteral("Partner")).get(),
              static_cast<IKxOperationSink*>(partner.get()));
    component.partner.reset();
}

TEST(ConnectableComponentTest, ConnectInterfaceNamesWhatTheTargetLacks) {
    QStringList log;
    TTestConnectable component(&log);
    TTestConnectable target(&log);
    const auto plain = KxMake<TRecordingSink>(QStringLiteral("X"), &log);
    ExpectRaises([&] { component.ConnectInterface(plain.get(), IKxPositionChangeSink::IID); },
                 QStringLiteral("Connection Point Container doesn't support the Interface: "
                                "{B196B284-BAB4-101A-B69C-00AA00341D07}"),
                 QStringLiteral("ConnectInterface"));
    ExpectRaises(
        [&] { component.ConnectInterface(&target, IKxSQLChangeSink::IID, QStringLiteral("Open")); },
        QStringLiteral("Connection Point Container has no Connection Point for the Interface: ") +
            IKxSQLChangeSink::IID.ToString(),
        QStringLiteral("Open"));
    // The point refuses a sink that lacks its interface: the result-code error.
    EXPECT_THROW(component.ConnectInterface(&target, IKxPositionChangeSink::IID), EHrException);

    std::uint32_t cookie = 12345;
    component.DisconnectInterface(&target, IKxReleaseReferences::IID, cookie);
    EXPECT_EQ(cookie, 12345u); // unknown cookie: nothing to do, nothing raised
    component.DisconnectInterface(static_cast<QObject*>(nullptr), IKxReleaseReferences::IID,
                                  cookie);
    EXPECT_EQ(cookie, 12345u);

    // The component's points name the component as their container.
    KxIntf<IConnectionPoint> point;
    ASSERT_EQ(target.FindConnectionPoint(IKxReleaseReferences::IID, point), hr::S_Ok);
    KxIntf<IConnectionPointContainer> container;
    ASSERT_EQ(point->GetConnectionPointContainer(container), hr::S_Ok);
    EXPECT_EQ(container.get(), static_cast<IConnectionPointContainer*>(&target));
}

TEST(QuestionsTest, AskingFormsDefaultCheckingFormsRaise) {
    QStringList log;
    const auto sink = KxMake<TRecordingSink>(QStringLiteral("S"), &log);
    EXPECT_TRUE(KxAskBoolean(nullptr, qid::AlwaysNotify, true));
    EXPECT_TRUE(KxAskBoolean(sink.get(), qid::IsNull, true)); // answered "unknown"
    EXPECT_FALSE(KxAskBoolean(sink.get(), qid::AlwaysNotify, true));
    sink->alwaysNotify = true;
    EXPECT_TRUE(KxCheckAskBoolean(sink.get(), qid::AlwaysNotify));
    ExpectRaises([&] { KxCheckAskBoolean(sink.get(), qid::IsNull); },
                 QStringLiteral("Unsupported Question ID: 5"), QStringLiteral("KxCheckAskBoolean"));
    EXPECT_EQ(KxAskInteger(sink.get(), vid::ColumnSize, -7), -7);
    EXPECT_THROW(KxCheckAskInteger(sink.get(), vid::ColumnSize, QStringLiteral("Width")),
                 EKxException);
}

} // namespace
