#include "dbcore/record_states.h"
#include "foundation/exceptions.h"
#include "foundation/interfaced_object.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(RecordStatesTest, StateAfterEachRecordsetOperation) {
    EXPECT_EQ(RecordsetStateAfterOperation(roEdit), rsEdit);
    EXPECT_EQ(RecordsetStateAfterOperation(roInsert), rsInsert);
    for (int op = roDelete; op <= roLeaveModifyingState; ++op)
        EXPECT_EQ(RecordsetStateAfterOperation(op), rsBrowse) << op;
    for (int op : {int(roSetSimplestConfiguration), int(opClear), int(goRebuildContextMenu), -1}) {
        try {
            RecordsetStateAfterOperation(op);
            ADD_FAILURE() << op;
        } catch (const EKxException& e) {
            EXPECT_EQ(e.GetMessage(),
                      QStringLiteral("Operation not supported, Ord(Operation): %1").arg(op));
            EXPECT_EQ(e.GetRoutineName(), QStringLiteral("RecordsetStateAfterOperation"));
        }
    }
    EXPECT_TRUE(KxIsModifyingState(rsInsert));
    EXPECT_FALSE(KxIsModifyingState(rsBrowse));
}

TEST(RecordStatesTest, DisplayNames) {
    EXPECT_EQ(KxOperationDisplayName(roReExecuteStatement), QStringLiteral("re-Execute"));
    EXPECT_EQ(KxOperationDisplayName(roLeaveModifyingState),
              QStringLiteral("Leave modfying state"));
    EXPECT_EQ(KxOperationDisplayName(roCancelChanges), QString());
    EXPECT_EQ(KxOperationDisplayName(opClear), QString());
}

class TFailingRecordset : public TKxInterfacedObject, public virtual IKxExecuteOperation {
public:
    TFailingRecordset() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    bool ExecuteOperation(int, IKxUnknown*) override { return false; }
};

TEST(RecordStatesTest, DataOperationsReportTheirDisplayName) {
    TFailingRecordset recordset;
    try {
        KxExecuteDataOperation(&recordset, roApplyChanges, nullptr, QStringLiteral("Post"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Failed to execute operation (4) \"Apply changes\""));
    }
}

} // namespace
