#pragma once

#include "foundation/exceptions.h"

#include <functional>
#include <gtest/gtest.h>

namespace kx::test {

// What a call raised, for checking its text and routine; fails the test when it raised
// nothing.
inline EKxException Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const EKxException& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return EKxException(QString());
}

} // namespace kx::test
