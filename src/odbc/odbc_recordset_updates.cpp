#include "foundation/temp_cursor.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_sql_types.h"

#include <QCoreApplication>

// Positioned updates: the recordset writes the current row back with SQLSetPos, taking the
// values from the bound buffers and sending long values as data at execution.

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxOdbc", text);
}

const QString kApplyRoutine = QStringLiteral("InternalApplyChanges");

} // namespace

bool TKxOdbcRecordsetBase::AnyFieldModified() const {
    for (const auto& field : m_allFields) {
        if (field->GetModified())
            return true;
    }
    return false;
}

bool TKxOdbcRecordsetBase::CursorSeesOwnChanges() const {
    return DriverTraits().CursorSeesOwnChanges(m_grantedCursorType);
}

TKxOdbcField* TKxOdbcRecordsetBase::FieldAtColumn(int column) const {
    for (const auto& field : m_allFields) {
        if (field->GetPosition() == column)
            return field.get();
    }
    return nullptr;
}

void TKxOdbcRecordsetBase::ValidateFieldValues() {
    NotifySinks(IKxValidateFieldValuesSink::IID, KxCallSinkValidateFieldValues);
    if (OnValidateFieldValues && CanCallEvents())
        OnValidateFieldValues(this);
}

void TKxOdbcRecordsetBase::CheckRowChanged(SQLRETURN returnCode, const QString& routineName) const {
    bool changed = false;
    switch (m_rowStatus) {
    case SQL_ROW_UPDATED:
    case SQL_ROW_DELETED:
    case SQL_ROW_ADDED:
    case SQL_ROW_SUCCESS_WITH_INFO:
        changed = true;
        break;
    default:
        break;
    }
    // SQLSTATE 01001 (cursor operation conflict) is how ODBC says the call reached no row —
    // psqlODBC, for a row another connection deleted meanwhile, with the row status saying
    // success with info or even deleted.
    if (changed && returnCode == SQL_SUCCESS_WITH_INFO) {
        for (SQLSMALLINT record = 1; record <= 16; ++record) {
            const TSQLErrorDesc diagnostic =
                ReadDiagRecord(SQL_HANDLE_STMT, OdbcHandle(), record, returnCode);
            if (diagnostic.SQLState.isEmpty())
                break;
            if (diagnostic.SQLState == QStringLiteral("01001"))
                changed = false;
        }
    }
    // The driver said the call worked, but nothing happened: nothing may be reported as
    // stored that was not.
    if (!changed)
        KxRaise(Tr("The record was not changed"), routineName, this);
}

void TKxOdbcRecordsetBase::CancelChanges() {
    DoOperation(roCancelChanges, nullptr, nullptr);
}

void TKxOdbcRecordsetBase::LeaveModifyingState() {
    if (!GetActive() || !KxIsModifyingState(GetRecordsetState()))
        return;
    if (m_attributes & raAutoSaveChanges)
        ApplyChanges(); // a failure keeps the typed values and stops whatever called
    else
        CancelChanges();
}

void TKxOdbcRecordsetBase::ApplyChanges() {
    TKxTempCursor waitCursor;
    const TKxRecordsetState state = GetRecordsetState();
    ValidateFieldValues();
    DoOperation(roApplyChanges, nullptr, [this] { InternalApplyChanges(); });
    if (!Scrollable())
        return;
    if (!CursorSeesOwnChanges()) {
        // The cursor still shows the rows as it read them: read them again, and show the
        // new row where the driver put it, at the end.
        ReExecute(true, state != rsInsert);
        // Straight to the last row, whether the count is known or not.
        if (state == rsInsert && GetActive() && LastFetchSucceeded())
            Move(SQL_FETCH_LAST, 0, true, kApplyRoutine);
        return;
    }
    if (state == rsInsert) {
        BeforePositionChange();
        AfterPositionChange();
    }
}

