#include "odbc/odbc_recordset.h"

#include "dbcore/sql_property.h"
#include "dbcore/sql_words.h"
#include "foundation/interface_connection.h"
#include "foundation/scope_objects.h"
#include "foundation/temp_cursor.h"
#include "foundation/trace.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/odbc_sql_types.h"
#include "odbc/odbc_state_holders.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>

namespace kx {
namespace {

constexpr KxHResult kDispEBadIndex = static_cast<KxHResult>(0x8002000Bu);

QString Tr(const char* text) {
    return QCoreApplication::translate("KxOdbc", text);
}

// Field names compare without regard to the case of A to Z only, as the drivers' own
// identifiers do.
bool SameFieldName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

template <class T>
T CheckedEnum(int value, int last, const char* typeName, IKxUnknown* object,
              const QString& routine) {
    if (value < 0 || value > last)
        KxRaise(KxUnknownPropertyValueText(QString::fromLatin1(typeName), value), routine,
                KxObjectDescription::OfInterface(object));
    return static_cast<T>(value);
}

SQLULEN ConcurrencyOf(TUpdateStrategy strategy) {
    switch (strategy) {
    case usMinimalLock:
        return SQL_CONCUR_LOCK;
    case usCompareRecordVersionBeforeWrite:
        return SQL_CONCUR_ROWVER;
    case usCompareValuesBeforeWrite:
        return SQL_CONCUR_VALUES;
    default:
        return SQL_CONCUR_READ_ONLY;
    }
}

SQLULEN CursorTypeOf(TKxCursorType type) {
    switch (type) {
    case ctStatic:
        return SQL_CURSOR_STATIC;
    case ctKeyset:
        return SQL_CURSOR_KEYSET_DRIVEN;
    case ctDynamic:
        return SQL_CURSOR_DYNAMIC;
    default:
        return SQL_CURSOR_FORWARD_ONLY;
    }
}

SQLULEN SensitivityOf(TCursorSensitivity sensitivity) {
    switch (sensitivity) {
    case csInsensitive:
        return SQL_INSENSITIVE;
    case csReflectChanges:
        return SQL_SENSITIVE;
    default:
        return SQL_UNSPECIFIED;
    }
}

SQLULEN SimulationOf(TPositionedUpdateSimulation simulation) {
    switch (simulation) {
    case pusTryUniqueUpdate:
        return SQL_SC_TRY_UNIQUE;
    case pusGuaranteeUniqueUpdate:
        return SQL_SC_UNIQUE;
    default:
        return SQL_SC_NON_UNIQUE;
    }
}

} // namespace

std::int64_t KxFirstPositionNotFetched(const std::function<bool(std::int64_t)>& fetches) {
    std::int64_t high = 256;
    while (high < INT_MAX && fetches(high))
        high *= 2;
    std::int64_t low = 1;
    // The first position that cannot be fetched lies in [low, high].
    while (low < high) {
        const std::int64_t middle = (low + high) / 2;
        if (fetches(middle)) {
            if (low == middle)
                break;
            low = middle;
        } else {
            high = middle;
        }
    }
    return high;
}

TKxOdbcRecordsetBase::TKxOdbcRecordsetBase(QObject* owner, TKxLifetime lifetime)
    : TKxOdbcStatementBase(owner, lifetime),
      m_cascaded(
          std::make_unique<TKxCascadedContentsProperties>(static_cast<IKxGetItemByName*>(this))) {
    AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxOperationSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxFieldValueChangeSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxValidateFieldValuesSink>());
}

TKxOdbcRecordsetBase::~TKxOdbcRecordsetBase() {
    m_destroying = true;
    CloseBeforeDestroy();
}

TKxOdbcConnection& TKxOdbcRecordsetBase::CheckedOdbcConnection() const {
    TKxOdbcConnection* connection = ODBCConnection();
    if (connection == nullptr)
        KxRaise(Tr("The %1 Property must be set before the Component can be activated")
                    .arg(QStringLiteral("ODBCConnection")),
                QStringLiteral("Connection"), KxObjectDescription(this));
    return *connection;
}

const TKxOdbcDriverTraits& TKxOdbcRecordsetBase::DriverTraits() const {
    return CheckedOdbcConnection().DriverTraits();
}

TKxOdbcFieldReader& TKxOdbcRecordsetBase::FieldReader() {
    if (!m_reader)
        KxRaise(Tr("The %1 can only be used when the Object is Active")
                    .arg(QStringLiteral("FieldReader")),
                QStringLiteral("FieldReader"), KxObjectDescription(this));
    return *m_reader;
}

// ---- properties

void TKxOdbcRecordsetBase::CheckInactiveProperty(const QString& name) {
    CheckIsInactive(name);
}

void TKxOdbcRecordsetBase::SetAttributes(TKxRecordsetAttributes value) {
    const TKxRecordsetAttributes changed = value ^ m_attributes;
    if (changed & raBookmarksEnabled)
        CheckInactiveProperty(QStringLiteral("raBookmarksEnabled Attribute"));
    if (changed & raExposeBookmarkColumn)
        CheckInactiveProperty(QStringLiteral("raExposeBookmarkColumn Attribute"));
    m_attributes = value;
}

