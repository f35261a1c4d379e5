#pragma once

#include <QString>
#include <QTextStream>

namespace kx {

class TKxPersistentData;

struct TKxBatchOptions {
    QString scriptFile;
    QString connectionString;
    // Rows of a result set printed at most; the rest is counted.
    int maxRows = 20;
};

// Runs a script file from its first statement to its last against a connection, without a
// window: what the report window would show goes to `out` as text, and every result set is
// printed as a small table. The settings (log attributes, error action, directive comments)
// come from `store`; a question the error action asks gets the cautious answer, so a failing
// statement ends the run unless the error action says to continue. Answers the exit code:
// 0 when the run completed, 1 when a statement's error ended it, 2 when the script or the
// connection could not be used at all.
int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& out);

} // namespace kx
