#include "foundation/activatable_component.h"
#include "foundation/scope_objects.h"
#include "notification_test_objects.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;
using namespace kx::test;

struct ActivatableTest : ::testing::Test {
    QStringList log;
    TTestHandleComponent component{&log};
    KxIntf<TRecordingSink> sink = KxMake<TRecordingSink>(QStringLiteral("sink"), &log);
    std::uint32_t cookie = 0;

    void SetUp() override {
        cookie = KxInterfaceConnect(&component, sink.get(), IKxActiveChangeSink::IID);
    }
    void TearDown() override {
        KxInterfaceDisconnect(&component, IKxActiveChangeSink::IID, cookie);
    }
};

TEST_F(ActivatableTest, OpenAndCloseRunHooksEventsAndSinksInOrder) {
    component.SetActive(true);
    EXPECT_TRUE(component.Active());
    EXPECT_EQ(component.GetHandle(), 0x1234u);
    component.SetActive(true); // already open: nothing happens
    component.SetActive(false);
    EXPECT_FALSE(component.Active());
    EXPECT_EQ(Joined(log),
              QStringLiteral("comp: event before 1|sink: sink before 1|comp: BeforeOpen|"
                             "comp: AllocHandle|comp: AfterOpen|sink: sink after 1|"
                             "comp: event after 1|"
                             "comp: event before 0|sink: sink before 0|comp: BeforeClose|"
                             "comp: FreeHandle|comp: AfterClose|sink: sink after 0|"
                             "comp: event after 0"));
}

TEST_F(ActivatableTest, AFailedOpenSendsTheBeforeButNotTheAfterNotification) {
    component.failOpen = true;
    ExpectRaises([&] { component.SetActive(true); }, QStringLiteral("no connection"),
                 QStringLiteral("AllocHandle"));
    EXPECT_FALSE(component.Active());
    EXPECT_EQ(Joined(log), QStringLiteral("comp: event before 1|sink: sink before 1|"
                                          "comp: BeforeOpen|comp: AllocHandle|comp: FreeHandle"));
}

TEST_F(ActivatableTest, ASinkOrEventRaisingBeforeTheChangeStopsIt) {
    sink->raiseBefore = true;
    EXPECT_THROW(component.SetActive(true), EKxException);
    EXPECT_FALSE(component.Active());
    sink->raiseBefore = false;

    component.OnBeforeActiveChange = [](TKxActivatableComponent*, bool) {
        KxRaise(QStringLiteral("vetoed"), QStringLiteral("OnBeforeActiveChange"));
    };
    EXPECT_THROW(component.SetActive(true), EKxException);
    EXPECT_FALSE(component.Active());

    // After the change the event cannot undo it.
    component.OnBeforeActiveChange = nullptr;
    component.OnAfterActiveChange = [](TKxActivatableComponent*, bool) {
        KxRaise(QStringLiteral("too late"), QStringLiteral("OnAfterActiveChange"));
    };
    component.SetActive(true);
    EXPECT_TRUE(component.Active());
    component.SetActive(false);
}

TEST_F(ActivatableTest, EventsAreSilencedWhileNotificationsAreDisabled) {
    component.DisableNotifications(0);
    component.SetActive(true);
    EXPECT_EQ(Joined(log), QStringLiteral("comp: BeforeOpen|comp: AllocHandle|comp: AfterOpen"));
    log.clear();
    component.SetCallEventsWhenDisabled(true);
    component.SetActive(false);
    EXPECT_EQ(Joined(log), QStringLiteral("comp: event before 0|comp: BeforeClose|"
                                          "comp: FreeHandle|comp: AfterClose|"
                                          "comp: event after 0"));
    component.EnableNotifications(0);
}

TEST_F(ActivatableTest, WhileLoadingTheRequestedStateWaitsForLoaded) {
    component.SetLoading(true);
    component.SetActive(true);
    EXPECT_FALSE(component.Active());
    EXPECT_TRUE(component.ActiveWhenLoaded());
    EXPECT_TRUE(log.isEmpty());
    component.Loaded();
    EXPECT_FALSE(component.IsLoading());
    EXPECT_TRUE(component.Active());

    // A property change while loading closes an open component silently.
    component.SetLoading(true);
    component.CheckIsInactive(QStringLiteral("SQL"));
    EXPECT_FALSE(component.Active());
    component.Loaded();
    EXPECT_FALSE(component.Active());
}

