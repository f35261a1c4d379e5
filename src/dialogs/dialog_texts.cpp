#include "dialogs/dialog_texts.h"

#include <QCoreApplication>

namespace kx::dlgtext {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDialogs", text);
}

// Placeholders on a reserved domain until the support channel is decided; the environment
// variable lets an installation point the hand-off somewhere real without a rebuild.
constexpr const char* kSupportMailAddress = "support@kx-software.example";
constexpr const char* kMakerWebPage = "https://www.kx-software.example/";

} // namespace

QString ReportCaption() {
    return Tr("Operation Report");
}
QString PrintTitleFormat() {
    return Tr("%1: %2");
}
QString Clear() {
    return Tr("Clear");
}
QString Print() {
    return Tr("Print");
}
QString SaveToFile() {
    return Tr("Save to File");
}
QString CopyToClipboard() {
    return Tr("Copy to Clipboard");
}
QString ChangeFont() {
    return Tr("Change Font");
}
QString Search() {
    return Tr("Search");
}
QString WrapLines() {
    return Tr("Wrap Lines");
}
QString Close() {
    return Tr("Cl&ose");
}
QString SaveReportCaption() {
    return Tr("Save Operation Report to File");
}
QString TextFilesFilter() {
    return Tr("Text Files (*.txt)");
}
QString RichTextFilesFilter() {
    return Tr("Rich Text Files (*.rtf)");
}
QString AllFilesFilter() {
    return Tr("All Files (*)");
}
QString CannotWriteFile() {
    return Tr("Could not write the file \"%1\": %2");
}

QString PrinterNotStarted() {
    return Tr("The printer could not be started.");
}

QString FindCaption() {
    return Tr("Find");
}
QString FindWhat() {
    return Tr("Fi&nd what:");
}
QString MatchCase() {
    return Tr("Match &case");
}
QString WholeWord() {
    return Tr("Match &whole word only");
}
QString Direction() {
    return Tr("Direction");
}
QString Up() {
    return Tr("&Up");
}
QString Down() {
    return Tr("&Down");
}
QString FindNext() {
    return Tr("&Find Next");
}
QString Cancel() {
    return Tr("C&ancel");
}

QString ExceptionCaptionFormat() {
    return Tr("Exception in Application: %1");
}
QString ExceptionClass() {
    return Tr("Exception Class");
}
QString ObjectName() {
    return Tr("Object Name");
}
QString ObjectClass() {
    return Tr("Object Class");
}
QString RoutineName() {
    return Tr("Routine Name");
}
QString ExceptionAddress() {
    return Tr("Exception Address");
}
QString SendThisExceptionTo() {
    return Tr("Send this exception to");
}
QString SupportName() {
    return Tr("Kx-Software Support");
}
QString MailSubject() {
    return Tr("Kx - Exception Notification");
}
QString MailBodyFormat() {
    return Tr("Hello,\r\n\r\nthe following exception has been raised by an application of "
              "mine.\r\n\r\n\r\n\r\n============================================\r\n\r\n%1");
}
QString MailErrorFormat() {
    return Tr("Mail System error in function %1: 0x%2 (%3).");
}

QString Ok() {
    return Tr("&Ok");
}

QString AboutCaption() {
    return Tr("Information about this Software");
}
QString InformationPage() {
    return Tr("Information");
}
QString Web() {
    return Tr("Web");
}
QString ProgramRow() {
    return Tr("Program");
}
QString VersionRow() {
    return Tr("Version");
}
QString FileRow() {
    return Tr("File");
}
QString QtVersionRow() {
    return Tr("Qt Version");
}

QString SelectDataSourceCaption() {
    return Tr("Select ODBC Data Source");
}
QString DataSourceNameLabel() {
    return Tr("Data Source Name:");
}
QString CursorOriginLabel() {
    return Tr("Cursor Origin:");
}
QString TransactionIsolationLabel() {
    return Tr("Tansaction Isolation:");
}
QString UsernameLabel() {
    return Tr("Username:");
}
QString PasswordLabel() {
    return Tr("Password:");
}
QString LoginTimeoutLabel() {
    return Tr("Login Timeout:");
}
QString StatementTimeoutLabel() {
    return Tr("Statement Timeout:");
}
QString SecondsInfiniteHint() {
    return Tr("[s]  0 = Infinite");
}
QString SystemDsnItemFormat() {
    return Tr("System DSN: \"%s\" [%s]");
}
QString UserDsnItemFormat() {
    return Tr("User DSN: \"%s\" [%s]");
}
QString OperationCanceled() {
    return Tr("Operation canceled");
}
QString TryAgainWithOtherParameters() {
    return Tr("Try again with other parameters");
}
QString CursorOriginName(int value) {
    switch (value) {
    case 0:
        return Tr("coUseODBCCursorsIfNeeded");
    case 1:
        return Tr("coUseODBCCursors");
    default:
        return Tr("coUseDriverCursors");
    }
}
QString TransactionIsolationName(int value) {
    switch (value) {
    case 0:
        return Tr("Read Uncommitted");
    case 1:
        return Tr("Read Committed");
    case 2:
        return Tr("Repeatable Read");
    default:
        return Tr("Serializable");
    }
}
QString AccessModeName(int value) {
    return value == 0 ? Tr("Read/Write") : Tr("Readonly");
}
QString DataSourceLabel() {
    return Tr("Data Source:");
}
QString AccessModeLabel() {
    return Tr("Access Mode:");
}
QString OperationTimeoutLabel() {
    return Tr("Operation Timeout:");
}
QString TransactionIsolShortLabel() {
    return Tr("Transaction Isol.");
}
QString IntRangeHintFormat() {
    return Tr("The value must be between %1 and %2");
}

QString SupportMailAddress() {
    const QString configured = qEnvironmentVariable("KX_SUPPORT_MAIL");
    return configured.isEmpty() ? QString::fromLatin1(kSupportMailAddress) : configured;
}

QString MakerWebPage() {
    return QString::fromLatin1(kMakerWebPage);
}

} // namespace kx::dlgtext
