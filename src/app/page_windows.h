#pragma once

#include "foundation/kx_intf.h"

#include <QDockWidget>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QTabWidget;

namespace kx {

class TKxOdbcConnectProperties;
class TKxOdbcEnvironment;
class TKxOdbcRecordsetProperties;
class TKxPageDockForm;
class TKxPageWindows;
class TKxPersistentData;

// A page of a page window: a schema tree or a table's data.
class TKxPage : public QWidget {
public:
    TKxPage(TKxPageWindows& windows, QWidget* parent = nullptr);

    virtual QString ClassName() const = 0;
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    TKxPageWindows& Windows() const { return m_windows; }
    TKxPageDockForm* Window() const;

    // Frees the page, once anything it is doing has stopped (a schema page stops its load
    // first and closes when it has ended).
    virtual void ClosePage() { deleteLater(); }
    // The page as the window list keeps it, in the store's current key.
    virtual void StoreData(IKxUnknown* storage) = 0;
    virtual void LoadData(IKxUnknown* storage) = 0;

private:
    TKxPageWindows& m_windows;
    QString m_caption;
};

// The two kinds of page windows; each takes only its own kind of page.
enum class TKxPageKind { Schema, DataEdit };

// A window of pages, docked in the main window or floating. Closing it closes its pages.
class TKxPageDockForm : public QDockWidget {
public:
    TKxPageDockForm(TKxPageWindows& windows, TKxPageKind kind);
    ~TKxPageDockForm() override;

    TKxPageKind Kind() const { return m_kind; }
    QString ClassName() const;
    // "Schema Window 0", "DataEdit Window 1": numbered by the windows of the same kind that
    // were active more recently.
    QString Name() const;
    void AddPage(TKxPage* page);
    int PageCount() const;
    TKxPage* Page(int index) const;
    TKxPage* ActivePage() const;
    void SetActivePage(TKxPage* page);
    int IndexOf(const TKxPage* page) const;
    void CloseAllPages();
    // The window's item in the main window's window menu.
    QAction* MenuItem() const { return m_menuItem; }
    // Title and menu item after names or captions changed.
    void UpdateCaption();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PageGone();

    TKxPageWindows& m_windows;
    TKxPageKind m_kind;
    QTabWidget* m_pages = nullptr;
    QAction* m_menuItem = nullptr;
};

// The page windows of the program: opening schema and data pages, the most recently activated
// order, and the window list kept in the settings.
class TKxPageWindows {
public:
    // `host` gets the docked windows, `windowMenu` one item per window.
    TKxPageWindows(QMainWindow& host, QMenu& windowMenu, TKxPersistentData& store,
                   TKxOdbcEnvironment& environment);
    ~TKxPageWindows();
    TKxPageWindows(const TKxPageWindows&) = delete;
    TKxPageWindows& operator=(const TKxPageWindows&) = delete;

    QMainWindow& Host() const { return m_host; }
    QMenu& WindowMenu() const { return m_windowMenu; }
    TKxPersistentData& Store() const { return m_store; }
    TKxOdbcEnvironment& Environment() const { return m_environment; }

    // Most recently activated first.
    const std::vector<TKxPageDockForm*>& List() const { return m_list; }
    TKxPageDockForm* FirstOfKind(TKxPageKind kind) const;
    int IndexAmongKind(const TKxPageDockForm* window) const;
    void Activated(TKxPageDockForm* window);

    // A schema page for the connection: the open one with that caption is activated instead.
    void OpenSchema(TKxOdbcConnectProperties& connection, bool showControlPanel);
    // A data page showing `sql`; without recordset properties the default ones are used
    // (the dialog may be cancelled: then nothing opens). Answers whether a page opened.
    bool OpenData(TKxOdbcConnectProperties& connection, TKxOdbcRecordsetProperties* recordset,
                  const QString& sql);
    // Docks `page` into the first window of its kind, or a new one.
    void Place(TKxPage* page, TKxPageKind kind);
    TKxPageDockForm* NewWindow(TKxPageKind kind);

    // "WindowList" in the settings: deleted and written again / read back at the start.
    void StoreWindowList();
    void RestoreWindowList();
    // Closes every window (the program ends).
    void CloseAll();

    // Called by the windows.
    void Forget(TKxPageDockForm* window);
    void RefreshCaptions();

private:
    QMainWindow& m_host;
    QMenu& m_windowMenu;
    TKxPersistentData& m_store;
    TKxOdbcEnvironment& m_environment;
    std::vector<TKxPageDockForm*> m_list;
    QMetaObject::Connection m_focusWatch;
};

// The SELECT that shows a table: each part of "catalog.schema.table" quoted with the
// identifier quote (a quote inside doubled), so every name opens as written and nothing in
// it can end the statement.
QString KxTableSelectStatement(const QStringList& nameParts, const QString& identifierQuote);

} // namespace kx
