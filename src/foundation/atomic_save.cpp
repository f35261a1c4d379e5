#include "foundation/atomic_save.h"

#include <QSaveFile>

namespace kx {

std::optional<QString> KxTrySaveFile(const QString& fileName, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions) {
    QSaveFile file(fileName);
    // Unbuffered, so each write below reaches the system and a failure comes with its reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A file system without Unix permissions refuses them; the content matters more.
    if (permissions != QFileDevice::Permissions())
        file.setPermissions(permissions);
    // A write the disk has room for only part of answers the part, and Qt keeps no reason for
    // it; the next write then fails with the system's (ENOSPC, EFBIG). A save file that is not
    // committed removes its temporary file when it goes.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            return file.errorString();
        written += count;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

void KxSaveFile(const QString& fileName, const QByteArray& bytes, const QString& messageFormat,
                const QString& routineName, KxObjectDescription object) {
    if (const std::optional<QString> reason = KxTrySaveFile(fileName, bytes))
        KxRaise(messageFormat.arg(fileName, *reason), routineName, std::move(object));
}

} // namespace kx