void TKxOdbcRecordsetBase::SetUpdateStrategy(TUpdateStrategy value) {
    CheckedEnum<TUpdateStrategy>(value, usCompareValuesBeforeWrite, "TUpdateStrategy", this,
                                 QStringLiteral("SetUpdateStrategy"));
    if (value == m_updateStrategy)
        return;
    CheckInactiveProperty(QStringLiteral("UpdateStrategy ") + Tr("Property"));
    m_updateStrategy = value;
}

void TKxOdbcRecordsetBase::SetPositionedUpdateSimulation(TPositionedUpdateSimulation value) {
    CheckedEnum<TPositionedUpdateSimulation>(value, pusGuaranteeUniqueUpdate,
                                             "TPositionedUpdateSimulation", this,
                                             QStringLiteral("SetPositionedUpdateSimulation"));
    m_simulation = value;
    SetStatementAttribute(SQL_ATTR_SIMULATE_CURSOR, SimulationOf(value),
                          "SetODBCPositionedUpdateSimulation");
}

void TKxOdbcRecordsetBase::SetCursorSensitivity(TCursorSensitivity value) {
    CheckedEnum<TCursorSensitivity>(value, csReflectChanges, "TCursorSensitivity", this,
                                    QStringLiteral("SetCursorSensitivity"));
    m_sensitivity = value;
    SetStatementAttribute(SQL_ATTR_CURSOR_SENSITIVITY, SensitivityOf(value),
                          "SetODBCCursorSensitivity");
}

void TKxOdbcRecordsetBase::SetCursorType(TKxCursorType value) {
    CheckedEnum<TKxCursorType>(value, ctDynamic, "TKxCursorType", this,
                               QStringLiteral("SetCursorType"));
    if (value == m_cursorType)
        return;
    CheckInactiveProperty(QStringLiteral("CursorType ") + Tr("Property"));
    m_cursorType = value;
}

void TKxOdbcRecordsetBase::SetKeysetSize(std::uint32_t value) {
    m_keysetSize = value;
    SetStatementAttribute(SQL_ATTR_KEYSET_SIZE, value, "SetODBCKeysetSize");
}

void TKxOdbcRecordsetBase::SetMaxRecordsReturned(std::uint32_t value) {
    m_maxRecords = value;
    SetStatementAttribute(SQL_ATTR_MAX_ROWS, value, "SetODBCMaxRecordsReturned");
}

void TKxOdbcRecordsetBase::SetMaxFieldDataSize(std::uint32_t value) {
    m_maxFieldDataSize = value;
    SetStatementAttribute(SQL_ATTR_MAX_LENGTH, value, "SetODBCMaxFieldDataSize");
}

void TKxOdbcRecordsetBase::SetBlobCompressionType(TKxCompressionType value) {
    CheckedEnum<TKxCompressionType>(value, ctMaximum, "TKxCompressionType", this,
                                    QStringLiteral("SetBlobCompressionType"));
    if (value == m_compression)
        return;
    CheckInactiveProperty(QStringLiteral("BlobCompressionType ") + Tr("Property"));
    m_compression = value;
}

void TKxOdbcRecordsetBase::Assign(const TKxOdbcRecordsetBase& source) {
    TKxOdbcStatementBase::Assign(source);
    SetAttributes(source.m_attributes);
    SetUpdateStrategy(source.m_updateStrategy);
    SetPositionedUpdateSimulation(source.m_simulation);
    SetCursorSensitivity(source.m_sensitivity);
    SetCursorType(source.m_cursorType);
    SetKeysetSize(source.m_keysetSize);
    SetMaxRecordsReturned(source.m_maxRecords);
    SetMaxFieldDataSize(source.m_maxFieldDataSize);
    SetBlobCompressionType(source.m_compression);
    SetRecordCountStrategies(source.m_countStrategies);
    m_cascaded->Assign(source.m_cascaded.get());
}

bool TKxOdbcRecordsetBase::FindPublishedProperty(const QString& name,
                                                 KxIntf<IKxUnknown>& value) const {
    if (name.compare(QStringLiteral("CascadedContentsProperties"), Qt::CaseInsensitive) == 0) {
        value = KxIntf<IKxUnknown>(static_cast<IKxCascadedContents*>(m_cascaded.get()));
        return true;
    }
    return TKxOdbcStatementBase::FindPublishedProperty(name, value);
}

// ---- opening and closing

void TKxOdbcRecordsetBase::ApplyStatementAttributes() {
    TKxOdbcStatementBase::ApplyStatementAttributes();
    // Each attribute only when it differs from the driver's default.
    if (m_updateStrategy != usReadOnly)
        SetStatementAttribute(SQL_ATTR_CONCURRENCY, ConcurrencyOf(m_updateStrategy),
                              "SetODBCUpdateStrategy");
    if (m_sensitivity != csUnspecified)
        SetStatementAttribute(SQL_ATTR_CURSOR_SENSITIVITY, SensitivityOf(m_sensitivity),
                              "SetODBCCursorSensitivity");
    if (m_cursorType != ctUnidirectional)
        SetStatementAttribute(SQL_ATTR_CURSOR_TYPE, CursorTypeOf(m_cursorType),
                              "SetODBCCursorType");
    if (m_keysetSize != 0)
        SetStatementAttribute(SQL_ATTR_KEYSET_SIZE, m_keysetSize, "SetODBCKeysetSize");
    if (m_maxRecords != 0)
        SetStatementAttribute(SQL_ATTR_MAX_ROWS, m_maxRecords, "SetODBCMaxRecordsReturned");
    if (m_maxFieldDataSize != 0)
        SetStatementAttribute(SQL_ATTR_MAX_LENGTH, m_maxFieldDataSize, "SetODBCMaxFieldDataSize");
    if (!UseSQLEscapeSequences())
        SetStatementAttribute(SQL_ATTR_NOSCAN, SQL_NOSCAN_ON, "SetODBCUseSQLEscapeSequences");
    if (m_attributes & raBookmarksEnabled)
        SetStatementAttribute(SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE, "SetODBCBookmarksEnabled");
    if (m_simulation != pusAllowNonUniqueUpdate)
        SetStatementAttribute(SQL_ATTR_SIMULATE_CURSOR, SimulationOf(m_simulation),
                              "SetODBCPositionedUpdateSimulation");
    SetStatementAttribute(SQL_ATTR_ROW_ARRAY_SIZE, 1, "SetODBCRowArraySize");
    CheckOdbcResult(SQLSetStmtAttr(OdbcHandle(), SQL_ATTR_ROW_STATUS_PTR, &m_rowStatus, 0), this,
                    QStringLiteral("SetODBCRowStatusPtr"));
}