TEST_F(ActivatableTest, GuardsNameTheActionAndTheComponent) {
    ExpectRaises([&] { component.CheckIsActive(QStringLiteral("Fetch")); },
                 QStringLiteral("The Fetch can only be used when the Object is Active"),
                 QStringLiteral("KxCheckObjIsActive"));
    component.CheckIsInactive(QStringLiteral("SQL"));
    component.SetActive(true);
    ExpectRaises([&] { component.CheckIsInactive(QStringLiteral("SQL")); },
                 QStringLiteral("The SQL cannot be changed while the Object is active"),
                 QStringLiteral("KxCheckObjIsInActive"));
    ExpectRaises([&] { KxCheckIntfIsInactive(&component, QStringLiteral("SQL")); },
                 QStringLiteral("The SQL cannot be changed while the Object is active"),
                 QStringLiteral("KxCheckObjIsInActive"));
    component.SetActive(false);

    component.SetHasUnresolvedReferences(true);
    log.clear();
    ExpectRaises([&] { component.SetActive(true); },
                 QStringLiteral("Can't open Component comp because it is linked to Components on "
                                "other Forms that haven't been Created jet"),
                 QStringLiteral("SetActive"));
    EXPECT_TRUE(log.isEmpty()); // refused before anyone was told
}

TEST(ActivatableDependantsTest, ClosingASourceClosesItsDependantsFirst) {
    QStringList log;
    TTestHandleComponent source(&log, QStringLiteral("source"));
    TTestDependant dependant(&log, QStringLiteral("dependant"));
    std::uint32_t cookie = dependant.ConnectInterface(&source, IKxActiveChangeSink::IID);
    // A connector in front of the source forwards the deactivation back to the closing
    // source; that must not start a second close.
    TKxActivatableIntfSource connector;
    connector.SetInterfaceSourceComponent(&source);

    source.SetActive(true);
    dependant.SetActive(true);
    source.OnBeforeActiveChange = nullptr;
    source.OnAfterActiveChange = nullptr;
    dependant.OnBeforeActiveChange = nullptr;
    dependant.OnAfterActiveChange = nullptr;
    log.clear();
    source.SetActive(false);
    EXPECT_FALSE(dependant.Active());
    EXPECT_FALSE(source.Active());
    EXPECT_EQ(Joined(log), QStringLiteral("source: BeforeClose|dependant: BeforeClose|"
                                          "dependant: FreeHandle|dependant: AfterClose|"
                                          "source: FreeHandle|source: AfterClose"));
    dependant.DisconnectInterface(&source, IKxActiveChangeSink::IID, cookie);
    EXPECT_EQ(cookie, 0u);
}

TEST(ActivatableDependantsTest, DestroyingAnOpenComponentClosesIt) {
    QStringList log;
    {
        TTestHandleComponent component(&log);
        component.OnBeforeActiveChange = nullptr;
        component.OnAfterActiveChange = nullptr;
        component.SetActive(true);
        log.clear();
    }
    EXPECT_EQ(Joined(log), QStringLiteral("comp: BeforeClose|comp: FreeHandle|comp: AfterClose"));
}

TEST(ActivationPropertiesTest, ActiveGoesThroughTheOwnerAndIsStoredOnlyWhenAskedAndOpen) {
    QStringList log;
    TTestHandleComponent component(&log);
    TKxActivationProperties* properties = component.ActivationProperties();
    EXPECT_FALSE(properties->StoreActive());
    properties->SetActive(true);
    EXPECT_TRUE(component.Active());
    EXPECT_FALSE(properties->ActiveIsStored());

    TTestHandleComponent other(&log, QStringLiteral("other"));
    TKxActivationStoredProperties stored(static_cast<IKxGetName*>(&other));
    EXPECT_TRUE(stored.StoreActive());
    EXPECT_FALSE(stored.ActiveIsStored()); // closed
    stored.Assign(*properties);            // opens the other owner, takes StoreActive
    EXPECT_TRUE(other.Active());
    EXPECT_FALSE(stored.StoreActive());

    const auto plain = KxMake<TRecordingSink>(QStringLiteral("P"), &log);
    TKxActivationProperties orphan(plain.get());
    EXPECT_THROW(
        try { orphan.Active(); } catch (const EKxException& e) {
            EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxActivationProperties.GetActive"));
            throw;
        },
        EKxException);
}

TEST(ActiveKeeperTest, RestoresTheStateAlsoWhenAnExceptionLeavesTheScope) {
    QStringList log;
    TTestHandleComponent component(&log);
    try {
        KxIntf<TKxActiveKeeper> keeper = KxMake<TKxActiveKeeper>(&component, true);
        EXPECT_FALSE(keeper->WasActive());
        EXPECT_TRUE(component.Active());
        KxRaise(QStringLiteral("failed"), QStringLiteral("test"));
    } catch (const EKxException&) {
    }
    EXPECT_FALSE(component.Active());
    EXPECT_TRUE(KxSetIntfActive(&component, true) == false);
    {
        KxIntf<IKxUnknown> keeper = KxMake<TKxActiveKeeper>(&component, false);
        EXPECT_FALSE(component.Active());
    }
    EXPECT_TRUE(component.Active());
}

} // namespace
