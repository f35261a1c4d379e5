#include "datactrls/navigator.h"

#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/record_routines.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/operations.h"
#include "platform/event_guard.h"

#include <QCoreApplication>
#include <QMenu>
#include <QStyle>
#include <QToolButton>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxNavigator", text);
}

constexpr int kMenuPartWidth = 13;
const QString kMenuRoutine = QStringLiteral("TKxINavigatorBtn.Click");

struct TButtonKind {
    const char* hint;
    QStyle::StandardPixmap icon;
};

// In the order of the kinds, which is also the order on screen.
const TButtonKind kButtons[kxNavigatorButtonCount] = {
    {QT_TRANSLATE_NOOP("KxNavigator", "First"), QStyle::SP_MediaSkipBackward},
    {QT_TRANSLATE_NOOP("KxNavigator", "Prior"), QStyle::SP_MediaSeekBackward},
    {QT_TRANSLATE_NOOP("KxNavigator", "Next"), QStyle::SP_MediaSeekForward},
    {QT_TRANSLATE_NOOP("KxNavigator", "Last"), QStyle::SP_MediaSkipForward},
    {QT_TRANSLATE_NOOP("KxNavigator", "Insert"), QStyle::SP_FileDialogNewFolder},
    {QT_TRANSLATE_NOOP("KxNavigator", "Delete"), QStyle::SP_TrashIcon},
    {QT_TRANSLATE_NOOP("KxNavigator", "Edit Data"), QStyle::SP_FileDialogDetailedView},
    {QT_TRANSLATE_NOOP("KxNavigator", "Apply Changes"), QStyle::SP_DialogApplyButton},
    {QT_TRANSLATE_NOOP("KxNavigator", "Cancel Changes"), QStyle::SP_DialogCancelButton},
    {QT_TRANSLATE_NOOP("KxNavigator", "Refresh Data"), QStyle::SP_BrowserReload},
};

bool HasMenu(int kind) {
    return kind == nbInsert || kind == nbDelete || kind == nbRefresh;
}

const TKxMoveDirection kMoves[4] = {mdFirst, mdPrevious, mdNext, mdLast};

} // namespace

TKxINavigator::TKxINavigator(QWidget* parent)
    : QWidget(parent), m_source(new TKxRecordsetIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)), m_insertMenu(new QMenu(this)),
      m_deleteMenu(new QMenu(this)), m_refreshMenu(new QMenu(this)) {
    setObjectName(QStringLiteral("Navigator"));
    for (int kind = 0; kind < kxNavigatorButtonCount; ++kind) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("NavigatorButton%1").arg(kind));
        button->setToolTip(Tr(kButtons[kind].hint));
        button->setIcon(style()->standardIcon(kButtons[kind].icon));
        button->setIconSize(QSize(14, 14));
        button->setAutoRaise(true); // framed when hovered
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(false);
        const auto type = static_cast<TKxINavigatorBtnType>(kind);
        if (kind == nbPrior || kind == nbNext) {
            button->setAutoRepeat(true);
            button->setAutoRepeatDelay(200);
            button->setAutoRepeatInterval(10);
        }
        if (HasMenu(kind)) {
            button->setPopupMode(QToolButton::MenuButtonPopup);
            button->setMenu(kind == nbInsert   ? m_insertMenu
                            : kind == nbDelete ? m_deleteMenu
                                               : m_refreshMenu);
        }
        connect(button, &QToolButton::clicked, this, [this, type] { Click(type); });
        m_buttons[static_cast<std::size_t>(kind)] = button;
        m_visible[static_cast<std::size_t>(kind)] = true;
    }
    BuildMenus();
    const auto update = [this] { KxGuardCall([&] { UpdateButtons(); }); };
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this, update);
    connect(m_signals, &TKxIntfSourceSignals::afterPositionChange, this, update);
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this, update);
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, update);
    resize(25 * kxNavigatorButtonCount, 22);
}

TKxINavigator::~TKxINavigator() {
    KxReleaseViewSource(m_signals, *m_source);
}

IKxUnknown* TKxINavigator::Recordset() const {
    return m_source->InterfaceSource().get();
}

void TKxINavigator::SetRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
    UpdateButtons();
}

