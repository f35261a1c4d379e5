#pragma once

#include "dbcore/value_buffer.h"

namespace kx {

// What a grid column offers the cells it caches: the recordset it shows (to move it to a
// cell's row), the position of its first visible row, and — through IKxGetName and
// IKxGetItemByName — the name of its field and the field itself.
class IKxDisplayValueColumn : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B09, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x09}};
    virtual KxIntf<IKxGetSetPosition> GetRecordsetPosition() = 0;
    virtual std::int64_t GetFirstVisiblePosition() = 0;
};

// What a display buffer keeps of its row: the display text, the value, or both.
enum TKxDisplayCacheFlag : unsigned {
    dcfCacheValue = 4,
    dcfCacheDisplayText = 8,
};

// The cache of one grid cell: the value and/or the display text of the column's field in the
// row `RowOffset` below the first visible one. Filling it moves the recordset to that row, so
// a grid paints rows without keeping records of its own.
//
// The column owns its cells and outlives them; a cell holds it by plain pointer.
class TKxDisplayValueBuffer : public TKxValueBuffer, public virtual IKxGetSetPosition {
public:
    // The field is looked up by the column's name at once, for its kind; raises when the
    // column has no such field.
    TKxDisplayValueBuffer(IKxUnknown* column, std::int64_t rowOffset, unsigned cacheFlags);

    const QString& FieldName() const { return m_fieldName; }
    unsigned CacheFlags() const { return m_cacheFlags; }

    // IKxGetSetPosition: the row offset.
    std::int64_t GetPosition() const override { return m_rowOffset; }
    void SetPosition(std::int64_t value) override { m_rowOffset = value; }

    QString GetDisplayText() override;
    // opFetchData fills what the flags ask for; opInvalidate clears.
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;
    // 4: the cell still needs data.
    int AskBoolean(int id) override;
    void AssignFromIntf(IKxUnknown* source) override;

    void SynchronizePosition();

protected:
    void InternalFetchData(bool forDisplay) override;

private:
    template <class T> KxIntf<T> FieldInterface() const;

    IKxUnknown* m_column;
    std::int64_t m_rowOffset;
    unsigned m_cacheFlags;
    QString m_fieldName;
};

} // namespace kx
