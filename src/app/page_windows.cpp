#include "app/page_windows.h"

#include "app/data_edit_page.h"
#include "app/schema_page.h"
#include "dialogs/recordset_properties_dialog.h"
#include "foundation/exceptions.h"
#include "foundation/message_box.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset_properties.h"
#include "platform/event_guard.h"
#include "platform/wait_cursor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxPageWindows", text);
}

const QString kWindowList = QStringLiteral("\\WindowList");

TKxPageKind KindOfWindowClass(const QString& className, bool& known) {
    known = true;
    if (className == QLatin1String("TOdbcSchemaDockForm"))
        return TKxPageKind::Schema;
    if (className == QLatin1String("TKxIDataEditDockForm"))
        return TKxPageKind::DataEdit;
    known = false;
    return TKxPageKind::Schema;
}

} // namespace

// ---- pages

TKxPage::TKxPage(TKxPageWindows& windows, QWidget* parent) : QWidget(parent), m_windows(windows) {}

void TKxPage::SetCaption(const QString& caption) {
    m_caption = caption;
    if (TKxPageDockForm* window = Window())
        window->UpdateCaption();
}

TKxPageDockForm* TKxPage::Window() const {
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* window = dynamic_cast<TKxPageDockForm*>(w))
            return window;
    }
    return nullptr;
}

// ---- page windows

TKxPageDockForm::TKxPageDockForm(TKxPageWindows& windows, TKxPageKind kind)
    : QDockWidget(&windows.Host()), m_windows(windows), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(ClassName());
    m_pages = new QTabWidget(this);
    m_pages->setDocumentMode(true);
    m_pages->setTabsClosable(false);
    setWidget(m_pages);
    connect(m_pages, &QTabWidget::currentChanged, this, [this] { UpdateCaption(); });
    m_menuItem = new QAction(this);
    m_menuItem->setCheckable(true);
    connect(m_menuItem, &QAction::triggered, this, [this](bool show) {
        setVisible(show);
        if (show)
            raise();
    });
    connect(this, &QDockWidget::visibilityChanged, this,
            [this](bool) { m_menuItem->setChecked(!isHidden()); });
    m_windows.WindowMenu().addAction(m_menuItem);
}

TKxPageDockForm::~TKxPageDockForm() {
    // The pages are freed with the widget below this class: they must not call back into it.
    for (int i = 0; i < PageCount(); ++i)
        QObject::disconnect(m_pages->widget(i), &QObject::destroyed, this, nullptr);
    m_windows.Forget(this);
}

QString TKxPageDockForm::ClassName() const {
    return m_kind == TKxPageKind::Schema ? QStringLiteral("TOdbcSchemaDockForm")
                                         : QStringLiteral("TKxIDataEditDockForm");
}

QString TKxPageDockForm::Name() const {
    const QString base =
        m_kind == TKxPageKind::Schema ? QStringLiteral("Schema") : QStringLiteral("DataEdit");
    return QStringLiteral("%1 Window %2").arg(base).arg(m_windows.IndexAmongKind(this)).trimmed();
}

void TKxPageDockForm::AddPage(TKxPage* page) {
    m_pages->addTab(page, page->Caption());
    connect(page, &QObject::destroyed, this, [this] { PageGone(); });
    m_pages->setCurrentWidget(page);
    UpdateCaption();
}

int TKxPageDockForm::PageCount() const {
    return m_pages->count();
}

TKxPage* TKxPageDockForm::Page(int index) const {
    return dynamic_cast<TKxPage*>(m_pages->widget(index));
}

TKxPage* TKxPageDockForm::ActivePage() const {
    return dynamic_cast<TKxPage*>(m_pages->currentWidget());
}

void TKxPageDockForm::SetActivePage(TKxPage* page) {
    m_pages->setCurrentWidget(page);
}

void TKxPageDockForm::CloseAllPages() {
    for (int i = PageCount() - 1; i >= 0; --i) {
        if (TKxPage* page = Page(i))
            page->ClosePage();
    }
}

void TKxPageDockForm::UpdateCaption() {
    for (int i = 0; i < PageCount(); ++i)
        m_pages->setTabText(i, Page(i)->Caption());
    const QString name = Name();
    const TKxPage* active = ActivePage();
    setWindowTitle(active != nullptr ? QStringLiteral("%1 - [%2]").arg(name, active->Caption())
                                     : name);
    m_menuItem->setText(name);
    m_menuItem->setChecked(!isHidden());
}

void TKxPageDockForm::closeEvent(QCloseEvent* event) {
    // The pages go first, each when it is idle; the window follows once it holds none.
    event->ignore();
    hide();
    if (PageCount() == 0)
        deleteLater();
    CloseAllPages();
}

void TKxPageDockForm::PageGone() {
    // A window without pages has nothing to show: it goes with its last page.
    QTimer::singleShot(0, this, [this] {
        if (PageCount() == 0)
            deleteLater();
    });
}

