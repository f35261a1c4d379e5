// PrepareStatementText over any text, with every combination of its two flags.
//
// Properties:
//  - preparing a prepared statement changes nothing: the first pass removed every comment,
//    cut at the first separator and trimmed the ends, so a second pass that finds a comment
//    or a separator means the first one produced text that reads as something else (two
//    characters joined into a comment opener where a comment was removed, a literal whose
//    quotes no longer pair up);
//  - the two ways of treating double quotes differ only in quote characters;
//  - "#" comments only matter where the text has a "#".

#include "app/statement_preparation.h"
#include "fuzz_support.h"

using namespace kx;
using namespace kx::fuzz;

namespace {

QString WithoutQuotes(QString text) {
    text.remove(QLatin1Char('"'));
    text.remove(QLatin1Char('\''));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool directive : {false, true}) {
        QString variants[2];
        for (const bool doubleQuotes : {false, true}) {
            const QString prepared = PrepareStatementText(text, directive, doubleQuotes);
            const QString again = PrepareStatementText(prepared, directive, doubleQuotes);
            KX_CHECK(again == prepared, "preparing a prepared statement changes nothing",
                     QStringLiteral(
                         "directive %1, double quotes %2\ninput    %3\nprepared %4\nagain    %5")
                         .arg(directive)
                         .arg(doubleQuotes)
                         .arg(Shown(text), Shown(prepared), Shown(again)));
            variants[doubleQuotes ? 1 : 0] = prepared;
        }
        KX_CHECK(WithoutQuotes(variants[0]) == WithoutQuotes(variants[1]),
                 "double quotes as strings change only quote characters",
                 QStringLiteral("input %1\nas names   %2\nas strings %3")
                     .arg(Shown(text), Shown(variants[0]), Shown(variants[1])));
    }
    if (!text.contains(QLatin1Char('#'))) {
        KX_CHECK(PrepareStatementText(text, false) == PrepareStatementText(text, true),
                 "without a \"#\" the directive setting changes nothing", Shown(text));
    }
    return 0;
}
