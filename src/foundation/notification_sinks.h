#pragma once

#include "foundation/connection_points.h"
#include "foundation/kx_variant.h"

#include <QString>
#include <functional>
#include <variant>
#include <vector>

namespace kx {

// The notification interfaces a sink implements to hear from a connectable component, and
// the one routine that sends notifications to the sinks.

// Sent when a connectable component is destroyed, to every sink of every connection point:
// the sink must unadvise and drop every reference it holds to the component.
class IKxReleaseReferences : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A79, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x09}};
    // `connection` is the sink's own connection on the point (its cookie included).
    virtual void ReleaseReferences(IConnectionPointContainer* container,
                                   const CONNECTDATA& connection) = 0;
};

class IKxActiveChangeSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7A, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0A}};
    virtual void BeforeActiveChange(bool newActive) = 0;
    virtual void AfterActiveChange(bool newActive) = 0;
};

class IKxPositionChangeSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7B, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0B}};
    virtual void BeforePositionChange() = 0;
    virtual void AfterPositionChange() = 0;
};

class IKxOperationSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7C, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0C}};
    virtual void BeforeOperation(int operation, IKxUnknown* parameter) = 0;
    virtual void AfterOperation(int operation, IKxUnknown* parameter) = 0;
};

class IKxFieldValueChangeSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7D, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0D}};
    virtual void AfterFieldValueChange(const QString& fieldName) = 0;
};

class IKxValidateFieldValuesSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7E, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0E}};
    virtual void ValidateFieldValues() = 0;
};

class IKxSQLChangeSink : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A7F, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x0F}};
    virtual void AfterSQLChange() = 0;
};

// The notification switch of a connectable component. Disabling nests: the first disable and
// the last enable call the component's hooks with their kind (what the kind means is the
// component's business). Both answer the new count.
class IKxEnableNotifications : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A80, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x18, 0x00}};
    virtual int GetNotifyDisableCount() const = 0;
    virtual int EnableNotifications(int kind) = 0;
    virtual int DisableNotifications(int kind) = 0;
};

// A parameter of a notification: a value or an interface (the operation's parameter object).
using TKxSinkParameter = std::variant<KxVariant, KxIntf<IKxUnknown>>;
using TKxSinkParameters = std::vector<TKxSinkParameter>;

// Calls one sink. The sink is asked for the notification interface; one without it is skipped.
using TKxSinkCallback = void (*)(IKxUnknown* sink, const TKxSinkParameters& parameters);

// Sends a notification: to the sinks of the connection point for `iid` (nothing happens when
// the component has none), or of every point when `iid` is GUID_NULL. Sinks are met newest
// first. With `enabled` false only sinks that answer AskBoolean(qid::AlwaysNotify) with true
// are called. An exception of a callback ends the dispatch and propagates; the callbacks of
// after-notifications swallow what their sinks raise, so only before-notifications and
// validation can stop the sender.
void KxNotifySinks(IKxUnknown* component, const KxGuid& iid, TKxSinkCallback callback,
                   const TKxSinkParameters& parameters, bool enabled);

// Whether a sink is to be called: it is not null and notifications are enabled, or it asks
// to be notified always.
bool KxSinkAcceptsNotification(IKxUnknown* sink, bool enabled);

// The callbacks. Raising ones: deactivate (IKxGetSetActive.SetActive(false)), before/after
// active change (parameter: new active), before position change, before operation
// (operation, optional parameter object), validate field values. Swallowing ones: after
// position change, after operation, after field value change (field name), after SQL change.
void KxCallSinkDeactivate(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkBeforeActiveChange(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkAfterActiveChange(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkBeforePositionChange(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkAfterPositionChange(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkBeforeOperation(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkAfterOperation(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkAfterFieldValueChange(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkValidateFieldValues(IKxUnknown* sink, const TKxSinkParameters& parameters);
void KxCallSinkAfterSQLChange(IKxUnknown* sink, const TKxSinkParameters& parameters);

// Sends ReleaseReferences to every sink of every connection point of the container, enabled
// or not, swallowing what the sinks raise. A sink unadvised by an earlier sink's reaction is
// not called any more.
void KxSendReleaseReferences(IConnectionPointContainer* container);

// "Unsupported number of Parameter: %d".
QString KxUnsupportedParameterCountText(int count);

} // namespace kx
