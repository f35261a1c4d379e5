#pragma once

#include <QString>
#include <memory>

class QFile;
class QIODevice;

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

// Reads a script a piece at a time, for a reader that must not hold all of it (a batch run of
// a large script). KxReadScriptFile reads through it too, so a file's pieces together are
// exactly the text the editor loads.
class TKxScriptReader {
public:
    // A script file. Its encoding is found first, by one read through the whole file: a
    // single byte that is not UTF-8, wherever it stands, makes all of it Latin-1. Raises as
    // KxReadScriptFile does.
    explicit TKxScriptReader(const QString& fileName);
    // Text that can be read only once, such as standard input (open for reading): UTF-8, a
    // byte that is not becomes a replacement character, as QString::fromUtf8 makes it.
    explicit TKxScriptReader(QIODevice& device);
    ~TKxScriptReader();
    TKxScriptReader(const TKxScriptReader&) = delete;
    TKxScriptReader& operator=(const TKxScriptReader&) = delete;

    TKxScriptEncoding Encoding() const { return m_encoding; }
    // The text of up to `maxBytes` further bytes: less when they end inside a character, which
    // the next piece completes. After the last piece AtEnd holds.
    QString Read(qint64 maxBytes);
    // The rest of the text at once.
    QString ReadAll();
    bool AtEnd() const { return m_atEnd; }

private:
    // Reads up to `maxBytes` bytes; empty at the end of the file. Raises when reading fails.
    QByteArray ReadBytes(qint64 maxBytes);
    void FindEncoding();

    QString m_fileName;
    std::unique_ptr<QFile> m_file;
    QIODevice* m_device = nullptr;
    TKxScriptEncoding m_encoding = TKxScriptEncoding::Utf8;
    // The first bytes of a character whose other bytes have not been read yet.
    QByteArray m_carry;
    // Text has been decoded: a byte-order mark is no longer dropped.
    bool m_decoding = false;
    bool m_atEnd = false;
};

} // namespace kx
