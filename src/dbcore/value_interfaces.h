#pragma once

#include "dbcore/field_data_type.h"
#include "foundation/connection_points.h"
#include "foundation/kx_hresult.h"
#include "foundation/kx_intf.h"

#include <QString>
#include <cstdint>

namespace kx {

// The interfaces through which controls reach the values of a recordset: a field or a value
// buffer answers them, and a control never needs to know which of the two it holds.

class IKxGetDisplayText : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B00, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x00}};
    virtual QString GetDisplayText() = 0;
};

class IKxGetModified : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B01, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x01}};
    virtual bool GetModified() const = 0;
};

class IKxGetSetModified : public virtual IKxGetModified {
public:
    static constexpr KxGuid IID{
        0x6B9C1B02, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x02}};
    virtual void SetModified(bool value) = 0;
};

// What a control needs to know of a column before it shows or edits it.
class IKxFieldProperties : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B03, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x03}};
    virtual TKxFieldDataType GetDataType() const = 0;
    virtual bool GetNullValuesAllowed() const = 0;
    virtual bool GetUpdatable() const = 0;
};

// Positions are 1-based record numbers of a recordset, or a row offset of a grid cell. They
// are 64-bit because a result set may hold more rows than an int counts.
class IKxGetPosition : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B04, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x04}};
    virtual std::int64_t GetPosition() const = 0;
};

class IKxGetSetPosition : public virtual IKxGetPosition {
public:
    static constexpr KxGuid IID{
        0x6B9C1B05, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x05}};
    virtual void SetPosition(std::int64_t value) = 0;
};

// Which of a field's two value buffers is meant.
enum TKxValueBufferInstance : int {
    vbiCurrent = 0, // the value shown and edited
    vbiSaved = 1,   // the copy taken when editing began, restored by cancelling
};
inline constexpr const char* kxValueBufferInstanceTypeName = "TKxValueBufferInstance";

// An existing value buffer of a field, as interface `iid`; E_FAIL when the buffer has not
// been created (asking never creates one).
class IKxGetValueBufferIntf : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B06, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x06}};
    virtual KxHResult GetValueBufferIntf(int instance, const KxInterfaceId& iid,
                                         KxIntf<IKxUnknown>& object) = 0;
};

// A field's value buffer for reading or writing its bytes directly (memo and binary values);
// writing may first put the record into edit state.
enum TKxValueBufferAccess : int { vbaRead = 0, vbaWrite = 1 };

class IKxAccessValueBuffer : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B07, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x07}};
    virtual KxHResult AccessValueBuffer(int access, const KxInterfaceId& iid,
                                        KxIntf<IKxUnknown>& object, int instance) = 0;
};

} // namespace kx
