#include "dbcore/connection_string.h"

#include <QDir>
#include <QFileInfo>
#include <vector>

namespace kx {
namespace {

// One Name=Value pair of a connection string and where its text lies.
struct TPair {
    QString name;
    QString value;
    qsizetype begin = 0;    // first character of the name
    qsizetype end = 0;      // one past the pair's ";" (or the end of the string)
    bool openBrace = false; // the value's "{" has no closing "}": it runs to the end
};

// Splits a connection string the way the driver manager does: pairs end at ";"; a value
// that starts with "{" runs to the "}" that is not doubled, and may hold ";" in between.
std::vector<TPair> Pairs(const QString& text) {
    std::vector<TPair> pairs;
    qsizetype position = 0;
    const qsizetype length = text.size();
    while (position < length) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), position);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), position);
        if (equals < 0)
            break;
        if (semicolon >= 0 && semicolon < equals) {
            // A piece without "=" ("garbage;") names nothing; skip it.
            position = semicolon + 1;
            continue;
        }
        TPair pair;
        pair.begin = position;
        pair.name = text.mid(position, equals - position).trimmed();
        qsizetype valueStart = equals + 1;
        while (valueStart < length && text[valueStart] == QLatin1Char(' '))
            ++valueStart;
        qsizetype next = 0;
        if (valueStart < length && text[valueStart] == QLatin1Char('{')) {
            qsizetype at = valueStart + 1;
            while (at < length) {
                if (text[at] == QLatin1Char('}')) {
                    if (at + 1 < length && text[at + 1] == QLatin1Char('}')) {
                        pair.value += QLatin1Char('}');
                        at += 2;
                        continue;
                    }
                    break;
                }
                pair.value += text[at];
                ++at;
            }
            pair.openBrace = at >= length;
            next = text.indexOf(QLatin1Char(';'), at);
        } else {
            next = text.indexOf(QLatin1Char(';'), valueStart);
            pair.value = text.mid(valueStart, (next < 0 ? length : next) - valueStart).trimmed();
        }
        pair.end = next < 0 ? length : next + 1;
        position = pair.end;
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

bool Named(const TPair& pair, const QString& key) {
    return pair.name.compare(key, Qt::CaseInsensitive) == 0;
}

} // namespace

QString KxConnectionStringValue(const QString& connectionString, const QString& key) {
    for (const TPair& pair : Pairs(connectionString)) {
        if (Named(pair, key))
            return pair.value;
    }
    return {};
}

std::vector<std::pair<QString, QString>> KxConnectionStringPairs(const QString& connectionString) {
    std::vector<std::pair<QString, QString>> result;
    for (TPair& pair : Pairs(connectionString))
        result.emplace_back(std::move(pair.name), std::move(pair.value));
    return result;
}

bool KxConnectionStringHasKey(const QString& connectionString, const QString& key) {
    for (const TPair& pair : Pairs(connectionString)) {
        if (Named(pair, key))
            return true;
    }
    return false;
}

QString KxQuoteConnectionStringValue(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + doubled + QLatin1Char('}');
}

QString KxConnectionStringValueText(const QString& value) {
    const bool bare = !value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('{')) &&
                      value.trimmed() == value;
    return bare ? value : KxQuoteConnectionStringValue(value);
}

QString KxRemoveConnectionStringKeys(const QString& connectionString, const QStringList& keys) {
    QString result;
    qsizetype copied = 0;
    for (const TPair& pair : Pairs(connectionString)) {
        if (!keys.contains(pair.name, Qt::CaseInsensitive))
            continue;
        result += connectionString.mid(copied, pair.begin - copied);
        copied = pair.end;
    }
    result += connectionString.mid(copied);
    return result;
}

QString KxDriverConnectionString(const QString& connectionString, const QString& username,
                                 const QString& password) {
    QString result = connectionString;
    const std::vector<TPair> pairs = Pairs(connectionString);
    bool closed = false;
    const auto add = [&](const char* key, const QString& value, const QString& text) {
        if (value.isEmpty() || KxConnectionStringHasKey(connectionString, QLatin1String(key)))
            return;
        // A last value whose "{" is never closed would swallow what follows, and with it the
        // password, into its own text (and into the driver's error messages). Closing it
        // leaves its value as it was: such a value runs to the end of the string anyway.
        if (!closed && !pairs.empty() && pairs.back().openBrace)
            result += QLatin1Char('}');
        closed = true;
        if (!result.isEmpty() && !result.trimmed().endsWith(QLatin1Char(';')))
            result += QLatin1Char(';');
        result += QLatin1String(key) + QLatin1Char('=') + text + QLatin1Char(';');
    };
    add("UID", username, KxConnectionStringValueText(username));
    add("PWD", password, KxQuoteConnectionStringValue(password));
    return result;
}

QString ExtractDataSourceName(const QString& connectionString) {
    for (const char* key : {"DSN", "FILEDSN"}) {
        const QString value = KxConnectionStringValue(connectionString, QString::fromLatin1(key));
        if (!value.isEmpty())
            return value;
    }
    for (const char* key : {"DBQ", "Database"}) {
        const QString value = KxConnectionStringValue(connectionString, QString::fromLatin1(key));
        if (!value.isEmpty())
            return QFileInfo(value).fileName();
    }
    return {};
}

QString KxConnectionIdentity(const QString& connectionString) {
    for (const char* key : {"DSN", "FILEDSN"}) {
        const QString value = KxConnectionStringValue(connectionString, QString::fromLatin1(key));
        if (!value.isEmpty())
            return value;
    }
    QString database = KxConnectionStringValue(connectionString, QStringLiteral("Database"));
    if (database.isEmpty())
        database = KxConnectionStringValue(connectionString, QStringLiteral("DBQ"));
    if (database.isEmpty())
        return {};
    const QString server = KxConnectionStringValue(connectionString, QStringLiteral("Server"));
    const QString port = KxConnectionStringValue(connectionString, QStringLiteral("Port"));
    if (server.isEmpty() && port.isEmpty()) {
        // A file: "/a/./x.db" and "/a/x.db" are the same one.
        return QDir::cleanPath(database);
    }
    QString identity = server;
    if (!port.isEmpty())
        identity += QLatin1Char(':') + port;
    return identity + QLatin1Char('/') + database;
}

QString KxDataSourceNameOfItem(const QString& item) {
    const qsizetype colon = item.indexOf(QLatin1Char(':'));
    QString name = colon < 0 ? item : item.mid(colon + 1);
    const qsizetype bracket = name.indexOf(QLatin1Char('['));
    if (bracket >= 0)
        name.truncate(bracket);
    const auto trimmed = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n') || c == QLatin1Char('"');
    };
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && trimmed(name[first]))
        ++first;
    while (last > first && trimmed(name[last - 1]))
        --last;
    return name.mid(first, last - first);
}

} // namespace kx
