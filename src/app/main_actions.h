#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace kx {

// Every action of the main window with its caption, hint, shortcut and icon, the menus that
// hold them and the tool bar in its order. Only the window decides what they do and when
// they are enabled.
struct TMainActions {
    explicit TMainActions(QMainWindow& window);

    QAction* ExecuteStatement;
    QAction* ExecuteScript;
    QAction* ShowHideReportWindow;
    QAction* PrevStatement;
    QAction* NextStatement;
    QAction* ShowHideSettings;
    QAction* StopExec;
    QAction* NewDBConnection;
    QAction* OpenScriptFile;
    QAction* SaveScriptFile;
    QAction* SaveScriptFileAs;
    QAction* ShowDBSchema;
    QAction* EditUndo;
    QAction* EditRedo;
    QAction* CloseRSStatement;
    QAction* CloseScript;
    QAction* CloseConnection;
    QAction* StartTransaction;
    QAction* CommitTransaction;
    QAction* RollbackTransaction;
    QAction* Autocommit;
    QAction* ShowInfo;
    QAction* DefaultRSProperties;
    QAction* SearchText;
    QAction* ReplaceText;
    QAction* FindNext;
    QAction* ShowSQLProperties;
    QAction* ConnectionProperties;
    QAction* MakeCurrentStatement;
    QAction* Exit;

    // Dropped from the New DB Connection and Load Script File buttons; rebuilt by the window.
    QMenu* RecentConnections;
    QMenu* RecentScriptFiles;
    // The window list: report and settings windows, and the docked windows' own items.
    QMenu* WindowMenu;
    QMenu* EditorContextMenu;
    QMenu* GridContextMenu;
    QToolBar* ToolBar;
};

} // namespace kx
