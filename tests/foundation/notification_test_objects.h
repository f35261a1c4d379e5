#pragma once

// Sinks and components shared by the notification tests. Every object writes what happens
// to it into one log, so a test can check the order of events across objects.

#include "foundation/activatable_component.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connector.h"
#include "foundation/questions.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace kx::test {

// A log as one line, entries separated by "|".
inline QString Joined(const QStringList& log) {
    return log.join(QLatin1Char('|'));
}

// Runs `call`, expecting EKxException with the message and routine given.
inline void ExpectRaises(const std::function<void()>& call, const QString& message,
                         const QString& routine) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << message.toStdString();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), message);
        EXPECT_EQ(e.GetRoutineName(), routine);
    }
}

// A sink of the position, operation and activation notifications.
class TRecordingSink : public TKxInterfacedObject,
                       public virtual IKxPositionChangeSink,
                       public virtual IKxOperationSink,
                       public virtual IKxActiveChangeSink,
                       public virtual IKxAskBoolean {
public:
    TRecordingSink(QString name, QStringList* log) : m_name(std::move(name)), m_log(log) {}

    bool alwaysNotify = false;
    bool raiseBefore = false;
    bool raiseAfter = false;
    IKxUnknown* lastParameter = nullptr;

    void BeforePositionChange() override { Record(QStringLiteral("before position"), raiseBefore); }
    void AfterPositionChange() override { Record(QStringLiteral("after position"), raiseAfter); }
    void BeforeOperation(int operation, IKxUnknown* parameter) override {
        lastParameter = parameter;
        Record(QStringLiteral("before op %1").arg(operation), raiseBefore);
    }
    void AfterOperation(int operation, IKxUnknown* parameter) override {
        lastParameter = parameter;
        Record(QStringLiteral("after op %1").arg(operation), raiseAfter);
    }
    void BeforeActiveChange(bool newActive) override {
        Record(QStringLiteral("sink before %1").arg(newActive), raiseBefore);
    }
    void AfterActiveChange(bool newActive) override {
        Record(QStringLiteral("sink after %1").arg(newActive), raiseAfter);
    }
    int AskBoolean(int id) override {
        return id == qid::AlwaysNotify ? KxBooleanAnswer(alwaysNotify) : baUnknown;
    }

private:
    void Record(const QString& what, bool raise) {
        m_log->append(m_name + QStringLiteral(": ") + what);
        if (raise)
            KxRaise(m_name + QStringLiteral(" refuses"), QStringLiteral("TRecordingSink"));
    }

    QString m_name;
    QStringList* m_log;
};

// A connectable component with position and operation points, recording its hooks and
// publishing one interface property.
class TTestConnectable : public TKxConnectableComponent {
public:
    explicit TTestConnectable(QStringList* log, QObject* owner = nullptr)
        : TKxConnectableComponent(owner), m_log(log) {
        AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>());
        AddConnectionPoint(KxInterfaceId::Of<IKxOperationSink>());
    }

    KxIntf<IKxUnknown> partner;
    bool partnerPublishedEmpty = false;

protected:
    void NotificationsDisabled(int kind) override {
        m_log->append(QStringLiteral("disabled %1").arg(kind));
    }
    void NotificationsEnabled(int kind) override {
        m_log->append(QStringLiteral("enabled %1").arg(kind));
    }
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override {
        static const TKxPublishedIntf<TTestConnectable> table[] = {
            {"Partner", [](const TTestConnectable& c) { return c.partner; }},
        };
        return KxFindPublishedIntf(*this, table, name, value) ||
               TKxConnectableComponent::FindPublishedProperty(name, value);
    }

private:
    QStringList* m_log;
};

// A handle component whose open can be made to fail; it records its hooks and events.
class TTestHandleComponent : public TKxHandleActivateComponent {
public:
    explicit TTestHandleComponent(QStringList* log, const QString& name = QStringLiteral("comp"),
                                  QObject* owner = nullptr)
        : TKxHandleActivateComponent(owner), m_log(log) {
        SetName(name);
        OnBeforeActiveChange = [this](TKxActivatableComponent*, bool newActive) {
            m_log->append(Name() + QStringLiteral(": event before %1").arg(newActive));
        };
        OnAfterActiveChange = [this](TKxActivatableComponent*, bool newActive) {
            m_log->append(Name() + QStringLiteral(": event after %1").arg(newActive));
        };
    }
    ~TTestHandleComponent() override { CloseBeforeDestroy(); }

    bool failOpen = false;

protected:
    void BeforeOpen() override { Record(QStringLiteral("BeforeOpen")); }
    void AfterOpen() override { Record(QStringLiteral("AfterOpen")); }
    void BeforeClose() override { Record(QStringLiteral("BeforeClose")); }
    void AfterClose() override { Record(QStringLiteral("AfterClose")); }
    void AllocHandle() override {
        SetHandle(0x1234);
        Record(QStringLiteral("AllocHandle"));
        if (failOpen)
            KxRaise(QStringLiteral("no connection"), QStringLiteral("AllocHandle"), this);
    }
    void FreeHandle() override {
        Record(QStringLiteral("FreeHandle"));
        TKxHandleActivateComponent::FreeHandle();
    }

private:
    void Record(const QString& what) { m_log->append(Name() + QStringLiteral(": ") + what); }
    QStringList* m_log;
};

// A handle component that depends on another one: it advises itself on the source's
// activation point and closes when the source tells its dependants to close.
class TTestDependant : public TTestHandleComponent, public virtual IKxActiveChangeSink {
public:
    using TTestHandleComponent::TTestHandleComponent;
    ~TTestDependant() override { CloseBeforeDestroy(); }

    void BeforeActiveChange(bool) override {}
    void AfterActiveChange(bool) override {}
};

} // namespace kx::test
