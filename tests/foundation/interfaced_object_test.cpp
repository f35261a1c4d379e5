#include "foundation/interfaced_object.h"
#include "foundation/trace.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace kx;

// Collects what reaches the trace routine while it lives.
class TraceRecorder {
public:
    TraceRecorder() {
        KxSetTraceRoutine([this](const QString& text, TKxTraceCategory category) {
            entries.append(QStringLiteral("%1|%2").arg(static_cast<int>(category)).arg(text));
        });
    }
    ~TraceRecorder() { KxSetTraceRoutine({}); }
    QStringList entries;
};

class TCountedThing : public TKxInterfacedObject, public virtual IKxGetName {
public:
    explicit TCountedThing(int* destroyed, TKxLifetime lifetime = TKxLifetime::SelfOwned)
        : TKxInterfacedObject(lifetime), m_destroyed(destroyed) {}
    ~TCountedThing() override { ++*m_destroyed; }
    QString GetName() const override { return QStringLiteral("thing"); }

private:
    int* m_destroyed;
};

TEST(InterfacedObjectTest, SelfOwnedObjectDiesWithItsLastReference) {
    int destroyed = 0;
    KxIntf<IKxGetName> named;
    {
        KxIntf<TCountedThing> thing = KxMake<TCountedThing>(&destroyed);
        named = KxQuery<IKxGetName>(thing);
        ASSERT_TRUE(named);
        EXPECT_EQ(thing->RefCount(), 2);
        KxIntf<IKxUnknown> moved = std::move(thing);
        EXPECT_EQ(named.get(), KxQuery<IKxGetName>(moved).get());
    }
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(named->GetName(), QStringLiteral("thing"));
    named.reset();
    EXPECT_EQ(destroyed, 1);
}

// A component that closes itself on destruction and tells its sinks, which take and drop
// references to it while it is being destroyed.
class TSelfReferencingThing : public TCountedThing {
public:
    using TCountedThing::TCountedThing;
    ~TSelfReferencingThing() override {
        const KxIntf<IKxGetName> again(this);
        (void)again->GetName();
    }
};

TEST(InterfacedObjectTest, ReferencesTakenDuringDestructionDoNotDeleteTwice) {
    int destroyed = 0;
    { const KxIntf<IKxGetName> thing = KxMake<TSelfReferencingThing>(&destroyed); }
    EXPECT_EQ(destroyed, 1);
}

TEST(InterfacedObjectTest, QueryAnswersNullForMissingInterfacesAndNullObjects) {
    int destroyed = 0;
    auto thing = KxMake<TCountedThing>(&destroyed);
    EXPECT_FALSE(KxQuery<IKxGetCount>(thing));
    EXPECT_FALSE(KxQuery<IKxGetName>(static_cast<IKxUnknown*>(nullptr)));
    EXPECT_FALSE(KxSupports<IKxGetCount>(thing.get()));
    EXPECT_TRUE(KxSupports<IKxGetName>(thing.get()));
}

TEST(InterfacedObjectTest, OwnedObjectSurvivesBorrowersAndReportsDestructionWhileReferenced) {
    TraceRecorder trace;
    int destroyed = 0;
    auto owned = std::make_unique<TCountedThing>(&destroyed, TKxLifetime::OwnerOwned);
    { KxIntf<IKxGetName> borrowed(owned.get()); }
    EXPECT_EQ(destroyed, 0) << "an owner-owned object must not free itself";
    EXPECT_TRUE(trace.entries.isEmpty());

    // A borrower that never gives its reference back. It is left uncounted by any KxIntf, so
    // no path out of this test (a failed assertion included) releases it after the owner has
    // freed the object; the address is formatted while the object is still alive.
    const QString address =
        QStringLiteral("%1")
            .arg(reinterpret_cast<quintptr>(owned.get()), 16, 16, QLatin1Char('0'))
            .toUpper();
    (void)KxIntf<IKxGetName>(owned.get()).Detach();
    owned.reset();
    EXPECT_EQ(destroyed, 1);
    ASSERT_EQ(trace.entries.size(), 1);
    EXPECT_EQ(trace.entries.front(),
              QStringLiteral("2|TCountedThing [%1] \"\" Reference Count at Destruction = 1")
                  .arg(address));
}

class TTestComponent : public TKxInterfacedComponent {
public:
    using TKxInterfacedComponent::TKxInterfacedComponent;
};

TEST(InterfacedObjectTest, ComponentsAreOwnedByTheirOwnerAndNamed) {
    TraceRecorder trace;
    auto owner = std::make_unique<TTestComponent>();
    auto* child = new TTestComponent(owner.get());
    child->SetName(QStringLiteral("Child1"));
    EXPECT_EQ(child->Owner(), owner.get());
    EXPECT_EQ(KxQuery<IKxGetName>(child)->GetName(), QStringLiteral("Child1"));

    (void)KxIntf<IKxGetName>(child).Detach(); // a reference nobody gives back
    owner.reset();                            // frees the child while it is still counted
    ASSERT_EQ(trace.entries.size(), 1);
    EXPECT_TRUE(trace.entries.front().startsWith(QStringLiteral("2|TTestComponent [")));
    EXPECT_TRUE(trace.entries.front().endsWith(
        QStringLiteral("\"Child1\" Reference Count at Destruction = 1")));
}

TEST(InterfacedObjectTest, PersistentAssignRaisesForForeignSources) {
    TKxInterfacedPersistent a(TKxLifetime::OwnerOwned);
    TKxInterfacedPersistent b(TKxLifetime::OwnerOwned);
    EXPECT_NO_THROW(a.Assign(nullptr));
    EXPECT_THROW(a.Assign(&b), std::exception);
}

} // namespace
