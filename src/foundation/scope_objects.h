#pragma once

#include "foundation/interfaced_object.h"
#include "foundation/notification_sinks.h"

namespace kx {

// Scope objects bracket a stretch of code: they change something when created and restore
// it when their last reference goes, also when an exception unwinds through the scope. Keep
// them in an interface variable for the length of the bracket:
//
//     KxIntf<IKxUnknown> quiet = KxMake<TKxNotificationDisabler>(recordset, 1, 1);
//
// Both keep their object alive while they live.

// Disables notifications of an object with IKxEnableNotifications on creation and enables
// them on destruction (errors swallowed). Does nothing for an object without the interface.
class TKxNotificationDisabler : public TKxInterfacedObject {
public:
    TKxNotificationDisabler(IKxUnknown* object, int disableKind, int enableKind);
    ~TKxNotificationDisabler() override;

private:
    KxIntf<IKxEnableNotifications> m_object;
    int m_enableKind;
};

// Opens or closes an object with IKxGetSetActive for the scope and gives it back the state
// it had on destruction (errors swallowed). Does nothing for an object without the interface;
// an error while changing the state on creation propagates.
class TKxActiveKeeper : public TKxInterfacedObject {
public:
    TKxActiveKeeper(IKxUnknown* object, bool active);
    ~TKxActiveKeeper() override;

    bool WasActive() const { return m_wasActive; }

private:
    KxIntf<IKxUnknown> m_object;
    bool m_wasActive = false;
};

} // namespace kx
