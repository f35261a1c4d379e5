#include "dbcore/field_data_type.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {
namespace {

// Both the pixel width and the character count are kept within the same bounds.
constexpr int kMinChars = 20;
constexpr int kMaxChars = 180;

int ClampChars(std::int64_t chars) {
    return static_cast<int>(std::clamp<std::int64_t>(chars, kMinChars, kMaxChars));
}

} // namespace

QString KxFieldDataTypeDisplayName(int dataType) {
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("KxDbCore", "Bool"),        QT_TRANSLATE_NOOP("KxDbCore", "Int8"),
        QT_TRANSLATE_NOOP("KxDbCore", "UInt8"),       QT_TRANSLATE_NOOP("KxDbCore", "Int16"),
        QT_TRANSLATE_NOOP("KxDbCore", "UInt16"),      QT_TRANSLATE_NOOP("KxDbCore", "Int32"),
        QT_TRANSLATE_NOOP("KxDbCore", "UInt32"),      QT_TRANSLATE_NOOP("KxDbCore", "Int64"),
        QT_TRANSLATE_NOOP("KxDbCore", "UInt64"),      QT_TRANSLATE_NOOP("KxDbCore", "Single"),
        QT_TRANSLATE_NOOP("KxDbCore", "Double"),      QT_TRANSLATE_NOOP("KxDbCore", "Numeric"),
        QT_TRANSLATE_NOOP("KxDbCore", "Date"),        QT_TRANSLATE_NOOP("KxDbCore", "Time"),
        QT_TRANSLATE_NOOP("KxDbCore", "Datetime"),    QT_TRANSLATE_NOOP("KxDbCore", "String"),
        QT_TRANSLATE_NOOP("KxDbCore", "Wide String"), QT_TRANSLATE_NOOP("KxDbCore", "Memo"),
        QT_TRANSLATE_NOOP("KxDbCore", "Wide Memo"),   QT_TRANSLATE_NOOP("KxDbCore", "Binary"),
        QT_TRANSLATE_NOOP("KxDbCore", "GUID"),
    };
    if (dataType < 0 || dataType > kxLastFieldDataType)
        return {};
    return QCoreApplication::translate("KxDbCore", names[dataType]);
}

std::uint32_t KxFixedDataSize(int dataType) {
    switch (dataType) {
    case fdtBool:
    case fdtInt8:
    case fdtUInt8:
        return 1;
    case fdtInt16:
    case fdtUInt16:
        return 2;
    case fdtInt32:
    case fdtUInt32:
    case fdtSingle:
        return 4;
    case fdtInt64:
    case fdtUInt64:
    case fdtDouble:
    case fdtNumeric:
    case fdtDate:
    case fdtTime:
    case fdtDateTime:
        return 8;
    case fdtGUID:
        return 16;
    default:
        return 0;
    }
}

int KxDefaultColumnWidth(int dataType, std::int64_t columnSize) {
    std::int64_t chars = 10; // Int32, UInt32, Single, Date
    switch (dataType) {
    case fdtBool:
        chars = 6;
        break;
    case fdtInt8:
    case fdtUInt8:
        chars = 3;
        break;
    case fdtInt16:
    case fdtUInt16:
        chars = 5;
        break;
    case fdtInt64:
    case fdtUInt64:
        chars = 12;
        break;
    case fdtDouble:
    case fdtNumeric:
        chars = 15;
        break;
    case fdtTime:
        chars = 8;
        break;
    case fdtDateTime:
        chars = 19;
        break;
    case fdtString:
        chars = columnSize == 0 ? 30 : columnSize;
        break;
    case fdtWideString:
        chars = columnSize == 0 ? 30 : columnSize / 2;
        break;
    case fdtMemo:
    case fdtWideMemo:
    case fdtBinary:
        chars = 30;
        break;
    case fdtGUID:
        chars = 38;
        break;
    default:
        if (dataType > kxLastFieldDataType)
            chars = 8;
        break;
    }
    // Six pixels per character, and the width (not the count) is what is kept in range.
    return static_cast<int>(std::clamp<std::int64_t>(
        6 * std::clamp<std::int64_t>(chars, 0, 1 << 20), kMinChars, kMaxChars));
}

int KxDisplayLength(int dataType, std::int64_t columnSize) {
    std::int64_t chars = 0;
    switch (dataType) {
    case fdtBool:
        chars = 6;
        break;
    case fdtInt8:
    case fdtUInt8:
        chars = 3;
        break;
    case fdtInt16:
    case fdtUInt16:
        chars = 5;
        break;
    case fdtInt32:
    case fdtUInt32:
    case fdtSingle:
        chars = 10;
        break;
    case fdtInt64:
    case fdtUInt64:
    case fdtDate:
        chars = 20;
        break;
    case fdtDouble:
    case fdtNumeric:
        chars = 15;
        break;
    case fdtTime:
        chars = 8;
        break;
    case fdtDateTime:
        chars = 30;
        break;
    case fdtString:
        chars = columnSize;
        break;
    case fdtWideString:
        chars = columnSize / 2;
        break;
    case fdtGUID:
        chars = 40;
        break;
    default:
        break;
    }
    return ClampChars(chars);
}

} // namespace kx