int TKxPageDockForm::IndexOf(const TKxPage* page) const {
    for (int i = 0; i < PageCount(); ++i) {
        if (Page(i) == page)
            return i;
    }
    return -1;
}

// ---- the windows of the program

TKxPageWindows::TKxPageWindows(QMainWindow& host, QMenu& windowMenu, TKxPersistentData& store,
                               TKxOdbcEnvironment& environment)
    : m_host(host), m_windowMenu(windowMenu), m_store(store), m_environment(environment) {
    m_windowMenu.addSeparator();
    // The most recently used window is the one that last had the keyboard.
    m_focusWatch =
        QObject::connect(qApp, &QApplication::focusChanged, &host, [this](QWidget*, QWidget* now) {
            for (QWidget* w = now; w != nullptr; w = w->parentWidget()) {
                if (auto* window = dynamic_cast<TKxPageDockForm*>(w)) {
                    Activated(window);
                    return;
                }
            }
        });
}

TKxPageWindows::~TKxPageWindows() {
    QObject::disconnect(m_focusWatch);
    CloseAll();
}

TKxPageDockForm* TKxPageWindows::FirstOfKind(TKxPageKind kind) const {
    for (TKxPageDockForm* window : m_list) {
        if (window->Kind() == kind)
            return window;
    }
    return nullptr;
}

int TKxPageWindows::IndexAmongKind(const TKxPageDockForm* window) const {
    int index = 0;
    for (const TKxPageDockForm* other : m_list) {
        if (other == window)
            return index;
        if (other->Kind() == window->Kind())
            ++index;
    }
    return index;
}

void TKxPageWindows::Activated(TKxPageDockForm* window) {
    const auto it = std::find(m_list.begin(), m_list.end(), window);
    if (it == m_list.begin() || it == m_list.end())
        return;
    m_list.erase(it);
    m_list.insert(m_list.begin(), window);
    RefreshCaptions();
}

void TKxPageWindows::RefreshCaptions() {
    for (TKxPageDockForm* window : m_list)
        window->UpdateCaption();
}

void TKxPageWindows::Forget(TKxPageDockForm* window) {
    const auto it = std::find(m_list.begin(), m_list.end(), window);
    if (it == m_list.end())
        return;
    m_list.erase(it);
    RefreshCaptions();
}

TKxPageDockForm* TKxPageWindows::NewWindow(TKxPageKind kind) {
    auto* window = new TKxPageDockForm(*this, kind);
    m_list.insert(m_list.begin(), window);
    m_host.addDockWidget(
        kind == TKxPageKind::Schema ? Qt::LeftDockWidgetArea : Qt::BottomDockWidgetArea, window);
    // Room for a schema tree's detail lines beside the script.
    if (kind == TKxPageKind::Schema)
        m_host.resizeDocks({window}, {320}, Qt::Horizontal);
    RefreshCaptions();
    return window;
}

void TKxPageWindows::Place(TKxPage* page, TKxPageKind kind) {
    TKxPageDockForm* window = FirstOfKind(kind);
    if (window == nullptr)
        window = NewWindow(kind);
    window->AddPage(page);
    window->show();
    window->raise();
}

void TKxPageWindows::OpenSchema(TKxOdbcConnectProperties& connection, bool showControlPanel) {
    const QString caption = KxSchemaPageCaption(connection);
    for (TKxPageDockForm* window : m_list) {
        for (int i = 0; window->Kind() == TKxPageKind::Schema && i < window->PageCount(); ++i) {
            if (window->Page(i)->Caption().compare(caption, Qt::CaseInsensitive) == 0) {
                window->SetActivePage(window->Page(i));
                window->show();
                window->raise();
                Activated(window);
                return;
            }
        }
    }
    auto* page = new TKxODBCSchemaTreeFrame(*this);
    page->SetControlPanelVisible(showControlPanel);
    page->SetCaption(caption);
    Place(page, TKxPageKind::Schema);
    connection.AssignToObj(&page->Connection());
    page->RefreshSchema();
}

bool TKxPageWindows::OpenData(TKxOdbcConnectProperties& connection,
                              TKxOdbcRecordsetProperties* recordset, const QString& sql) {
    const auto properties = KxMake<TKxOdbcRecordsetProperties>(false);
    if (recordset != nullptr) {
        properties->AssignFromObj(recordset);
    } else {
        const QString key = QString::fromLatin1(kxDefaultRSPropertiesKey);
        KxLoadObject(&m_store, key, properties.get());
        bool skip = false;
        {
            const TKxKeyPathKeeper keeper(&m_store, key, false);
            skip = keeper.Opened() &&
                   m_store.ReadBool(QString::fromLatin1(kxSkipRSPropDlgValue), false);
        }
        if (!skip && !KxEditRecordsetProperties(*properties, rpoSetAsDefault | rpoSkipCheckBox,
                                                &m_store, &m_host))
            return false;
    }
    auto* page = new TKxIDataEditFrame(*this);
    page->Open(connection, *properties, sql);
    Place(page, TKxPageKind::DataEdit);
    return true;
}