void TKxINavigator::SetMultiSelectSource(IKxUnknown* source) {
    if (source != nullptr) {
        const auto count =
            KxGetPropertyIntf<IKxGetCount>(source, QStringLiteral("SelectedPositions"));
        if (!count || !KxQuery<IKxGetIntegerByIndex>(count))
            KxRaise(Tr("%1 doesn't support the Interface: %2")
                        .arg(KxObjectDescription(source).name, QStringLiteral("SelectedPositions")),
                    QStringLiteral("MultiSelectSourceCanBeConnected"), this);
    }
    m_multiSelectSource = KxIntf<IKxUnknown>(source);
}

QToolButton* TKxINavigator::Button(TKxINavigatorBtnType kind) const {
    if (kind < 0 || kind >= kxNavigatorButtonCount)
        KxRaise(KxUnknownValueText(kind, QStringLiteral("TKxINavigatorBtnType")),
                QStringLiteral("CreateBtnPropClass"), this);
    return m_buttons[static_cast<std::size_t>(kind)];
}

bool TKxINavigator::ButtonVisible(TKxINavigatorBtnType kind) const {
    Button(kind);
    return m_visible[static_cast<std::size_t>(kind)];
}

void TKxINavigator::SetButtonVisible(TKxINavigatorBtnType kind, bool visible) {
    Button(kind)->setVisible(visible);
    m_visible[static_cast<std::size_t>(kind)] = visible;
    LayOutButtons();
}

void TKxINavigator::SetInsertKinds(int kinds) {
    m_insertKinds = kinds;
    BuildMenus();
}

void TKxINavigator::SetDeleteKinds(int kinds) {
    m_deleteKinds = kinds;
    BuildMenus();
}

void TKxINavigator::SetRefreshKinds(int kinds) {
    m_refreshKinds = kinds;
    BuildMenus();
}

bool TKxINavigator::CascadedContentsEnabled() const {
    const auto cascaded = KxGetPropertyIntf<IKxCascadedContents>(
        Recordset(), QStringLiteral("CascadedContentsProperties"));
    return cascaded && cascaded->GetEnabled();
}

void TKxINavigator::BuildMenus() {
    const auto item = [this](QMenu* menu, const QString& text, bool isDefault,
                             TKxINavigatorBtnType kind, std::function<void()> action) {
        QAction* entry = menu->addAction(text);
        if (isDefault)
            menu->setDefaultAction(entry);
        connect(entry, &QAction::triggered, this,
                [this, kind, action] { KxGuardCall([&] { Act(kind, action); }); });
        return entry;
    };
    m_insertMenu->clear();
    if (m_insertKinds & ikInsert)
        item(m_insertMenu, Tr("Insert"), true, nbInsert, [this] {
            KxExecuteOperation(Recordset(), roInsert, Tr("Insert"), nullptr, kMenuRoutine);
        });
    if (m_insertKinds & ikInsertChild)
        item(m_insertMenu, Tr("Insert Child"), !(m_insertKinds & ikInsert), nbInsert,
             [this] { KxInsertChild(Recordset()); });
    m_deleteMenu->clear();
    if (m_deleteKinds & dkDelete)
        item(m_deleteMenu, Tr("Delete"), true, nbDelete,
             [this] { KxDeleteRecords(Recordset(), m_multiSelectSource.get()); });
    if (m_deleteKinds & dkDeleteCascaded)
        item(m_deleteMenu, Tr("Delete Recursive"), !(m_deleteKinds & dkDelete), nbDelete,
             [this] { KxDeleteCascaded(Recordset()); });
    m_refreshMenu->clear();
    if (m_refreshKinds & rkRefreshCurrent)
        item(m_refreshMenu, Tr("Refresh Current"), !(m_refreshKinds & rkReExecuteStatement),
             nbRefresh, [this] {
                 KxExecuteOperation(Recordset(), roRefreshCurrent, Tr("Refresh Current"), nullptr,
                                    kMenuRoutine);
             });
    if (m_refreshKinds & rkReExecuteStatement)
        item(m_refreshMenu, Tr("Complete Refresh"), true, nbRefresh, [this] {
            KxExecuteOperation(Recordset(), roReExecuteStatement, Tr("Complete Refresh"), nullptr,
                               kMenuRoutine);
        });
    UpdateButtons();
}

void TKxINavigator::Act(TKxINavigatorBtnType kind, const std::function<void()>& action) {
    bool execute = true;
    if (OnBeforeButtonAction)
        OnBeforeButtonAction(this, kind, execute);
    if (!execute)
        return;
    action();
    if (OnAfterButtonAction)
        OnAfterButtonAction(this, kind);
}

