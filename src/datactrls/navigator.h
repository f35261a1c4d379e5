#pragma once

#include "foundation/kx_intf.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QMenu;
class QToolButton;

namespace kx {

class TKxIntfSourceSignals;
class TKxRecordsetIntfSource;

enum TKxINavigatorBtnType : int {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbApply,
    nbCancel,
    nbRefresh,
};
inline constexpr int kxNavigatorButtonCount = nbRefresh + 1;

enum TInsertKind : int { ikInsert = 1, ikInsertChild = 2 };
enum TDeleteKind : int { dkDelete = 1, dkDeleteCascaded = 2 };
enum TRefreshKind : int { rkRefreshCurrent = 1, rkReExecuteStatement = 2 };

// Ten buttons bound to a recordset: first, prior, next, last, insert, delete, edit, apply,
// cancel and refresh. Each is enabled exactly when the recordset can do its action now; insert,
// delete and refresh drop a menu with their variants. Bound to a selection source (the grid's
// "SelectedPositions"), Delete removes every selected record.
class TKxINavigator : public QWidget {
public:
    explicit TKxINavigator(QWidget* parent = nullptr);
    ~TKxINavigator() override;

    TKxRecordsetIntfSource& InterfaceSource() { return *m_source; }
    void SetRecordset(IKxUnknown* recordset);
    // An object with a "SelectedPositions" property offering a count and indexed access;
    // null unbinds. Anything else is refused (routine "MultiSelectSourceCanBeConnected").
    void SetMultiSelectSource(IKxUnknown* source);

    QToolButton* Button(TKxINavigatorBtnType kind) const;
    bool ButtonVisible(TKxINavigatorBtnType kind) const;
    void SetButtonVisible(TKxINavigatorBtnType kind, bool visible);
    // Sets of TInsertKind, TDeleteKind and TRefreshKind.
    int InsertKinds() const { return m_insertKinds; }
    void SetInsertKinds(int kinds);
    int DeleteKinds() const { return m_deleteKinds; }
    void SetDeleteKinds(int kinds);
    int RefreshKinds() const { return m_refreshKinds; }
    void SetRefreshKinds(int kinds);

    // Runs a button's action as a click does (the default item of a menu button).
    void Click(TKxINavigatorBtnType kind);
    // Recomputes which buttons and menu items can be used.
    void UpdateButtons();

    std::function<void(TKxINavigator* navigator, TKxINavigatorBtnType kind, bool& execute)>
        OnBeforeButtonAction;
    std::function<void(TKxINavigator* navigator, TKxINavigatorBtnType kind)> OnAfterButtonAction;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    void LayOutButtons();
    void Act(TKxINavigatorBtnType kind, const std::function<void()>& action);
    bool CascadedContentsEnabled() const;
    IKxUnknown* Recordset() const;

    std::unique_ptr<TKxRecordsetIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    KxIntf<IKxUnknown> m_multiSelectSource;
    std::array<QToolButton*, kxNavigatorButtonCount> m_buttons{};
    std::array<bool, kxNavigatorButtonCount> m_visible{};
    QMenu* m_insertMenu;
    QMenu* m_deleteMenu;
    QMenu* m_refreshMenu;
    int m_insertKinds = ikInsert;
    int m_deleteKinds = dkDelete;
    int m_refreshKinds = rkRefreshCurrent | rkReExecuteStatement;
};

} // namespace kx
