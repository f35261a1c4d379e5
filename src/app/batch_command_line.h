#pragma once

#include "app/result_writer.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace kx {

// What `kxquerolt --run` is asked to do.
struct TKxBatchOptions {
    QString scriptFile; // "-" reads standard input
    QString connectionString;
    QString settingsFile;
    int errorAction = -1; // the stored setting; 0 continue, 2 stop
    std::vector<std::pair<QString, QString>> parameters;
    TKxResultFormat format = TKxResultFormat::Table;
    qint64 maxRows = -1; // -1: the format's default (a screenful for the table, else all)
    QString outputFile;  // empty: standard output
    bool quiet = false;
    bool execute = false; // the window: run the script once it is loaded
};

// What the command line asks for as a whole.
enum class TKxCommandLineRequest {
    Window,  // no --run: the window; scriptFile, connectionString and execute are filled in
    Run,     // --run: the options are filled in
    Help,    // the help text is in `message`
    Version, // the version line is in `message`
    Error,   // a one-line complaint and hint are in `message`: exit code 2
};

// Reads the arguments (arguments[0] is the program). Unknown options and missing values are
// errors, for the window as for --run, so a mistyped option never silently opens a window.
// `environment` answers environment variables (the password variable).
TKxCommandLineRequest KxParseCommandLine(const QStringList& arguments, TKxBatchOptions& options,
                                         QString& message,
                                         const std::function<QString(const QString&)>& environment);

// The --help text.
QString KxCommandLineHelp();

} // namespace kx
