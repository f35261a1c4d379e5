#pragma once

#include "dialogs/standard_dialog.h"
#include "foundation/kx_intf.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kx {

class TKxOdbcConnectProperties;
class TKxOdbcConnection;
class TKxOdbcEnvironment;

// Fills `combo` with the data sources the driver manager knows: the system ones, then the
// user ones (on this platform people keep theirs in ~/.odbc.ini), each by `systemFormat` /
// `userFormat` ("%s" once for the name, or twice for name and description).
void KxFillDataSourceList(QComboBox* combo, TKxOdbcEnvironment* environment,
                          const QString& systemFormat, const QString& userFormat);

// "Select ODBC Data Source": edits the connection properties of a new or failing connection.
// The data source box is editable: picking a listed data source writes "DSN=<name>" into it,
// and a complete connection string may be typed instead ("Driver=SQLite3;Database=…").
class TKxConnectionDlg : public TKxStandardDlg {
public:
    // The bounds are kept in `storage` (may be null) under "ODBC Select DSN Dialog".
    explicit TKxConnectionDlg(IKxUnknown* storage, QWidget* parent = nullptr);
    ~TKxConnectionDlg() override;

    void LoadFrom(const TKxOdbcConnectProperties& properties);
    // Writes every control back; the list choices clamped into their enumerations.
    void StoreTo(TKxOdbcConnectProperties& properties) const;

    // Runs the dialog; on OK writes the edits into `properties`. Answers whether it was OK.
    bool Execute(TKxOdbcConnectProperties& properties);

protected:
    void done(int result) override;

private:
    KxIntf<IKxUnknown> m_storage;
    QComboBox* m_dataSource = nullptr;
    QComboBox* m_cursorOrigin = nullptr;
    QComboBox* m_isolation = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QSpinBox* m_loginTimeout = nullptr;
    QSpinBox* m_statementTimeout = nullptr;
};

// The connection dialog on `properties`: answers true for OK (the edits written back),
// false for Cancel (nothing changed).
bool KxConnectionDialog(TKxOdbcConnectProperties& properties, IKxUnknown* storage,
                        QWidget* parent = nullptr);

// Opens `connection`, falling back to the connection dialog: answers true at once when it
// is open already. With `showDialogFirst` the dialog comes first; Cancel there raises an
// abort (EKxAbort, "Operation canceled"), which callers let pass silently. A failure to open
// is shown with the question "Try again with other parameters": Yes shows the dialog again
// with the values tried, No raises the failure. An abort while opening is raised at once.
bool KxOdbcConnect(TKxOdbcConnection& connection, bool showDialogFirst, IKxUnknown* storage,
                   QWidget* parent = nullptr);

} // namespace kx
