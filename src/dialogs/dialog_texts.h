#pragma once

#include <QString>

namespace kx::dlgtext {

// Every text the dialogs show, translatable, in one place.

// Report window
QString ReportCaption();    // "Operation Report"
QString PrintTitleFormat(); // "%1: %2" (caption, date and time)
QString Clear();
QString Print();
QString SaveToFile();
QString CopyToClipboard();
QString ChangeFont();
QString Search();
QString WrapLines();
QString Close();             // "Cl&ose"
QString SaveReportCaption(); // "Save Operation Report to File"
QString TextFilesFilter();
QString RichTextFilesFilter();
QString AllFilesFilter();
QString CannotWriteFile(); // "Could not write the file "%1": %2"
QString PrinterNotStarted();

// Find dialog
QString FindCaption();
QString FindWhat();
QString MatchCase();
QString WholeWord();
QString Direction();
QString Up();
QString Down();
QString FindNext();
QString Cancel(); // "C&ancel"

// Exception dialog
QString ExceptionCaptionFormat(); // "Exception in Application: %1"
QString ExceptionClass();
QString ObjectName();
QString ObjectClass();
QString RoutineName();
QString ExceptionAddress();
QString SendThisExceptionTo();
QString SupportName(); // "Kx-Software Support"
QString MailSubject();
QString MailBodyFormat();  // "Hello,\r\n\r\n…%1"
QString MailErrorFormat(); // "Mail System error in function %1: 0x%2 (%3)."

// Standard dialog
QString Ok(); // "&Ok"

// Information window
QString AboutCaption(); // "Information about this Software"
QString InformationPage();
QString Web();
QString ProgramRow();
QString VersionRow();
QString FileRow();
QString QtVersionRow();

// Connection dialog and connection properties frame
QString SelectDataSourceCaption(); // "Select ODBC Data Source"
QString DataSourceNameLabel();     // "Data Source Name:"
QString CursorOriginLabel();
QString TransactionIsolationLabel(); // "Tansaction Isolation:" (sic, as users know it)
QString UsernameLabel();
QString PasswordLabel();
QString LoginTimeoutLabel();
QString StatementTimeoutLabel();
QString SecondsInfiniteHint(); // "[s]  0 = Infinite"
QString SystemDsnItemFormat(); // "System DSN: \"%s\" [%s]" (the list routine's %s form)
QString UserDsnItemFormat();   // "User DSN: \"%s\" [%s]"
QString OperationCanceled();   // "Operation canceled"
QString TryAgainWithOtherParameters();
QString CursorOriginName(int value);         // "coUseODBCCursorsIfNeeded" …
QString TransactionIsolationName(int value); // "Read Uncommitted" …
QString AccessModeName(int value);           // "Read/Write", "Readonly"
QString DataSourceLabel();                   // frame: "Data Source:"
QString AccessModeLabel();
QString OperationTimeoutLabel();
QString TransactionIsolShortLabel(); // "Transaction Isol."
QString IntRangeHintFormat();        // "The value must be between %1 and %2"

// Where the exception dialog sends mail and which page the information window links: the
// address is $KX_SUPPORT_MAIL when set, else the built-in one.
QString SupportMailAddress();
QString MakerWebPage();

} // namespace kx::dlgtext