void TKxOdbcRecordsetBase::ResetState() {
    TKxOdbcStatementBase::ResetState();
    m_position = 0;
    m_recordCount = -1;
    m_firstFetchFoundNoRow = false;
    m_lastFetchResult = 0;
    m_fetchErrorText.clear();
    m_rowStatus = 0;
}

void TKxOdbcRecordsetBase::APIExecuteSQL(const QString& text) {
    OpenResult([this, &text] { TKxOdbcStatementBase::APIExecuteSQL(text); });
}

void TKxOdbcRecordsetBase::OpenResult(const std::function<void()>& execute) {
    ResetState();
    m_reader =
        std::make_unique<TKxOdbcFieldReader>(static_cast<IKxGetItemByName*>(this), DriverTraits());
    m_reader->SetStatement(OdbcHandle());
    execute();
    SQLULEN granted = SQL_CURSOR_FORWARD_ONLY;
    CheckOdbcResult(SQLGetStmtAttr(OdbcHandle(), SQL_ATTR_CURSOR_TYPE, &granted, 0, nullptr), this,
                    QStringLiteral("APIExecuteSQL"));
    m_grantedCursorType = m_cursorType == ctUnidirectional ? SQL_CURSOR_FORWARD_ONLY : granted;
    CreateFields();
    SetRecordsetState(rsBrowse);
}

void TKxOdbcRecordsetBase::DoBeforeActiveChange(bool newActive) {
    if (!newActive) {
        try {
            LeaveModifyingState();
        } catch (...) {
            if (!m_destroying)
                throw;
        }
    }
    TKxOdbcStatementBase::DoBeforeActiveChange(newActive);
}

void TKxOdbcRecordsetBase::DoAfterActiveChange(bool newActive) {
    if (newActive && GetActive()) {
        for (const auto& field : m_allFields)
            field->CurrentBuffer().BindBuffer(true);
        Move(SQL_FETCH_NEXT, 0, false, QStringLiteral("NotifyAfterActiveChange"));
        m_position = 1;
        m_firstFetchFoundNoRow = m_lastFetchResult == SQL_NO_DATA;
        for (const auto& field : m_allFields)
            field->AfterActiveChange(true);
    }
    TKxOdbcStatementBase::DoAfterActiveChange(newActive);
}

void TKxOdbcRecordsetBase::ClearFields() {
    for (const auto& field : m_allFields)
        field->AfterActiveChange(false);
    m_dataFields.clear();
    m_allFields.clear();
}

void TKxOdbcRecordsetBase::FreeHandle() {
    ReExecutionTimer().Stop();
    ClearFields();
    if (Executed() && OdbcHandle() != nullptr) {
        TKxTempCursor waitCursor;
        // Nothing can be done about a cursor that does not close; the handle goes next.
        (void)SQLCloseCursor(OdbcHandle());
    }
    m_reader.reset();
    TKxOdbcStatementBase::FreeHandle();
}

// ---- fields

int TKxOdbcRecordsetBase::ODBCFieldCount() {
    CheckIsActive(QStringLiteral("ODBCFieldCount ") + Tr("Property"));
    SQLSMALLINT count = 0;
    CheckOdbcResult(SQLNumResultCols(OdbcHandle(), &count), this,
                    QStringLiteral("GetODBCFieldCount"));
    return count;
}

