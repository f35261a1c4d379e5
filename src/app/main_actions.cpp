#include "app/main_actions.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxMainWindow", text);
}

QAction* Make(QMainWindow& window, const char* name, const char* caption, const char* hint,
              const QKeySequence& shortcut = {},
              QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
    auto* action = new QAction(Tr(caption), &window);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(Tr(hint));
    action->setToolTip(Tr(hint));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The editor has the focus most of the time; the window's keys must still work.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (icon != QStyle::SP_CustomBase)
        action->setIcon(window.style()->standardIcon(icon));
    window.addAction(action);
    return action;
}

// A tool button that drops `menu` from its arrow and runs `action` on a plain click.
void AddDropButton(QToolBar* bar, QAction* action, QMenu* menu) {
    auto* button = new QToolButton(bar);
    button->setDefaultAction(action);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    bar->addWidget(button);
}

// Held down, the button repeats its action.
void AddRepeatButton(QToolBar* bar, QAction* action, int delay, int interval) {
    auto* button = new QToolButton(bar);
    button->setDefaultAction(action);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(delay);
    button->setAutoRepeatInterval(interval);
    bar->addWidget(button);
}

} // namespace

TMainActions::TMainActions(QMainWindow& window) {
    using SP = QStyle::StandardPixmap;
    ExecuteStatement =
        Make(window, "ActionExecuteStatement", "Execute current Statement",
             "Execute Current Statemnt", QKeySequence(Qt::CTRL | Qt::Key_E), SP::SP_MediaPlay);
    ExecuteScript = Make(window, "ActionExecuteScript", "Execute Remaining Statements",
                         "Execute Remaining Statements", QKeySequence(Qt::CTRL | Qt::Key_H),
                         SP::SP_MediaSeekForward);
    ShowHideReportWindow = Make(window, "ActionShowHideReportWindow", "Show/Hide Report Window",
                                "Show/Hide Report Window", {}, SP::SP_FileDialogDetailedView);
    ShowHideReportWindow->setCheckable(true);
    PrevStatement = Make(window, "ActionPrevStatement", "Previous Statement", "Previous Statement",
                         QKeySequence(Qt::Key_F5), SP::SP_ArrowUp);
    NextStatement = Make(window, "ActionNextStatement", "Next Statement", "Next Statement",
                         QKeySequence(Qt::Key_F6), SP::SP_ArrowDown);
    ShowHideSettings = Make(window, "ActionShowHideSettings", "Show/Hide Settings Window",
                            "Show/Hide Settings Window");
    ShowHideSettings->setCheckable(true);
    StopExec = Make(window, "ActionStopExec", "Stop", "Stop Operation", {}, SP::SP_MediaStop);
    NewDBConnection = Make(window, "ActionNewDBConnection", "New DB Connection",
                           "New DB Connection ...", {}, SP::SP_DriveNetIcon);
    OpenScriptFile = Make(window, "ActionOpentScriptFile", "Load Script File",
                          "Load SQL Script from File ...", {}, SP::SP_DialogOpenButton);
    SaveScriptFile = Make(window, "ActionSaveScriptFile", "Save Script", "Save SQL Script now",
                          QKeySequence(Qt::CTRL | Qt::Key_S), SP::SP_DialogSaveButton);
    SaveScriptFileAs = Make(window, "ActionSaveScriptFileAs", "Save to File",
                            "Save SQL Script to File", {}, SP::SP_DriveFDIcon);
    ShowDBSchema = Make(window, "ActionShowDBSchema", "Show DB Schema", "Show DB Schema Tree", {},
                        SP::SP_DirIcon);
    EditUndo = Make(window, "ActionEditUndo", "Undo", "Undo SQL Edit",
                    QKeySequence(Qt::CTRL | Qt::Key_Z), SP::SP_ArrowBack);
    EditRedo = Make(window, "ActionEditRedo", "Redo", "Redo SQL Edit",
                    QKeySequence(Qt::CTRL | Qt::Key_Y), SP::SP_ArrowForward);
    CloseRSStatement = Make(window, "ActionCloseRSStatement", "Close SQL Query", "Close SQL Query",
                            {}, SP::SP_DialogCancelButton);
    CloseScript = Make(window, "ActionCloseScript", "Close Script", "Close SQL Script", {},
                       SP::SP_DialogCloseButton);
    CloseConnection = Make(window, "ActionCloseConnection", "Close Connection",
                           "Close current Connection", {}, SP::SP_BrowserStop);
    StartTransaction = Make(window, "ActionStartTransaction", "Start Transaction",
                            "Start Transaction", {}, SP::SP_ToolBarHorizontalExtensionButton);
    CommitTransaction = Make(window, "ActionCommitTransaction", "Commit Transaction",
                             "Commit Transaction", {}, SP::SP_DialogApplyButton);
    RollbackTransaction = Make(window, "ActionRollbackTransaction", "Rollback Transaction",
                               "Rollback Transaction", {}, SP::SP_DialogDiscardButton);
    Autocommit = Make(window, "ActionAutocommit", "Auto Commit Statements",
                      "Auto Commit Statements", {}, SP::SP_BrowserReload);
    Autocommit->setCheckable(true);
    ShowInfo = Make(window, "ActionShowInfo", "Info", "Information about this application ...", {},
                    SP::SP_MessageBoxInformation);
    DefaultRSProperties =
        Make(window, "ActionDefaultRSProperties", "Default schema data edit properties ...",
             "Set the default recordset properties for data editing from the schema tree");
    SearchText = Make(window, "ActionSearchText", "Search Text", "Search Text",
                      QKeySequence(Qt::CTRL | Qt::Key_F), SP::SP_FileDialogContentsView);
    ReplaceText = Make(window, "ActionReplaceText", "Replace Text", "Replace Text",
                       QKeySequence(Qt::CTRL | Qt::Key_R), SP::SP_FileDialogListView);
    FindNext = Make(window, "ActionFindNext", "Find Next", "Find Next", QKeySequence(Qt::Key_F3));
    ShowSQLProperties = Make(window, "ActionShowSQLProperties", "SQL Statement properties ...", "");
    ConnectionProperties =
        Make(window, "ActionConnectionProperties", "Connection properties ...", "");
    MakeCurrentStatement =
        Make(window, "ActionMakeCurrentStatement", "Make this the current statement",
             "Make this the current statement");

    // Closing the window the usual way, also from the keyboard.
    Exit = Make(window, "ActionExit", "E&xit", "Close the program", QKeySequence::Quit);
    RecentConnections = new QMenu(&window);
    RecentScriptFiles = new QMenu(&window);
    WindowMenu = new QMenu(Tr("Windows"), &window);
    WindowMenu->addAction(ShowHideReportWindow);
    WindowMenu->addAction(ShowHideSettings);
    WindowMenu->addAction(DefaultRSProperties);
    EditorContextMenu = new QMenu(&window);
    EditorContextMenu->addAction(MakeCurrentStatement);
    EditorContextMenu->addAction(ConnectionProperties);
    GridContextMenu = new QMenu(&window);
    GridContextMenu->addAction(ShowSQLProperties);

    // The menu bar offers every action by keyboard (Alt and the underlined letters).
    QMenuBar* bar = window.menuBar();
    QMenu* file = bar->addMenu(Tr("&File"));
    for (QAction* action : {OpenScriptFile, SaveScriptFile, SaveScriptFileAs, CloseScript})
        file->addAction(action);
    file->addMenu(RecentScriptFiles)->setText(Tr("Recent Script Files"));
    file->addSeparator();
    file->addAction(Exit);
    QMenu* edit = bar->addMenu(Tr("&Edit"));
    for (QAction* action : {EditUndo, EditRedo, SearchText, ReplaceText, FindNext})
        edit->addAction(action);
    QMenu* script = bar->addMenu(Tr("&Script"));
    for (QAction* action : {PrevStatement, NextStatement, MakeCurrentStatement, ExecuteStatement,
                            ExecuteScript, StopExec, CloseRSStatement, ShowSQLProperties})
        script->addAction(action);
    QMenu* database = bar->addMenu(Tr("&Database"));
    for (QAction* action :
         {NewDBConnection, CloseConnection, ShowDBSchema, StartTransaction, CommitTransaction,
          RollbackTransaction, Autocommit, ConnectionProperties})
        database->addAction(action);
    database->addMenu(RecentConnections)->setText(Tr("Recent Connections"));
    bar->addMenu(WindowMenu)->setText(Tr("&Windows"));
    bar->addMenu(Tr("&Help"))->addAction(ShowInfo);

    ToolBar = window.addToolBar(Tr("Tools"));
    ToolBar->setObjectName(QStringLiteral("ControlBar"));
    AddDropButton(ToolBar, NewDBConnection, RecentConnections);
    ToolBar->addAction(CloseConnection);
    ToolBar->addSeparator();
    AddDropButton(ToolBar, OpenScriptFile, RecentScriptFiles);
    for (QAction* action : {SaveScriptFile, SaveScriptFileAs, CloseScript})
        ToolBar->addAction(action);
    ToolBar->addSeparator();
    AddRepeatButton(ToolBar, PrevStatement, 200, 30);
    AddRepeatButton(ToolBar, NextStatement, 200, 30);
    ToolBar->addSeparator();
    AddRepeatButton(ToolBar, EditUndo, 300, 150);
    AddRepeatButton(ToolBar, EditRedo, 300, 150);
    ToolBar->addSeparator();
    ToolBar->addAction(SearchText);
    ToolBar->addAction(ReplaceText);
    ToolBar->addSeparator();
    for (QAction* action : {ExecuteStatement, ExecuteScript, StopExec, CloseRSStatement})
        ToolBar->addAction(action);
    ToolBar->addSeparator();
    ToolBar->addAction(ShowDBSchema);
    ToolBar->addSeparator();
    for (QAction* action : {StartTransaction, CommitTransaction, RollbackTransaction, Autocommit})
        ToolBar->addAction(action);
    ToolBar->addSeparator();
    auto* windowList = new QToolButton(ToolBar);
    windowList->setObjectName(QStringLiteral("BtnWindowList"));
    windowList->setToolTip(Tr("Show/Hide Windows"));
    windowList->setIcon(window.style()->standardIcon(SP::SP_TitleBarNormalButton));
    windowList->setMenu(WindowMenu);
    windowList->setPopupMode(QToolButton::InstantPopup);
    ToolBar->addWidget(windowList);
    ToolBar->addAction(ShowInfo);
}

} // namespace kx
