#pragma once

#include "foundation/storage_interfaces.h"

#include <QRect>
#include <climits>

namespace kx {

// Opens a key of a store (anything offering IKxKeyValueDirectory). With `create`, a key that
// cannot be opened raises "Failed to create persistent key "%s"" (routine "KxOpenKey").
bool KxOpenKey(IKxUnknown* storage, const QString& path, bool create);
// The same for a key name taken as an absolute path ("\" + the name trimmed of separators).
bool KxOpenKeyByName(IKxUnknown* storage, const QString& name, bool create);
bool KxDeleteKey(IKxUnknown* storage, const QString& name);
bool KxDeleteValue(IKxUnknown* storage, const QString& name);

// Remembers the store's current path and restores it when it goes out of scope, also when
// an exception passes; optionally opens (or creates) a key on the way in. Every helper runs
// inside one, so callers find the current path as they left it.
class TKxKeyPathKeeper {
public:
    explicit TKxKeyPathKeeper(IKxUnknown* storage);
    TKxKeyPathKeeper(IKxUnknown* storage, const QString& path, bool create);
    ~TKxKeyPathKeeper();
    TKxKeyPathKeeper(const TKxKeyPathKeeper&) = delete;
    TKxKeyPathKeeper& operator=(const TKxKeyPathKeeper&) = delete;

    // Whether the key given on the way in could be opened.
    bool Opened() const { return m_opened; }

private:
    KxIntf<IKxKeyValueDirectory> m_directory;
    QString m_savedPath;
    bool m_opened = true;
};

// Loads or stores an object that saves itself (IKxLoadStoreData) in the key at `path`.
// Loading does nothing when the object cannot save itself or the key does not exist.
void KxLoadObject(IKxUnknown* storage, const QString& path, IKxUnknown* object);
void KxStoreObject(IKxUnknown* storage, const QString& path, IKxUnknown* object);

// Window bounds as the settings keep them: Left, Top, Right and Bottom, right and bottom
// exclusive. kxUnsetBound in a field means "not known".
inline constexpr int kxUnsetBound = INT_MIN;
struct TKxBounds {
    int Left = kxUnsetBound;
    int Top = kxUnsetBound;
    int Right = kxUnsetBound;
    int Bottom = kxUnsetBound;

    static TKxBounds FromRect(const QRect& rect);
    QRect ToRect() const;
};

// Reads the four values named `name` + " Left" … (just "Left" … for an empty name) from the
// key "\" + name into `bounds`, keeping fields that are not stored. Answers whether Left and
// Top were both read, which is when a window keeps exactly these bounds. Never raises.
bool KxLoadWindowBounds(IKxUnknown* storage, const QString& name, TKxBounds& bounds);
void KxStoreWindowBounds(IKxUnknown* storage, const QString& name, const TKxBounds& bounds);

// Moves a rectangle that reaches past the right or bottom edge of `screen` left or up, one
// that starts left of or above it right or down, then cuts what still sticks out.
QRect KxFitRectToScreen(const QRect& rect, const QRect& screen);

} // namespace kx