void TKxPageWindows::CloseAll() {
    const std::vector<TKxPageDockForm*> windows = m_list;
    for (TKxPageDockForm* window : windows)
        delete window;
}

// ---- the window list in the settings

void TKxPageWindows::StoreWindowList() {
    KxDeleteKey(&m_store, kWindowList);
    for (TKxPageDockForm* window : m_list) {
        const TKxKeyPathKeeper keeper(&m_store, kWindowList + QLatin1Char('\\') + window->Name(),
                                      true);
        m_store.WriteString(QStringLiteral("ClassName"), window->ClassName());
        if (const TKxPage* active = window->ActivePage())
            m_store.WriteInteger(QStringLiteral("Selected Page Index"), window->IndexOf(active));
        KxStoreWindowBounds(&m_store, QString(), TKxBounds::FromRect(window->geometry()));
        m_store.WriteBool(QStringLiteral("Visible"), !window->isHidden());
        m_store.WriteBool(QStringLiteral("Floating"), window->isFloating());
        for (int i = 0; i < window->PageCount(); ++i) {
            const TKxKeyPathKeeper pageKey(&m_store, QStringLiteral("Page %1").arg(i), true);
            window->Page(i)->StoreData(&m_store);
        }
    }
}

void TKxPageWindows::RestoreWindowList() {
    if (!KxOpenKey(&m_store, kWindowList, false))
        return;
    QStringList names;
    {
        const TKxKeyPathKeeper keeper(&m_store, kWindowList, false);
        const KxWaitCursorScope wait;
        m_store.ReadSubDirNames(names);
    }
    // Stored newest first under their names; open the oldest first so the order comes back.
    std::reverse(names.begin(), names.end());
    for (const QString& name : names) {
        try {
            const TKxKeyPathKeeper keeper(&m_store, kWindowList + QLatin1Char('\\') + name, false);
            if (!keeper.Opened())
                continue;
            bool known = false;
            const TKxPageKind kind =
                KindOfWindowClass(m_store.ReadString(QStringLiteral("ClassName"), {}), known);
            if (!known)
                continue;
            TKxPageDockForm* window = NewWindow(kind);
            window->setFloating(m_store.ReadBool(QStringLiteral("Floating"), false));
            TKxBounds bounds;
            if (window->isFloating() && KxLoadWindowBounds(&m_store, QString(), bounds))
                window->setGeometry(bounds.ToRect());
            QStringList pages;
            m_store.ReadSubDirNames(pages);
            std::sort(pages.begin(), pages.end(), [](const QString& a, const QString& b) {
                return a.section(QLatin1Char(' '), 1).toInt() <
                       b.section(QLatin1Char(' '), 1).toInt();
            });
            for (const QString& pageName : pages) {
                try {
                    const TKxKeyPathKeeper pageKey(&m_store, pageName, false);
                    const QString className = m_store.ReadString(QStringLiteral("ClassName"), {});
                    TKxPage* page = nullptr;
                    if (className == QLatin1String("TKxODBCSchemaTreeFrame") &&
                        kind == TKxPageKind::Schema)
                        page = new TKxODBCSchemaTreeFrame(*this);
                    else if (className == QLatin1String("TKxIDataEditFrame") &&
                             kind == TKxPageKind::DataEdit)
                        page = new TKxIDataEditFrame(*this);
                    else
                        KxRaise(Tr("Unknown page class: %1").arg(className),
                                QStringLiteral("RestoreWindowList"), nullptr);
                    window->AddPage(page);
                    page->LoadData(&m_store);
                } catch (const std::exception& e) {
                    if (!KxAskContinue(&e, eaAskUser, Tr("Continue loading the remaining Pages")))
                        throw;
                }
            }
            if (window->PageCount() == 0) {
                delete window;
                continue;
            }
            window->setVisible(m_store.ReadBool(QStringLiteral("Visible"), true));
            const int selected =
                std::clamp(m_store.ReadInteger(QStringLiteral("Selected Page Index"), 0), 0,
                           window->PageCount() - 1);
            window->SetActivePage(window->Page(selected));
        } catch (const std::exception& e) {
            // One window that cannot be restored does not stop the others.
            KxTraceException(e, true);
        }
    }
    RefreshCaptions();
}

QString KxTableSelectStatement(const QStringList& nameParts, const QString& identifierQuote) {
    const QString quote = identifierQuote.trimmed();
    QStringList parts;
    for (const QString& part : nameParts) {
        if (part.isEmpty())
            continue;
        if (quote.isEmpty())
            parts << part;
        else
            parts << quote + QString(part).replace(quote, quote + quote) + quote;
    }
    return QStringLiteral("SELECT * FROM %1").arg(parts.join(QLatin1Char('.')));
}

} // namespace kx
