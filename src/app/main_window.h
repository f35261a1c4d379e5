#pragma once

#include "app/connection_list.h"
#include "app/execution_log.h"
#include "app/main_actions.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QLabel;
class QLineEdit;
class QSplitter;
class QTimer;

namespace kx {

class TKxFindDialog;
class TKxIDataGrid;
class TKxINavigator;
class TKxIDataMemo;
class TKxIPositionEdit;
class TKxISearchEdit;
class TKxOdbcConnection;
class TKxOdbcEnvironment;
class TKxOdbcRecordset;
class TKxPersistentData;
class TKxReportDlg;
class TKxScriptDocument;
class TKxScriptExecutor;
class TKxPageWindows;
class TKxScriptStatements;
class TKxStatementWorker;
class TSettingsDlg;
class TSyntaxEditor;

// The program's main window: the script editor over the result grid, the connections with
// one current, the report window, and the actions that tie them together. Its working state
// (connections, script, open result, layout) is restored at the first activation and stored
// when it closes.
class TMainWindow : public QMainWindow {
public:
    // `store` and `environment` outlive the window.
    TMainWindow(TKxPersistentData& store, TKxOdbcEnvironment& environment,
                QWidget* parent = nullptr);
    ~TMainWindow() override;

    // What the first activation restores; runs once (the window calls it when it is first
    // shown). `restoreWorkspace` is false when an automation client started the program.
    void FirstActivation(bool restoreWorkspace = true, const QString& scriptArgument = {});
    // From the command line: a script to load, a connection to use, whether to run the
    // script at once. Read at the first activation.
    struct TStartArguments {
        QString script;
        QString connectionString;
        bool execute = false;
        // Started by another program: the workspace of the last session is not restored.
        bool automation = false;
    };
    void SetStartArguments(const TStartArguments& start) { m_start = start; }
    // Everything the window keeps, in the order the next start reads it back.
    void StoreSettings();

    // ---- connections
    TKxConnectionList& Connections() { return m_connections; }
    TKxOdbcConnection* CurrentConnection() const { return m_current; }
    // Makes the listed connection at `index` current (-1 for none). Answers false when the
    // user cancelled the question about an open transaction.
    bool SetCurrentConnection(int index);
    // Lists a connection to `connectionString` (or finds the listed one) and makes it
    // current; the connection dialog is for the user, this for code and tests.
    bool UseConnectionString(const QString& connectionString);
    void NewConnection();
    void CloseConnection();
    void ToggleAutoCommit();

    // ---- script
    TSyntaxEditor& Editor() const { return *m_editor; }
    TKxScriptDocument& Document() const { return *m_document; }
    TKxScriptStatements& Statements() const { return *m_statements; }
    TKxScriptExecutor& Executor() const { return *m_executor; }
    bool LoadScript(const QString& fileName);

    // ---- result
    TKxOdbcRecordset& ResultSet() const { return *m_resultSet; }
    TKxIDataGrid& Grid() const { return *m_grid; }
    TKxINavigator& Navigator() const { return *m_navigator; }
    TKxIDataMemo& Memo() const { return *m_memo; }
    TKxReportDlg& Report() const { return *m_report; }
    TMainActions& Actions() { return m_actions; }
    TKxPersistentData& Store() const { return m_store; }
    // The schema and data edit windows.
    TKxPageWindows& PageWindows() const { return *m_pageWindows; }
    // A schema page for the current connection (the open one for it is brought forward).
    void ShowSchema();

    // ---- requests of other programs
    // The flags of a request: run the current statement, run the remaining statements, show
    // the schema window of the connection.
    enum TKxSQLExecFlags : int { EXECUTE_STATEMENT = 1, EXECUTE_ALL = 2, SHOW_SCHEMA = 4 };
    // Whether a request may run now: the window has started and nothing is running.
    bool CanTakeAutomationRequest() const;
    // Connects to `connectionString` (empty: the current connection), shows the schema window,
    // places `sql` in the editor and runs it, as `flags` say. Raises when something failed —
    // also a statement the error action let the run go past — and EKxAbort when the user
    // cancelled a question.
    void ExecuteAutomationRequest(const QString& connectionString, const QString& sql, int flags);

    // ---- settings that take effect at once
    // Shows the settings dialog (created on first use) on `page`; TSettingsDlg::kKeepPage
    // keeps its page.
    void ShowSettings(int page);
    // Null until the dialog was first shown.
    TSettingsDlg* SettingsDialog() const { return m_settings; }
    TColor CurrentStatementColor() const;
    void SetCurrentStatementColor(TColor color);
    // Every data grid of the program, and the ones opened later.
    void SetEvenRowColor(TColor color);
    // Stored at once; the editor recolours "#" lines and the statements are counted again.
    void SetDirectiveComment(bool on);
    // After the current connection's data source was changed in place: title and menus.
    void ConnectionStringChanged();
    // The default properties of data edit windows, through the recordset properties dialog.
    void EditDefaultRecordsetProperties();

    // Recomputes every action's enabled and checked state, the status bar and the title.
    void RefreshActions();
    QString StatusText(int panel) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildLayout();
    void ConnectActions();
    void WireExecution();
    void UpdateTitle();
    void RebuildRecentMenus();
    // The question before the current connection's transaction ends: false for Cancel.
    bool AskAboutOpenTransaction();
    bool CanCloseWindow();
    void RunGuarded(const std::function<void()>& step);
    void ApplyEvenRowColor(TColor color);
    // Shows the find (0) or replace (1) dialog, creating it when there is none.
    void ShowFindDialog(int kind);
    // Shows the memo beside the grid when the focused column holds long text.
    void ShowMemoFor(int column);
    void ShowRunningStatementTime();

    TKxPersistentData& m_store;
    TKxOdbcEnvironment& m_environment;
    TMainActions m_actions;
    TKxExecutionLog m_log;
    TKxConnectionList m_connections;
    TKxOdbcConnection* m_current = nullptr;

    TSyntaxEditor* m_editor = nullptr;
    QLineEdit* m_scriptFileName = nullptr;
    QLineEdit* m_editSql = nullptr;
    QSplitter* m_splitter = nullptr;
    TKxIDataGrid* m_grid = nullptr;
    TKxINavigator* m_navigator = nullptr;
    TKxIDataMemo* m_memo = nullptr;
    TKxIPositionEdit* m_positionEdit = nullptr;
    TKxISearchEdit* m_searchEdit = nullptr;
    QPointer<TKxFindDialog> m_findDialog;
    TSettingsDlg* m_settings = nullptr;
    TKxOdbcRecordset* m_resultSet = nullptr;
    TKxReportDlg* m_report = nullptr;
    QLabel* m_statusPanels[3] = {};

    std::unique_ptr<TKxPageWindows> m_pageWindows;
    std::unique_ptr<TKxScriptStatements> m_statements;
    std::unique_ptr<TKxScriptDocument> m_document;
    std::unique_ptr<TKxScriptExecutor> m_executor;
    std::unique_ptr<TKxStatementWorker> m_statementWorker;
    // Shows the running statement's elapsed time while it runs.
    QTimer* m_elapsedTimer = nullptr;
    // The user closed the window during a statement and chose to cancel it.
    bool m_closeWhenRunEnds = false;
    TStartArguments m_start;
    bool m_firstActivationDone = false;
    bool m_firstActivationQueued = false;
};

} // namespace kx
