#include "foundation/questions.h"

#include "foundation/exceptions.h"

namespace kx {

bool KxAskBoolean(IKxUnknown* object, int id, bool defaultValue) {
    const KxIntf<IKxAskBoolean> ask = KxQuery<IKxAskBoolean>(object);
    if (!ask)
        return defaultValue;
    switch (ask->AskBoolean(id)) {
    case baFalse:
        return false;
    case baTrue:
        return true;
    default:
        return defaultValue;
    }
}

bool KxCheckAskBoolean(IKxUnknown* object, int id, const QString& routineName) {
    const QString routine =
        routineName.isEmpty() ? QStringLiteral("KxCheckAskBoolean") : routineName;
    const KxIntf<IKxAskBoolean> ask = KxCheckQueryInterface<IKxAskBoolean>(object, routine);
    const int answer = ask->AskBoolean(id);
    if (answer != baFalse && answer != baTrue)
        KxRaise(KxUnsupportedQuestionIdText(id), routine, KxObjectDescription::OfInterface(object));
    return answer == baTrue;
}

int KxAskInteger(IKxUnknown* object, int id, int defaultValue) {
    const KxIntf<IKxAskInteger> ask = KxQuery<IKxAskInteger>(object);
    return ask ? ask->AskInteger(id) : defaultValue;
}

int KxCheckAskInteger(IKxUnknown* object, int id, const QString& routineName) {
    const QString routine =
        routineName.isEmpty() ? QStringLiteral("KxCheckAskInteger") : routineName;
    const KxIntf<IKxAskInteger> ask = KxCheckQueryInterface<IKxAskInteger>(object, routine);
    const int answer = ask->AskInteger(id);
    if (answer == kxUnsupportedValue)
        KxRaise(KxUnsupportedValueIdText(id), routine, KxObjectDescription::OfInterface(object));
    return answer;
}

} // namespace kx
