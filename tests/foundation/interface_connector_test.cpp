#include "foundation/interface_connector.h"
#include "foundation/message_box.h"
#include "foundation/trace.h"
#include "notification_test_objects.h"
#include "support/scripted_message_box.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace kx;
using namespace kx::test;

// Can be opened and closed, but tells nobody: it has no activation connection point.
class TMuteSource : public TKxConnectableComponent, public virtual IKxGetSetActive {
public:
    bool GetActive() const override { return false; }
    void SetActive(bool) override {}
};

int ConnectionCount(IKxUnknown* component, const KxGuid& iid) {
    KxIntf<IConnectionPoint> point;
    if (KxQuery<IConnectionPointContainer>(component)->FindConnectionPoint(iid, point) != hr::S_Ok)
        return -1;
    KxIntf<IEnumConnections> connections;
    point->EnumConnections(connections);
    int count = 0;
    CONNECTDATA data;
    while (connections->Next(1, &data, nullptr) == hr::S_Ok)
        ++count;
    return count;
}

QString NoInterfaceText(const KxGuid& iid) {
    return QStringLiteral("The Object doesn't support the Interface: ") + iid.ToString();
}

struct ConnectorTest : ::testing::Test {
    QStringList log;
    TTestHandleComponent a{&log, QStringLiteral("a")};
    TKxActivatableIntfSource connector;

    void SetUp() override {
        a.OnBeforeActiveChange = nullptr;
        a.OnAfterActiveChange = nullptr;
        connector.OnAfterActiveChange = [this](bool active) {
            log.append(QStringLiteral("connector after %1").arg(active));
        };
        connector.SetInterfaceSourceComponent(&a);
        ASSERT_TRUE(connector.IsConnected());
    }

    // The connector still hears its source, and only once.
    void ExpectStillConnectedToA() {
        EXPECT_EQ(connector.InterfaceSourceComponent(), &a);
        EXPECT_EQ(ConnectionCount(&a, IKxReleaseReferences::IID), 1);
        EXPECT_EQ(ConnectionCount(&a, IKxActiveChangeSink::IID), 1);
        log.clear();
        a.SetActive(true);
        a.SetActive(false);
        EXPECT_TRUE(log.contains(QStringLiteral("connector after 1")));
        EXPECT_TRUE(log.contains(QStringLiteral("connector after 0")));
    }
};

TEST_F(ConnectorTest, ARefusedSourceLeavesThePreviousOneConnected) {
    QStringList plainLog;
    TTestConnectable plain(&plainLog);
    ExpectRaises([&] { connector.SetInterfaceSourceComponent(&plain); },
                 NoInterfaceText(IKxGetSetActive::IID),
                 QStringLiteral("CheckInterfaceCanBeConnected"));
    EXPECT_FALSE(connector.InterfaceCanBeConnected(static_cast<IKxGetName*>(&plain)));
    EXPECT_EQ(ConnectionCount(&plain, IKxReleaseReferences::IID), 0);
    ExpectStillConnectedToA();

    // The client's own check can refuse too.
    connector.OnCheckIntfCanBeConnected = [](IKxUnknown*) {
        KxRaise(QStringLiteral("not this one"), QStringLiteral("OnCheckIntfCanBeConnected"));
    };
    TTestHandleComponent b(&log, QStringLiteral("b"));
    EXPECT_THROW(connector.SetInterfaceSourceComponent(&b), EKxException);
    ExpectStillConnectedToA();
}

TEST_F(ConnectorTest, AFailureWhileAdvisingRestoresThePreviousSource) {
    TMuteSource mute;
    ExpectRaises([&] { connector.SetInterfaceSourceComponent(&mute); },
                 QStringLiteral("Connection Point Container has no Connection Point for the "
                                "Interface: ") +
                     IKxActiveChangeSink::IID.ToString(),
                 QStringLiteral("ConnectAllInterfaces"));
    // The release entry was advised on the new source before the failure; it is gone again.
    EXPECT_EQ(ConnectionCount(static_cast<IKxGetName*>(&mute), IKxReleaseReferences::IID), 0);
    ExpectStillConnectedToA();
}

