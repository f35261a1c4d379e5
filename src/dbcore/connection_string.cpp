#include "dbcore/connection_string.h"

#include <QFileInfo>

namespace kx {

QString KxConnectionStringValue(const QString& connectionString, const QString& key) {
    qsizetype position = 0;
    const qsizetype length = connectionString.size();
    while (position < length) {
        const qsizetype equals = connectionString.indexOf(QLatin1Char('='), position);
        if (equals < 0)
            break;
        const QString name = connectionString.mid(position, equals - position).trimmed();
        qsizetype valueStart = equals + 1;
        while (valueStart < length && connectionString[valueStart] == QLatin1Char(' '))
            ++valueStart;
        QString value;
        qsizetype next = 0;
        if (valueStart < length && connectionString[valueStart] == QLatin1Char('{')) {
            // A braced value ends at the first "}" (ODBC has no escape for it in values).
            const qsizetype close = connectionString.indexOf(QLatin1Char('}'), valueStart + 1);
            const qsizetype end = close < 0 ? length : close;
            value = connectionString.mid(valueStart + 1, end - valueStart - 1);
            next = connectionString.indexOf(QLatin1Char(';'), end);
        } else {
            next = connectionString.indexOf(QLatin1Char(';'), valueStart);
            value =
                connectionString.mid(valueStart, (next < 0 ? length : next) - valueStart).trimmed();
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
        if (next < 0)
            break;
        position = next + 1;
    }
    return {};
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

} // namespace kx
