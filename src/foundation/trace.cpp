#include "foundation/trace.h"

#include <QMutex>

namespace kx {
namespace {

struct TraceHooks {
    QMutex lock;
    KxTraceRoutine routine;
    KxTraceActiveQuery activeQuery;
};

TraceHooks& Hooks() {
    static TraceHooks hooks;
    return hooks;
}

} // namespace

void KxSetTraceRoutine(KxTraceRoutine routine) {
    QMutexLocker guard(&Hooks().lock);
    Hooks().routine = std::move(routine);
}

void KxSetTraceActiveQuery(KxTraceActiveQuery query) {
    QMutexLocker guard(&Hooks().lock);
    Hooks().activeQuery = std::move(query);
}

void KxTrace(const QString& text, TKxTraceCategory category) {
    KxTraceRoutine routine;
    {
        QMutexLocker guard(&Hooks().lock);
        routine = Hooks().routine;
    }
    if (routine)
        routine(text, category);
}

bool KxIsTraceActive() {
    KxTraceActiveQuery query;
    {
        QMutexLocker guard(&Hooks().lock);
        query = Hooks().activeQuery;
    }
    return query ? query() : false;
}

} // namespace kx
