#include "app/main_window.h"

#include "app/application_settings.h"
#include "app/find_dialog.h"
#include "app/page_windows.h"
#include "app/program_texts.h"
#include "app/schema_name_drop.h"
#include "app/script_comments.h"
#include "app/script_document.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "app/settings_dialog.h"
#include "app/statement_worker.h"
#include "datactrls/data_grid.h"
#include "datactrls/data_memo.h"
#include "datactrls/grid_properties.h"
#include "datactrls/navigator.h"
#include "datactrls/position_edit.h"
#include "datactrls/search_edit.h"
#include "dbcore/connection_string.h"
#include "dbcore/field_data_type.h"
#include "dbcore/sql_property.h"
#include "dbcore/value_interfaces.h"
#include "dialogs/about_form.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/recordset_properties_dialog.h"
#include "dialogs/report_window.h"
#include "editor/ranges.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_editor.h"
#include "foundation/application_exception_handler.h"
#include "foundation/message_box.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "platform/event_guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxMainWindow", text);
}

const QString kFileFilter =
    QStringLiteral("SQL Script Files (*.sql);;Text Files (*.txt);;All Files (*)");

// A strip with a caption and a read-only line.
QWidget* CaptionedLine(const QString& caption, QLineEdit*& line, QWidget* parent) {
    auto* strip = new QWidget(parent);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(caption, strip));
    line = new QLineEdit(strip);
    line->setReadOnly(true);
    layout->addWidget(line, 1);
    return strip;
}

// The current statement without what cannot make a statement on its own.
bool HasStatementText(const QString& text) {
    for (const QChar c : text) {
        if (!QStringLiteral(",;() \t\n\r").contains(c))
            return true;
    }
    return false;
}

} // namespace

