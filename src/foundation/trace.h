#pragma once

#include <QString>
#include <functional>

namespace kx {

// Categories the program traces under.
enum class TKxTraceCategory : int {
    ReferenceCount = 2, // objects destroyed while still referenced
    Exception = 4,      // exceptions as they are raised or turned into result codes
    ExecutedSql = 7,    // every SQL text sent to a driver
};

// The trace routine and its on/off query are replaceable; by default nothing is recorded and
// tracing is off. Installing an empty function restores the default.
using KxTraceRoutine = std::function<void(const QString& text, TKxTraceCategory category)>;
using KxTraceActiveQuery = std::function<bool()>;

void KxSetTraceRoutine(KxTraceRoutine routine);
void KxSetTraceActiveQuery(KxTraceActiveQuery query);

// Sends a text to the trace routine, whatever the on/off query says; callers that build
// costly texts ask KxIsTraceActive first.
void KxTrace(const QString& text, TKxTraceCategory category);
bool KxIsTraceActive();

} // namespace kx
