#pragma once

#include "foundation/kx_hresult.h"
#include "foundation/kx_intf.h"

#include <QString>

namespace kx {

// The small interfaces by which objects of different subsystems meet. Identifier values are
// this program's own; none of them is stored or seen by outside callers.

class IKxGetName : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A01, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x01}};
    virtual QString GetName() const = 0;
};

// A name that its owner may change (a state holder names the field it was taken from).
class IKxGetSetName : public virtual IKxGetName {
public:
    static constexpr KxGuid IID{
        0x6B9C1C01, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x20, 0x01}};
    virtual void SetName(const QString& name) = 0;
};

// A set of integers read by index (the selected record positions of a grid), 0-based.
class IKxGetIntegerByIndex : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B24, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x24}};
    virtual int GetIntegerByIndex(int index) const = 0;
};

class IKxGetClassName : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A02, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x02}};
    virtual QString GetClassName() const = 0;
};

class IKxGetAsString : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A03, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x03}};
    virtual QString GetAsString() const = 0;
};

class IKxSetAsString : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A04, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x04}};
    virtual void SetAsString(const QString& value) = 0;
};

class IKxGetCount : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A05, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x05}};
    virtual int GetCount() const = 0;
};

// Collections hand out their items as plain references; the caller asks each for the
// interface it needs (KxCheckGetItemByIndex does both and raises the standard error).
class IKxGetItemByIndex : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A06, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x06}};
    virtual KxHResult GetItemByIndex(int index, KxIntf<IKxUnknown>& item) = 0;
};

class IKxGetItemByName : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A07, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x07}};
    virtual KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) = 0;
};

class IKxGetHRCode : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A08, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x08}};
    virtual KxHResult GetHRCode() const = 0;
};

// Copying state between objects that know each other only by interface.
class IKxAssignFromObj : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A09, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x09}};
    virtual void AssignFromObj(IKxUnknown* source) = 0;
};

class IKxAssignToObj : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A0A, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x0A}};
    virtual void AssignToObj(IKxUnknown* destination) = 0;
};

// The same between objects reached through any of their interfaces: a value buffer copies
// another buffer, a state holder captures a recordset and is applied to it again.
class IKxAssignFromIntf : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A0B, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x0B}};
    virtual void AssignFromIntf(IKxUnknown* source) = 0;
};

class IKxAssignToIntf : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A0C, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x11, 0x0C}};
    virtual void AssignToIntf(IKxUnknown* destination) = 0;
};

} // namespace kx
