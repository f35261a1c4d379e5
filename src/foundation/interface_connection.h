#pragma once

#include "foundation/connection_points.h"

#include <QString>
#include <cstdint>

namespace kx {

namespace hr {
inline constexpr KxHResult DISP_E_UnknownName = static_cast<KxHResult>(0x80020006u);
} // namespace hr

// Advises `sink` on the connection point for `iid` of `target` and answers the cookie.
// Raises "%s doesn't support the Interface: %s" when the target is no connection-point
// container, "%s has no Connection Point for the Interface: %s" when it has no point for
// `iid`, and the result-code error when the point refuses the sink. The routine name
// defaults to "ConnectInterface".
std::uint32_t KxInterfaceConnect(IKxUnknown* target, IKxUnknown* sink, const KxGuid& iid,
                                 const QString& routineName = {});

// Unadvises `cookie` from the point for `iid` of `target` and sets it to 0 when that worked.
// Does nothing for a null target or a zero cookie, and never raises.
void KxInterfaceDisconnect(IKxUnknown* target, const KxGuid& iid, std::uint32_t& cookie) noexcept;

// The interfaces of the named sub-objects a component publishes (its connection, its data
// source), so that a client can reach them knowing only the property's name.
class IKxGetPropertyIntf : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A81, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x18, 0x01}};
    // E_INVALIDARG for an empty name, DISP_E_UNKNOWNNAME when there is no such property or
    // it holds nothing, E_NOINTERFACE when the object it holds lacks `iid`; else S_OK.
    virtual KxHResult GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                                      KxIntf<IKxUnknown>& object) = 0;
};

// E_POINTER for a null object, E_NOINTERFACE for one without IKxGetPropertyIntf, else the
// object's answer.
KxHResult KxGetPropertyIntf(IKxUnknown* object, const QString& name, const KxInterfaceId& iid,
                            KxIntf<IKxUnknown>& result);

template <class T> KxIntf<T> KxGetPropertyIntf(IKxUnknown* object, const QString& name) {
    KxIntf<IKxUnknown> result;
    if (KxGetPropertyIntf(object, name, KxInterfaceId::Of<T>(), result) != hr::S_Ok)
        return nullptr;
    return KxQuery<T>(result);
}

// One row of a class's table of published interface properties: the property's name and how
// to read it from an object of the class. A class answers GetPropertyIntf from its own table
// and then its base class's.
template <class C> struct TKxPublishedIntf {
    const char* name;
    KxIntf<IKxUnknown> (*read)(const C& object);
};

// Looks `name` up (case-insensitively, as property names are) in `table`; answers whether
// the property exists and its value in `value`.
template <class C, std::size_t N>
bool KxFindPublishedIntf(const C& object, const TKxPublishedIntf<C> (&table)[N],
                         const QString& name, KxIntf<IKxUnknown>& value) {
    for (const TKxPublishedIntf<C>& row : table) {
        if (QString::compare(QLatin1String(row.name), name, Qt::CaseInsensitive) == 0) {
            value = row.read(object);
            return true;
        }
    }
    return false;
}

// Whether a component is being read from its stored form. The loading code sets the state;
// while it lasts, activation is deferred and connection errors are reported to the user
// instead of ending the load.
class IKxComponentLoading : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A82, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x18, 0x02}};
    virtual bool IsLoading() const = 0;
};

} // namespace kx
