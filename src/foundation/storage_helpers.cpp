#include "foundation/storage_helpers.h"

#include "foundation/exceptions.h"
#include "foundation/storage_base.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {

bool KxOpenKey(IKxUnknown* storage, const QString& path, bool create) {
    const auto directory =
        KxCheckQueryInterface<IKxKeyValueDirectory>(storage, QStringLiteral("KxOpenKey"));
    const bool opened = directory->OpenDir(path, create);
    if (!opened && create)
        KxRaise(
            QCoreApplication::translate("KxFoundation", "Failed to create persistent key \"%1\"")
                .arg(path),
            QStringLiteral("KxOpenKey"), KxObjectDescription::OfInterface(storage));
    return opened;
}

bool KxOpenKeyByName(IKxUnknown* storage, const QString& name, bool create) {
    return KxOpenKey(storage, QLatin1Char('\\') + KxTrimKeySeparators(name), create);
}

bool KxDeleteKey(IKxUnknown* storage, const QString& name) {
    return KxCheckQueryInterface<IKxKeyValueDirectory>(storage, QStringLiteral("KxDeleteKey"))
        ->DeleteDir(name);
}

bool KxDeleteValue(IKxUnknown* storage, const QString& name) {
    return KxCheckQueryInterface<IKxKeyValueDirectory>(storage, QStringLiteral("KxDeleteValue"))
        ->DeleteValue(name);
}

TKxKeyPathKeeper::TKxKeyPathKeeper(IKxUnknown* storage)
    : m_directory(
          KxCheckQueryInterface<IKxKeyValueDirectory>(storage, QStringLiteral("TKxKeyPathKeeper"))),
      m_savedPath(m_directory->CurrentPath()) {}

TKxKeyPathKeeper::TKxKeyPathKeeper(IKxUnknown* storage, const QString& path, bool create)
    : TKxKeyPathKeeper(storage) {
    m_opened = KxOpenKey(storage, path, create);
}

TKxKeyPathKeeper::~TKxKeyPathKeeper() {
    try {
        // The saved path may exist only as the place values were going to be written, so it
        // is reopened with create (which writes nothing by itself).
        m_directory->OpenDir(m_savedPath, true);
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    }
}

void KxLoadObject(IKxUnknown* storage, const QString& path, IKxUnknown* object) {
    const KxIntf<IKxLoadStoreData> loader = KxQuery<IKxLoadStoreData>(object);
    if (!loader)
        return;
    TKxKeyPathKeeper keeper(storage);
    if (KxOpenKey(storage, path, false))
        loader->LoadData(storage);
}

void KxStoreObject(IKxUnknown* storage, const QString& path, IKxUnknown* object) {
    const KxIntf<IKxLoadStoreData> storer = KxQuery<IKxLoadStoreData>(object);
    if (!storer)
        return;
    TKxKeyPathKeeper keeper(storage, path, true);
    storer->StoreData(storage);
}

TKxBounds TKxBounds::FromRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect TKxBounds::ToRect() const {
    return QRect(Left, Top, Right - Left, Bottom - Top);
}

namespace {

QString BoundName(const QString& name, const char* field) {
    return name.isEmpty() ? QString::fromLatin1(field)
                          : name + QLatin1Char(' ') + QString::fromLatin1(field);
}

} // namespace

bool KxLoadWindowBounds(IKxUnknown* storage, const QString& name, TKxBounds& bounds) {
    try {
        const auto values = KxQuery<IKxValueStorage>(storage);
        if (!values)
            return false;
        TKxKeyPathKeeper keeper(storage);
        if (!KxOpenKeyByName(storage, name, false))
            return false;
        bool leftRead = false;
        bool topRead = false;
        const auto read = [&](const char* field, int& target, bool* wasRead) {
            const QString valueName = BoundName(name, field);
            if (!values->ValueExists(valueName))
                return;
            const int value = values->ReadInteger(valueName, kxUnsetBound);
            if (value == kxUnsetBound)
                return;
            target = value;
            if (wasRead != nullptr)
                *wasRead = true;
        };
        read("Left", bounds.Left, &leftRead);
        read("Top", bounds.Top, &topRead);
        read("Right", bounds.Right, nullptr);
        read("Bottom", bounds.Bottom, nullptr);
        return leftRead && topRead;
    } catch (const std::exception& e) {
        // A damaged entry must never keep a window from opening.
        KxTraceException(e, true);
        return false;
    }
}

void KxStoreWindowBounds(IKxUnknown* storage, const QString& name, const TKxBounds& bounds) {
    const auto values =
        KxCheckQueryInterface<IKxValueStorage>(storage, QStringLiteral("KxStoreWindowBounds"));
    TKxKeyPathKeeper keeper(storage);
    KxOpenKeyByName(storage, name, true);
    values->WriteInteger(BoundName(name, "Left"), bounds.Left);
    values->WriteInteger(BoundName(name, "Top"), bounds.Top);
    values->WriteInteger(BoundName(name, "Right"), bounds.Right);
    values->WriteInteger(BoundName(name, "Bottom"), bounds.Bottom);
}

QRect KxFitRectToScreen(const QRect& rect, const QRect& screen) {
    int left = rect.left();
    int top = rect.top();
    const int width = rect.width();
    const int height = rect.height();
    if (left + width > screen.left() + screen.width())
        left = screen.left() + screen.width() - width;
    if (top + height > screen.top() + screen.height())
        top = screen.top() + screen.height() - height;
    left = std::max(left, screen.left());
    top = std::max(top, screen.top());
    const int right = std::min(left + width, screen.left() + screen.width());
    const int bottom = std::min(top + height, screen.top() + screen.height());
    return QRect(left, top, right - left, bottom - top);
}

} // namespace kx
