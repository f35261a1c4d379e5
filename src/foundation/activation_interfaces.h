#pragma once

#include "foundation/exceptions.h"

#include <QString>
#include <cstdint>

namespace kx {

// Whether an object (a connection, a recordset, a connector in front of one) is open.
class IKxGetActive : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A72, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x02}};
    virtual bool GetActive() const = 0;
};

class IKxGetSetActive : public virtual IKxGetActive {
public:
    static constexpr KxGuid IID{
        0x6B9C1A73, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x03}};
    virtual void SetActive(bool value) = 0;
};

// Guards of actions and property changes that need an open, or a closed, object. `name`
// names the action or property in the message.
class IKxCheckActive : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A74, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x04}};
    virtual void CheckIsActive(const QString& name) = 0;
    virtual void CheckIsInactive(const QString& name) = 0;
};

// A pointer-sized handle (an ODBC handle, a timer id); 0 means none.
class IKxGetHandle : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A75, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x05}};
    virtual std::uintptr_t GetHandle() const = 0;
};

// "The %s can only be used when the Object is Active" / "The %s cannot be changed while the
// Object is active".
QString KxObjNotActiveText(const QString& name);
QString KxObjIsActiveText(const QString& name);

// Raise those texts with the routine names KxCheckObjIsActive / KxCheckObjIsInActive.
void KxCheckObjIsActive(bool active, const QString& name, KxObjectDescription object);
void KxCheckObjIsInActive(bool active, const QString& name, KxObjectDescription object);

// The same guards for any object through IKxGetActive; an object without it raises the
// standard interface errors.
void KxCheckIntfIsActive(IKxUnknown* object, const QString& name);
void KxCheckIntfIsInactive(IKxUnknown* object, const QString& name);

// Opens or closes an object through IKxGetSetActive (standard errors without it) and answers
// the state it had before.
bool KxSetIntfActive(IKxUnknown* object, bool active);

// The object's state, or `defaultValue` for a null object or one without IKxGetActive.
bool KxGetIntfActive(IKxUnknown* object, bool defaultValue);

} // namespace kx