TEST_F(ConnectorTest, AVetoBeforeTheChangeKeepsTheSourceAndAFailureAfterItIsIgnored) {
    TTestHandleComponent b(&log, QStringLiteral("b"));
    connector.OnBeforeIntfSourceChange = [](IKxUnknown*, IKxUnknown*) {
        KxRaise(QStringLiteral("stay"), QStringLiteral("OnBeforeIntfSourceChange"));
    };
    EXPECT_THROW(connector.SetInterfaceSourceComponent(&b), EKxException);
    ExpectStillConnectedToA();

    connector.OnBeforeIntfSourceChange = nullptr;
    IKxUnknown* seenOld = nullptr;
    IKxUnknown* seenNew = nullptr;
    connector.OnAfterIntfSourceChange = [&](IKxUnknown* oldSource, IKxUnknown* newSource) {
        seenOld = oldSource;
        seenNew = newSource;
        KxRaise(QStringLiteral("ignored"), QStringLiteral("OnAfterIntfSourceChange"));
    };
    connector.SetInterfaceSourceComponent(&b);
    EXPECT_EQ(seenOld, static_cast<IKxUnknown*>(static_cast<IKxGetName*>(&a)));
    EXPECT_EQ(seenNew, static_cast<IKxUnknown*>(static_cast<IKxGetName*>(&b)));
    EXPECT_EQ(ConnectionCount(&a, IKxReleaseReferences::IID), 0);
    EXPECT_EQ(ConnectionCount(&b, IKxActiveChangeSink::IID), 1);
    connector.OnAfterIntfSourceChange = nullptr;
    connector.SetInterfaceSourceComponent(nullptr);
    EXPECT_EQ(ConnectionCount(&b, IKxReleaseReferences::IID), 0);
}

TEST_F(ConnectorTest, AlwaysNotifyConnectorsHearTheirSourceWhileItIsQuiet) {
    TKxActivatableIntfSource loud;
    loud.SetAlwaysNotify(true);
    EXPECT_EQ(loud.AskBoolean(qid::AlwaysNotify), baTrue);
    EXPECT_EQ(connector.AskBoolean(qid::AlwaysNotify), baFalse);
    loud.OnAfterActiveChange = [this](bool active) {
        log.append(QStringLiteral("loud after %1").arg(active));
    };
    loud.SetInterfaceSourceComponent(&a);
    a.DisableNotifications(0);
    log.clear();
    a.SetActive(true);
    EXPECT_TRUE(log.contains(QStringLiteral("loud after 1")));
    EXPECT_FALSE(log.contains(QStringLiteral("connector after 1")));
    a.EnableNotifications(0);
    // Through the connector, its client opens and closes the source.
    EXPECT_TRUE(connector.GetActive());
    connector.SetActive(false);
    EXPECT_FALSE(a.Active());
}

TEST_F(ConnectorTest, TheInterfaceListsAreFixedWhileConnected) {
    ExpectRaises([&] { connector.AddNeededIntfID(KxInterfaceId::Of<IKxGetHandle>()); },
                 QStringLiteral("The Interface Lists cannot be changed while the Object is "
                                "connected"),
                 QStringLiteral("AddNeededIntfID"));
    connector.SetInterfaceSource(nullptr);
    EXPECT_FALSE(connector.IsConnected());
    EXPECT_EQ(ConnectionCount(&a, IKxActiveChangeSink::IID), 0);
    connector.AddNeededIntfID(KxInterfaceId::Of<IKxGetSetActive>()); // listed already
    connector.AddIntfIDToConnect(IKxReleaseReferences::IID, false);  // listed already
    EXPECT_EQ(connector.NeededInterfaces().size(), 1u);
    EXPECT_EQ(connector.InterfacesToConnect().size(), 2u);
    EXPECT_TRUE(connector.InterfacesToConnect()[0].required);

    // An optional interface the source has no point for is simply not advised.
    connector.AddIntfIDToConnect(IKxSQLChangeSink::IID, false);
    connector.SetInterfaceSourceComponent(&a);
    EXPECT_EQ(connector.InterfacesToConnect()[2].cookie, 0u);

    // A copy takes the lists and the source.
    TKxActivatableIntfSource copy;
    copy.Assign(&connector);
    EXPECT_EQ(copy.InterfaceSourceComponent(), &a);
    EXPECT_EQ(copy.InterfacesToConnect().size(), 3u);
    EXPECT_EQ(ConnectionCount(&a, IKxActiveChangeSink::IID), 2);
}