TMainWindow::TMainWindow(TKxPersistentData& store, TKxOdbcEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_environment(environment), m_actions(*this),
      m_log(store), m_connections(environment) {
    setObjectName(QStringLiteral("MainWindow"));
    resize(1000, 700);
    BuildLayout();
    WireExecution();
    ConnectActions();
    m_pageWindows =
        std::make_unique<TKxPageWindows>(*this, *m_actions.WindowMenu, m_store, m_environment);
    new TKxSchemaNameDropTarget(*m_editor);

    TKxBounds bounds;
    if (KxLoadWindowBounds(&m_store, objectName(), bounds))
        setGeometry(bounds.ToRect());
    m_statements->SetHighlightColor(m_store.ReadValue(sidCurrentStmtBkgndColor).ToInt());
    ApplyEvenRowColor(m_store.ReadValue(sidDataGridEvenRowColor).ToInt());
    KxSetDirectiveCommentStyle(m_editor->SyntaxColoring(), KxReadDirectiveComment(m_store));
    m_document->ShowUnnamedScript();
    RefreshActions();
}

TMainWindow::~TMainWindow() {
    // The page windows and the settings dialog hold connections and watch the result set:
    // they go first.
    m_pageWindows.reset();
    delete m_settings;
    m_settings = nullptr;
    // The grid and the executor refer to the result set and the connections: they go first,
    // and the result set's events no longer reach them.
    m_resultSet->OnAfterActiveChange = nullptr;
    m_resultSet->OnBeforeOperation = nullptr;
    m_resultSet->OnAfterOperation = nullptr;
    m_editor->OnChange = nullptr;
    m_executor.reset();
    m_grid->OnAfterFocusedColumnChange = nullptr;
    delete m_memo;
    m_memo = nullptr;
    delete m_searchEdit;
    m_searchEdit = nullptr;
    delete m_positionEdit;
    m_positionEdit = nullptr;
    delete m_navigator;
    m_navigator = nullptr;
    delete m_grid;
    m_grid = nullptr;
    if (m_resultSet != nullptr) {
        try {
            m_resultSet->SetActive(false);
            // The connections are freed with their list, before Qt deletes this child.
            m_resultSet->SetODBCConnection(nullptr);
        } catch (...) {
            KxHandleCurrentException();
        }
    }
}

void TMainWindow::BuildLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->setObjectName(QStringLiteral("MainSplitter"));
    layout->addWidget(m_splitter);

    auto* upper = new QWidget(m_splitter);
    upper->setObjectName(QStringLiteral("PanelUpper"));
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->setSpacing(0);
    upperLayout->addWidget(CaptionedLine(Tr("Script File:"), m_scriptFileName, upper));
    m_scriptFileName->setObjectName(QStringLiteral("PanelScriptFileName"));
    m_editor = new TSyntaxEditor(upper);
    m_editor->setObjectName(QStringLiteral("SQLEdit"));
    m_editor->SetAcceptDroppedFiles(true);
    TEditorFont font = m_editor->Font();
    font.Name = QStringLiteral("Monospace");
    font.Size = 10;
    m_editor->SetFont(font);
    m_editor->setContextMenuPolicy(Qt::CustomContextMenu);
    upperLayout->addWidget(m_editor, 1);

    auto* lower = new QWidget(m_splitter);
    lower->setObjectName(QStringLiteral("PanelLower"));
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    lowerLayout->addWidget(CaptionedLine(Tr("SQL:"), m_editSql, lower));
    m_editSql->setObjectName(QStringLiteral("EditSql"));
    m_grid = new TKxIDataGrid(lower);
    m_grid->setObjectName(QStringLiteral("SQLDataGrid"));
    m_grid->SetOwnerName(objectName());
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // The grid, and beside it the memo that shows the whole long text of the focused cell
    // when its column holds one.
    auto* results = new QSplitter(Qt::Horizontal, lower);
    results->setObjectName(QStringLiteral("ResultSplitter"));
    m_grid->setParent(results);
    m_memo = new TKxIDataMemo(results);
    m_memo->setObjectName(QStringLiteral("SQLDataMemo"));
    m_memo->hide();
    results->addWidget(m_grid);
    results->addWidget(m_memo);
    results->setStretchFactor(0, 3);
    results->setStretchFactor(1, 1);
    lowerLayout->addWidget(results, 1);
    // The navigation frame under the grid: the navigator, its Delete bound to the grid's
    // selection.
    auto* navigation = new QWidget(lower);
    navigation->setObjectName(QStringLiteral("SQLNavigationFrame"));
    auto* navigationLayout = new QHBoxLayout(navigation);
    navigationLayout->setContentsMargins(2, 2, 2, 2);
    m_navigator = new TKxINavigator(navigation);
    m_navigator->setFixedSize(25 * kxNavigatorButtonCount + 3 * 13, 24);
    navigationLayout->addWidget(m_navigator);
    // Beside it the record number to go to and a search in the sorted column.
    m_positionEdit = new TKxIPositionEdit(navigation);
    m_positionEdit->setMinimumWidth(90);
    navigationLayout->addWidget(m_positionEdit);
    m_searchEdit = new TKxISearchEdit(navigation);
    m_searchEdit->setPlaceholderText(Tr("Search"));
    navigationLayout->addWidget(m_searchEdit, 1);
    lowerLayout->addWidget(navigation);
    setCentralWidget(central);

    const double ratio = m_store.ReadValue(sidSplitRatio).ToDouble();
    const int total = 1000;
    const int top = static_cast<int>(std::clamp(ratio, 0.05, 0.95) * total);
    m_splitter->setSizes({top, total - top});

    for (int panel = 0; panel < 3; ++panel) {
        m_statusPanels[panel] = new QLabel(statusBar());
        m_statusPanels[panel]->setMinimumWidth(panel == 0 ? 130 : panel == 1 ? 150 : 170);
        statusBar()->addWidget(m_statusPanels[panel]);
    }

    m_resultSet = new TKxOdbcRecordset(this);
    m_resultSet->SetName(QStringLiteral("RSSqlStatement"));
    m_grid->SetRecordset(static_cast<IKxGetItemByName*>(m_resultSet));
    m_navigator->SetRecordset(static_cast<IKxGetItemByName*>(m_resultSet));
    m_positionEdit->SetRecordset(static_cast<IKxGetItemByName*>(m_resultSet));
    m_searchEdit->SetRecordset(static_cast<IKxGetItemByName*>(m_resultSet));
    m_memo->Bind(static_cast<IKxGetItemByName*>(m_resultSet), QString());
    m_grid->OnAfterFocusedColumnChange = [this](TKxIDataGrid*, int column) {
        KxGuardCall([&] { ShowMemoFor(column); });
    };
    m_navigator->SetMultiSelectSource(m_grid->SelectionSource());

    m_report = new TKxReportDlg(&m_store, nullptr, m_actions.ShowHideReportWindow, this);
    m_report->setWindowFlag(Qt::Window);
}

