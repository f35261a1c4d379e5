#include "dbcore/name_value_match.h"
#include "dbcore/record_routines.h"
#include "dbcore/record_states.h"
#include "dbcore/sort_order.h"
#include "dbcore/sql_property.h"
#include "foundation/exceptions.h"
#include "foundation/kx_lists.h"
#include "foundation/questions.h"
#include "foundation/scope_objects.h"
#include "odbc/odbc_recordset.h"

#include <QCoreApplication>

// Locating: the position of the record that holds given values, by a binary search over the
// record positions of a result sorted on those fields.

namespace kx {
namespace {

// Notification kinds of a disabled period: nothing at all, or one position change when the
// period ends (bound controls refresh once).
constexpr int kSilent = 0;
constexpr int kPositionChange = 1;

QString Tr(const char* text) {
    return QCoreApplication::translate("KxOdbc", text);
}

TKxCompareResult FromOrder(int order) {
    return order < 0 ? crLess : order > 0 ? crGreater : crEqual;
}

bool IsText(const KxVariant& value) {
    return value.VarType() == varOleStr || value.VarType() == varString ||
           value.VarType() == varUString;
}

bool IsNumber(const KxVariant& value) {
    switch (value.VarType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varBoolean:
    case varByte:
    case varShortInt:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return true;
    default:
        return false;
    }
}

} // namespace

// One sought value: the field it is compared with, its value, how texts compare, whether an
// exact match is needed, and the direction of the field's ORDER BY term.
struct TKxOdbcRecordsetBase::TLocateItem {
    QString fieldName;
    KxVariant value;
    bool caseSensitive = false;
    bool exact = true;
    bool descending = false;
};

std::vector<TKxOdbcRecordsetBase::TLocateItem>
TKxOdbcRecordsetBase::LocateItems(IKxUnknown* values, const QString& routine) {
    const auto list = KxCheckQueryInterface<IKxGetItemByIndex>(values, routine);
    const auto count = KxCheckQueryInterface<IKxGetCount>(values, routine);
    const int size = count->GetCount();
    if (size <= 0)
        KxRaise(Tr("No Values passed to Locate"), QStringLiteral("CheckLoacteValues"), this);
    const QStringList terms = KxOrderByTerms(SQL().GetSQLOrderBy());
    std::vector<TLocateItem> items;
    for (int index = 0; index < size; ++index) {
        KxIntf<IKxUnknown> item;
        list->GetItemByIndex(index, item);
        TLocateItem located;
        located.fieldName = KxCheckQueryInterface<IKxGetName>(item.get(), routine)->GetName();
        located.value = KxCheckQueryInterface<IKxGetValue>(item.get(), routine)->GetValue();
        located.caseSensitive = KxCheckAskBoolean(item.get(), qid::CaseSensitiveMatch, routine);
        located.exact = KxCheckAskInteger(item.get(), vid::MatchKind, routine) == mtExact;
        // The i-th value belongs to the i-th term; a DESC term turns its comparison round.
        TKxSortOrder direction = soNone;
        if (index >= terms.size() || !KxTermSortsField(terms[index], located.fieldName, direction))
            KxRaise(Tr("The Recordset is not sorted by Field: '%1'").arg(located.fieldName),
                    QStringLiteral("CheckLoacteValues"), this);
        located.descending = direction == soDescending;
        items.push_back(std::move(located));
    }
    return items;
}

int TKxOdbcRecordsetBase::CompareLocateValue(const TLocateItem& item, const KxVariant& stored) {
    // The sought value against the record's, in the order the database sorted the records.
    const bool soughtNull = item.value.IsNull() || item.value.IsEmpty();
    const bool storedNull = stored.IsNull() || stored.IsEmpty();
    if (soughtNull || storedNull) {
        if (soughtNull && storedNull)
            return 0;
        // Where NULLs stand in an ascending order is the driver's to say.
        const bool nullsHigh = DriverTraits().nullCollation != SQL_NC_LOW &&
                               DriverTraits().nullCollation != SQL_NC_START;
        return soughtNull == nullsHigh ? 1 : -1;
    }
    if (IsText(item.value) && IsText(stored)) {
        const QString sought = item.value.ToString();
        const QString value = stored.ToString();
        if (!item.caseSensitive)
            return QString::compare(sought, value, Qt::CaseInsensitive);
        // SQLite3 sorts by the text's bytes (UTF-8 byte order is code point order); other
        // databases by their collation, which the locale approximates.
        if (DriverTraits().binaryTextOrder)
            return sought.toUtf8().compare(value.toUtf8());
        return QString::localeAwareCompare(sought, value);
    }
    if (IsNumber(item.value) && IsNumber(stored)) {
        const double a = item.value.ToDouble();
        const double b = stored.ToDouble();
        return a < b ? -1 : a > b ? 1 : 0;
    }
    return QString::compare(item.value.ToString(), stored.ToString());
}

int TKxOdbcRecordsetBase::CompareAtPosition(const std::vector<TLocateItem>& items,
                                            std::int64_t position, bool exactOnly) {
    SetPosition(position);
    int result = 0;
    for (const TLocateItem& item : items) {
        if (exactOnly && !item.exact)
            continue;
        result = CompareLocateValue(item, FieldValue(KxVariant(item.fieldName)));
        if (item.descending)
            result = -result;
        if (result != 0)
            break;
    }
    return result;
}

std::int64_t TKxOdbcRecordsetBase::PositionOfNearestValues(const std::vector<TLocateItem>& items) {
    std::int64_t lo = 1;
    std::int64_t hi = std::max<std::int64_t>(RecordCount(), 1);
    while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        switch (FromOrder(CompareAtPosition(items, mid, false))) {
        case crLess:
            hi = mid;
            break;
        case crEqual:
            return mid;
        case crGreater:
            if (lo == mid)
                return hi;
            lo = mid;
            break;
        }
    }
    return lo;
}

