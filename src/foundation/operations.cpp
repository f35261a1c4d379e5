#include "foundation/operations.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {

bool KxCanExecuteOperation(IKxUnknown* object, int operation) {
    if (object == nullptr)
        return false;
    const KxIntf<IKxCanExecuteOperation> asker = KxQuery<IKxCanExecuteOperation>(object);
    return !asker || asker->CanExecuteOperation(operation, nullptr);
}

void KxExecuteOperation(IKxUnknown* object, int operation, const QString& operationName,
                        IKxUnknown* parameter, const QString& routineName) {
    if (!KxCanExecuteOperation(object, operation))
        return;
    const KxIntf<IKxExecuteOperation> executor =
        KxCheckQueryInterface<IKxExecuteOperation>(object, routineName);
    if (executor->ExecuteOperation(operation, parameter))
        return;
    QString what = QStringLiteral("(%1)").arg(operation);
    if (!operationName.isEmpty())
        what += QStringLiteral(" \"%1\"").arg(operationName);
    KxRaise(QCoreApplication::translate("KxFoundation", "Failed to execute operation %1").arg(what),
            routineName, KxObjectDescription::OfInterface(object));
}

bool KxTryExecuteOperation(IKxUnknown* object, int operation, IKxUnknown* parameter) {
    if (!KxCanExecuteOperation(object, operation))
        return false;
    const KxIntf<IKxExecuteOperation> executor = KxQuery<IKxExecuteOperation>(object);
    return !executor || executor->ExecuteOperation(operation, parameter);
}

} // namespace kx