void TMainWindow::WireExecution() {
    KxLoadSqlSyntaxSetup(m_editor->SyntaxColoring());
    m_statements = std::make_unique<TKxScriptStatements>(*m_editor);
    KxAttachSyntaxSpans(*m_statements, m_editor->SyntaxColoring());
    m_document = std::make_unique<TKxScriptDocument>(*m_editor, *m_statements, m_store);
    m_executor = std::make_unique<TKxScriptExecutor>(*m_statements, m_store, m_log);
    m_executor->SetResultSet(m_resultSet);
    m_statementWorker = std::make_unique<TKxStatementWorker>();
    m_executor->SetBlockingCallRunner(m_statementWorker.get());
    m_elapsedTimer = new QTimer(this);
    m_elapsedTimer->setInterval(100);
    connect(m_elapsedTimer, &QTimer::timeout, this, [this] { ShowRunningStatementTime(); });

    m_statements->OnStatementChanged = [this] { RefreshActions(); };
    m_statements->OnCountFinished = [this](int) { RefreshActions(); };
    m_statements->OnShowPosition = [this](int start, int end) {
        TMCRange range(m_editor);
        range.SetRStart(start);
        range.SetREnd(end);
        range.MakeVisible(1);
    };
    m_editor->OnChange = [this](TCustomEditor*) {
        m_statements->TextChanged();
        m_document->TextChanged();
    };
    m_editor->OnFilesDropped = [this](TCustomEditorView*, const QStringList& files,
                                      bool& doDefaultLoad) {
        // The window loads the first file as a script, with its questions and history.
        doDefaultLoad = false;
        if (!files.isEmpty())
            RunGuarded([&] { LoadScript(files.first()); });
    };
    m_document->OnStateChanged = [this] { RefreshActions(); };

    m_log.OnAddText = [this](const QString& text, TColor color) { m_report->AddText(text, color); };
    m_log.OnShowLog = [this] { m_report->BringToFront(); };
    m_executor->OnActionsChanged = [this] { RefreshActions(); };
    m_executor->OnExecutionTimeChanged = [this](const QString&) { RefreshActions(); };
    m_executor->ProcessEvents = [] { QCoreApplication::processEvents(); };

    m_resultSet->OnAfterActiveChange = [this](TKxActivatableComponent*, bool active) {
        m_executor->ResultSetAfterActiveChange(active);
        m_editSql->setText(active ? TKxScriptExecutor::SqlLineText(m_resultSet->SQL().GetAsString())
                                  : QString());
    };
    m_resultSet->OnBeforeOperation = [this](TKxOdbcRecordsetBase*, int operation) {
        m_executor->ResultSetBeforeOperation(operation);
    };
    m_resultSet->OnAfterOperation = [this](TKxOdbcRecordsetBase*, int operation) {
        m_executor->ResultSetAfterOperation(operation);
        // A title click rewrites the ORDER BY and runs the query again: show what runs.
        if (operation == roReExecuteStatement)
            m_editSql->setText(TKxScriptExecutor::SqlLineText(m_resultSet->SQL().GetAsString()));
    };
}

void TMainWindow::RunGuarded(const std::function<void()>& step) {
    KxGuardCall(step);
    KxGuardCall([&] { RefreshActions(); });
}

