#pragma once

// What every fuzz target shares: a reader that turns the fuzzer's bytes into the values a
// target needs, and the check that stops the run with a message when a property fails.

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kx::fuzz {

// Prints what failed, with the text that shows it, and aborts: libFuzzer keeps the input
// that led here as a crash file.
[[noreturn]] inline void Fail(const char* property, const QString& detail) {
    std::fprintf(stderr, "\nPROPERTY FAILED: %s\n%s\n", property, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

[[noreturn]] inline void Fail(const char* property) {
    Fail(property, QString());
}

// Fails with `property` and the detail text when `holds` is false. A macro, because the
// detail (the input shown, both readings) is built only when the check fails: built for
// every check of every input it would cost most of a run's executions.
#define KX_CHECK(holds, ...)                                                                       \
    do {                                                                                           \
        if (!(holds))                                                                              \
            ::kx::fuzz::Fail(__VA_ARGS__);                                                         \
    } while (false)

// A text with its control characters made visible, for failure messages.
inline QString Shown(const QString& text) {
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            shown += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            shown += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            shown += QStringLiteral("\\t");
        else if (c.unicode() < 0x20)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return QChar(0x00AB) + shown + QChar(0x00BB);
}

// Consumes the input from the front. Past the end every read answers zeros and empty texts,
// so a target never needs to check how much is left.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_position >= m_size; }
    std::size_t Left() const { return m_size - m_position; }

    std::uint8_t Byte() { return Empty() ? 0 : m_data[m_position++]; }
    bool Bool() { return (Byte() & 1) != 0; }
    // 0 … bound - 1 (bound > 0).
    int Below(int bound) { return static_cast<int>(Byte() % static_cast<unsigned>(bound)); }
    std::uint64_t Bits(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint64_t(Byte()) << (8 * i);
        return value;
    }

    // The bytes up to the next `terminator` (not included; the terminator is consumed) or to
    // the end, read as UTF-8.
    QString TextUntil(std::uint8_t terminator) {
        const std::size_t begin = m_position;
        while (m_position < m_size && m_data[m_position] != terminator)
            ++m_position;
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(m_data + begin),
                                               static_cast<qsizetype>(m_position - begin));
        if (m_position < m_size)
            ++m_position;
        return text;
    }
    // A text of at most `maxBytes` UTF-8 bytes, its length taken from the input.
    QString ShortText(int maxBytes) {
        const int length = Below(maxBytes + 1);
        const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(length), Left());
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(m_data + m_position),
                                               static_cast<qsizetype>(take));
        m_position += take;
        return text;
    }
    QString Rest() {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(m_data + m_position),
                                               static_cast<qsizetype>(Left()));
        m_position = m_size;
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace kx::fuzz
