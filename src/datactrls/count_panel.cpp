#include "datactrls/count_panel.h"

#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "foundation/operations.h"
#include "platform/event_guard.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxCountPanel", text);
}

} // namespace

TKxICountPanel::TKxICountPanel(QWidget* parent)
    : QLabel(parent), m_source(new TKxRecordsetIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)) {
    setObjectName(QStringLiteral("CountPanel"));
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    resize(70, 20);
    const auto refresh = [this] { KxGuardCall([&] { Refresh(); }); };
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this, refresh);
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, refresh);
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this, [this](int operation) {
        if (operation == roDelete || operation == roApplyChanges || operation == roRefreshCurrent ||
            operation == roReExecuteStatement)
            KxGuardCall([&] { Refresh(); });
    });
    Refresh();
}

TKxICountPanel::~TKxICountPanel() {
    KxReleaseViewSource(m_signals, *m_source);
}

void TKxICountPanel::SetRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
    Refresh();
}

void TKxICountPanel::SetDisplayTextFormatString(const QString& format) {
    if (format == m_format)
        return;
    const QString routine = QStringLiteral("SetDisplayTextFormatString");
    if (!format.contains(QStringLiteral("%s")))
        KxRaise(Tr("There is no format parameter of type '%s' in the format string"), routine,
                this);
    if (format.count(QLatin1Char('%')) != 1)
        KxRaise(Tr("There must be exactly one format parameter of type '%s' in the format string"),
                routine, this);
    m_format = format;
    Refresh();
}

void TKxICountPanel::SetDisplayStrForNegativeCount(const QString& text) {
    m_unknown = text;
    Refresh();
}

QString TKxICountPanel::CountText() const {
    const QString format = m_format.isEmpty() ? Tr("Count: %s") : m_format;
    const auto counter = KxQuery<IKxGetCount>(m_source->InterfaceSource().get());
    const int count = counter ? counter->GetCount() : -1;
    const QString number = count >= 0            ? QString::number(count)
                           : m_unknown.isEmpty() ? QStringLiteral("?")
                                                 : m_unknown;
    return QString(format).replace(QStringLiteral("%s"), number);
}

void TKxICountPanel::Refresh() {
    setText(CountText());
}

} // namespace kx