void TMainWindow::ConnectActions() {
    const auto on = [this](QAction* action, std::function<void()> step) {
        connect(action, &QAction::triggered, this, [this, step] { RunGuarded(step); });
    };
    on(m_actions.ExecuteStatement, [this] { m_executor->ExecuteCurrentStatement(); });
    on(m_actions.ExecuteScript, [this] { m_executor->ExecuteRemainingStatements(); });
    on(m_actions.StopExec, [this] { m_executor->Cancel(); });
    on(m_actions.PrevStatement, [this] { m_statements->PreviousStatement(); });
    on(m_actions.NextStatement, [this] { m_statements->NextStatement(); });
    on(m_actions.ShowHideReportWindow, [this] {
        if (m_report->isVisible())
            m_report->hide();
        else
            m_report->BringToFront();
    });
    on(m_actions.CloseRSStatement, [this] { m_resultSet->SetActive(false); });
    on(m_actions.NewDBConnection, [this] { NewConnection(); });
    on(m_actions.CloseConnection, [this] { CloseConnection(); });
    on(m_actions.Autocommit, [this] { ToggleAutoCommit(); });
    on(m_actions.StartTransaction, [this] {
        // The connection opens on demand: a transaction can begin on a closed one.
        if (m_current != nullptr) {
            m_current->SetActive(true);
            m_current->BeginTransaction();
        }
    });
    on(m_actions.CommitTransaction, [this] {
        if (m_current != nullptr)
            m_current->CommitTransaction();
    });
    on(m_actions.RollbackTransaction, [this] {
        if (m_current != nullptr)
            m_current->RollbackTransaction();
    });
    on(m_actions.EditUndo, [this] { m_editor->Undo(); });
    on(m_actions.EditRedo, [this] { m_editor->Redo(); });
    on(m_actions.OpenScriptFile, [this] {
        const QString file = QFileDialog::getOpenFileName(this, Tr("Load SQL Script"),
                                                          m_document->FileName(), kFileFilter);
        if (!file.isEmpty())
            LoadScript(file);
    });
    on(m_actions.SaveScriptFile, [this] { m_document->Save(); });
    on(m_actions.SaveScriptFileAs, [this] {
        QFileDialog dialog(this, Tr("Save SQL Script to File"), m_document->FileName(),
                           kFileFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("sql"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            m_document->SaveAs(dialog.selectedFiles().first());
            RebuildRecentMenus();
        }
    });
    connect(m_actions.Exit, &QAction::triggered, this, &QWidget::close);
    on(m_actions.CloseScript, [this] {
        if (m_document->Close())
            RebuildRecentMenus();
    });
    on(m_actions.SearchText, [this] { ShowFindDialog(TKxFindDialog::Find); });
    on(m_actions.ReplaceText, [this] { ShowFindDialog(TKxFindDialog::Replace); });
    on(m_actions.FindNext, [this] {
        if (m_findDialog == nullptr)
            return;
        if (m_findDialog->Kind() == TKxFindDialog::Replace)
            m_findDialog->ReplaceOnce();
        else
            m_findDialog->FindNext();
    });
    on(m_actions.ShowHideSettings, [this] {
        if (m_settings != nullptr && m_settings->isVisible())
            m_settings->hide();
        else
            ShowSettings(TSettingsDlg::kKeepPage);
    });
    on(m_actions.ShowSQLProperties, [this] { ShowSettings(TSettingsDlg::PageRSProperties); });
    on(m_actions.ConnectionProperties,
       [this] { ShowSettings(TSettingsDlg::PageConnectionProperties); });
    on(m_actions.DefaultRSProperties, [this] { EditDefaultRecordsetProperties(); });
    on(m_actions.ShowDBSchema, [this] { ShowSchema(); });
    on(m_actions.ShowInfo, [this] {
        TKxAboutForm::ShowInstance(&m_store, KxApplicationTitle(), {}, this)
            ->setWindowTitle(Tr("Information about this Software"));
    });
    on(m_actions.MakeCurrentStatement, [this] {
        const QPoint point =
            m_editor->viewport()->mapFromGlobal(m_actions.EditorContextMenu->pos());
        m_statements->MakeCurrentAt(m_editor->PositionAt(point));
    });
    connect(m_editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        m_actions.EditorContextMenu->popup(m_editor->mapToGlobal(point));
    });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        m_actions.GridContextMenu->popup(m_grid->mapToGlobal(point));
    });
}

void TMainWindow::ShowMemoFor(int column) {
    QString fieldName;
    if (column >= 0 && column < m_grid->ColumnCount()) {
        const QString name = m_grid->ColumnFieldName(column);
        KxIntf<IKxUnknown> field;
        if (m_resultSet->GetItemByName(name, field) == hr::S_Ok) {
            const auto properties = KxQuery<IKxFieldProperties>(field);
            if (properties &&
                (properties->GetDataType() == fdtMemo || properties->GetDataType() == fdtWideMemo))
                fieldName = name;
        }
    }
    m_memo->SetFieldName(fieldName);
    m_memo->setVisible(!fieldName.isEmpty());
}

