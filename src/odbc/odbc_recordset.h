#pragma once

#include "dbcore/compression_streams.h"
#include "dbcore/interface_sources.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/recordset_attributes.h"
#include "dbcore/schema_data_properties.h"
#include "odbc/odbc_field.h"
#include "odbc/odbc_field_reader.h"
#include "odbc/odbc_statement.h"

#include <functional>
#include <memory>
#include <vector>

namespace kx {

enum TKxCursorType : std::uint8_t {
    ctUnidirectional = 0,
    ctStatic = 1,
    ctKeyset = 2,
    ctDynamic = 3
};
enum TCursorSensitivity : std::uint8_t {
    csUnspecified = 0,
    csInsensitive = 1,
    csReflectChanges = 2
};
enum TUpdateStrategy : std::uint8_t {
    usReadOnly = 0,
    usMinimalLock = 1,
    usCompareRecordVersionBeforeWrite = 2,
    usCompareValuesBeforeWrite = 3,
};
enum TPositionedUpdateSimulation : std::uint8_t {
    pusAllowNonUniqueUpdate = 0,
    pusTryUniqueUpdate = 1,
    pusGuaranteeUniqueUpdate = 2,
};
enum TRecordCountStrategy : std::uint8_t {
    csUseCountFromODBCDriver = 1,
    csUseSelectCountStatement = 2,
    csCountByLogarithmicPositioning = 4,
};
using TRecordCountStrategies = std::uint8_t;
inline constexpr TRecordCountStrategies kxDefaultRecordCountStrategies =
    csUseCountFromODBCDriver | csUseSelectCountStatement;

class TKxOdbcRecordsetBase;
using TKxOdbcRecordsetOperationEvent =
    std::function<void(TKxOdbcRecordsetBase* sender, int operation)>;
using TKxOdbcRecordsetFieldValueChangeEvent =
    std::function<void(TKxOdbcRecordsetBase* sender, const QString& fieldName)>;
using TKxOdbcRecordsetEvent = std::function<void(TKxOdbcRecordsetBase* sender)>;
using TKxOdbcFieldCreateEvent = std::function<void(
    TKxOdbcRecordsetBase* sender, const QString& fieldName, TKxFieldCreateData& createData)>;

// The first position at which `fetches` fails, found by probing: doubling from 256 while
// the fetch succeeds, then a binary search below. The count of a result is one less.
std::int64_t KxFirstPositionNotFetched(const std::function<bool(std::int64_t)>& fetches);

// An executed SELECT (or catalog call) as a set of records with one current record. Opening
// sets the cursor attributes, executes, describes the result columns and creates one field
// per column, binds their buffers and fetches the first row. One row is fetched at a time;
// fixed-size values arrive in bound buffers, long values are read on demand through the
// field reader. Fetch failures never raise: they are kept as the last fetch result and its
// diagnostic text, which the fields show in place of their values.
class TKxOdbcRecordsetBase : public TKxOdbcStatementBase,
                             public virtual IKxOdbcRowAccess,
                             public virtual IKxGetItemByName,
                             public virtual IKxGetItemByIndex,
                             public virtual IKxGetCount,
                             public virtual IKxGetSetPosition,
                             public virtual IKxScrollableCursor,
                             public virtual IKxGetSetAttributes,
                             public virtual IKxAskBoolean,
                             public virtual IKxAskInteger,
                             public virtual IKxLocateValues,
                             public virtual IKxPositionOfValues,
                             public virtual IKxLookupValues,
                             public virtual IKxFieldValueChangeSink {
public:
    explicit TKxOdbcRecordsetBase(QObject* owner = nullptr,
                                  TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxOdbcRecordsetBase() override;

    // ---- properties
    TKxRecordsetAttributes Attributes() const { return m_attributes; }
    void SetAttributes(TKxRecordsetAttributes value) override;
    TKxRecordsetAttributes GetAttributes() const override { return m_attributes; }
    TUpdateStrategy UpdateStrategy() const { return m_updateStrategy; }
    void SetUpdateStrategy(TUpdateStrategy value);
    TPositionedUpdateSimulation PositionedUpdateSimulation() const { return m_simulation; }
    void SetPositionedUpdateSimulation(TPositionedUpdateSimulation value);
    TCursorSensitivity CursorSensitivity() const { return m_sensitivity; }
    void SetCursorSensitivity(TCursorSensitivity value);
    TKxCursorType CursorType() const { return m_cursorType; }
    void SetCursorType(TKxCursorType value);
    std::uint32_t KeysetSize() const { return m_keysetSize; }
    void SetKeysetSize(std::uint32_t value);
    std::uint32_t MaxRecordsReturned() const { return m_maxRecords; }
    void SetMaxRecordsReturned(std::uint32_t value);
    std::uint32_t MaxFieldDataSize() const { return m_maxFieldDataSize; }
    void SetMaxFieldDataSize(std::uint32_t value);
    TKxCompressionType BlobCompressionType() const { return m_compression; }
    void SetBlobCompressionType(TKxCompressionType value);
    TRecordCountStrategies RecordCountStrategies() const { return m_countStrategies; }
    void SetRecordCountStrategies(TRecordCountStrategies value) { m_countStrategies = value; }
    TKxCascadedContentsProperties& CascadedContentsProperties() { return *m_cascaded; }

    TKxOdbcRecordsetOperationEvent OnBeforeOperation;
    TKxOdbcRecordsetOperationEvent OnAfterOperation;
    TKxOdbcRecordsetFieldValueChangeEvent OnAfterFieldValueChange;
    TKxOdbcRecordsetEvent OnBeforePositionChange;
    TKxOdbcRecordsetEvent OnAfterPositionChange;
    TKxOdbcRecordsetEvent OnValidateFieldValues;
    TKxOdbcFieldCreateEvent OnCreateField;

    // ---- state
    // 1-based number of the current row; 0 before the first fetch.
    std::int64_t Position() const { return m_position; }
    // -1 while unknown or inactive.
    int RecordCount();
    SQLRETURN LastFetchResult() const override { return m_lastFetchResult; }
    QString FetchErrorText() const override { return m_fetchErrorText; }
    SQLUSMALLINT RowStatus() const { return m_rowStatus; }
    // The cursor type the driver granted for the open result (it may differ from CursorType).
    SQLULEN GrantedCursorType() const { return m_grantedCursorType; }
    bool Scrollable() const override;
    // Fields in column order: with the bookmark field when bookmarks are enabled, and without.
    const std::vector<TKxOdbcField*>& Fields() const { return m_dataFields; }
    std::size_t AllFieldCount() const { return m_allFields.size(); }
    TKxOdbcField* FieldByName(const QString& name) const;
    // Number of result columns the driver reports (SQL_DESC_COUNT).
    int ODBCFieldCount();
    // The value of a field by column number (integer index) or name (text index).
    KxVariant FieldValue(const KxVariant& index);
    void SetFieldValue(const KxVariant& index, const KxVariant& value);

    // ---- navigation
    bool IsBOF() const override;
    bool IsEOF() const override;
    void MoveToNext() override;
    void MoveToPrevious() override;
    void MoveToFirst() override;
    void MoveToLast() override;
    std::int64_t GetPosition() const override { return m_position; }
    void SetPosition(std::int64_t value) override;
    int GetCount() const override;

    KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) override;
    KxHResult GetItemByIndex(int index, KxIntf<IKxUnknown>& item) override;
    int AskBoolean(int id) override;
    int AskInteger(int id) override;
    bool CanExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool IsUpdatable() override;
    void FillNameList(int listKind, IKxUnknown* target) override;
    // Holders of position, state and field values (the ODBC holder classes).
    KxIntf<IKxUnknown> CreateStateHolder() override;
    void RestoreState(IKxUnknown* holder) override;
    void AfterFieldValueChange(const QString& fieldName) override;

    // Locating in a result sorted by the values' fields (the i-th value by the i-th ORDER BY
    // term, DESC terms compared the other way round): a binary search over the positions.
    // A row being typed is parked while the search moves and never applied by it; locating
    // does not move away from it.
    bool LocateValues(IKxUnknown* values) override;
    // Rows fetched by moves since the recordset was created (for benchmarks and tests).
    std::int64_t RowFetches() const { return m_rowFetches; }
    bool PositionOfValues(IKxUnknown* values, std::int64_t& position) override;
    // The values of the first record matching `condition`, read from a copy of this result.
    bool LookupValues(const QString& condition, IKxUnknown* values) override;

    // ---- IKxOdbcRowAccess (what the fields' buffers ask)
    bool LastFetchSucceeded() const override { return SQL_SUCCEEDED(m_lastFetchResult); }
    TKxRecordsetState RowState() override { return GetRecordsetState(); }
    int RecordCountForDisplay() override { return RecordCount(); }
    TKxOdbcFieldReader& FieldReader() override;
    const TKxOdbcDriverTraits& DriverTraits() const override;
    void FieldValueChanged(const QString& fieldName) override { AfterFieldValueChange(fieldName); }

    void Assign(const TKxOdbcRecordsetBase& source);

protected:
    QString SortFieldText(const QString& fieldName) override;
    void ApplyStatementAttributes() override;
    void APIExecuteSQL(const QString& text) override;
    // Opens the result that `execute` produces on the statement handle (the SQL text, or a
    // catalog call): resets the state, runs it, then reads the granted cursor and creates
    // the fields. The first fetch follows on activation.
    void OpenResult(const std::function<void()>& execute);
    // Whether the count may be asked of a copy running SELECT Count(*); a result without
    // an SQL text of its own (a catalog call) has nothing to count that way.
    virtual bool CountsWithSelectStatement() const { return true; }
    void FreeHandle() override;
    void ResetState() override;
    void DoAfterActiveChange(bool newActive) override;
    void DoBeforeActiveChange(bool newActive) override;
    void BeforeOperation(int operation, IKxUnknown* parameter) override;
    void AfterOperation(int operation, IKxUnknown* parameter) override;
    void BeforePositionChange() override;
    void AfterPositionChange() override;
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override;

    // The count when it is not known yet, by the chosen strategies in their fixed order: the
    // driver's own count, a SELECT Count(*) on a copy, probing the cursor with absolute
    // fetches. -1 when none of them knows.
    virtual int ComputeRecordCount();
    int DriverRecordCount();
    int SelectCountRecordCount();
    int LogarithmicRecordCount();
    // Binds every column with its exact stored value, for drivers that write them all.
    void PrepareExactSetPos(bool inserting);
    // Raises "The record was not changed" unless the row status says it was and no
    // diagnostic of `returnCode` says the call reached no row.
    void CheckRowChanged(SQLRETURN returnCode, const QString& routineName) const;
    bool AnyFieldModified() const;
    bool CursorSeesOwnChanges() const;
    TKxOdbcField* FieldAtColumn(int column) const;
    void ValidateFieldValues();
    // Whether SELECT Count(*) must wrap the whole statement instead of replacing its list.
    bool CountsOnlyAsSubquery() const;
    // Leaves insert or edit state before a move, a close or a re-execution: applies the
    // changes with raAutoSaveChanges (a failure keeps them, in their state, and raises),
    // discards them without.
    virtual void LeaveModifyingState();
    // Writes the inserted or edited row with SQLSetPos; a failure keeps the state and the
    // typed values, so the user can correct them and apply again.
    void ApplyChanges();
    void CancelChanges();
    // Deletes the current row and moves to the row that takes its place.
    void Delete();
    void InternalApplyChanges();
    // One positioned update or insert with the current values, long values included.
    void SetPosWithData(SQLUSMALLINT operation);
    void CreateFields();
    // The only place that fetches: one fetch in `orientation`, the new position, and (with
    // `notify`) the position-change notifications around it.
    void Move(SQLSMALLINT orientation, std::int64_t offset, bool notify,
              const QString& routineName);
    void GuardedMove(SQLSMALLINT orientation, std::int64_t offset, const QString& routineName);
    // The number of the row the driver is on (SQL_ATTR_ROW_NUMBER); -1 when it cannot say.
    std::int64_t CurrentRowNumber() const;
    void RefreshRecord();
    // From the destructor of a subclass: the close that follows swallows what leaving the
    // modifying state raises.
    void MarkDestroying() { m_destroying = true; }
    bool IsDestroying() const { return m_destroying; }

private:
    std::int64_t m_rowFetches = 0;
    struct TLocateItem;
    std::vector<TLocateItem> LocateItems(IKxUnknown* values, const QString& routine);
    int CompareLocateValue(const TLocateItem& item, const KxVariant& stored);
    int CompareAtPosition(const std::vector<TLocateItem>& items, std::int64_t position,
                          bool exactOnly);
    std::int64_t PositionOfNearestValues(const std::vector<TLocateItem>& items);
    bool SearchParked(IKxUnknown* values, const QString& routine, std::int64_t& position,
                      bool stay);

    TKxFieldCreateData DescribeColumn(SQLUSMALLINT column, TKxCompressionType compression);
    void ClearFields();
    void CheckInactiveProperty(const QString& name);
    // The field a FieldValue index names (a column number or a name); only while active.
    KxIntf<IKxGetSetValue> FieldItem(const KxVariant& index);
    // The connection, or an error naming the missing property.
    TKxOdbcConnection& CheckedOdbcConnection() const;

    TKxRecordsetAttributes m_attributes = kxDefaultRecordsetAttributes;
    TUpdateStrategy m_updateStrategy = usMinimalLock;
    TPositionedUpdateSimulation m_simulation = pusAllowNonUniqueUpdate;
    TCursorSensitivity m_sensitivity = csUnspecified;
    TKxCursorType m_cursorType = ctKeyset;
    std::uint32_t m_keysetSize = 0;
    std::uint32_t m_maxRecords = 0;
    std::uint32_t m_maxFieldDataSize = 0;
    TKxCompressionType m_compression = ctMaximum;
    TRecordCountStrategies m_countStrategies = kxDefaultRecordCountStrategies;
    std::unique_ptr<TKxCascadedContentsProperties> m_cascaded;

    std::int64_t m_position = 0;
    int m_recordCount = -1;
    bool m_firstFetchFoundNoRow = false;
    SQLRETURN m_lastFetchResult = 0;
    QString m_fetchErrorText;
    SQLUSMALLINT m_rowStatus = 0;
    SQLULEN m_grantedCursorType = SQL_CURSOR_FORWARD_ONLY;
    std::vector<std::unique_ptr<TKxOdbcField>> m_allFields;
    std::vector<TKxOdbcField*> m_dataFields;
    std::unique_ptr<TKxOdbcFieldReader> m_reader;
    bool m_destroying = false;
};

// The recordset of a SELECT text.
// A recordset that can follow a master: connected to another recordset through its master
// source, it takes its SQL parameters from the master's current record (a parameter :ID
// takes the master's field ID), fills the fields compared with them in records it inserts,
// and executes again shortly after the master moves or changes — a quick series of moves
// costs one execution (the statement's timed re-execution delay).
class TKxOdbcRecordset : public TKxOdbcRecordsetBase {
public:
    explicit TKxOdbcRecordset(QObject* owner = nullptr,
                              TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxOdbcRecordset() override;

    TKxRecordsetMasterSource& MasterSource() { return *m_masterSource; }
    // Connects the master (null disconnects).
    void SetMaster(IKxUnknown* master);

    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;

protected:
    QString GetExecutableSQL() override;
    void AssignMasterParamValues();
    void AssignFieldValuesFromMasterSource();

    // The text must not be empty and must start with SELECT.
    void CheckPreparedSQLStatement(const QString& text) override;
    KxIntf<TKxOdbcStatementBase> CreateSameClass() const override;

private:
    void MasterChanged();

    std::unique_ptr<TKxRecordsetMasterSource> m_masterSource;
};

} // namespace kx
