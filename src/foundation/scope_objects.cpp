#include "foundation/scope_objects.h"

#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"

namespace kx {

TKxNotificationDisabler::TKxNotificationDisabler(IKxUnknown* object, int disableKind,
                                                 int enableKind)
    : m_enableKind(enableKind) {
    const KxIntf<IKxEnableNotifications> intf = KxQuery<IKxEnableNotifications>(object);
    if (!intf)
        return;
    intf->DisableNotifications(disableKind);
    // Only a disable that happened may be matched by an enable.
    m_object = intf;
}

TKxNotificationDisabler::~TKxNotificationDisabler() {
    if (!m_object)
        return;
    try {
        m_object->EnableNotifications(m_enableKind);
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

TKxActiveKeeper::TKxActiveKeeper(IKxUnknown* object, bool active) {
    if (!KxSupports<IKxGetSetActive>(object))
        return;
    m_wasActive = KxSetIntfActive(object, active);
    m_object = KxIntf<IKxUnknown>(object);
}

TKxActiveKeeper::~TKxActiveKeeper() {
    if (!m_object)
        return;
    try {
        KxSetIntfActive(m_object.get(), m_wasActive);
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

} // namespace kx
