#include "app/batch_command_line.h"

#include "dbcore/connection_string.h"
#include "kx_version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxCommandLine", text);
}

const QString kHint = QStringLiteral("Try 'kxquerolt --help' for more information.");

// Braces around a value that holds what would end it in a connection string.
QString ConnectionValue(const QString& value) {
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) &&
        !value.contains(QLatin1Char('}')) && value.trimmed() == value)
        return value;
    return QLatin1Char('{') + QString(value).replace(QStringLiteral("}"), QStringLiteral("}}")) +
           QLatin1Char('}');
}

} // namespace

QString KxCommandLineHelp() {
    return Tr(
        "Usage: kxquerolt [--connect STRING] [--execute] [SCRIPT]\n"
        "       kxquerolt --run FILE (--connect STRING | --dsn NAME) [options]\n"
        "\n"
        "Without --run the window opens: it restores the last session, loads SCRIPT, makes the\n"
        "connection STRING current and, with --execute, runs the script.\n"
        "\n"
        "With --run the script runs without a window, from its first statement to its last, with\n"
        "the same statement splitting, error action and log as the window.\n"
        "\n"
        "Options:\n"
        "  --run FILE            the script to run; - reads it from standard input\n"
        "  --connect STRING      an ODBC connection string (\"Driver=SQLite3;Database=a.db;\")\n"
        "  --dsn NAME            an ODBC data source name instead of --connect\n"
        "  --user NAME           the user name added to the connection\n"
        "  --password TEXT       the password (visible to other users: prefer --password-env)\n"
        "  --password-env VAR    the password from the environment variable VAR\n"
        "  --settings FILE       the settings file (default "
        "$XDG_CONFIG_HOME/kxquerolt/KxQuerolt.PRS)\n"
        "  --error-action ACTION continue or stop when a statement fails (default: the setting;\n"
        "                        without a terminal nothing is ever asked)\n"
        "  -p, --param NAME=VALUE  a value for the :NAME parameters of the statements\n"
        "  --format FORMAT       table (default), tsv, csv or json\n"
        "  --max-rows N          rows written per result (table: 20 by default; others: all)\n"
        "  --output FILE         write the results to FILE instead of standard output\n"
        "  --quiet               results only, no log lines\n"
        "  --help                this text\n"
        "  --version             the program's version\n"
        "\n"
        "Log lines go to standard output with the table format and to standard error with the\n"
        "machine formats (tsv, csv, json) or --output.\n"
        "\n"
        "Formats: tsv writes NULL as \\N and escapes tab, line breaks and backslash with a\n"
        "backslash; csv follows RFC 4180 (CRLF, quotes doubled, an unquoted empty field is NULL,\n"
        "\"\" an empty text); json writes one array of objects per result set, one per line.\n"
        "Binary values are lower-case hex, dates and times ISO 8601.\n"
        "\n"
        "Exit codes: 0 every statement ran; 1 a statement failed (also when the run went on);\n"
        "2 a usage, script or connection error; 130 interrupted (Ctrl+C cancels the running\n"
        "statement).\n");
}

