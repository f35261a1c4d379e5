#pragma once

#include "foundation/exceptions.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>

namespace kx {

// Writes `bytes` as the whole new content of `fileName`: into a temporary file beside it that
// is renamed into place only once every byte was written, so a failure (a full disk, a folder
// or file without write permission) leaves the old file as it was and no temporary file
// behind. `permissions`, when given, are those of the new file. Answers the reason a failed
// save gives (the system's text where there is one), nothing when the file was saved.
std::optional<QString> KxTrySaveFile(const QString& fileName, const QByteArray& bytes,
                                     QFileDevice::Permissions permissions = {});

// The same, raising EKxException when the file cannot be saved: `messageFormat` gets the
// file name as %1 and the reason as %2.
void KxSaveFile(const QString& fileName, const QByteArray& bytes, const QString& messageFormat,
                const QString& routineName, KxObjectDescription object = nullptr);

} // namespace kx
