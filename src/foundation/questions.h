#pragma once

#include "foundation/kx_intf.h"

#include <QString>
#include <climits>

namespace kx {

// Tri-state questions: objects answer what they know about themselves by number, so that a
// caller can ask any object without knowing its class. An answer of 0 means "I don't know".
class IKxAskBoolean : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A70, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x00}};
    // 0 unknown, 1 false, 2 true.
    virtual int AskBoolean(int id) = 0;
};

// Numeric questions; kxUnsupportedValue answers an id the object does not know.
class IKxAskInteger : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A71, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x01}};
    virtual int AskInteger(int id) = 0;
};

enum TKxBooleanAnswer : int { baUnknown = 0, baFalse = 1, baTrue = 2 };

inline constexpr int kxUnsupportedValue = INT_MIN;

inline constexpr int KxBooleanAnswer(bool value) {
    return value ? baTrue : baFalse;
}

// Question ids of AskBoolean. The numbers travel between subsystems, so they never change;
// the gaps are ids no object answers any more.
namespace qid {
inline constexpr int DataFetched = 1;
inline constexpr int DisplayTextCached = 3;
inline constexpr int NeedsData = 4;
inline constexpr int IsNull = 5;
inline constexpr int Modified = 6;
inline constexpr int AlwaysNotify = 7;
inline constexpr int CanModify = 9;
inline constexpr int DriverRecordsetFlag = 10;
inline constexpr int Signed = 11;
inline constexpr int AutoIncrement = 12;
inline constexpr int ConfirmDelete = 13;
inline constexpr int CaseSensitiveMatch = 16;
inline constexpr int ActiveAndScrollable = 18;
} // namespace qid

// Value ids of AskInteger.
namespace vid {
inline constexpr int ColumnSize = 0;
inline constexpr int LengthIndicator = 1;
inline constexpr int StoredSize = 2;
inline constexpr int MatchKind = 3;
inline constexpr int DisplayLength = 4;
inline constexpr int DefaultColumnWidth = 5;
inline constexpr int DataFieldCount = 7;
inline constexpr int CursorType = 8;
} // namespace vid

// `defaultValue` when the object is null, lacks IKxAskBoolean or does not know the answer.
bool KxAskBoolean(IKxUnknown* object, int id, bool defaultValue);
// Raises the standard interface errors for a null object or one without IKxAskBoolean, and
// "Unsupported Question ID: %d" for an answer other than 1 or 2.
bool KxCheckAskBoolean(IKxUnknown* object, int id, const QString& routineName = {});

// The answer as given (kxUnsupportedValue included), or `defaultValue` when the object is null
// or lacks IKxAskInteger.
int KxAskInteger(IKxUnknown* object, int id, int defaultValue);
// Raises the standard interface errors, and "Unsupported Value ID: %d" for kxUnsupportedValue.
int KxCheckAskInteger(IKxUnknown* object, int id, const QString& routineName = {});

} // namespace kx
