#pragma once

#include "foundation/kx_intf.h"

#include <QString>

namespace kx {

// Everything that can be asked of a recordset, a data object or a control is one value of
// this enumeration; its ordinal is what travels through interfaces and events. The ro
// values are recordset operations, the op values operations of data objects (value buffers,
// lists), the go values operations of controls.
enum TKxOperation : int {
    roEdit = 0,
    roInsert = 1,
    roDelete = 2,
    roCancelChanges = 3,
    roApplyChanges = 4,
    roRefreshCurrent = 5,
    roReExecuteStatement = 6,
    roScheduleReExecution = 7,
    roLeaveModifyingState = 8,
    roSetSimplestConfiguration = 9,
    opClear = 10,
    opFetchData = 11,
    opInvalidate = 12,
    opCompressData = 13,
    opUncompressData = 14,
    goShow = 15,
    goHide = 16,
    goSetFocus = 17,
    goKillFocus = 18,
    goRebuildContextMenu = 19,
};

// The recordset operations, roEdit … roSetSimplestConfiguration.
using TKxRecordsetOperation = TKxOperation;
inline constexpr int kxFirstRecordsetOperation = roEdit;
inline constexpr int kxLastRecordsetOperation = roSetSimplestConfiguration;

class IKxCanExecuteOperation : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A30, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x13, 0x00}};
    virtual bool CanExecuteOperation(int operation, IKxUnknown* parameter) = 0;
};

class IKxExecuteOperation : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A31, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x13, 0x01}};
    // Answers true when the object performed the operation.
    virtual bool ExecuteOperation(int operation, IKxUnknown* parameter) = 0;
};

// False for a null object; true for an object that does not say (no IKxCanExecuteOperation);
// else the object's answer for (operation, no parameter).
bool KxCanExecuteOperation(IKxUnknown* object, int operation);

// Does nothing when the operation cannot be executed now. Otherwise executes it through
// IKxExecuteOperation (raising the interface error when the object lacks it) and raises
// «Failed to execute operation (%d) "name"» when the object answers false.
void KxExecuteOperation(IKxUnknown* object, int operation, const QString& operationName,
                        IKxUnknown* parameter, const QString& routineName);

// False when the operation cannot be executed now; else the object's result, or true when
// the object has no IKxExecuteOperation. Never raises by itself.
bool KxTryExecuteOperation(IKxUnknown* object, int operation, IKxUnknown* parameter = nullptr);

} // namespace kx
