#pragma once

#include "app/batch_command_line.h"

#include <QTextStream>

namespace kx {

class TKxPersistentData;

// Runs a script (a file, or standard input for "-") from its first statement to its last
// against a connection, without a window: the same statement finding, preparation, error
// action and log as the window. Result sets stream row by row into `results` in the chosen
// format; log lines go to `log` (unless quiet). The settings (log attributes, error action,
// directive comments) come from `store`, the error action from the options when given; a
// question gets the cautious answer, so a failing statement ends the run unless the error
// action says to continue. Answers the exit code: 0 when every statement ran, 1 when a
// statement failed (also when the run went on past it), 2 when the script could not be read
// (at the start or in the middle of the run) or the connection not opened, 130 when it was
// interrupted. The script is read as the run goes, never held whole.
int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& results,
                     QTextStream& log);
// Results and log into one stream.
int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& out);

// Asks a running batch to stop before its next statement (Ctrl+C); safe in a signal handler.
void KxInterruptScriptBatch();

} // namespace kx
