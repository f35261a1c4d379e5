#include "editor/script_file.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace kx {
namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

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

} // namespace

TKxScriptFileText KxReadScriptFile(const QString& fileName) {
    const QString routine = QStringLiteral("LoadFromFile");
    QFile file(fileName);
    if (!file.exists())
        KxRaise(Tr("File \"%1\" doesn't exist").arg(fileName), routine);
    if (!file.open(QIODevice::ReadOnly))
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(fileName, file.errorString()), routine);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        KxRaise(Tr("Cannot read the file \"%1\": %2").arg(fileName, file.errorString()), routine);

    TKxScriptFileText result;
    if (bytes.startsWith(kUtf8Bom)) {
        result.Encoding = TKxScriptEncoding::Utf8WithBom;
        bytes.remove(0, kUtf8Bom.size());
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    result.Text = utf8.decode(bytes);
    if (utf8.hasError()) {
        result.Encoding = TKxScriptEncoding::Latin1;
        result.Text = QString::fromLatin1(bytes);
    }
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

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        KxRaise(Tr("Cannot write the file \"%1\": %2").arg(fileName, file.errorString()),
                QStringLiteral("SaveToFile"));
    return encoding;
}

} // namespace kx