void TKxOdbcRecordsetBase::InternalApplyChanges() {
    const bool modified = AnyFieldModified();
    const TKxRecordsetState state = GetRecordsetState();
    if (state == rsInsert) {
        if (!modified)
            KxRaise(Tr("No Field Value has been set before inserting a new Record"), kApplyRoutine,
                    this);
        SetPosWithData(SQL_ADD);
        if (!Scrollable())
            return;
        // An unknown count stays unknown: the next request computes it.
        if (m_countStrategies != 0 && m_recordCount >= 0)
            ++m_recordCount;
        if (!CursorSeesOwnChanges())
            return; // re-executed by ApplyChanges
        SQLULEN positionKept = 0;
        const bool kept = SQL_SUCCEEDED(SQLGetStmtAttr(OdbcHandle(), 11000, &positionKept,
                                                       SQL_IS_UINTEGER, nullptr)) &&
                          positionKept == 1;
        if (kept)
            Move(SQL_FETCH_ABSOLUTE, m_position, false, kApplyRoutine);
        else
            Move(SQL_FETCH_LAST, 0, false, kApplyRoutine);
        for (const auto& field : m_allFields) {
            field->BeforePositionChange();
            field->AfterPositionChange();
        }
    } else if (state == rsEdit && modified) {
        SetPosWithData(SQL_UPDATE);
    }
}

void TKxOdbcRecordsetBase::PrepareExactSetPos(bool inserting) {
    for (const auto& field : m_allFields)
        field->CurrentBuffer().PrepareExactForSetPos(inserting,
                                                     field->CreateData().BlobCompressionType);
}

void TKxOdbcRecordsetBase::SetPosWithData(SQLUSMALLINT operation) {
    const SQLHSTMT statement = OdbcHandle();
    const auto restore = [this] {
        for (const auto& field : m_allFields)
            field->CurrentBuffer().RestoreAfterSetPos();
    };
    SQLRETURN rc = SQL_ERROR;
    try {
        if (DriverTraits().setPosWritesEveryBoundColumn) {
            PrepareExactSetPos(operation == SQL_ADD);
        } else {
            for (const auto& field : m_allFields)
                field->CurrentBuffer().PrepareForSetPos();
        }
        m_rowStatus = 0;
        rc = SQLSetPos(statement, 1, operation, SQL_LOCK_NO_CHANGE);
        while (rc == SQL_NEED_DATA) {
            SQLPOINTER token = nullptr;
            rc = SQLParamData(statement, &token);
            if (rc != SQL_NEED_DATA)
                break;
            const int column = token != nullptr ? *static_cast<const SQLINTEGER*>(token) : -1;
            TKxOdbcField* field = FieldAtColumn(column);
            if (field == nullptr)
                KxRaise(
                    Tr("Unable to send BLOB data, no Field with ordinal position: %1").arg(column),
                    kApplyRoutine, this);
            field->CurrentBuffer().PutBlobData(field->CreateData().BlobCompressionType);
        }
        CheckOdbcResult(rc, this, kApplyRoutine);
        CheckRowChanged(rc, kApplyRoutine);
    } catch (...) {
        // A driver still waiting for long data must be told the update is off.
        if (rc == SQL_NEED_DATA)
            (void)SQLCancel(statement);
        // Indicators and bindings go back as they were, so correcting a value and applying
        // again sends the row afresh.
        restore();
        throw;
    }
    restore();
}

void TKxOdbcRecordsetBase::Delete() {
    const QString routine = QStringLiteral("Delete");
    TKxTempCursor waitCursor;
    BeforeOperation(roDelete, nullptr);
    m_rowStatus = 0;
    const SQLRETURN rc = SQLSetPos(OdbcHandle(), 1, SQL_DELETE, SQL_LOCK_NO_CHANGE);
    CheckOdbcResult(rc, this, routine);
    CheckRowChanged(rc, routine);
    if (Scrollable() && m_countStrategies != 0 && m_recordCount >= 0)
        m_recordCount = std::max(0, m_recordCount - 1);
    AfterOperation(roDelete, nullptr);
    if (!Scrollable()) {
        Move(SQL_FETCH_NEXT, 0, true, routine);
    } else if (!CursorSeesOwnChanges()) {
        // The deleted row would stay visible (and editable): read the rows again.
        ReExecute(true, true);
    } else {
        Move(SQL_FETCH_ABSOLUTE, m_position, true, routine);
    }
}

} // namespace kx
