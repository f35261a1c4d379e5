// Parameter markers and their resolution before a statement is sent.
//
// Input: a statement text up to the first 0 byte, then the values of its parameters in the
// list's order (a type byte and the bytes of the value: integers, numbers, texts, Null,
// currency, Booleans, dates).
//
// Properties:
//  - the list rebuilt from the text holds exactly the distinct names of its markers;
//  - resolution fails, with its routine named, exactly when a marker has no name;
//  - a resolved text holds no markers any more;
//  - with values that are not Null, the resolved text is the statement with each marker
//    replaced by its literal (a negative one after a minus behind a blank), and no value
//    changes what the rest of the statement is: the
//    text around the literals reads as the same SQL, comments and quoted text as before,
//    and each literal reads as itself.

#include "dbcore/sql_literals.h"
#include "dbcore/sql_parameters.h"
#include "dbcore/sql_text_scanner.h"
#include "foundation/exceptions.h"
#include "fuzz_support.h"

#include <QSet>
#include <cmath>
#include <cstring>

using namespace kx;
using namespace kx::fuzz;

namespace {

// Names are one parameter without regard to ASCII case.
QString Folded(const QString& name) {
    QString folded = name;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return folded;
}

KxVariant ValueFrom(TFuzzInput& input) {
    switch (input.Below(8)) {
    case 0:
        return KxVariant(static_cast<std::int32_t>(input.Bits(4)));
    case 1:
        return KxVariant(static_cast<std::int64_t>(input.Bits(8)));
    case 2: {
        const std::uint64_t bits = input.Bits(8);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return KxVariant(std::isfinite(value) ? value : -0.5);
    }
    case 3:
        return KxVariant(input.ShortText(12));
    case 4:
        return KxVariant::Null();
    case 5:
        return KxVariant::FromCurrencyScaled(static_cast<std::int64_t>(input.Bits(8)));
    case 6:
        return KxVariant(input.Bool());
    default: {
        const int days = static_cast<std::int16_t>(input.Bits(2)) * 3;
        const int milliseconds = static_cast<int>(input.Bits(4) % 86400000u);
        return KxVariant::FromDateTime(days + milliseconds / 86400000.0);
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const QString text = input.TextUntil(0);
    const std::vector<TKxSqlParameterMarker> markers = KxFindSqlParameterMarkers(text);

    TKxSqlParameterList parameters;
    parameters.UpdateFromSQLText(text);
    QSet<QString> names;
    bool unnamed = false;
    for (const TKxSqlParameterMarker& marker : markers) {
        KX_CHECK(marker.position >= 0 && marker.length >= 1 &&
                     marker.position + marker.length <= text.size() &&
                     text.at(marker.position) == QLatin1Char(':'),
                 "a marker is a stretch of the text that starts with \":\"", Shown(text));
        if (marker.name.isEmpty()) {
            unnamed = true;
            continue;
        }
        names.insert(Folded(marker.name));
        TKxSqlParameter* found = nullptr;
        KX_CHECK(parameters.FindParameter(marker.name, found) && found != nullptr,
                 "every named marker has its parameter",
                 Shown(text) + QLatin1Char(' ') + marker.name);
    }
    KX_CHECK(parameters.Count() == names.size(), "the list holds the distinct names of the markers",
             Shown(text));

    bool nullValue = false;
    for (int i = 0; i < parameters.Count(); ++i) {
        const KxVariant value = ValueFrom(input);
        nullValue = nullValue || value.IsNull();
        parameters.Items(i)->SetValue(value);
    }

    QString resolved;
    try {
        resolved = parameters.ResolveParameters(text);
    } catch (const EKxException& e) {
        KX_CHECK(unnamed, "resolution fails only for a marker without a name",
                 Shown(text) + QLatin1Char('\n') + e.GetMessage());
        KX_CHECK(!e.GetRoutineName().isEmpty(), "a resolution failure names its routine",
                 e.GetMessage());
        return 0;
    }
    KX_CHECK(!unnamed, "a marker without a name fails the resolution", Shown(text));
    KX_CHECK(KxFindSqlParameterMarkers(resolved).empty(), "a resolved text holds no markers",
             QStringLiteral("text %1\nresolved %2").arg(Shown(text), Shown(resolved)));
    if (nullValue)
        return 0; // a Null takes the comparison before it along; its text is checked by tests

    // The statement as the marker scan reads it: each marker is one word of SQL, whatever
    // characters its name holds (a quote in «:a'» opens no literal), so the markers are
    // blanked out to a neutral word before the text is read as SQL.
    QString neutral = text;
    for (const TKxSqlParameterMarker& marker : markers)
        neutral.replace(marker.position, marker.length, QString(marker.length, QLatin1Char('x')));
    const QString code = KxSqlCodeText(neutral);
    const QString resolvedCode = KxSqlCodeText(resolved);
    const QString detail =
        QStringLiteral("text     %1\nresolved %2").arg(Shown(text), Shown(resolved));
    qsizetype copied = 0; // in text
    qsizetype out = 0;    // in resolved
    const auto sameAround = [&](qsizetype length) {
        KX_CHECK(resolved.mid(out, length) == text.mid(copied, length),
                 "the text between markers is copied unchanged", detail);
        KX_CHECK(
            resolvedCode.mid(out, length) == code.mid(copied, length),
            "no value changes what the text around it is (SQL, comment or quoted text)",
            detail +
                QStringLiteral("\nas SQL   %1\nwas      %2").arg(Shown(resolvedCode), Shown(code)));
        out += length;
    };
    for (const TKxSqlParameterMarker& marker : markers) {
        sameAround(marker.position - copied);
        TKxSqlParameter* parameter = nullptr;
        parameters.FindParameter(marker.name, parameter);
        const QString literal = ValueAsSQLLiteral(parameter->GetValue());
        // A blank keeps a negative literal apart from a minus before it.
        if (literal.startsWith(QLatin1Char('-')) && out > 0 &&
            resolved.at(out - 1) == QLatin1Char('-') && resolved.mid(out, 1) == QStringLiteral(" "))
            ++out;
        KX_CHECK(resolved.mid(out, literal.size()) == literal,
                 "a marker becomes its value's literal",
                 detail + QStringLiteral("\nliteral %1").arg(Shown(literal)));
        KX_CHECK(resolvedCode.mid(out, literal.size()) == KxSqlCodeText(literal),
                 "a literal reads as itself in the resolved text",
                 detail + QStringLiteral("\nliteral %1\nas SQL   %2")
                              .arg(Shown(literal), Shown(resolvedCode)));
        out += literal.size();
        copied = marker.position + marker.length;
    }
    sameAround(text.size() - copied);
    KX_CHECK(out == resolved.size(), "nothing follows the statement's end", detail);
    return 0;
}
