#pragma once

#include "foundation/kx_intf.h"

#include <cstdint>

namespace kx {

// What a recordset does on its own when a control edits it. Bit values are stored in the
// settings as one byte.
enum TKxRecordsetAttribute : std::uint32_t {
    raAutoSaveChanges = 1,  // leaving a changed record applies the changes
    raAutoEdit = 2,         // writing a field starts editing
    raConfrimDeletions = 4, // deleting asks first
    raExposeBookmarkColumn = 8,
    raBookmarksEnabled = 16,
};
using TKxRecordsetAttributes = std::uint32_t;

inline constexpr TKxRecordsetAttributes kxDefaultRecordsetAttributes =
    raAutoSaveChanges | raAutoEdit | raConfrimDeletions;

class IKxGetSetAttributes : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B08, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x08}};
    virtual TKxRecordsetAttributes GetAttributes() const = 0;
    virtual void SetAttributes(TKxRecordsetAttributes value) = 0;
};

} // namespace kx
