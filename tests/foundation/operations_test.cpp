#include "foundation/exceptions.h"
#include "foundation/interfaced_object.h"
#include "foundation/operations.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

class TOperable : public TKxInterfacedObject,
                  public virtual IKxCanExecuteOperation,
                  public virtual IKxExecuteOperation {
public:
    TOperable() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    bool CanExecuteOperation(int, IKxUnknown*) override { return canExecute; }
    bool ExecuteOperation(int operation, IKxUnknown*) override {
        executed = operation;
        return succeeds;
    }
    bool canExecute = true;
    bool succeeds = true;
    int executed = -1;
};

class TOnlyAsks : public TKxInterfacedObject, public virtual IKxCanExecuteOperation {
public:
    TOnlyAsks() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    bool CanExecuteOperation(int, IKxUnknown*) override { return true; }
};

class TPlain : public TKxInterfacedObject {
public:
    TPlain() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
};

TEST(OperationsTest, CanExecuteToleratesMissingObjectsAndInterfaces) {
    TPlain plain;
    TOperable refusing;
    refusing.canExecute = false;
    EXPECT_FALSE(KxCanExecuteOperation(nullptr, roEdit));
    EXPECT_TRUE(KxCanExecuteOperation(&plain, roEdit));
    EXPECT_FALSE(KxCanExecuteOperation(&refusing, roEdit));
}

TEST(OperationsTest, ExecuteDoesNothingWhenTheOperationCannotRun) {
    TOperable refusing;
    refusing.canExecute = false;
    EXPECT_NO_THROW(KxExecuteOperation(nullptr, roDelete, QStringLiteral("Delete"), nullptr,
                                       QStringLiteral("X")));
    EXPECT_NO_THROW(KxExecuteOperation(&refusing, roDelete, QStringLiteral("Delete"), nullptr,
                                       QStringLiteral("X")));
    EXPECT_EQ(refusing.executed, -1);
}

TEST(OperationsTest, ExecuteRaisesWhenTheObjectFailsOrCannotExecute) {
    TOperable failing;
    failing.succeeds = false;
    try {
        KxExecuteOperation(&failing, roReExecuteStatement, QStringLiteral("re-Execute"), nullptr,
                           QStringLiteral("TKxRecordset.ReExecute"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Failed to execute operation (6) \"re-Execute\""));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxRecordset.ReExecute"));
    }
    try {
        KxExecuteOperation(&failing, roCancelChanges, QString(), nullptr, QStringLiteral("Cancel"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Failed to execute operation (3)"));
    }

    TOnlyAsks asksOnly;
    try {
        KxExecuteOperation(&asksOnly, opClear, QString(), nullptr, QStringLiteral("Clear"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_TRUE(e.GetMessage().startsWith(
            QStringLiteral("The Object doesn't support the Interface: ")));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Clear"));
    }

    TOperable working;
    KxExecuteOperation(&working, opClear, QString(), nullptr, QStringLiteral("Clear"));
    EXPECT_EQ(working.executed, opClear);
}

TEST(OperationsTest, TryExecuteAnswersWithoutRaising) {
    TPlain plain;
    TOperable failing;
    failing.succeeds = false;
    TOperable refusing;
    refusing.canExecute = false;
    EXPECT_FALSE(KxTryExecuteOperation(nullptr, roEdit));
    EXPECT_TRUE(KxTryExecuteOperation(&plain, roEdit));
    EXPECT_FALSE(KxTryExecuteOperation(&failing, roEdit));
    EXPECT_FALSE(KxTryExecuteOperation(&refusing, roEdit));
    EXPECT_EQ(refusing.executed, -1);
}

} // namespace
