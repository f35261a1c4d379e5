#pragma once

#include "foundation/kx_guid.h"

namespace kx {

// Root of every interface. An interface is an abstract class with only pure virtual methods
// that derives virtually from IKxUnknown, so one object can offer many interfaces and be
// asked for any of them with KxQuery (kx_intf.h). The count methods are called only by
// KxIntf; nothing else calls AddRef or Release.
class IKxUnknown {
public:
    static constexpr KxGuid IID{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    virtual int AddRef() = 0;
    virtual int Release() = 0;

protected:
    // Objects die through Release or their owner, never through an interface pointer.
    virtual ~IKxUnknown() = default;
};

} // namespace kx