void TMainWindow::ShowFindDialog(int kind) {
    // One dialog at a time: whichever was opened first serves both actions until it closes.
    if (m_findDialog == nullptr) {
        m_findDialog =
            new TKxFindDialog(static_cast<TKxFindDialog::TKind>(kind), *m_editor, &m_store, this);
        m_findDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_findDialog->OnClosed = [this] { RefreshActions(); };
        connect(m_findDialog, &QDialog::finished, this, [this] { RefreshActions(); });
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

// ---- state shown to the user

void TMainWindow::UpdateTitle() {
    setWindowTitle(KxMainWindowTitle(KxConnectionDisplayName(m_current)));
}

QString TMainWindow::StatusText(int panel) const {
    return m_statusPanels[panel]->text();
}

void TMainWindow::RefreshActions() {
    const bool executing = m_executor->Executing();
    const bool connected = m_current != nullptr;
    const bool autoCommit = connected && KxInSet(m_current->Attributes(), caAutoCommitTransactions);
    const int transactions = connected ? m_current->TransactionCount() : 0;
    const int count = m_statements->StatementCount();
    const bool canExecute =
        !executing && connected && HasStatementText(m_statements->GetCurrentStatementText());
    const bool named = !m_document->FileName().isEmpty();

    m_actions.ExecuteStatement->setEnabled(canExecute);
    m_actions.ExecuteScript->setEnabled(canExecute && count >= 2);
    m_actions.SaveScriptFile->setEnabled(named && m_document->Modified());
    m_actions.NextStatement->setEnabled(!executing && !m_statements->IsLastStatement());
    m_actions.PrevStatement->setEnabled(!executing && !m_statements->IsFirstStatement());
    m_actions.ShowDBSchema->setEnabled(connected);
    m_actions.CloseRSStatement->setEnabled(!executing && connected && m_resultSet->Active());
    m_actions.StopExec->setEnabled(executing);
    // A run owns the connection and the result set until it ends: nothing may switch, close
    // or reconfigure them meanwhile, nor replace the script it walks through.
    for (QAction* action :
         {m_actions.NewDBConnection, m_actions.OpenScriptFile,
          m_actions.RecentConnections->menuAction(), m_actions.RecentScriptFiles->menuAction()})
        action->setEnabled(!executing);
    if (m_settings != nullptr)
        m_settings->SetExecuting(executing);
    m_actions.CloseScript->setEnabled(!executing && named);
    // Closing needs a current connection: with none there is nothing it could close.
    m_actions.CloseConnection->setEnabled(!executing && connected);
    const bool idle = connected && !executing;
    m_actions.Autocommit->setEnabled(idle);
    m_actions.Autocommit->setChecked(autoCommit);
    m_actions.StartTransaction->setEnabled(idle && !autoCommit && transactions == 0);
    m_actions.CommitTransaction->setEnabled(idle && !autoCommit && transactions > 0);
    m_actions.RollbackTransaction->setEnabled(idle && !autoCommit && transactions > 0);
    m_actions.ShowHideSettings->setChecked(m_settings != nullptr && m_settings->isVisible());
    // F3 repeats what the dialog does, and only with something to look for.
    m_actions.FindNext->setEnabled(m_findDialog != nullptr && !m_findDialog->FindText().isEmpty());
    m_actions.EditUndo->setEnabled(!executing && m_editor->CanUndo());
    m_actions.EditRedo->setEnabled(!executing && m_editor->CanRedo());

    m_statusPanels[0]->setText(QStringLiteral("%1: %2").arg(
        Tr("Statements"), count > 0 ? QString::number(count) : QStringLiteral("?")));
    m_statusPanels[1]->setText(
        m_editor->ReadOnly() ? Tr("Readonly")
                             : QStringLiteral("%1: %2").arg(
                                   Tr("Modified"), m_document->Modified() ? Tr("Yes") : Tr("No")));
    const QString time = m_executor->ExecutionTimeText();
    m_statusPanels[2]->setText(
        time.isEmpty() ? QStringLiteral("%1: ?").arg(Tr("SQL execution time")) : time);
    m_scriptFileName->setText(m_document->FileName());
    UpdateTitle();
    if (executing && !m_elapsedTimer->isActive())
        m_elapsedTimer->start();
    if (!executing) {
        m_elapsedTimer->stop();
        // The window closes once the statement the user cancelled has ended.
        if (m_closeWhenRunEnds) {
            m_closeWhenRunEnds = false;
            QTimer::singleShot(0, this, &QWidget::close);
        }
    }
}

void TMainWindow::ShowRunningStatementTime() {
    const std::int64_t start = m_executor->StatementStartTime();
    if (start == 0)
        return;
    m_statusPanels[2]->setText(QStringLiteral("%1: %2").arg(
        Tr("Executing"), KxFormatElapsedTime(QDateTime::currentMSecsSinceEpoch() - start)));
}

void TMainWindow::ApplyEvenRowColor(TColor color) {
    TGridDataAreaProperties::SetDefaultEvenRowColor(color);
    // Every grid of the program, data windows included (the grid has no meta-object of its
    // own, so it is told apart by its C++ type).
    for (QWidget* top : QApplication::topLevelWidgets()) {
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets.append(top);
        for (QWidget* widget : widgets) {
            if (auto* grid = dynamic_cast<TKxIDataGrid*>(widget))
                grid->DataAreaProperties().SetEvenRowcolor(color);
        }
    }
}

// ---- settings

void TMainWindow::ShowSettings(int page) {
    if (m_settings == nullptr)
        m_settings = new TSettingsDlg(*this);
    m_settings->SetExecuting(m_executor->Executing());
    m_settings->ShowPage(page);
}

TColor TMainWindow::CurrentStatementColor() const {
    return m_statements->HighlightColor();
}

void TMainWindow::SetCurrentStatementColor(TColor color) {
    m_statements->SetHighlightColor(color);
}

void TMainWindow::SetEvenRowColor(TColor color) {
    ApplyEvenRowColor(color);
}

void TMainWindow::SetDirectiveComment(bool on) {
    m_store.WriteValue(sidDirectiveComment, KxVariant(on));
    KxSetDirectiveCommentStyle(m_editor->SyntaxColoring(), on);
    // A "#" line may now hide a ";" or show one: the statements are found again.
    m_statements->TextChanged();
}

void TMainWindow::ConnectionStringChanged() {
    RebuildRecentMenus();
    RefreshActions();
}

// ---- requests of other programs

bool TMainWindow::CanTakeAutomationRequest() const {
    return m_firstActivationDone && !m_executor->Executing();
}

void TMainWindow::ExecuteAutomationRequest(const QString& connectionString, const QString& sql,
                                           int flags) {
    const QString routine = QStringLiteral("ExecuteAutomationRequest");
    const auto cancelled = [&] { KxAbort(Tr("Operation canceled"), routine, this); };
    if (!connectionString.trimmed().isEmpty()) {
        int index = m_connections.IndexOf(connectionString);
        if (index < 0) {
            // A data source that cannot be reached is reported to the caller before anything
            // changes here: no unusable entry is listed, the current result stays open.
            auto connection = m_connections.Create();
            connection->SetConnectionString(connectionString);
            connection->SetActive(true);
            connection->SetActive(false); // connections open on demand
            index = m_connections.Add(std::move(connection));
        }
        if (!SetCurrentConnection(index))
            cancelled();
        m_current->SetActive(true);
    }
    if ((flags & SHOW_SCHEMA) != 0)
        ShowSchema();
    if (!m_document->AskToSaveChanges())
        cancelled();
    if (!sql.isEmpty()) {
        m_document->PlaceCallerText(sql);
        m_statements->ResetCurrentStatement();
        m_statements->FindCurrentStatement();
        m_statements->StartCount();
        m_statements->WaitForCount();
        RebuildRecentMenus();
        RefreshActions();
        int failed = 0;
        if ((flags & EXECUTE_STATEMENT) != 0) {
            m_executor->ExecuteCurrentStatement();
            failed += m_executor->FailedStatements();
        }
        if ((flags & EXECUTE_ALL) != 0) {
            m_executor->ExecuteRemainingStatements();
            failed += m_executor->FailedStatements();
        }
        if (failed > 0)
            KxRaise(QCoreApplication::translate(
                        "KxMainWindow",
                        "%n statement(s) failed; the report window has the messages", nullptr,
                        failed),
                    routine, this);
    }
    RefreshActions();
}

void TMainWindow::ShowSchema() {
    if (m_current == nullptr)
        return;
    const auto properties = KxMake<TKxOdbcConnectProperties>();
    properties->AssignFromObj(m_current);
    m_pageWindows->OpenSchema(*properties, false);
}

void TMainWindow::EditDefaultRecordsetProperties() {
    const auto properties = KxMake<TKxOdbcRecordsetProperties>(false);
    const QString key = QString::fromLatin1(kxDefaultRSPropertiesKey);
    KxLoadObject(&m_store, key, properties.get());
    if (KxEditRecordsetProperties(*properties, rpoSkipCheckBox, &m_store, this))
        KxStoreObject(&m_store, key, properties.get());
}

void TMainWindow::RebuildRecentMenus() {
    QMenu* scripts = m_actions.RecentScriptFiles;
    scripts->clear();
    for (const QString& file : m_document->RecentFiles()) {
        QAction* item = scripts->addAction(file);
        connect(item, &QAction::triggered, this,
                [this, file] { RunGuarded([&] { LoadScript(file); }); });
    }
    QMenu* connections = m_actions.RecentConnections;
    connections->clear();
    for (int index = 0; index < m_connections.Count(); ++index) {
        if (m_connections.At(index) == m_current)
            continue;
        QAction* item = connections->addAction(KxConnectionDisplayName(m_connections.At(index)));
        connect(item, &QAction::triggered, this,
                [this, index] { RunGuarded([&] { SetCurrentConnection(index); }); });
    }
}

// ---- connections

bool TMainWindow::AskAboutOpenTransaction() {
    if (m_current == nullptr || KxInSet(m_current->Attributes(), caAutoCommitTransactions) ||
        !m_current->Active() || m_current->TransactionCount() <= 0)
        return true;
    const int answer =
        KxMessageBox(Tr("The connection \"%1\" has an open transaction, do you want to commit the "
                        "transaction?\r\rYes -> Commit Chnages\rNo  -> Rollback Changes\r")
                         .arg(KxConnectionDisplayName(m_current)),
                     svConfirm, mb::YesNoCancel);
    if (answer == id::Cancel)
        return false;
    if (answer == id::Yes)
        m_current->CommitTransaction();
    else
        m_current->RollbackTransaction();
    return true;
}

bool TMainWindow::SetCurrentConnection(int index) {
    TKxOdbcConnection* next = m_connections.At(index);
    if (next == m_current)
        return true;
    if (!AskAboutOpenTransaction())
        return false;
    m_resultSet->SetActive(false);
    if (m_current != nullptr)
        m_current->SetActive(false);
    m_current = next;
    m_resultSet->SetODBCConnection(m_current);
    m_executor->SetConnection(m_current);
    if (m_settings != nullptr)
        m_settings->SetConnection(m_current);
    RebuildRecentMenus();
    RefreshActions();
    return true;
}

bool TMainWindow::UseConnectionString(const QString& connectionString) {
    auto connection = m_connections.Create();
    connection->SetConnectionString(connectionString);
    return SetCurrentConnection(m_connections.Add(std::move(connection)));
}

void TMainWindow::NewConnection() {
    // Cancel in the dialog raises an abort, which ends here silently and frees the new one.
    auto connection = m_connections.Create();
    KxOdbcConnect(*connection, true, &m_store, this);
    //  Connections open on demand; the dialog only proved that this one can.
    connection->SetActive(false);
    SetCurrentConnection(m_connections.Add(std::move(connection)));
}

void TMainWindow::CloseConnection() {
    const int index = m_connections.IndexOf(m_current);
    if (index < 0)
        return;
    if (!SetCurrentConnection(m_connections.SuccessorOf(index)))
        return;
    m_connections.Remove(index);
    RebuildRecentMenus();
    RefreshActions();
}

void TMainWindow::ToggleAutoCommit() {
    if (m_current == nullptr || !AskAboutOpenTransaction())
        return;
    m_current->SetAttributes(m_current->Attributes() ^ KxSetOf(caAutoCommitTransactions));
}

// ---- script

bool TMainWindow::LoadScript(const QString& fileName) {
    bool loaded = false;
    try {
        loaded = m_document->Load(fileName);
    } catch (...) {
        RebuildRecentMenus();
        RefreshActions();
        throw;
    }
    RebuildRecentMenus();
    RefreshActions();
    return loaded;
}

// ---- start and end

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstActivationDone && !m_firstActivationQueued) {
        m_firstActivationQueued = true;
        // After the window is on screen, so a slow restore never shows an empty frame.
        QTimer::singleShot(0, this, [this] {
            KxGuardCall([&] { FirstActivation(!m_start.automation, m_start.script); });
        });
    }
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_firstActivationDone)
        RunGuarded([&] { m_document->CheckOutsideChange(); });
}