void TKxINavigator::Click(TKxINavigatorBtnType kind) {
    KxGuardCall([&] {
        IKxUnknown* recordset = Recordset();
        const QString routine = QStringLiteral("TKxINavigatorBtn.Click");
        if (HasMenu(kind)) {
            // The face of a menu button runs the menu's default item.
            QMenu* menu = Button(kind)->menu();
            if (QAction* item = menu->defaultAction(); item != nullptr && item->isEnabled())
                item->trigger();
            return;
        }
        Act(kind, [&] {
            switch (kind) {
            case nbFirst:
            case nbPrior:
            case nbNext:
            case nbLast:
                if (KxCanMove(recordset, kMoves[kind]))
                    KxMove(recordset, kMoves[kind]);
                break;
            case nbEdit:
                KxExecuteOperation(recordset, roEdit, Tr("Edit Data"), nullptr, routine);
                break;
            case nbApply:
                KxExecuteOperation(recordset, roApplyChanges, Tr("Apply Changes"), nullptr,
                                   routine);
                break;
            case nbCancel:
                KxExecuteOperation(recordset, roCancelChanges, Tr("Cancel Changes"), nullptr,
                                   routine);
                break;
            default:
                break;
            }
        });
        UpdateButtons();
    });
}

void TKxINavigator::UpdateButtons() {
    IKxUnknown* recordset = Recordset();
    const bool active = recordset != nullptr && KxGetIntfActive(recordset, false);
    const auto can = [&](int operation) {
        return active && KxCanExecuteOperation(recordset, operation);
    };
    for (int kind = nbFirst; kind <= nbLast; ++kind)
        m_buttons[static_cast<std::size_t>(kind)]->setEnabled(active &&
                                                              KxCanMove(recordset, kMoves[kind]));
    const bool cascaded = active && CascadedContentsEnabled();
    m_buttons[nbInsert]->setEnabled(can(roInsert) && m_insertKinds != 0 &&
                                    (m_insertKinds != ikInsertChild || cascaded));
    m_buttons[nbDelete]->setEnabled(can(roDelete) && m_deleteKinds != 0 &&
                                    (m_deleteKinds != dkDeleteCascaded || cascaded));
    m_buttons[nbEdit]->setEnabled(can(roEdit));
    m_buttons[nbApply]->setEnabled(can(roApplyChanges));
    m_buttons[nbCancel]->setEnabled(can(roCancelChanges));
    const bool refreshCurrent = can(roRefreshCurrent);
    const bool reExecute = can(roReExecuteStatement);
    m_buttons[nbRefresh]->setEnabled((refreshCurrent && (m_refreshKinds & rkRefreshCurrent)) ||
                                     (reExecute && (m_refreshKinds & rkReExecuteStatement)));
    const QList<QAction*> refreshItems = m_refreshMenu->actions();
    for (QAction* item : refreshItems)
        item->setEnabled(item->text() == Tr("Refresh Current") ? refreshCurrent : reExecute);
    for (QAction* item : m_deleteMenu->actions()) {
        if (item->text() == Tr("Delete Recursive"))
            item->setEnabled(cascaded);
    }
    for (QAction* item : m_insertMenu->actions())
        item->setEnabled(can(roInsert) && (item->text() != Tr("Insert Child") || cascaded));
}

void TKxINavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutButtons();
}

void TKxINavigator::LayOutButtons() {
    // Every visible button gets an equal share, the menu buttons their drop-down part on top;
    // what the division leaves goes one pixel each to the rightmost buttons.
    int visible = 0;
    int menus = 0;
    for (int kind = 0; kind < kxNavigatorButtonCount; ++kind) {
        if (m_visible[static_cast<std::size_t>(kind)]) {
            ++visible;
            menus += HasMenu(kind) ? 1 : 0;
        }
    }
    if (visible == 0)
        return;
    const int share = (width() - kMenuPartWidth * menus) / visible;
    const int remainder = (width() - kMenuPartWidth * menus) % visible;
    int x = 0;
    for (int kind = 0, placed = 0; kind < kxNavigatorButtonCount; ++kind) {
        if (!m_visible[static_cast<std::size_t>(kind)])
            continue;
        ++placed;
        int buttonWidth = share + (HasMenu(kind) ? kMenuPartWidth : 0);
        if (visible - placed < remainder)
            ++buttonWidth;
        m_buttons[static_cast<std::size_t>(kind)]->setGeometry(x, 0, buttonWidth, height());
        x += buttonWidth;
    }
}

} // namespace kx