TKxFieldCreateData TKxOdbcRecordsetBase::DescribeColumn(SQLUSMALLINT column,
                                                        TKxCompressionType compression) {
    const QString routine = QStringLiteral("CreateFields");
    const SQLHSTMT statement = OdbcHandle();
    const auto number = [&](SQLUSMALLINT field) {
        SQLLEN value = 0;
        CheckOdbcResult(SQLColAttribute(statement, column, field, nullptr, 0, nullptr, &value),
                        this, routine);
        return value;
    };
    TKxFieldCreateData data;
    data.ColumnNumber = column;
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0;
    CheckOdbcResult(SQLColAttribute(statement, column, SQL_DESC_NAME, name, sizeof name - 1,
                                    &nameLength, nullptr),
                    this, routine);
    data.Name = QString::fromUtf8(reinterpret_cast<const char*>(name));

    switch (number(SQL_DESC_UNSIGNED)) {
    case SQL_FALSE:
        data.Signed = true;
        break;
    case SQL_TRUE:
        data.Signed = false;
        break;
    default:
        KxRaise(KxUnknownPropertyValueText(QStringLiteral("Signed"), 0), routine, this);
    }
    SQLSMALLINT sqlType = SQL_BINARY;
    if (column != 0)
        sqlType = KxColumnSqlType(number(SQL_DESC_CONCISE_TYPE), number(SQL_DESC_TYPE));
    data.DataType = KxFieldDataTypeOfSqlType(sqlType, data.Signed);
    if (KxIsIntegerKind(data.DataType) && DriverTraits().integerColumnsHold64Bits)
        data.DataType = data.Signed ? fdtInt64 : fdtUInt64;
    data.BlankPadded = sqlType == SQL_CHAR || sqlType == SQL_WCHAR;

    const SQLLEN nullable = number(SQL_DESC_NULLABLE);
    if (nullable != SQL_NO_NULLS && nullable != SQL_NULLABLE && nullable != SQL_NULLABLE_UNKNOWN)
        KxRaise(KxUnknownPropertyValueText(QStringLiteral("NullValuesAllowed"),
                                           static_cast<int>(nullable)),
                routine, this);
    data.NullValuesAllowed = nullable != SQL_NO_NULLS;

    const SQLLEN autoUnique = number(SQL_DESC_AUTO_UNIQUE_VALUE);
    if (autoUnique != SQL_FALSE && autoUnique != SQL_TRUE)
        KxRaise(KxUnknownPropertyValueText(QStringLiteral("AutoIncrementing"),
                                           static_cast<int>(autoUnique)),
                routine, this);
    data.AutoIncrementing = autoUnique == SQL_TRUE;
    data.BlobCompressionType = compression;

    if (KxIsIntegerKind(data.DataType) && data.AutoIncrementing) {
        data.Updatable = false;
    } else {
        const SQLLEN updatable = number(SQL_DESC_UPDATABLE);
        if (updatable == SQL_ATTR_READONLY)
            data.Updatable = false;
        else if (updatable == SQL_ATTR_WRITE || updatable == SQL_ATTR_READWRITE_UNKNOWN)
            data.Updatable = true;
        else
            KxRaise(KxUnknownPropertyValueText(QStringLiteral("Updatable"),
                                               static_cast<int>(updatable)),
                    routine, this);
    }
    SQLLEN size = 0;
    if (SQL_SUCCEEDED(
            SQLColAttribute(statement, column, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &size)))
        data.Size = std::max<SQLLEN>(size, 0);
    return data;
}

void TKxOdbcRecordsetBase::CreateFields() {
    m_dataFields.clear();
    m_allFields.clear();
    auto* self = static_cast<IKxGetItemByName*>(this);
    if (m_attributes & raBookmarksEnabled) {
        TKxFieldCreateData bookmark;
        try {
            bookmark = DescribeColumn(0, ctNone);
        } catch (const EODBCError&) {
            // Drivers that fetch bookmarks but cannot describe column 0 (SQLite3's) get the
            // shape ODBC defines for it: a read-only binary value of the driver's bookmark
            // length, at most 8 bytes with variable bookmarks there.
            bookmark = TKxFieldCreateData{};
            bookmark.DataType = fdtBinary;
            bookmark.NullValuesAllowed = false;
            bookmark.Updatable = false;
            bookmark.Signed = false;
            bookmark.Size = 8;
        }
        m_allFields.push_back(std::make_unique<TKxOdbcField>(self, this, std::move(bookmark)));
    }
    const int count = ODBCFieldCount();
    for (int column = 1; column <= count; ++column) {
        // A column that cannot be described (an interval, say) gets no field; the others
        // stay usable.
        try {
            TKxFieldCreateData data =
                DescribeColumn(static_cast<SQLUSMALLINT>(column), m_compression);
            if (OnCreateField)
                OnCreateField(this, data.Name, data);
            m_allFields.push_back(std::make_unique<TKxOdbcField>(self, this, std::move(data)));
            m_dataFields.push_back(m_allFields.back().get());
        } catch (const std::exception& e) {
            KxTrace(QString::fromUtf8(e.what()), TKxTraceCategory::Exception);
        }
    }
}

TKxOdbcField* TKxOdbcRecordsetBase::FieldByName(const QString& name) const {
    for (TKxOdbcField* field : m_dataFields) {
        if (SameFieldName(field->GetName(), name))
            return field;
    }
    return nullptr;
}

KxHResult TKxOdbcRecordsetBase::GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) {
    item.reset();
    TKxOdbcField* field = FieldByName(name);
    if (field == nullptr)
        return hr::DISP_E_UnknownName;
    item = KxIntf<IKxUnknown>(static_cast<IKxGetName*>(field));
    return hr::S_Ok;
}

KxHResult TKxOdbcRecordsetBase::GetItemByIndex(int index, KxIntf<IKxUnknown>& item) {
    item.reset();
    for (const auto& field : m_allFields) {
        if (field->GetPosition() == index) {
            item = KxIntf<IKxUnknown>(static_cast<IKxGetName*>(field.get()));
            return hr::S_Ok;
        }
    }
    return kDispEBadIndex;
}

