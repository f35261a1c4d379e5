#include "foundation/kx_guid.h"

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

} // namespace kx
