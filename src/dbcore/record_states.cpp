#include "dbcore/record_states.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {

QString KxOperationDisplayName(int operation) {
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("KxDbCore", "Edit"),
        QT_TRANSLATE_NOOP("KxDbCore", "Insert"),
        QT_TRANSLATE_NOOP("KxDbCore", "Delete"),
        "", // roCancelChanges has no name of its own
        QT_TRANSLATE_NOOP("KxDbCore", "Apply changes"),
        QT_TRANSLATE_NOOP("KxDbCore", "Refresh current"),
        QT_TRANSLATE_NOOP("KxDbCore", "re-Execute"),
        QT_TRANSLATE_NOOP("KxDbCore", "Schedule re-Execute"),
        QT_TRANSLATE_NOOP("KxDbCore", "Leave modfying state"),
        QT_TRANSLATE_NOOP("KxDbCore", "Set simplest configuration"),
    };
    if (operation < kxFirstRecordsetOperation || operation > kxLastRecordsetOperation ||
        names[operation][0] == '\0')
        return {};
    return QCoreApplication::translate("KxDbCore", names[operation]);
}

TKxRecordsetState RecordsetStateAfterOperation(int operation) {
    switch (operation) {
    case roEdit:
        return rsEdit;
    case roInsert:
        return rsInsert;
    case roDelete:
    case roCancelChanges:
    case roApplyChanges:
    case roRefreshCurrent:
    case roReExecuteStatement:
    case roScheduleReExecution:
    case roLeaveModifyingState:
        return rsBrowse;
    default:
        KxRaise(KxOperationNotSupportedText(operation),
                QStringLiteral("RecordsetStateAfterOperation"));
    }
}

void KxExecuteDataOperation(IKxUnknown* object, int operation, IKxUnknown* parameter,
                            const QString& routineName) {
    KxExecuteOperation(object, operation, KxOperationDisplayName(operation), parameter,
                       routineName);
}

} // namespace kx
