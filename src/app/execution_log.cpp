#include "app/execution_log.h"

#include "app/application_settings.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>

namespace kx {
namespace {

// The texts of the execution log, in one place.
QString Tr(const char* text) {
    return QCoreApplication::translate("KxExecutionLog", text);
}
QString SqlExecutionTimeText() {
    return Tr("SQL execution time");
}
QString RecordsAffectedText() {
    return Tr("Records affected");
}
QString TotalExecutionTimeFormat() {
    return Tr("Total execution time: %1");
}

const QString kEntryEnd = QStringLiteral("\r\n\r\n");

QString Padded(std::int64_t value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

bool IsLogBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

} // namespace

QStringList KxLogAttributeCaptions() {
    return {Tr("Select Statements"),
            Tr("Execute Statements"),
            Tr("Data Modifying Statements"),
            Tr("DDL Statements"),
            Tr("Error Messages"),
            Tr("Execution Times"),
            Tr("Number of Records affected")};
}

QString KxTrimLogText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsLogBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsLogBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString KxFormatElapsedTime(std::int64_t milliseconds) {
    // A day-long statement shows 24 hours and more, not the hour of a date.
    const std::int64_t ms = std::max<std::int64_t>(milliseconds, 0);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(Padded(ms / 3600000, 2), Padded(ms / 60000 % 60, 2), Padded(ms / 1000 % 60, 2),
             Padded(ms % 1000, 3));
}

QString KxFormatDuration(std::int64_t milliseconds, const QString& longTimeFormat) {
    // The locale's long time format is meant for a time of day: read literally it would turn
    // three seconds into "12:00:03 AM" in a 12-hour locale. Its fields and separators are
    // kept; the day-part marker and the time zone are dropped and hours count on.
    const std::int64_t ms = std::max<std::int64_t>(milliseconds, 0);
    const std::int64_t fields[] = {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
    QString out;
    const QString& format = longTimeFormat;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            for (; j < format.size(); ++j) {
                if (format.at(j) != QLatin1Char('\''))
                    out += format.at(j);
                else if (j + 1 < format.size() && format.at(j + 1) == QLatin1Char('\''))
                    out += format.at(++j);
                else
                    break;
            }
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        switch (c.toLower().unicode()) {
        case 'h':
            out += Padded(fields[0], run >= 2 ? 2 : 1);
            break;
        case 'm':
            out += Padded(fields[1], run >= 2 ? 2 : 1);
            break;
        case 's':
            out += Padded(fields[2], run >= 2 ? 2 : 1);
            break;
        case 'z':
            out += run >= 3 ? Padded(fields[3], 3) : QString::number(fields[3]);
            break;
        case 'a':
        case 'p':
        case 't':
            break;
        default:
            out += QString(run, c);
        }
        i += run;
    }
    return out.trimmed();
}

QString KxLogResultLine(int attributes, std::int64_t elapsedMilliseconds,
                        std::int64_t recordsAffected) {
    QString time;
    if (attributes & (1 << laExecutionTimes))
        time = QStringLiteral("%1: %2").arg(SqlExecutionTimeText(),
                                            KxFormatElapsedTime(elapsedMilliseconds));
    QString count;
    if ((attributes & (1 << laRecordsAffected)) && recordsAffected >= 0)
        count = QStringLiteral("%1: %2").arg(RecordsAffectedText()).arg(recordsAffected);
    if (time.isEmpty())
        return count;
    if (count.isEmpty())
        return time;
    return time + QStringLiteral("   ") + count;
}

int TKxExecutionLog::Attributes() const {
    return m_fixedAttributes >= 0 ? m_fixedAttributes : KxReadLogAttributes(m_store);
}

void TKxExecutionLog::Add(const QString& text, TColor color) {
    if (OnAddText)
        OnAddText(text, color);
}

bool TKxExecutionLog::LogStatement(int statementKind, const QString& preparedStatement) {
    if (statementKind < 1 || statementKind > 4)
        return false;
    if (!(Attributes() & (1 << (statementKind - 1))))
        return false;
    Add(KxTrimLogText(preparedStatement) + kEntryEnd, kxLogStatementColor);
    if (OnShowLog)
        OnShowLog();
    return true;
}

void TKxExecutionLog::LogResult(bool statementLogged, std::int64_t elapsedMilliseconds,
                                std::int64_t recordsAffected) {
    if (!statementLogged)
        return;
    const QString line = KxLogResultLine(Attributes(), elapsedMilliseconds, recordsAffected);
    if (!line.isEmpty())
        Add(line + kEntryEnd, kxLogResultColor);
}

void TKxExecutionLog::LogError(const std::exception& exception) {
    LogErrorMessage(KxExceptionMessage(exception));
}

void TKxExecutionLog::LogErrorMessage(const QString& message) {
    if (Attributes() & (1 << laErrorMessages))
        Add(KxTrimLogText(message) + kEntryEnd, kxLogErrorColor);
}

void TKxExecutionLog::LogTotalTime(std::int64_t durationMilliseconds) {
    if (!(Attributes() & (1 << laExecutionTimes)))
        return;
    // The entry end belongs to the format, before the duration is put in.
    const QString format = TotalExecutionTimeFormat() + kEntryEnd;
    Add(format.arg(KxFormatDuration(durationMilliseconds,
                                    QLocale::system().timeFormat(QLocale::LongFormat))),
        kxLogResultColor);
}

} // namespace kx
