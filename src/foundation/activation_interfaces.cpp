#include "foundation/activation_interfaces.h"

#include <QCoreApplication>

namespace kx {
namespace {
QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}
} // namespace

QString KxObjNotActiveText(const QString& name) {
    return Tr("The %1 can only be used when the Object is Active").arg(name);
}

QString KxObjIsActiveText(const QString& name) {
    return Tr("The %1 cannot be changed while the Object is active").arg(name);
}

void KxCheckObjIsActive(bool active, const QString& name, KxObjectDescription object) {
    if (!active)
        KxRaise(KxObjNotActiveText(name), QStringLiteral("KxCheckObjIsActive"), std::move(object));
}

void KxCheckObjIsInActive(bool active, const QString& name, KxObjectDescription object) {
    if (active)
        KxRaise(KxObjIsActiveText(name), QStringLiteral("KxCheckObjIsInActive"), std::move(object));
}

void KxCheckIntfIsActive(IKxUnknown* object, const QString& name) {
    const auto intf =
        KxCheckQueryInterface<IKxGetActive>(object, QStringLiteral("KxCheckIntfIsActive"));
    KxCheckObjIsActive(intf->GetActive(), name, KxObjectDescription::OfInterface(object));
}

void KxCheckIntfIsInactive(IKxUnknown* object, const QString& name) {
    const auto intf =
        KxCheckQueryInterface<IKxGetActive>(object, QStringLiteral("KxCheckIntfIsInactive"));
    KxCheckObjIsInActive(intf->GetActive(), name, KxObjectDescription::OfInterface(object));
}

bool KxSetIntfActive(IKxUnknown* object, bool active) {
    const auto intf =
        KxCheckQueryInterface<IKxGetSetActive>(object, QStringLiteral("KxSetIntfActive"));
    const bool previous = intf->GetActive();
    intf->SetActive(active);
    return previous;
}

bool KxGetIntfActive(IKxUnknown* object, bool defaultValue) {
    const KxIntf<IKxGetActive> intf = KxQuery<IKxGetActive>(object);
    return intf ? intf->GetActive() : defaultValue;
}

} // namespace kx
