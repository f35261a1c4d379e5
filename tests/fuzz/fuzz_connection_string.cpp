// ODBC connection strings: split, written back, completed with a user name and password
// for the driver, and stripped of keys.
//
// Input: the connection string, the user name and the password, separated by 0 bytes.
//
// Properties:
//  - writing the pairs of any string back (each value as the program writes values) and
//    splitting that again gives the same pairs; the second writing is the first one;
//  - the string handed to the driver keeps every value of the stored string and carries
//    the user name and password given, exactly, wherever the stored string has none;
//  - removing keys leaves none of them and every other value as it was.

#include "dbcore/connection_string.h"
#include "fuzz_support.h"

#include <QHash>
#include <algorithm>

using namespace kx;
using namespace kx::fuzz;

namespace {

using TPairs = std::vector<std::pair<QString, QString>>;

QString Written(const TPairs& pairs) {
    QString text;
    for (const auto& [name, value] : pairs)
        text += name + QLatin1Char('=') + KxConnectionStringValueText(value) + QLatin1Char(';');
    return text;
}

QString Listed(const TPairs& pairs) {
    QString text;
    for (const auto& [name, value] : pairs)
        text += QStringLiteral("\n  %1 = %2").arg(Shown(name), Shown(value));
    return text;
}

// The value of the first pair of each name, names compared without case as the lookups
// compare them. One reading per string: looking every name up again would make a check
// quadratic in the number of pairs and the long inputs most of a run's time.
QHash<QString, QString> FirstValues(const TPairs& pairs) {
    QHash<QString, QString> values;
    for (const auto& [name, value] : pairs) {
        const QString key = name.toCaseFolded();
        if (!values.contains(key))
            values.insert(key, value);
    }
    return values;
}

// Every name of `from` has the same (first) value in `to`, but the names in `except`.
void CheckValuesKept(const QString& from, const QString& to, const QStringList& except,
                     const char* property) {
    const QHash<QString, QString> kept = FirstValues(KxConnectionStringPairs(to));
    const QHash<QString, QString> values = FirstValues(KxConnectionStringPairs(from));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (except.contains(it.key(), Qt::CaseInsensitive))
            continue;
        KX_CHECK(kept.value(it.key()) == it.value(), property,
                 QStringLiteral("from %1\nto   %2\nkey %3")
                     .arg(Shown(from), Shown(to), Shown(it.key())));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const QString text = input.TextUntil(0);
    const QString user = input.TextUntil(0);
    const QString password = input.Rest();

    const TPairs pairs = KxConnectionStringPairs(text);
    const QString written = Written(pairs);
    const TPairs again = KxConnectionStringPairs(written);
    KX_CHECK(again == pairs, "writing the pairs back and splitting them gives the same pairs",
             QStringLiteral("string %1\nwritten %2\npairs%3\nthen%4")
                 .arg(Shown(text), Shown(written), Listed(pairs), Listed(again)));
    KX_CHECK(Written(again) == written, "writing is a fixed point after one round", Shown(text));
    // The lookups by name agree with the pairs: checked for the first few names only, each
    // lookup reads the whole string again.
    const QHash<QString, QString> values = FirstValues(pairs);
    for (std::size_t i = 0; i < std::min<std::size_t>(pairs.size(), 8); ++i) {
        const QString& name = pairs[i].first;
        KX_CHECK(KxConnectionStringHasKey(text, name), "every pair's name is a key of the string",
                 Shown(text) + QLatin1Char(' ') + Shown(name));
        KX_CHECK(KxConnectionStringValue(text, name) == values.value(name.toCaseFolded()),
                 "a name's value is the value of its first pair",
                 Shown(text) + QLatin1Char(' ') + Shown(name));
    }

    const QString driver = KxDriverConnectionString(text, user, password);
    CheckValuesKept(text, driver, {}, "the driver gets every value of the stored string");
    const auto detail = [&] {
        return QStringLiteral("string %1\nuser %2\npassword %3\nto the driver %4")
            .arg(Shown(text), Shown(user), Shown(password), Shown(driver));
    };
    if (!user.isEmpty() && !KxConnectionStringHasKey(text, QStringLiteral("UID"))) {
        KX_CHECK(KxConnectionStringValue(driver, QStringLiteral("UID")) == user,
                 "the driver gets the user name as given", detail());
    }
    if (!password.isEmpty() && !KxConnectionStringHasKey(text, QStringLiteral("PWD"))) {
        KX_CHECK(KxConnectionStringValue(driver, QStringLiteral("PWD")) == password,
                 "the driver gets the password as given", detail());
    }

    const QStringList removed{QStringLiteral("PWD"), QStringLiteral("uid")};
    for (const QString& from : {text, driver}) {
        const QString rest = KxRemoveConnectionStringKeys(from, removed);
        for (const QString& key : removed) {
            KX_CHECK(!KxConnectionStringHasKey(rest, key), "removed keys are gone",
                     QStringLiteral("from %1\nleft %2").arg(Shown(from), Shown(rest)));
        }
        CheckValuesKept(from, rest, removed, "removing keys keeps every other value");
    }

    // Names and identities of any string are answered without failing.
    (void)ExtractDataSourceName(text);
    (void)KxConnectionIdentity(text);
    (void)KxDataSourceNameOfItem(text);
    return 0;
}
