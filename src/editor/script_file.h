#pragma once

#include <QString>

namespace kx {

// How a script file's bytes map to text, remembered from loading so that saving writes the
// file back the way it came: nothing the user had is lost or re-encoded behind their back.
enum class TKxScriptEncoding {
    Utf8,        // valid UTF-8 (plain ASCII included)
    Utf8WithBom, // valid UTF-8 behind a byte-order mark, which is kept
    Latin1,      // anything else: read byte for byte
};

struct TKxScriptFileText {
    QString Text;
    TKxScriptEncoding Encoding = TKxScriptEncoding::Utf8;
};

// Reads a whole script file. Raises "File "%s" doesn't exist" for a missing file and the
// system's reason for one that cannot be read (routine "LoadFromFile").
TKxScriptFileText KxReadScriptFile(const QString& fileName);

// Writes `text` in `encoding`, atomically (a temporary file renamed into place), so a failed
// save leaves the old file intact. Text that Latin-1 cannot hold is written as UTF-8 rather
// than losing characters. Answers the encoding actually written (routine "SaveToFile").
TKxScriptEncoding KxWriteScriptFile(const QString& fileName, const QString& text,
                                    TKxScriptEncoding encoding);

} // namespace kx