KxIntf<IKxGetSetValue> TKxOdbcRecordsetBase::FieldItem(const KxVariant& index) {
    const QString routine = QStringLiteral("FieldValue");
    if (!GetActive())
        KxRaise(Tr("The %1 can only be used when the Object is Active")
                    .arg(QStringLiteral("FieldValue ") + Tr("Property")),
                routine, this);
    KxIntf<IKxUnknown> item;
    if (index.IsText())
        KxCheckHR(GetItemByName(index.ToString(), item), this, routine);
    else if (index.IsNumeric())
        KxCheckHR(GetItemByIndex(static_cast<int>(index.ToInt64()), item), this, routine);
    else
        KxRaise(KxUnsupportedIndexTypeText(index.VarType()), routine, this);
    return KxCheckQueryInterface<IKxGetSetValue>(item.get(), routine);
}

KxVariant TKxOdbcRecordsetBase::FieldValue(const KxVariant& index) {
    return FieldItem(index)->GetValue();
}

void TKxOdbcRecordsetBase::SetFieldValue(const KxVariant& index, const KxVariant& value) {
    FieldItem(index)->SetValue(value);
}

// ---- moving

bool TKxOdbcRecordsetBase::Scrollable() const {
    return m_cursorType != ctUnidirectional && KxIsScrollableCursor(m_grantedCursorType);
}

int TKxOdbcRecordsetBase::ComputeRecordCount() {
    int count = -1;
    if (m_countStrategies & csUseCountFromODBCDriver)
        count = DriverRecordCount();
    if (count == -1 && (m_countStrategies & csUseSelectCountStatement) &&
        CountsWithSelectStatement()) {
        // A text the copy cannot run leaves the count to the next strategy.
        try {
            count = SelectCountRecordCount();
        } catch (const EKxException& e) {
            KxTrace(e.GetMessage(), TKxTraceCategory::Exception);
            count = -1;
        }
    }
    // Probing moves the cursor and fills the bound buffers: never while they hold a row
    // being typed. The count stays unknown until the row is applied or cancelled.
    if (count == -1 && (m_countStrategies & csCountByLogarithmicPositioning) &&
        !KxIsModifyingState(GetRecordsetState()))
        count = LogarithmicRecordCount();
    // The counting statement knows nothing of the row limit the driver applies to this one.
    if (count > 0 && m_maxRecords != 0)
        count = static_cast<int>(std::min<std::int64_t>(count, m_maxRecords));
    return count;
}

int TKxOdbcRecordsetBase::DriverRecordCount() {
    SQLLEN count = 0;
    // Drivers that do not know say 0 or fail; both mean "ask somebody else".
    if (!SQL_SUCCEEDED(SQLGetDiagField(SQL_HANDLE_STMT, OdbcHandle(), 0, SQL_DIAG_CURSOR_ROW_COUNT,
                                       &count, SQL_IS_INTEGER, nullptr)) ||
        count <= 0)
        return -1;
    return static_cast<int>(std::min<SQLLEN>(count, INT_MAX));
}

int TKxOdbcRecordsetBase::SelectCountRecordCount() {
    const QString routine = QStringLiteral("ComputeRecordCount");
    // A list of aggregates alone gives one row, whatever the table holds.
    static const QStringList aggregates{QStringLiteral("min"), QStringLiteral("max"),
                                        QStringLiteral("avg"), QStringLiteral("count"),
                                        QStringLiteral("sum")};
    const QStringList items =
        SQL().GetSQLSelectedFields().split(QRegularExpression(QStringLiteral("[,;]")));
    const bool onlyAggregates = std::all_of(items.begin(), items.end(), [](const QString& item) {
        const QString word = item.section(QLatin1Char('('), 0, 0).trimmed();
        return item.contains(QLatin1Char('(')) && aggregates.contains(word, Qt::CaseInsensitive);
    });
    if (onlyAggregates)
        return 1;

    KxIntf<IKxUnknown> copy;
    KxCheckHR(CreateCopyQI(copy), this, routine);
    const auto close = [&copy] {
        if (const auto active = KxQuery<IKxGetSetActive>(copy.get()))
            active->SetActive(false);
    };
    try {
        KxIntf<IKxUnknown> sql;
        KxCheckHR(KxGetPropertyIntf(copy.get(), QStringLiteral("SQL"),
                                    KxInterfaceId::Of<IKxSqlStatementParts>(), sql),
                  this, routine);
        const auto parts = KxCheckQueryInterface<IKxSqlStatementParts>(sql.get(), routine);
        KxCheckQueryInterface<IKxExecuteOperation>(copy.get(), routine)
            ->ExecuteOperation(roSetSimplestConfiguration, nullptr);
        if (CountsOnlyAsSubquery()) {
            // Groups, distinct rows, limits and set operations change what a row is: the
            // statement is counted as it stands.
            KxCheckQueryInterface<IKxSetAsString>(sql.get(), routine)
                ->SetAsString(QStringLiteral("SELECT Count(*) FROM (%1) kx_counted")
                                  .arg(KxStripChars(SQL().GetAsString(), u" \t\n\r;")));
        } else {
            parts->SetSQLSelectedFields(QStringLiteral("Count(*)"));
            parts->SetSQLGroupBy(QString());
            parts->SetSQLOrderBy(QString());
            parts->SetSQLForUpdateOf(QString());
        }
        KxCheckQueryInterface<IKxGetSetActive>(copy.get(), routine)->SetActive(true);
        KxVariant value;
        {
            // The field belongs to the copy: let go of it before the copy closes.
            KxIntf<IKxUnknown> field;
            KxCheckHR(KxCheckQueryInterface<IKxGetItemByIndex>(copy.get(), routine)
                          ->GetItemByIndex(1, field),
                      this, routine);
            value = KxCheckQueryInterface<IKxGetSetValue>(field.get(), routine)->GetValue();
        }
        close();
        return value.IsNull()
                   ? 0
                   : static_cast<int>(std::clamp<std::int64_t>(value.ToInt64(), 0, INT_MAX));
    } catch (...) {
        close();
        throw;
    }
}

