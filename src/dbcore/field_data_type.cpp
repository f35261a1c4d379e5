#include "dbcore/field_data_type.h"

#include <QCoreApplication>
#include <algorithm>
#include <iterator>

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

namespace {

// Character counts by kind for the column width and for the display length; -1 stands for
// "from the column size" (halved for wide text), where an unknown size (0) means 30 for the
// width. Ordinals beyond the table count 8 for the width and 0 for the length.
struct TCharCounts {
    int width;
    int length;
};

constexpr TCharCounts kCharCounts[] = {
    {6, 6},   {3, 3},   {3, 3},   {5, 5},   {5, 5},   {10, 10}, {10, 10},
    {12, 20}, {12, 20}, {10, 10}, {15, 15}, {15, 15}, {10, 20}, {8, 8},
    {19, 30}, {-1, -1}, {-1, -1}, {30, 0},  {30, 0},  {30, 0},  {38, 40},
};
static_assert(std::size(kCharCounts) == kxLastFieldDataType + 1);

std::int64_t FromColumnSize(int dataType, std::int64_t columnSize) {
    return dataType == fdtWideString ? columnSize / 2 : columnSize;
}

} // namespace

int KxDefaultColumnWidth(int dataType, std::int64_t columnSize) {
    std::int64_t chars = 8;
    if (dataType >= 0 && dataType <= kxLastFieldDataType) {
        chars = kCharCounts[dataType].width;
        if (chars < 0)
            chars = columnSize == 0 ? 30 : FromColumnSize(dataType, columnSize);
    }
    // Six pixels per character, and the width (not the count) is what is kept in range.
    return ClampChars(6 * std::clamp<std::int64_t>(chars, 0, 1 << 20));
}

int KxDisplayLength(int dataType, std::int64_t columnSize) {
    std::int64_t chars = 0;
    if (dataType >= 0 && dataType <= kxLastFieldDataType) {
        chars = kCharCounts[dataType].length;
        if (chars < 0)
            chars = FromColumnSize(dataType, columnSize);
    }
    return ClampChars(chars);
}

} // namespace kx
