// The RC4 primitive of libcrypto is deprecated in OpenSSL 3 (and absent from its default
// provider's EVP interface), but the stored format needs exactly RC4.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "odbc/password_cipher.h"

#include <QFile>
#include <QStringDecoder>
#include <openssl/evp.h>
#include <openssl/rc4.h>

namespace kx {

bool KxParseGuid(const QString& text, KxGuid& guid) {
    QString hex;
    for (const QChar c : text) {
        if (QStringLiteral("{}()[]\"'- \t\r\n").contains(c))
            continue;
        hex += c;
    }
    if (hex.size() != 32)
        return false;
    bool ok = true;
    const auto field = [&](int from, int length) {
        bool fieldOk = false;
        const qulonglong value = hex.mid(from, length).toULongLong(&fieldOk, 16);
        ok = ok && fieldOk;
        return value;
    };
    guid.Data1 = static_cast<std::uint32_t>(field(0, 8));
    guid.Data2 = static_cast<std::uint16_t>(field(8, 4));
    guid.Data3 = static_cast<std::uint16_t>(field(12, 4));
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<std::uint8_t>(field(16 + 2 * i, 2));
    return ok;
}

KxGuid KxMachineGuid() {
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        KxGuid guid;
        if (file.open(QIODevice::ReadOnly) &&
            KxParseGuid(QString::fromLatin1(file.read(256)), guid))
            return guid;
    }
    return kxBuiltInMachineGuid;
}

QByteArray KxPasswordKey(const KxGuid& machineGuid) {
    std::uint8_t bytes[16];
    machineGuid.ToBytes(bytes);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes, sizeof bytes, digest, &length, EVP_md5(), nullptr);
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<int>(length));
}

QByteArray KxRc4(const QByteArray& key, const QByteArray& data) {
    RC4_KEY schedule;
    RC4_set_key(&schedule, static_cast<int>(key.size()),
                reinterpret_cast<const unsigned char*>(key.constData()));
    QByteArray out(data.size(), Qt::Uninitialized);
    RC4(&schedule, static_cast<size_t>(data.size()),
        reinterpret_cast<const unsigned char*>(data.constData()),
        reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

QByteArray KxEncipherPassword(const QString& password, const KxGuid& machineGuid) {
    if (password.isEmpty())
        return {};
    return KxRc4(KxPasswordKey(machineGuid), password.toUtf8());
}

QString KxDecipherPassword(const QByteArray& stored, const KxGuid& machineGuid) {
    if (stored.isEmpty())
        return {};
    const QByteArray plain = KxRc4(KxPasswordKey(machineGuid), stored);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(plain);
    if (utf8.hasError())
        return {};
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return {}; // no password holds control characters; noise from a wrong key does
    }
    return text;
}

} // namespace kx
