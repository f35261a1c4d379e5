#pragma once

#include "foundation/colors.h"
#include "foundation/persistent_data.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>

namespace kx {

// The flags of the log attributes setting: bit i of the stored integer is flag i.
enum TKxLogAttribute : int {
    laSelectStatements = 0,
    laExecuteStatements = 1,
    laDataModifyingStatements = 2,
    laDDLStatements = 3,
    laErrorMessages = 4,
    laExecutionTimes = 5,
    laRecordsAffected = 6,
};
inline constexpr int kxLogAttributeCount = 7;
inline constexpr int kxDefaultLogAttributes = 126; // everything but SELECT statements

// The captions of the seven flags in bit order, as the settings dialog lists them.
QStringList KxLogAttributeCaptions();

// Colours of the entries ($00BBGGRR).
// Statements are the report's plain text: they follow the theme's text colour.
inline constexpr TColor kxLogStatementColor = clWindowText;
inline constexpr TColor kxLogResultColor = 0xFF0000; // blue
inline constexpr TColor kxLogErrorColor = 0x0000FF;  // red

// "hh:nn:ss.zzz" of an elapsed time; hours are not wrapped at a day.
QString KxFormatElapsedTime(std::int64_t milliseconds);
// A run's duration by the locale's long time format, read as a duration: no AM/PM, no time
// zone, hours counted on past 24.
QString KxFormatDuration(std::int64_t milliseconds, const QString& longTimeFormat);

// The result line of a statement under `attributes`: "SQL execution time: …" and/or
// "Records affected: n" (a negative count means the driver reported none); empty when
// neither part applies.
QString KxLogResultLine(int attributes, std::int64_t elapsedMilliseconds,
                        std::int64_t recordsAffected);

// Spaces, tabs, LF and CR cut from both ends, nothing else.
QString KxTrimLogText(const QString& text);

// Decides which entries a statement execution leaves in the report window, and how they
// read. It knows no window: every entry goes to OnAddText, and OnShowLog asks for the
// report window to come to the front. The log attributes are read from the store for every
// decision, so a change in the settings dialog applies from the next statement on, also in
// the middle of a script run.
class TKxExecutionLog {
public:
    explicit TKxExecutionLog(TKxPersistentData& store) : m_store(store) {}

    std::function<void(const QString& text, TColor color)> OnAddText;
    std::function<void()> OnShowLog;

    // Before a statement of `statementKind` (0 none, 1 SELECT, 2 EXECUTE, 3 data modifying,
    // 4 DDL) runs. Answers whether its entry was written: only then does its result follow.
    bool LogStatement(int statementKind, const QString& preparedStatement);
    // After the statement ran.
    void LogResult(bool statementLogged, std::int64_t elapsedMilliseconds,
                   std::int64_t recordsAffected);
    // When the statement raised.
    void LogError(const std::exception& exception);
    void LogErrorMessage(const QString& message);
    // At the end of a run of the remaining statements.
    void LogTotalTime(std::int64_t durationMilliseconds);

    // Attributes fixed for a run nothing can change (the batch runner: no settings window),
    // so they are not read from the store for every statement; -1 reads the store again.
    void SetFixedAttributes(int attributes) { m_fixedAttributes = attributes; }

private:
    int Attributes() const;
    void Add(const QString& text, TColor color);

    TKxPersistentData& m_store;
    int m_fixedAttributes = -1;
};

} // namespace kx