bool TKxOdbcRecordsetBase::SearchParked(IKxUnknown* values, const QString& routine,
                                        std::int64_t& position, bool stay) {
    const std::vector<TLocateItem> items = LocateItems(values, routine);
    if (!Active() || RecordCount() == 0) {
        position = -1;
        return false;
    }
    // The search moves the cursor with the row being typed parked in a state holder, as
    // painting does: a half-typed row is never applied by a search, and comes back after it.
    const bool modifying = KxIsModifyingState(GetRecordsetState());
    const KxIntf<TKxNotificationDisabler> quiet(new TKxNotificationDisabler(
        static_cast<IKxGetItemByName*>(this), stay ? kPositionChange : kSilent,
        stay ? kPositionChange : kSilent));
    const KxIntf<IKxUnknown> holder = CreateStateHolder();
    bool found = false;
    try {
        if (modifying)
            ExecuteOperation(roCancelChanges, nullptr);
        position = PositionOfNearestValues(items);
        found = CompareAtPosition(items, position, true) == 0;
    } catch (...) {
        RestoreState(holder.get());
        throw;
    }
    // Moving on is for a found record, and never away from a row being typed.
    if (!found || !stay || modifying)
        RestoreState(holder.get());
    else
        SetPosition(position);
    if (!found)
        position = -1;
    return found && (!stay || !modifying);
}

bool TKxOdbcRecordsetBase::PositionOfValues(IKxUnknown* values, std::int64_t& position) {
    return SearchParked(values, QStringLiteral("PositionOfValues"), position, false);
}

bool TKxOdbcRecordsetBase::LookupValues(const QString& condition, IKxUnknown* values) {
    return KxLookupValues(static_cast<IKxGetItemByName*>(this), values, condition, false);
}

bool TKxOdbcRecordsetBase::LocateValues(IKxUnknown* values) {
    std::int64_t position = -1;
    return SearchParked(values, QStringLiteral("LocateValues"), position, true);
}

} // namespace kx
