#include "datactrls/position_edit.h"

#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/value_interfaces.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/questions.h"
#include "platform/event_guard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <climits>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxPositionEdit", text);
}

} // namespace

TKxIPositionEdit::TKxIPositionEdit(QWidget* parent)
    : QSpinBox(parent), m_source(new TKxRecordsetIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)) {
    setObjectName(QStringLiteral("PositionEdit"));
    setRange(0, INT_MAX);
    // Typing does not move; Enter, the arrows and the spin buttons do.
    setKeyboardTracking(false);
    setAccelerated(true);
    connect(this, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_showing)
            KxGuardCall([&] { MoveTo(value); });
    });
    const auto refresh = [this] {
        KxGuardCall([&] {
            ReflectState();
            ShowPosition();
        });
    };
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this, refresh);
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, refresh);
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this, refresh);
    connect(m_signals, &TKxIntfSourceSignals::afterPositionChange, this,
            [this] { KxGuardCall([&] { ShowPosition(); }); });
    ReflectState();
    ShowPosition();
}

TKxIPositionEdit::~TKxIPositionEdit() {
    KxReleaseViewSource(m_signals, *m_source);
}

IKxUnknown* TKxIPositionEdit::Recordset() const {
    return m_source->InterfaceSource().get();
}

void TKxIPositionEdit::SetRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
    ReflectState();
    ShowPosition();
}

void TKxIPositionEdit::ReflectState() {
    IKxUnknown* recordset = Recordset();
    m_reflection.Apply(*this, palette(), recordset != nullptr,
                       recordset != nullptr ? m_source->GetRecordsetState() : rsInactive);
    // Only a result that can be moved about can be moved to a number.
    setEnabled(recordset != nullptr && KxAskBoolean(recordset, qid::ActiveAndScrollable, false));
}

void TKxIPositionEdit::ShowPosition() {
    const auto position = KxQuery<IKxGetPosition>(Recordset());
    m_showing = true;
    setValue(position
                 ? static_cast<int>(std::clamp<std::int64_t>(position->GetPosition(), 0, INT_MAX))
                 : 0);
    m_showing = false;
}

void TKxIPositionEdit::MoveTo(int position) {
    const auto setter = KxQuery<IKxGetSetPosition>(Recordset());
    if (setter && KxGetIntfActive(Recordset(), false))
        setter->SetPosition(position);
    // The recordset clamps; show where it got to (also when it did not move at all).
    ShowPosition();
}

int TKxIPositionEdit::CheckedValue(int value) const {
    IKxUnknown* recordset = Recordset();
    if (recordset == nullptr || !KxGetIntfActive(recordset, false))
        return 0;
    const auto counter = KxQuery<IKxGetCount>(recordset);
    if (!counter)
        return value;
    const int count = std::max(counter->GetCount(), 1);
    return std::clamp(value, 1, count);
}

void TKxIPositionEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        interpretText();
        KxGuardCall([&] { MoveTo(valueFromText(lineEdit()->text())); });
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void TKxIPositionEdit::focusOutEvent(QFocusEvent* event) {
    // Leaving brings the number within the records without moving there.
    m_showing = true;
    QSpinBox::focusOutEvent(event);
    setValue(CheckedValue(value()));
    m_showing = false;
}

QString TKxIPositionEdit::HintText() const {
    QString hint = toolTip();
    if (hint.isEmpty())
        hint = Tr("Record Position: [<Min> .. <Max>]");
    const auto counter = KxQuery<IKxGetCount>(Recordset());
    return hint.replace(QStringLiteral("<Min>"), QStringLiteral("1"))
        .replace(QStringLiteral("<Max>"),
                 counter ? QString::number(counter->GetCount()) : QStringLiteral("?"));
}

bool TKxIPositionEdit::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QString hint;
        KxGuardCall([&] { hint = HintText(); });
        const QString kept = toolTip();
        setToolTip(hint);
        const bool handled = QSpinBox::event(event);
        setToolTip(kept);
        return handled;
    }
    return QSpinBox::event(event);
}

} // namespace kx