void TMainWindow::FirstActivation(bool restoreWorkspace, const QString& scriptArgument) {
    if (m_firstActivationDone)
        return;
    m_firstActivationDone = true;
    const auto step = [](const std::function<void()>& body) {
        // A failing step is shown and the start goes on.
        try {
            body();
        } catch (const std::exception& e) {
            KxMessageBox(KxExceptionMessage(e), svWarning, mb::Ok);
        } catch (...) {
            KxHandleCurrentException();
        }
    };
    step([&] { m_connections.Load(m_store); });
    step([&] { m_pageWindows->RestoreWindowList(); });
    step([&] {
        const auto properties = KxMake<TKxOdbcRecordsetProperties>(true);
        KxLoadObject(&m_store, QStringLiteral("\\SqlRSProperties"), properties.get());
        properties->AssignToObj(m_resultSet);
    });
    if (restoreWorkspace) {
        step([&] {
            const int index = m_connections.IndexOfDisplayName(
                m_store.ReadValue(sidCurrentConnectionName).ToString());
            if (index >= 0)
                SetCurrentConnection(index);
        });
        step([&] {
            const QString stored = m_store.ReadValue(sidCurrentScriptFileName).ToString();
            if (!scriptArgument.isEmpty())
                LoadScript(QFileInfo(scriptArgument).absoluteFilePath());
            // Only a file: a name that now stands for a folder (or was cut short in a damaged
            // settings file) is no script to complain about at every start.
            else if (!stored.isEmpty() && QFileInfo(stored).isFile())
                LoadScript(stored);
        });
        step([&] {
            if (m_store.ReadValue(sidSQLActive).ToBool() && m_current != nullptr &&
                !m_resultSet->SQL().GetAsString().trimmed().isEmpty()) {
                m_grid->LoadLayout(&m_store);
                m_executor->StartTiming();
                m_resultSet->SetActive(true);
            }
        });
    }
    // What the command line asked for comes after what was restored.
    if (!m_start.connectionString.isEmpty())
        step([&] { UseConnectionString(m_start.connectionString); });
    RebuildRecentMenus();
    RefreshActions();
    if (m_start.execute && m_current != nullptr) {
        m_statements->ResetCurrentStatement();
        m_statements->FindCurrentStatement();
        m_statements->StartCount();
        m_statements->WaitForCount();
        RunGuarded([&] { m_executor->ExecuteRemainingStatements(); });
    }
}

