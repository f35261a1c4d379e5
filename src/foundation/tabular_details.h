#pragma once

#include "foundation/kx_intf.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace kx {

enum class TKxColumnAlignment { Left, Center, Right };

// One column of a table of details: its title, width in pixels and alignment.
struct TKxColumnDesc {
    QString Title;
    int Width = 0;
    TKxColumnAlignment Alignment = TKxColumnAlignment::Left;
};

// Failures that come with a table of details (an ODBC error's diagnostic records) offer it
// through this interface; the exception dialog shows the table instead of plain text.
class IKxTabularDetails : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AC0, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1B, 0x00}};
    using ColumnCallback = std::function<void(const std::vector<TKxColumnDesc>& columns)>;
    using RowCallback = std::function<void(const QStringList& row)>;

    // Calls `callback` once with every column, when it is set.
    virtual void EnumColumns(const ColumnCallback& callback) const = 0;
    // Calls `callback` once per row, in order, when it is set.
    virtual void EnumRows(const RowCallback& callback) const = 0;
};

} // namespace kx
