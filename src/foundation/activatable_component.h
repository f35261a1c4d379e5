#pragma once

#include "foundation/activation_interfaces.h"
#include "foundation/connectable_component.h"

#include <functional>
#include <memory>
#include <optional>

namespace kx {

class TKxActivatableComponent;

using TKxActiveChangeEvent = std::function<void(TKxActivatableComponent* sender, bool newActive)>;

// The activation settings of a component as they are stored with it: `Active` reads and
// writes the owner's state through its interfaces; `StoreActive` says whether an open owner
// is stored as open.
class TKxActivationProperties {
public:
    // `owner` owns these properties and outlives them.
    explicit TKxActivationProperties(IKxUnknown* owner, bool storeActive = false);
    virtual ~TKxActivationProperties();

    TKxActivationProperties(const TKxActivationProperties&) = delete;
    TKxActivationProperties& operator=(const TKxActivationProperties&) = delete;

    // Raise the standard interface errors (routine names TKxActivationProperties.GetActive /
    // TKxActivationProperties.SetActive) when the owner cannot tell or cannot change.
    bool Active() const;
    void SetActive(bool value);
    bool StoreActive() const { return m_storeActive; }
    void SetStoreActive(bool value) { m_storeActive = value; }
    // Whether `Active` goes into the stored form: only an open owner that asks for it.
    bool ActiveIsStored() const;

    // Copies StoreActive and Active (which opens or closes the owner).
    virtual void Assign(const TKxActivationProperties& source);

    IKxUnknown* Owner() const { return m_owner; }

private:
    IKxUnknown* m_owner;
    bool m_storeActive;
};

// The same, storing an open owner as open unless told otherwise.
class TKxActivationStoredProperties : public TKxActivationProperties {
public:
    explicit TKxActivationStoredProperties(IKxUnknown* owner)
        : TKxActivationProperties(owner, true) {}
};

// A connectable component that can be opened and closed. Opening and closing run the hooks
// and events in a fixed order and tell the sinks of IKxActiveChangeSink before and after;
// a before-event or a sink that raises stops the change. While the component is being loaded
// the requested state is remembered and applied by Loaded.
//
// A class that implements GetActive must call CloseBeforeDestroy at the start of its own
// destructor: by the time this class's destructor runs, the subclass can no longer tell its
// state nor close itself.
class TKxActivatableComponent : public TKxConnectableComponent,
                                public virtual IKxCheckActive,
                                public virtual IKxGetSetActive {
public:
    explicit TKxActivatableComponent(QObject* owner = nullptr,
                                     TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxActivatableComponent() override;

    bool GetActive() const override = 0;
    void SetActive(bool value) override;
    bool Active() const { return GetActive(); }

    // Created on first use by ActivationPropertiesClass.
    TKxActivationProperties* ActivationProperties();

    bool ActiveWhenLoaded() const { return m_activeWhenLoaded; }
    void Loaded() override;

    // Set by the loading code while the component refers to components of forms that do not
    // exist yet; such a component cannot be opened.
    bool HasUnresolvedReferences() const { return m_hasUnresolvedReferences; }
    void SetHasUnresolvedReferences(bool value) { m_hasUnresolvedReferences = value; }

    virtual void CheckCanActivate(const QString& routineName);
    void CheckIsActive(const QString& name) override;
    // While loading, an open component is closed silently instead.
    void CheckIsInactive(const QString& name) override;

    TKxActiveChangeEvent OnBeforeActiveChange;
    TKxActiveChangeEvent OnAfterActiveChange;

protected:
    virtual std::unique_ptr<TKxActivationProperties> ActivationPropertiesClass();

    virtual void BeforeOpen();
    virtual void AfterOpen();
    virtual void BeforeClose();
    virtual void AfterClose();
    // The event (when events may be called), then the sinks; both may raise.
    virtual void DoBeforeActiveChange(bool newActive);
    // The sinks, then the event, whose exceptions are swallowed.
    virtual void DoAfterActiveChange(bool newActive);
    virtual void InternalOpen();
    virtual bool DeactivateOnDestroy() const { return true; }

    // Closes an open component (when DeactivateOnDestroy) from a destructor; errors are
    // traced, since a destructor cannot pass them on. Later calls do nothing.
    void CloseBeforeDestroy() noexcept;

private:
    void ChangeActive(bool value);
    void Open();
    void Close();

    std::unique_ptr<TKxActivationProperties> m_activationProperties;
    // The state a change in progress is heading for; a request for the same state while it
    // runs (a dependant closing its source during the source's own close) is ignored.
    std::optional<bool> m_changingTo;
    bool m_activeWhenLoaded = false;
    bool m_hasUnresolvedReferences = false;
    bool m_closedForDestroy = false;
};

// An activatable component whose open state is an allocated handle (0 = none).
class TKxHandleActivateComponent : public TKxActivatableComponent, public virtual IKxGetHandle {
public:
    explicit TKxHandleActivateComponent(QObject* owner = nullptr,
                                        TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxHandleActivateComponent() override;

    bool GetActive() const override { return HandleAllocated(); }
    std::uintptr_t GetHandle() const override { return m_handle; }
    virtual bool HandleAllocated() const { return m_handle != 0; }

protected:
    // Allocates the handle and stores it with SetHandle.
    virtual void AllocHandle() = 0;
    // Frees the handle; this base version only forgets it, so overrides call it last.
    virtual void FreeHandle();
    void SetHandle(std::uintptr_t handle) { m_handle = handle; }

    void InternalOpen() override;
    // Dependants close first, then the handle is freed.
    void InternalClose() override;

private:
    std::uintptr_t m_handle = 0;
};

} // namespace kx
