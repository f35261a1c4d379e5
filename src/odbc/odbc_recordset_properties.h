#pragma once

#include "odbc/odbc_recordset.h"

namespace kx {

// A stored copy of a recordset's settings: the statement's, then the cursor, update and
// counting settings. Values equal to the defaults are not written; integers read back are
// clamped into their range, so a damaged file cannot make a recordset unopenable.
class TKxOdbcRecordsetProperties : public TKxOdbcStatementProperties {
public:
    explicit TKxOdbcRecordsetProperties(bool includeSQL,
                                        TKxLifetime lifetime = TKxLifetime::SelfOwned);

    TKxRecordsetAttributes Attributes = kxDefaultRecordsetAttributes;
    TUpdateStrategy UpdateStrategy = usMinimalLock;
    TPositionedUpdateSimulation PositionedUpdateSimulation = pusAllowNonUniqueUpdate;
    TCursorSensitivity CursorSensitivity = csUnspecified;
    TKxCursorType CursorType = ctKeyset;
    std::uint32_t KeysetSize = 0;
    std::uint32_t MaxRecordsReturned = 0;
    std::uint32_t MaxFieldDataSize = 0;
    TKxCompressionType BlobCompressionType = ctMaximum;
    TRecordCountStrategies RecordCountStrategies = kxDefaultRecordCountStrategies;

    void AssignFromObj(IKxUnknown* source) override;
    void AssignToObj(IKxUnknown* destination) override;
    void LoadData(IKxUnknown* storage) override;
    void StoreData(IKxUnknown* storage) override;
};

} // namespace kx
