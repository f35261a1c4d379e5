#include "dbcore/intf_source_signals.h"

#include "foundation/application_exception_handler.h"

#include <QPointer>
#include <utility>

namespace kx {
namespace {

// Wraps `event` so that it first calls what it held and then `emitter` while the adapter
// lives. Handlers take their arguments by value so the wrapper can forward them to both.
template <class... Args, class Emit>
void Chain(std::function<void(Args...)>& event, QPointer<TKxIntfSourceSignals> adapter,
           Emit emitter) {
    event = [previous = std::move(event), adapter, emitter](Args... args) {
        if (previous)
            previous(args...);
        if (adapter)
            emitter(adapter.data(), args...);
    };
}

} // namespace

TKxIntfSourceSignals::TKxIntfSourceSignals(TKxRecordsetIntfSource* source, QObject* parent)
    : QObject(parent), m_source(source) {
    const QPointer<TKxIntfSourceSignals> self(this);
    Chain(source->OnBeforeActiveChange, self,
          [](TKxIntfSourceSignals* a, bool active) { Q_EMIT a->beforeActiveChange(active); });
    Chain(source->OnAfterActiveChange, self,
          [](TKxIntfSourceSignals* a, bool active) { Q_EMIT a->afterActiveChange(active); });
    Chain(source->OnBeforePositionChange, self,
          [](TKxIntfSourceSignals* a) { Q_EMIT a->beforePositionChange(); });
    Chain(source->OnAfterPositionChange, self,
          [](TKxIntfSourceSignals* a) { Q_EMIT a->afterPositionChange(); });
    Chain(source->OnBeforeOperation, self, [](TKxIntfSourceSignals* a, int operation, IKxUnknown*) {
        Q_EMIT a->beforeOperation(operation);
    });
    Chain(source->OnAfterOperation, self, [](TKxIntfSourceSignals* a, int operation, IKxUnknown*) {
        Q_EMIT a->afterOperation(operation);
    });
    Chain(source->OnAfterFieldValueChange, self,
          [](TKxIntfSourceSignals* a, IKxUnknown*, const QString& name) {
              Q_EMIT a->afterFieldValueChange(name);
          });
    Chain(source->OnAfterSQLChange, self,
          [](TKxIntfSourceSignals* a) { Q_EMIT a->afterSQLChange(); });
    Chain(source->OnValidateFieldValues, self,
          [](TKxIntfSourceSignals* a) { Q_EMIT a->validateFieldValues(); });
    Chain(source->OnAfterIntfSourceChange, self,
          [](TKxIntfSourceSignals* a, IKxUnknown*, IKxUnknown*) { Q_EMIT a->sourceChanged(); });

    const auto nameChanged = [](TKxIntfSourceSignals* a, IKxUnknown*, const QString& oldName,
                                const QString& newName) {
        Q_EMIT a->fieldNameChanged(oldName, newName);
    };
    if (auto* field = dynamic_cast<TKxFieldIntfSource*>(source))
        Chain(field->OnAfterFieldNameChange, self, nameChanged);
    else if (auto* tree = dynamic_cast<TKxTreeIntfSource*>(source))
        Chain(tree->OnAfterFieldNameChange, self, nameChanged);
}

void KxReleaseViewSource(TKxIntfSourceSignals*& signals, TKxRecordsetIntfSource& source) noexcept {
    delete signals;
    signals = nullptr;
    try {
        source.SetInterfaceSource(nullptr);
    } catch (...) {
        KxHandleCurrentException();
    }
}

} // namespace kx