TKxCommandLineRequest
KxParseCommandLine(const QStringList& arguments, TKxBatchOptions& options, QString& message,
                   const std::function<QString(const QString&)>& environment) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption run(QStringLiteral("run"), {}, QStringLiteral("FILE"));
    const QCommandLineOption connect(QStringLiteral("connect"), {}, QStringLiteral("STRING"));
    const QCommandLineOption dsn(QStringLiteral("dsn"), {}, QStringLiteral("NAME"));
    const QCommandLineOption user(QStringLiteral("user"), {}, QStringLiteral("NAME"));
    const QCommandLineOption password(QStringLiteral("password"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption passwordEnv(QStringLiteral("password-env"), {}, QStringLiteral("VAR"));
    const QCommandLineOption settings(QStringLiteral("settings"), {}, QStringLiteral("FILE"));
    const QCommandLineOption errorAction(QStringLiteral("error-action"), {},
                                         QStringLiteral("ACTION"));
    const QCommandLineOption param(QStringList{QStringLiteral("p"), QStringLiteral("param")}, {},
                                   QStringLiteral("NAME=VALUE"));
    const QCommandLineOption format(QStringLiteral("format"), {}, QStringLiteral("FORMAT"));
    const QCommandLineOption maxRows(QStringLiteral("max-rows"), {}, QStringLiteral("N"));
    const QCommandLineOption output(QStringLiteral("output"), {}, QStringLiteral("FILE"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption execute(QStringLiteral("execute"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    // The start switches of another program's call ("-automation" …); "/automation" is not an
    // option to the parser and is read by the window's start.
    const QStringList switches{QStringLiteral("automation"), QStringLiteral("embedding"),
                               QStringLiteral("regserver"), QStringLiteral("unregserver")};
    for (const QCommandLineOption& option :
         {run, connect, dsn, user, password, passwordEnv, settings, errorAction, param, format,
          maxRows, output, quiet, execute, help, version})
        parser.addOption(option);
    for (const QString& name : switches)
        parser.addOption(QCommandLineOption(name));
    parser.addPositionalArgument(QStringLiteral("script"), {});

    const auto fail = [&](const QString& complaint) {
        message = QStringLiteral("kxquerolt: %1\n%2").arg(complaint, kHint);
        return TKxCommandLineRequest::Error;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        message = KxCommandLineHelp();
        return TKxCommandLineRequest::Help;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("kxquerolt %1\n").arg(QLatin1String(KX_VERSION_STRING));
        return TKxCommandLineRequest::Version;
    }
    options.settingsFile = parser.value(settings);
    if (!parser.isSet(run)) {
        // The window: only its own options make sense.
        for (const QCommandLineOption* batchOnly :
             {&dsn, &user, &password, &passwordEnv, &errorAction, &param, &format, &maxRows,
              &output, &quiet}) {
            if (parser.isSet(*batchOnly))
                return fail(Tr("--%1 needs --run").arg(batchOnly->names().last()));
        }
        // "/automation" is another program's start switch, "/home/me/a.sql" a script.
        QStringList scripts;
        for (const QString& argument : parser.positionalArguments()) {
            if (!argument.startsWith(QLatin1Char('/')) ||
                !switches.contains(argument.mid(1), Qt::CaseInsensitive))
                scripts << argument;
        }
        if (scripts.size() > 1)
            return fail(Tr("more than one script: %1").arg(scripts.join(QLatin1Char(' '))));
        options.scriptFile = scripts.value(0);
        options.connectionString = parser.value(connect);
        options.execute = parser.isSet(execute);
        return TKxCommandLineRequest::Window;
    }

    options.scriptFile = parser.value(run);
    if (options.scriptFile.isEmpty())
        return fail(Tr("--run needs a script file (- for standard input)"));
    if (!parser.positionalArguments().isEmpty())
        return fail(Tr("unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(execute))
        return fail(Tr("--execute is for the window; --run runs the script"));
    if (parser.isSet(connect) == parser.isSet(dsn))
        return fail(Tr("--run needs either --connect STRING or --dsn NAME"));
    QString connection = parser.isSet(connect)
                             ? parser.value(connect)
                             : QStringLiteral("DSN=%1").arg(ConnectionValue(parser.value(dsn)));
    if (parser.isSet(password) && parser.isSet(passwordEnv))
        return fail(Tr("--password and --password-env exclude each other"));
    QString secret = parser.value(password);
    if (parser.isSet(passwordEnv)) {
        secret = environment(parser.value(passwordEnv));
        if (secret.isNull())
            return fail(
                Tr("the environment variable %1 is not set").arg(parser.value(passwordEnv)));
    }
    if (!connection.trimmed().endsWith(QLatin1Char(';')) && !connection.trimmed().isEmpty())
        connection += QLatin1Char(';');
    if (parser.isSet(user))
        connection += QStringLiteral("UID=%1;").arg(ConnectionValue(parser.value(user)));
    if (parser.isSet(password) || parser.isSet(passwordEnv))
        connection += QStringLiteral("PWD={%1};")
                          .arg(QString(secret).replace(QStringLiteral("}"), QStringLiteral("}}")));
    options.connectionString = connection;

    if (parser.isSet(errorAction)) {
        const QString action = parser.value(errorAction).toLower();
        if (action == QLatin1String("continue"))
            options.errorAction = 0;
        else if (action == QLatin1String("stop"))
            options.errorAction = 2;
        else
            return fail(Tr("--error-action takes continue or stop, not \"%1\"")
                            .arg(parser.value(errorAction)));
    }
    for (const QString& value : parser.values(param)) {
        const qsizetype equals = value.indexOf(QLatin1Char('='));
        QString name = value.left(equals).trimmed();
        if (name.startsWith(QLatin1Char(':')))
            name.remove(0, 1);
        if (equals <= 0 || name.isEmpty())
            return fail(Tr("--param takes NAME=VALUE, not \"%1\"").arg(value));
        options.parameters.emplace_back(name, value.mid(equals + 1));
    }
    if (parser.isSet(format) && !KxParseResultFormat(parser.value(format), options.format))
        return fail(
            Tr("--format takes table, tsv, csv or json, not \"%1\"").arg(parser.value(format)));
    if (parser.isSet(maxRows)) {
        bool ok = false;
        options.maxRows = parser.value(maxRows).toLongLong(&ok);
        if (!ok || options.maxRows < 0)
            return fail(
                Tr("--max-rows takes a number of rows, not \"%1\"").arg(parser.value(maxRows)));
    }
    options.outputFile = parser.value(output);
    options.quiet = parser.isSet(quiet);
    return TKxCommandLineRequest::Run;
}

} // namespace kx