TEST(ConnectorReleaseTest, DestroyingASourceDisconnectsEveryConnector) {
    QStringList traced;
    KxSetTraceRoutine([&](const QString& text, TKxTraceCategory) { traced.append(text); });
    QStringList log;
    auto source = std::make_unique<TTestHandleComponent>(&log);
    TKxObjInterfaceConnector plain;
    TKxActivatableIntfSource activatable;
    QObject* seenObj = source.get();
    activatable.OnAfterIntfSourceObjChange = [&](QObject*, QObject* newSource) {
        seenObj = newSource;
    };
    plain.SetInterfaceSourceComponent(source.get());
    activatable.SetInterfaceSourceComponent(source.get());
    source->SetActive(true);

    source.reset();
    KxSetTraceRoutine({});
    EXPECT_FALSE(plain.IsConnected());
    EXPECT_FALSE(activatable.IsConnected());
    EXPECT_EQ(plain.InterfaceSourceComponent(), nullptr);
    EXPECT_EQ(seenObj, nullptr);
    // No reference outlived the source, and no connection was left on its points.
    EXPECT_TRUE(traced.isEmpty()) << traced.join(QLatin1Char('\n')).toStdString();
}

TEST(ConnectorReleaseTest, AVetoingClientCannotKeepADestroyedSource) {
    QStringList traced;
    KxSetTraceRoutine([&](const QString& text, TKxTraceCategory category) {
        if (category != TKxTraceCategory::Exception)
            traced.append(text);
    });
    QStringList log;
    auto source = std::make_unique<TTestHandleComponent>(&log);
    TKxActivatableIntfSource stubborn;
    stubborn.SetInterfaceSourceComponent(source.get());
    stubborn.OnBeforeIntfSourceChange = [](IKxUnknown*, IKxUnknown*) {
        KxRaise(QStringLiteral("keep it"), QStringLiteral("OnBeforeIntfSourceChange"));
    };
    source.reset();
    KxSetTraceRoutine({});
    EXPECT_FALSE(stubborn.IsConnected());
    EXPECT_EQ(stubborn.InterfaceSourceComponent(), nullptr);
    EXPECT_TRUE(traced.isEmpty()) << traced.join(QLatin1Char('\n')).toStdString();
}

TEST(ConnectorLoadingTest, ErrorsWhileTheOwnerLoadsAreReportedNotRaised) {
    KxResetLoadingErrorSuppression();
    QStringList log;
    TTestConnectable owner(&log);
    TTestConnectable plain(&log);
    TKxActivatableIntfSource connector(&owner);
    owner.SetLoading(true);
    {
        ScriptedMessageBox box({id::No});
        connector.SetInterfaceSourceComponent(&plain);
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_EQ(box.Seen()[0].text, NoInterfaceText(IKxGetSetActive::IID) +
                                          QStringLiteral("\rSuppress Further Messages ?\r"));
    }
    EXPECT_FALSE(connector.IsConnected());
    owner.Loaded();
    EXPECT_THROW(connector.SetInterfaceSourceComponent(&plain), EKxException);
    KxResetLoadingErrorSuppression();
}

} // namespace
