#include "foundation/kx_guid.h"

#include <QByteArray>
#include <algorithm>
#include <cctype>
#include <iterator>

namespace kx {

QString KxGuid::ToString() const {
    QString text = QStringLiteral("{%1-%2-%3-")
                       .arg(Data1, 8, 16, QLatin1Char('0'))
                       .arg(Data2, 4, 16, QLatin1Char('0'))
                       .arg(Data3, 4, 16, QLatin1Char('0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            text += QLatin1Char('-');
        text += QStringLiteral("%1").arg(Data4[i], 2, 16, QLatin1Char('0'));
    }
    text += QLatin1Char('}');
    return text.toUpper();
}

void KxGuid::ToBytes(std::uint8_t (&bytes)[16]) const {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(Data2 >> (8 * i));
        bytes[6 + i] = static_cast<std::uint8_t>(Data3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = Data4[i];
}

KxGuid KxGuid::FromBytes(const std::uint8_t (&bytes)[16]) {
    KxGuid guid;
    for (int i = 3; i >= 0; --i)
        guid.Data1 = (guid.Data1 << 8) | bytes[i];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    return guid;
}

bool KxGuid::FromString(const QString& text, KxGuid& guid) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters, dashes at fixed places.
    if (text.size() != 38 || text.front() != QLatin1Char('{') || text.back() != QLatin1Char('}'))
        return false;
    static constexpr int kDashes[] = {9, 14, 19, 24};
    QString hex;
    for (int i = 1; i < 37; ++i) {
        const QChar c = text.at(i);
        const bool dashPlace =
            std::find(std::begin(kDashes), std::end(kDashes), i) != std::end(kDashes);
        if (dashPlace) {
            if (c != QLatin1Char('-'))
                return false;
            continue;
        }
        if (!isxdigit(c.unicode() < 128 ? c.toLatin1() : 'x'))
            return false;
        hex += c;
    }
    const QByteArray raw = QByteArray::fromHex(hex.toLatin1());
    KxGuid parsed;
    parsed.Data1 = static_cast<std::uint32_t>(hex.left(8).toUInt(nullptr, 16));
    parsed.Data2 = static_cast<std::uint16_t>(hex.mid(8, 4).toUInt(nullptr, 16));
    parsed.Data3 = static_cast<std::uint16_t>(hex.mid(12, 4).toUInt(nullptr, 16));
    for (int i = 0; i < 8; ++i)
        parsed.Data4[i] = static_cast<std::uint8_t>(raw.at(8 + i));
    guid = parsed;
    return true;
}

} // namespace kx
