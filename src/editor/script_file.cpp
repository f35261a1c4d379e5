#include "editor/script_file.h"

#include "foundation/atomic_save.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace kx {
namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
// How much of a file one step of finding its encoding reads.
constexpr qint64 kEncodingProbeBytes = 1 << 20;

QString Tr(const char* text) {
    return QCoreApplication::translate("KxEditor", text);
}

bool FitsLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

// How many bytes at the end of `bytes` begin a character that goes on after them.
qsizetype UnfinishedCharacterBytes(const QByteArray& bytes) {
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= std::min<qsizetype>(size, 4); ++back) {
        const auto c = static_cast<unsigned char>(bytes.at(size - back));
        if ((c & 0xC0) == 0x80)
            continue; // a byte inside a character
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// Puts what `carry` holds before `bytes` and moves the bytes of a character that goes on after
// them into `carry`, so that `bytes` ends with a whole character.
void KeepWholeCharacters(QByteArray& bytes, QByteArray& carry) {
    bytes.prepend(carry);
    const qsizetype unfinished = UnfinishedCharacterBytes(bytes);
    carry = bytes.right(unfinished);
    bytes.chop(unfinished);
}

// Decodes UTF-8 that ends with a whole character as QString::fromUtf8 decodes it as part of a
// longer text: a byte-order mark is dropped only at the start of the text. A decoder that
// carries a character over from one call to the next is no help: Qt's loses the byte after one
// that turns out not to be UTF-8 ("\xC3" then "''" gives one quote, not two).
QString DecodeUtf8(const QByteArray& bytes, bool atStart, bool& invalid) {
    QStringDecoder::Flags flags = QStringDecoder::Flag::Stateless;
    if (!atStart)
        flags |= QStringDecoder::Flag::ConvertInitialBom; // inside the text it is a character
    QStringDecoder decoder(QStringDecoder::Utf8, flags);
    QString text = decoder.decode(bytes);
    invalid = invalid || decoder.hasError();
    return text;
}

} // namespace

TKxScriptReader::TKxScriptReader(const QString& fileName)
    : m_fileName(fileName), m_file(std::make_unique<QFile>(fileName)), m_device(m_file.get()) {
    const QString routine = QStringLiteral("LoadFromFile");
    if (!m_file->exists())
        KxRaise(Tr("File \"%1\" doesn't exist").arg(fileName), routine, this);
    if (!m_file->open(QIODevice::ReadOnly))
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(fileName, m_file->errorString()), routine,
                this);
    FindEncoding();
}

TKxScriptReader::TKxScriptReader(QIODevice& device) : m_device(&device) {}

TKxScriptReader::~TKxScriptReader() = default;

QByteArray TKxScriptReader::ReadBytes(qint64 maxBytes) {
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    const qint64 count = m_device->read(bytes.data(), maxBytes);
    if (count < 0) {
        const QString routine = QStringLiteral("LoadFromFile");
        if (m_fileName.isEmpty())
            KxRaise(Tr("Cannot read the script: %1").arg(m_device->errorString()), routine, this);
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(m_fileName, m_device->errorString()),
                routine, this);
    }
    bytes.truncate(count);
    return bytes;
}

void TKxScriptReader::FindEncoding() {
    const QByteArray start = ReadBytes(kUtf8Bom.size());
    const qint64 textStart = start == kUtf8Bom ? kUtf8Bom.size() : 0;
    if (textStart > 0)
        m_encoding = TKxScriptEncoding::Utf8WithBom;
    if (!m_file->seek(textStart))
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(m_fileName, m_file->errorString()),
                QStringLiteral("LoadFromFile"), this);
    // The text is not kept: only whether every byte belongs to a UTF-8 character counts, the
    // last character included.
    bool invalid = false;
    QByteArray carry;
    for (QByteArray bytes; !invalid && !(bytes = ReadBytes(kEncodingProbeBytes)).isEmpty();) {
        KeepWholeCharacters(bytes, carry);
        DecodeUtf8(bytes, false, invalid);
    }
    // A character cut off by the end of the file is no UTF-8 either.
    if (invalid || !carry.isEmpty())
        m_encoding = TKxScriptEncoding::Latin1;
    if (!m_file->seek(textStart))
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(m_fileName, m_file->errorString()),
                QStringLiteral("LoadFromFile"), this);
}

QString TKxScriptReader::Read(qint64 maxBytes) {
    if (m_atEnd)
        return {};
    QByteArray bytes = ReadBytes(std::max<qint64>(maxBytes, 1));
    bool invalid = false;
    if (bytes.isEmpty()) {
        m_atEnd = true;
        // A character the text ends in the middle of: its bytes become what QString::fromUtf8
        // makes of them at the end of a text.
        return m_carry.isEmpty() ? QString() : DecodeUtf8(m_carry, !m_decoding, invalid);
    }
    if (m_encoding == TKxScriptEncoding::Latin1)
        return QString::fromLatin1(bytes);
    KeepWholeCharacters(bytes, m_carry);
    if (bytes.isEmpty())
        return {};
    const bool atStart = !m_decoding;
    m_decoding = true;
    return DecodeUtf8(bytes, atStart, invalid);
}

QString TKxScriptReader::ReadAll() {
    QString text;
    while (!m_atEnd)
        text += Read(std::max<qint64>(m_device->bytesAvailable(), 1 << 16));
    return text;
}

TKxScriptFileText KxReadScriptFile(const QString& fileName) {
    TKxScriptReader reader(fileName);
    TKxScriptFileText result;
    result.Encoding = reader.Encoding();
    result.Text = reader.ReadAll();
    return result;
}

TKxScriptEncoding KxWriteScriptFile(const QString& fileName, const QString& text,
                                    TKxScriptEncoding encoding) {
    if (encoding == TKxScriptEncoding::Latin1 && !FitsLatin1(text))
        encoding = TKxScriptEncoding::Utf8;

    QByteArray bytes;
    if (encoding == TKxScriptEncoding::Latin1) {
        bytes = text.toLatin1();
    } else {
        if (encoding == TKxScriptEncoding::Utf8WithBom)
            bytes = kUtf8Bom;
        bytes += text.toUtf8();
    }

    KxSaveFile(fileName, bytes, Tr("Cannot write the file \"%1\": %2"),
               QStringLiteral("SaveToFile"));
    return encoding;
}

} // namespace kx
