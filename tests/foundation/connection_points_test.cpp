#include "foundation/connection_points.h"
#include "foundation/trace.h"
#include "notification_test_objects.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;
using namespace kx::test;

// The sinks' log texts in the order a connection point enumerates them.
QStringList SinkOrder(IConnectionPoint* point) {
    QStringList order;
    KxIntf<IEnumConnections> connections;
    EXPECT_EQ(point->EnumConnections(connections), hr::S_Ok);
    CONNECTDATA data;
    while (connections->Next(1, &data, nullptr) == hr::S_Ok)
        order.append(KxQuery<IKxGetName>(data.Unk)->GetName() +
                     QStringLiteral("#%1").arg(data.Cookie));
    return order;
}

class TNamedSink : public TKxInterfacedObject,
                   public virtual IKxPositionChangeSink,
                   public virtual IKxGetName {
public:
    explicit TNamedSink(QString name) : m_name(std::move(name)) {}
    void BeforePositionChange() override {}
    void AfterPositionChange() override {}
    QString GetName() const override { return m_name; }

private:
    QString m_name;
};

struct ConnectionPointTest : ::testing::Test {
    KxIntf<TKxConnectionPointContainerImpl> container = KxMake<TKxConnectionPointContainerImpl>();
    KxIntf<IConnectionPoint> point;

    void SetUp() override {
        container->AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>());
        ASSERT_EQ(container->FindConnectionPoint(IKxPositionChangeSink::IID, point), hr::S_Ok);
    }
};

TEST_F(ConnectionPointTest, ConnectionsAreEnumeratedNewestFirstAndCookiesAreNeverReused) {
    std::uint32_t cookies[3] = {};
    int index = 0;
    for (const char* name : {"A", "B", "C"})
        ASSERT_EQ(point->Advise(KxMake<TNamedSink>(QLatin1String(name)).get(), &cookies[index++]),
                  hr::S_Ok);
    EXPECT_EQ(cookies[0], 1u);
    EXPECT_EQ(cookies[2], 3u);
    EXPECT_EQ(Joined(SinkOrder(point.get())), QStringLiteral("C#3|B#2|A#1"));

    EXPECT_EQ(point->Unadvise(2), hr::S_Ok);
    EXPECT_EQ(point->Unadvise(2), hr::CONNECT_E_NoConnection);
    EXPECT_EQ(point->Unadvise(99), hr::CONNECT_E_NoConnection);
    EXPECT_EQ(point->Unadvise(0), hr::CONNECT_E_NoConnection);

    std::uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(KxMake<TNamedSink>(QStringLiteral("D")).get(), &cookie), hr::S_Ok);
    EXPECT_EQ(cookie, 4u);
    EXPECT_EQ(Joined(SinkOrder(point.get())), QStringLiteral("D#4|C#3|A#1"));
    for (std::uint32_t c : {1u, 3u, 4u})
        EXPECT_EQ(point->Unadvise(c), hr::S_Ok);
}

TEST_F(ConnectionPointTest, SinksWithoutThePointsInterfaceAreRefused) {
    QStringList log;
    const auto wrongKind = KxMake<TKxConnectionPointContainerImpl>();
    std::uint32_t cookie = 77;
    EXPECT_EQ(point->Advise(wrongKind.get(), &cookie), hr::CONNECT_E_CannotConnect);
    EXPECT_EQ(point->Advise(nullptr, &cookie), hr::CONNECT_E_CannotConnect);
    EXPECT_EQ(cookie, 77u);
    EXPECT_TRUE(SinkOrder(point.get()).isEmpty());
}

