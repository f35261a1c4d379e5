#pragma once

#include "foundation/exceptions.h"
#include "foundation/interfaced_object.h"

namespace kx {

// A reference-counted snapshot of an exception that may outlive it: the exception dialog and
// the execution log keep one after the handler has ended.
class TKxExceptionInformation : public TKxInterfacedObject, public TKxExceptionValues {
public:
    // From any exception, or from none. The program's own exceptions give all their values;
    // other runtime exceptions give their message and class name.
    explicit TKxExceptionInformation(const std::exception* exception = nullptr);
};

// The text the exception dialog shows and copies. Plain: the message ("The Exception
// Information Object was nil" for none). Detailed: program, class, severity, object, routine,
// address and message, one labelled line each.
QString KxBuildExceptionText(IKxExceptionInformation* info, bool detailed);

} // namespace kx