bool TMainWindow::CanCloseWindow() {
    return AskAboutOpenTransaction() && m_document->AskToSaveChanges();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (m_executor->Executing()) {
        // The run's frames are still on the stack below this event: the window can go only
        // once they have returned.
        event->ignore();
        KxGuardCall([&] {
            if (KxMessageBox(Tr("A statement is still executing. Cancel it and close the window?"),
                             svConfirm, mb::YesNo) != id::Yes)
                return;
            m_closeWhenRunEnds = true;
            m_executor->Cancel();
        });
        return;
    }
    bool close = false;
    KxGuardCall([&] {
        close = CanCloseWindow();
        if (close)
            StoreSettings();
    });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TMainWindow::StoreSettings() {
    // The order is the one the next start reads back in.
    m_pageWindows->StoreWindowList();
    // The identity, not the short name: two databases named x.db in two folders are two.
    QString currentName;
    if (m_current != nullptr) {
        currentName = KxConnectionIdentity(m_current->ConnectionString());
        if (currentName.isEmpty())
            currentName = KxConnectionDisplayName(m_current);
    }
    m_store.WriteValue(sidCurrentConnectionName, KxVariant(currentName));
    m_connections.Store(m_store);
    m_store.WriteValue(sidCurrentScriptFileName, KxVariant(m_document->FileName()));
    m_store.WriteValue(sidSQLActive, KxVariant(m_resultSet->Active()));
    const QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (total > 0)
        m_store.WriteValue(sidSplitRatio, KxVariant(double(sizes.value(0)) / total));
    m_store.WriteValue(sidCurrentStmtBkgndColor, KxVariant(int(m_statements->HighlightColor())));
    m_store.WriteValue(sidDataGridEvenRowColor,
                       KxVariant(int(TGridDataAreaProperties::DefaultEvenRowColor())));
    m_document->StoreUnnamedScript();
    KxStoreWindowBounds(&m_store, objectName(), TKxBounds::FromRect(normalGeometry()));
    KxDeleteKey(&m_store, QStringLiteral("\\SqlRSProperties"));
    const auto properties = KxMake<TKxOdbcRecordsetProperties>(true);
    properties->AssignFromObj(m_resultSet);
    KxStoreObject(&m_store, QStringLiteral("\\SqlRSProperties"), properties.get());
    KxDeleteKey(&m_store, QStringLiteral("\\MainWindow\\SQLDataGrid"));
    if (m_resultSet->Active())
        m_grid->StoreLayout(&m_store);
}

} // namespace kx