TEST_F(ConnectionPointTest, ContainerFindsEnumeratesAndForgetsItsPoints) {
    container->AddConnectionPoint(KxInterfaceId::Of<IKxOperationSink>());
    container->AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>()); // already there

    KxIntf<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points), hr::S_Ok);
    KxIntf<IConnectionPoint> found[3];
    std::uint32_t fetched = 0;
    EXPECT_EQ(points->Next(3, found, &fetched), hr::S_False);
    ASSERT_EQ(fetched, 2u);
    KxGuid iid;
    found[0]->GetConnectionInterface(iid);
    EXPECT_EQ(iid, IKxOperationSink::IID); // newest first
    found[1]->GetConnectionInterface(iid);
    EXPECT_EQ(iid, IKxPositionChangeSink::IID);

    KxIntf<IConnectionPoint> missing;
    EXPECT_EQ(container->FindConnectionPoint(IKxSQLChangeSink::IID, missing),
              hr::CONNECT_E_NoConnection);
    EXPECT_FALSE(missing);

    KxIntf<IConnectionPointContainer> owner;
    EXPECT_EQ(point->GetConnectionPointContainer(owner), hr::S_Ok);
    EXPECT_EQ(owner.get(), static_cast<IConnectionPointContainer*>(container.get()));

    // A point that outlives its container's list no longer knows the container.
    container->ClearConnectionPoints();
    owner.reset();
    EXPECT_EQ(point->GetConnectionPointContainer(owner), hr::E_NoInterface);
    EXPECT_EQ(container->FindConnectionPoint(IKxPositionChangeSink::IID, missing),
              hr::CONNECT_E_NoConnection);
}

TEST_F(ConnectionPointTest, EnumeratorsSkipResetAndCloneAtTheirPosition) {
    std::uint32_t cookie = 0;
    for (const char* name : {"A", "B", "C"})
        point->Advise(KxMake<TNamedSink>(QLatin1String(name)).get(), &cookie);

    KxIntf<IEnumConnections> connections;
    point->EnumConnections(connections);
    CONNECTDATA data;
    ASSERT_EQ(connections->Next(1, &data, nullptr), hr::S_Ok);
    EXPECT_EQ(data.Cookie, 3u);

    KxIntf<IEnumConnections> clone;
    ASSERT_EQ(connections->Clone(clone), hr::S_Ok);
    ASSERT_EQ(clone->Next(1, &data, nullptr), hr::S_Ok);
    EXPECT_EQ(data.Cookie, 2u);

    EXPECT_EQ(connections->Skip(1), hr::S_Ok);
    ASSERT_EQ(connections->Next(1, &data, nullptr), hr::S_Ok);
    EXPECT_EQ(data.Cookie, 1u);
    EXPECT_EQ(connections->Next(1, &data, nullptr), hr::S_False);

    // An exhausted enumerator's clone is exhausted too, until it is reset.
    ASSERT_EQ(connections->Clone(clone), hr::S_Ok);
    EXPECT_EQ(clone->Next(1, &data, nullptr), hr::S_False);
    EXPECT_EQ(clone->Reset(), hr::S_Ok);
    ASSERT_EQ(clone->Next(1, &data, nullptr), hr::S_Ok);
    EXPECT_EQ(data.Cookie, 3u);

    for (std::uint32_t c = 1; c <= 3; ++c)
        point->Unadvise(c);
}

TEST_F(ConnectionPointTest, APointDestroyedWithConnectionsLeftReportsAndReleasesThem) {
    QStringList traced;
    KxSetTraceRoutine([&](const QString& text, TKxTraceCategory) { traced.append(text); });
    const auto sink = KxMake<TNamedSink>(QStringLiteral("left"));
    std::uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(sink.get(), &cookie), hr::S_Ok);
    EXPECT_EQ(sink->RefCount(), 2); // ours and the entry's
    container->ClearConnectionPoints();
    point.reset();
    KxSetTraceRoutine({});

    ASSERT_EQ(traced.size(), 1);
    EXPECT_TRUE(
        traced[0].startsWith(QStringLiteral("Assertion failed: ConnectedObjects.Count = 0")));
    EXPECT_EQ(sink->RefCount(), 1);
}

} // namespace
