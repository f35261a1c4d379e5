#include "foundation/activatable_component.h"

#include <QCoreApplication>

namespace kx {

// ---- TKxActivationProperties

TKxActivationProperties::TKxActivationProperties(IKxUnknown* owner, bool storeActive)
    : m_owner(owner), m_storeActive(storeActive) {}

TKxActivationProperties::~TKxActivationProperties() = default;

bool TKxActivationProperties::Active() const {
    return KxCheckQueryInterface<IKxGetActive>(m_owner,
                                               QStringLiteral("TKxActivationProperties.GetActive"))
        ->GetActive();
}

void TKxActivationProperties::SetActive(bool value) {
    KxCheckQueryInterface<IKxGetSetActive>(m_owner,
                                           QStringLiteral("TKxActivationProperties.SetActive"))
        ->SetActive(value);
}

bool TKxActivationProperties::ActiveIsStored() const {
    return m_storeActive && KxGetIntfActive(m_owner, false);
}

void TKxActivationProperties::Assign(const TKxActivationProperties& source) {
    if (&source == this)
        return;
    m_storeActive = source.m_storeActive;
    SetActive(source.Active());
}

// ---- TKxActivatableComponent

TKxActivatableComponent::TKxActivatableComponent(QObject* owner, TKxLifetime lifetime)
    : TKxConnectableComponent(owner, lifetime) {
    AddConnectionPoint(KxInterfaceId::Of<IKxActiveChangeSink>());
}

TKxActivatableComponent::~TKxActivatableComponent() = default;

std::unique_ptr<TKxActivationProperties> TKxActivatableComponent::ActivationPropertiesClass() {
    return std::make_unique<TKxActivationProperties>(static_cast<IKxUnknown*>(this));
}

TKxActivationProperties* TKxActivatableComponent::ActivationProperties() {
    if (!m_activationProperties)
        m_activationProperties = ActivationPropertiesClass();
    return m_activationProperties.get();
}

void TKxActivatableComponent::SetActive(bool value) {
    if (IsLoading()) {
        m_activeWhenLoaded = value;
        return;
    }
    ChangeActive(value);
}

void TKxActivatableComponent::ChangeActive(bool value) {
    if (m_changingTo == value)
        return;
    const std::optional<bool> outer = m_changingTo;
    m_changingTo = value;
    try {
        if (value)
            Open();
        else
            Close();
    } catch (...) {
        m_changingTo = outer;
        throw;
    }
    m_changingTo = outer;
}

void TKxActivatableComponent::Open() {
    if (GetActive())
        return;
    CheckCanActivate(QStringLiteral("SetActive"));
    DoBeforeActiveChange(true);
    BeforeOpen();
    try {
        InternalOpen();
    } catch (...) {
        // Whatever the failed open did allocate goes again; the open's own error is the one
        // worth reporting.
        try {
            InternalClose();
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
        throw;
    }
    AfterOpen();
    DoAfterActiveChange(true);
}

void TKxActivatableComponent::Close() {
    if (!GetActive())
        return;
    DoBeforeActiveChange(false);
    BeforeClose();
    InternalClose();
    AfterClose();
    DoAfterActiveChange(false);
}

void TKxActivatableComponent::Loaded() {
    TKxConnectableComponent::Loaded();
    if (m_activeWhenLoaded)
        SetActive(true);
}

void TKxActivatableComponent::CheckCanActivate(const QString& routineName) {
    if (m_hasUnresolvedReferences)
        KxRaise(QCoreApplication::translate("KxFoundation",
                                            "Can't open Component %1 because it is linked to "
                                            "Components on other Forms that haven't been "
                                            "Created jet")
                    .arg(Name()),
                routineName, this);
}

void TKxActivatableComponent::CheckIsActive(const QString& name) {
    // Describing the object costs more than the check: only a failing check needs it.
    if (!GetActive())
        KxCheckObjIsActive(false, name, this);
}

void TKxActivatableComponent::CheckIsInactive(const QString& name) {
    if (!GetActive())
        return;
    if (IsLoading()) {
        m_activeWhenLoaded = false;
        ChangeActive(false);
        return;
    }
    KxCheckObjIsInActive(true, name, this);
}

void TKxActivatableComponent::BeforeOpen() {}
void TKxActivatableComponent::AfterOpen() {}
void TKxActivatableComponent::BeforeClose() {}
void TKxActivatableComponent::AfterClose() {}
void TKxActivatableComponent::InternalOpen() {}

void TKxActivatableComponent::DoBeforeActiveChange(bool newActive) {
    if (OnBeforeActiveChange && CanCallEvents())
        OnBeforeActiveChange(this, newActive);
    NotifySinks(IKxActiveChangeSink::IID, KxCallSinkBeforeActiveChange, {KxVariant(newActive)});
}

void TKxActivatableComponent::DoAfterActiveChange(bool newActive) {
    NotifySinks(IKxActiveChangeSink::IID, KxCallSinkAfterActiveChange, {KxVariant(newActive)});
    if (OnAfterActiveChange && CanCallEvents()) {
        try {
            OnAfterActiveChange(this, newActive);
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
    }
}

void TKxActivatableComponent::CloseBeforeDestroy() noexcept {
    if (m_closedForDestroy)
        return;
    m_closedForDestroy = true;
    try {
        if (DeactivateOnDestroy() && GetActive())
            ChangeActive(false);
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

// ---- TKxHandleActivateComponent

TKxHandleActivateComponent::TKxHandleActivateComponent(QObject* owner, TKxLifetime lifetime)
    : TKxActivatableComponent(owner, lifetime) {}

TKxHandleActivateComponent::~TKxHandleActivateComponent() {
    CloseBeforeDestroy();
}

void TKxHandleActivateComponent::FreeHandle() {
    m_handle = 0;
}

void TKxHandleActivateComponent::InternalOpen() {
    if (!HandleAllocated())
        AllocHandle();
}

void TKxHandleActivateComponent::InternalClose() {
    TKxActivatableComponent::InternalClose();
    if (HandleAllocated())
        FreeHandle();
}

} // namespace kx
