#pragma once

#include "foundation/operations.h"

#include <QString>

namespace kx {

// The state every data-aware control reads from its recordset.
enum TKxRecordsetState : int {
    rsInactive = 0, // closed
    rsBrowse = 1,   // open, positioned, not modifying
    rsInsert = 2,   // a new record is being composed
    rsEdit = 3,     // the current record is being edited
};

inline constexpr bool KxIsModifyingState(TKxRecordsetState state) {
    return state == rsInsert || state == rsEdit;
}

class IKxGetRecordsetState : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A40, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x14, 0x00}};
    virtual TKxRecordsetState GetRecordsetState() = 0;
};

// The name users see for a recordset operation ("Edit", "re-Execute" …); empty for
// roCancelChanges and for every operation that is not a recordset operation.
QString KxOperationDisplayName(int operation);

// The state a recordset is in after a recordset operation succeeded. Raises "Operation not
// supported, Ord(Operation): %d" for roSetSimplestConfiguration and anything outside the
// recordset operations, since they leave no defined state.
TKxRecordsetState RecordsetStateAfterOperation(int operation);

// KxExecuteOperation with the operation's display name, as data-access code reports it.
void KxExecuteDataOperation(IKxUnknown* object, int operation, IKxUnknown* parameter,
                            const QString& routineName);

} // namespace kx