bool TKxOdbcRecordsetBase::CountsOnlyAsSubquery() const {
    if (!SQL().GetSQLGroupBy().trimmed().isEmpty())
        return true;
    if (KxFirstWord(SQL().GetSQLSelectedFields())
            .compare(QStringLiteral("DISTINCT"), Qt::CaseInsensitive) == 0)
        return true;
    // Words inside quoted literals and identifiers do not count.
    static const QRegularExpression quoted(QStringLiteral(R"('[^']*'|"[^"]*")"));
    static const QRegularExpression shaping(
        QStringLiteral(R"(\b(LIMIT|OFFSET|FETCH|UNION|INTERSECT|EXCEPT|TOP)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    QString text = SQL().GetAsString();
    text.replace(quoted, QStringLiteral(" "));
    return shaping.match(text).hasMatch();
}

int TKxOdbcRecordsetBase::LogarithmicRecordCount() {
    // Probing moves the driver's cursor; the fields are told a position change runs, so no
    // probe reaches them, and the current row is fetched again at the end.
    m_fetchErrorText.clear();
    auto* self = static_cast<IKxGetItemByName*>(this);
    const KxIntf<TKxNotificationDisabler> disabler(new TKxNotificationDisabler(self, 0, 0));
    for (const auto& field : m_allFields)
        field->BeforePositionChange();
    const SQLHSTMT statement = OdbcHandle();
    const auto fetches = [statement](std::int64_t row) {
        return SQL_SUCCEEDED(
            SQLFetchScroll(statement, SQL_FETCH_ABSOLUTE, static_cast<SQLLEN>(row)));
    };
    const int count =
        static_cast<int>(std::min<std::int64_t>(KxFirstPositionNotFetched(fetches) - 1, INT_MAX));
    m_lastFetchResult =
        SQLFetchScroll(statement, SQL_FETCH_ABSOLUTE, static_cast<SQLLEN>(m_position));
    m_reader->NewRow();
    for (const auto& field : m_allFields) {
        try {
            field->AfterPositionChange();
        } catch (const std::exception& e) {
            KxTrace(QString::fromUtf8(e.what()), TKxTraceCategory::Exception);
        }
    }
    return count;
}

int TKxOdbcRecordsetBase::RecordCount() {
    if (!GetActive())
        return -1;
    if (m_recordCount == -1) {
        // A result whose first fetch found no row is empty: nothing to count.
        if (m_firstFetchFoundNoRow)
            m_recordCount = 0;
        else if (Scrollable())
            m_recordCount = ComputeRecordCount();
        else
            m_recordCount = LastFetchSucceeded() ? 1 : 0;
    }
    return m_recordCount;
}

int TKxOdbcRecordsetBase::GetCount() const {
    return const_cast<TKxOdbcRecordsetBase*>(this)->RecordCount();
}

bool TKxOdbcRecordsetBase::IsBOF() const {
    return m_position < 2;
}

bool TKxOdbcRecordsetBase::IsEOF() const {
    if (!Scrollable())
        return !LastFetchSucceeded();
    return m_position >= GetCount();
}

void TKxOdbcRecordsetBase::BeforePositionChange() {
    if (OnBeforePositionChange && CanCallEvents())
        OnBeforePositionChange(this);
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
}

void TKxOdbcRecordsetBase::AfterPositionChange() {
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkAfterPositionChange);
    if (OnAfterPositionChange && CanCallEvents())
        OnAfterPositionChange(this);
}

void TKxOdbcRecordsetBase::Move(SQLSMALLINT orientation, std::int64_t offset, bool notify,
                                const QString&) {
    if (orientation != SQL_FETCH_NEXT && !Scrollable())
        return;
    if (notify) {
        // Changes are applied (or discarded) before anybody hears of the move: a failing
        // apply stops the move, and no sink is left waiting for an "after".
        LeaveModifyingState();
        BeforePositionChange();
        for (const auto& field : m_allFields)
            field->BeforePositionChange();
    }
    if (orientation == SQL_FETCH_ABSOLUTE)
        offset = std::clamp<std::int64_t>(offset, 1, std::max(RecordCount(), 1));
    const SQLHSTMT statement = OdbcHandle();
    // With a row limit the driver's last row may lie beyond it (psqlODBC keeps the whole
    // result for a keyset cursor), so the last row is fetched by its number.
    SQLSMALLINT fetchOrientation = orientation;
    if (orientation == SQL_FETCH_LAST && m_maxRecords != 0) {
        fetchOrientation = SQL_FETCH_ABSOLUTE;
        offset = RecordCount();
    }
    m_lastFetchResult =
        Scrollable() ? SQLFetchScroll(statement, fetchOrientation, static_cast<SQLLEN>(offset))
                     : SQLFetch(statement);
    ++m_rowFetches;
    m_reader->NewRow();
    if (SQL_SUCCEEDED(m_lastFetchResult) || m_lastFetchResult == SQL_NO_DATA) {
        // The end of the data is no error; a record some drivers leave behind from an earlier
        // call (SQLite3's 01S02 of the cursor attributes) must not read as one.
        m_fetchErrorText.clear();
    } else {
        const TSQLErrorDesc record =
            ReadDiagRecord(SQL_HANDLE_STMT, statement, 1, m_lastFetchResult);
        m_fetchErrorText = record.SQLState.isEmpty() ? QString() : FormatDiagRecord(record);
    }
    switch (orientation) {
    case SQL_FETCH_NEXT:
        ++m_position;
        break;
    case SQL_FETCH_FIRST:
        m_position = 1;
        break;
    case SQL_FETCH_LAST:
        m_position = RecordCount();
        // Without a count the driver may still know which row it is on, or how many it has.
        if (m_position < 0)
            m_position = CurrentRowNumber();
        if (m_position < 0)
            m_position = DriverRecordCount();
        break;
    case SQL_FETCH_PRIOR:
        --m_position;
        break;
    case SQL_FETCH_ABSOLUTE:
        m_position = offset;
        break;
    default:
        break;
    }
    if (notify) {
        for (const auto& field : m_allFields)
            field->AfterPositionChange();
        AfterPositionChange();
    }
}

std::int64_t TKxOdbcRecordsetBase::CurrentRowNumber() const {
    SQLULEN row = 0;
    if (!SQL_SUCCEEDED(
            SQLGetStmtAttr(OdbcHandle(), SQL_ATTR_ROW_NUMBER, &row, SQL_IS_UINTEGER, nullptr)))
        return -1;
    // 0 and SQL_ROW_NUMBER_UNKNOWN (-2 as a signed number) mean the driver does not know.
    if (row == 0 || row > static_cast<SQLULEN>(INT_MAX))
        return -1;
    return static_cast<std::int64_t>(row);
}

void TKxOdbcRecordsetBase::GuardedMove(SQLSMALLINT orientation, std::int64_t offset,
                                       const QString& routineName) {
    CheckIsActive(routineName);
    switch (orientation) {
    case SQL_FETCH_NEXT:
    case SQL_FETCH_LAST:
        if (IsEOF())
            return;
        break;
    case SQL_FETCH_FIRST:
    case SQL_FETCH_PRIOR:
        if (IsBOF())
            return;
        break;
    case SQL_FETCH_ABSOLUTE:
        if (RecordCount() <= 0)
            return;
        offset = std::clamp<std::int64_t>(offset, 1, RecordCount());
        break;
    default:
        break;
    }
    Move(orientation, offset, true, routineName);
}

void TKxOdbcRecordsetBase::MoveToNext() {
    GuardedMove(SQL_FETCH_NEXT, 0, QStringLiteral("MoveToNext"));
}

void TKxOdbcRecordsetBase::MoveToPrevious() {
    GuardedMove(SQL_FETCH_PRIOR, 0, QStringLiteral("MoveToPrevious"));
}

void TKxOdbcRecordsetBase::MoveToFirst() {
    GuardedMove(SQL_FETCH_FIRST, 0, QStringLiteral("MoveToFirst"));
}

void TKxOdbcRecordsetBase::MoveToLast() {
    GuardedMove(SQL_FETCH_LAST, 0, QStringLiteral("MoveToLast"));
}

void TKxOdbcRecordsetBase::SetPosition(std::int64_t value) {
    if (value != m_position)
        GuardedMove(SQL_FETCH_ABSOLUTE, value, QStringLiteral("SetPosition"));
}

void TKxOdbcRecordsetBase::RefreshRecord() {
    TKxTempCursor waitCursor;
    BeforeOperation(roRefreshCurrent, nullptr);
    CheckOdbcResult(SQLSetPos(OdbcHandle(), 1, SQL_REFRESH, SQL_LOCK_NO_CHANGE), this,
                    QStringLiteral("RefreshRecord"));
    m_reader->NewRow();
    AfterOperation(roRefreshCurrent, nullptr);
}

// ---- questions and operations

bool TKxOdbcRecordsetBase::IsUpdatable() {
    return TKxOdbcStatementBase::IsUpdatable() && m_updateStrategy != usReadOnly;
}

int TKxOdbcRecordsetBase::AskBoolean(int id) {
    switch (id) {
    case qid::CanModify:
        return KxBooleanAnswer(IsUpdatable());
    case qid::DriverRecordsetFlag: {
        SQLULEN value = 0;
        const bool known =
            OdbcHandle() != nullptr &&
            SQL_SUCCEEDED(SQLGetStmtAttr(OdbcHandle(), 11000, &value, SQL_IS_UINTEGER, nullptr));
        return KxBooleanAnswer(known && value == 1);
    }
    case qid::ConfirmDelete:
        return KxBooleanAnswer((m_attributes & raConfrimDeletions) != 0);
    case qid::ActiveAndScrollable:
        return KxBooleanAnswer(GetActive() && m_cursorType != ctUnidirectional);
    default:
        return baUnknown;
    }
}

int TKxOdbcRecordsetBase::AskInteger(int id) {
    switch (id) {
    case vid::DataFieldCount:
        return static_cast<int>(m_dataFields.size());
    case vid::CursorType:
        return m_cursorType;
    default:
        return kxUnsupportedValue;
    }
}

bool TKxOdbcRecordsetBase::CanExecuteOperation(int operation, IKxUnknown* parameter) {
    const TKxRecordsetState state = GetRecordsetState();
    switch (operation) {
    case roEdit:
    case roDelete:
        return IsUpdatable() && state == rsBrowse && RecordCount() > 0;
    case roInsert:
        return IsUpdatable() && state == rsBrowse;
    case roRefreshCurrent:
        return state == rsBrowse && RecordCount() > 0;
    case roCancelChanges:
    case roApplyChanges:
    case roLeaveModifyingState:
        return GetActive() && KxIsModifyingState(state);
    case roSetSimplestConfiguration:
        return !GetActive();
    case roReExecuteStatement:
    case roScheduleReExecution:
        return TKxOdbcStatementBase::CanExecuteOperation(operation, parameter);
    default:
        return false;
    }
}

bool TKxOdbcRecordsetBase::ExecuteOperation(int operation, IKxUnknown* parameter) {
    if (!CanExecuteOperation(operation, parameter))
        return false;
    switch (operation) {
    case roEdit:
    case roInsert:
        DoOperation(operation, parameter, nullptr);
        return true;
    case roCancelChanges:
        CancelChanges();
        return true;
    case roApplyChanges:
        ApplyChanges();
        return true;
    case roDelete:
        Delete();
        return true;
    case roLeaveModifyingState:
        LeaveModifyingState();
        return true;
    case roRefreshCurrent:
        RefreshRecord();
        return true;
    case roSetSimplestConfiguration:
        SetCursorType(ctUnidirectional);
        SetUpdateStrategy(usReadOnly);
        return true;
    default:
        return TKxOdbcStatementBase::ExecuteOperation(operation, parameter);
    }
}

void TKxOdbcRecordsetBase::BeforeOperation(int operation, IKxUnknown* parameter) {
    if (OnBeforeOperation && CanCallEvents())
        OnBeforeOperation(this, operation);
    TKxOdbcStatementBase::BeforeOperation(operation, parameter);
    for (const auto& field : m_allFields)
        field->BeforeOperation(operation, parameter);
}

void TKxOdbcRecordsetBase::AfterOperation(int operation, IKxUnknown* parameter) {
    for (const auto& field : m_allFields)
        field->AfterOperation(operation, parameter);
    TKxOdbcStatementBase::AfterOperation(operation, parameter);
    if (OnAfterOperation && CanCallEvents())
        OnAfterOperation(this, operation);
}

void TKxOdbcRecordsetBase::AfterFieldValueChange(const QString& fieldName) {
    NotifySinks(IKxFieldValueChangeSink::IID, KxCallSinkAfterFieldValueChange,
                {KxVariant(fieldName)});
    if (OnAfterFieldValueChange && CanCallEvents())
        OnAfterFieldValueChange(this, fieldName);
}

void TKxOdbcRecordsetBase::FillNameList(int listKind, IKxUnknown* target) {
    const KxIntf<IKxNameListTarget> names = KxQuery<IKxNameListTarget>(target);
    if (!names || listKind != 1)
        return;
    auto* self = static_cast<IKxGetItemByName*>(this);
    const KxIntf<TKxNotificationDisabler> disabler(new TKxNotificationDisabler(self, 0, 0));
    const KxIntf<TKxActiveKeeper> keeper(new TKxActiveKeeper(self, true));
    for (const auto& field : m_allFields) {
        const bool bookmark = field->GetPosition() == 0;
        if (bookmark && (m_attributes & raExposeBookmarkColumn) == 0)
            continue;
        names->AddName(self, listKind, field->GetName());
    }
}

KxIntf<IKxUnknown> TKxOdbcRecordsetBase::CreateStateHolder() {
    return KxIntf<IKxUnknown>(static_cast<IKxAssignToIntf*>(
        KxCreateStateHolder<TKxOdbcRecordsetState>(static_cast<IKxGetItemByName*>(this)).get()));
}

void TKxOdbcRecordsetBase::RestoreState(IKxUnknown* holder) {
    KxCheckQueryInterface<IKxAssignToIntf>(holder, QStringLiteral("RestoreState"))
        ->AssignToIntf(static_cast<IKxGetItemByName*>(this));
}

// ---- TKxOdbcRecordset

void TKxOdbcRecordset::CheckPreparedSQLStatement(const QString& text) {
    KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    if (KxFirstWord(text).compare(QStringLiteral("SELECT"), Qt::CaseInsensitive) != 0)
        KxRaise(Tr("Only SQL SELECT Statements can be executed with this Component."),
                QStringLiteral("CheckPreparedSQLStatement"), this);
}

KxIntf<TKxOdbcStatementBase> TKxOdbcRecordset::CreateSameClass() const {
    return KxIntf<TKxOdbcStatementBase>(new TKxOdbcRecordset(nullptr, TKxLifetime::SelfOwned));
}

QString TKxOdbcRecordsetBase::SortFieldText(const QString& fieldName) {
    // A name such as «Unit Price» or «order» must be quoted to be a column in the ORDER BY;
    // a plain identifier stays as it is, as people write it.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    TKxOdbcConnection* connection = ODBCConnection();
    if (plain.match(fieldName).hasMatch() || connection == nullptr || !connection->Active())
        return fieldName;
    const QString quote = connection->IdentifierQuoteChar().trimmed();
    if (quote.isEmpty())
        return fieldName;
    return quote + QString(fieldName).replace(quote, quote + quote) + quote;
}

} // namespace kx
