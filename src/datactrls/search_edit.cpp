#include "datactrls/search_edit.h"

#include "dbcore/field_value_text.h"
#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/name_value_match.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/sort_order.h"
#include "dbcore/statement_interfaces.h"
#include "dbcore/value_interfaces.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "platform/event_guard.h"

#include <QCoreApplication>
#include <QEvent>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxSearchEdit", text);
}

} // namespace

TKxISearchEdit::TKxISearchEdit(QWidget* parent)
    : QLineEdit(parent), m_source(new TKxFieldIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)) {
    setObjectName(QStringLiteral("SearchEdit"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] { KxGuardCall([&] { Search(); }); });
    // The search runs once, the delay after the last keystroke.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_silent)
            m_timer.start();
    });
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this,
            [this](bool active) { KxGuardCall([&] { AfterActiveChange(active); }); });
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, [this] {
        KxGuardCall(
            [&] { AfterActiveChange(KxGetIntfActive(m_source->InterfaceSource().get(), false)); });
    });
    connect(m_signals, &TKxIntfSourceSignals::fieldNameChanged, this, [this] {
        if (!KxGetIntfActive(m_source->InterfaceSource().get(), false))
            SetTextSilently(QString());
    });
    connect(m_signals, &TKxIntfSourceSignals::afterSQLChange, this, [this] {
        if (!KxGetIntfActive(m_source->InterfaceSource().get(), false))
            SetTextSilently(QString());
    });
    AfterActiveChange(false);
}

TKxISearchEdit::~TKxISearchEdit() {
    m_timer.stop();
    KxReleaseViewSource(m_signals, *m_source);
}

void TKxISearchEdit::SetRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
    AfterActiveChange(KxGetIntfActive(recordset, false));
}

void TKxISearchEdit::SetFieldName(const QString& fieldName) {
    m_source->SetFieldName(fieldName);
}

void TKxISearchEdit::SetSearchDelay(int milliseconds) {
    const bool running = m_timer.isActive();
    m_timer.setInterval(milliseconds);
    if (running)
        m_timer.start();
}

void TKxISearchEdit::SetTextSilently(const QString& text) {
    m_silent = true;
    setText(text);
    end(false);
    m_silent = false;
}

void TKxISearchEdit::AfterActiveChange(bool active) {
    IKxUnknown* recordset = m_source->InterfaceSource().get();
    m_reflection.Apply(*this, palette(), recordset != nullptr,
                       recordset != nullptr ? m_source->GetRecordsetState() : rsInactive);
    m_timer.stop();
    SetTextSilently(QString());
    if (!active || maxLength() != 32767 || m_source->FieldName().isEmpty())
        return;
    // Nothing longer than the column can show can be found in it.
    KxIntf<IKxUnknown> field;
    if (m_source->GetFieldIntf(KxInterfaceId::Of<IKxAskInteger>(), field) == hr::S_Ok) {
        const int length = KxQuery<IKxAskInteger>(field)->AskInteger(vid::DisplayLength);
        if (length > 0 && length != kxUnsupportedValue)
            setMaxLength(length);
    }
}

QString TKxISearchEdit::SearchColumn() const {
    if (!m_source->FieldName().isEmpty())
        return m_source->FieldName();
    QString first;
    const auto sorting = KxQuery<IKxGetFirstSortField>(m_source->InterfaceSource().get());
    if (!sorting || !sorting->GetFirstSortField(first))
        return {};
    // A quoted name (as a title click writes one) names the field without its quotes.
    if (first.size() >= 2 &&
        (first.front() == QLatin1Char('"') || first.front() == QLatin1Char('`')))
        first = first.mid(1, first.size() - 2);
    else if (first.size() >= 2 && first.front() == QLatin1Char('['))
        first = first.mid(1, first.size() - 2);
    return first;
}

QString TKxISearchEdit::HintText() const {
    QString hint = toolTip();
    if (hint.isEmpty())
        hint = Tr("Search in column: \"<ColName>\"");
    const QString column = SearchColumn();
    return hint.replace(QStringLiteral("<ColName>"),
                        column.isEmpty() ? Tr("<No sort order available>") : column);
}

bool TKxISearchEdit::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The hint names the column of the moment.
        QString hint;
        KxGuardCall([&] { hint = HintText(); });
        const QString kept = toolTip();
        setToolTip(hint);
        const bool handled = QLineEdit::event(event);
        setToolTip(kept);
        return handled;
    }
    return QLineEdit::event(event);
}

void TKxISearchEdit::Search() {
    m_timer.stop();
    IKxUnknown* recordset = m_source->InterfaceSource().get();
    const auto locate = KxQuery<IKxLocateValues>(recordset);
    const QString column = SearchColumn();
    if (!KxGetIntfActive(recordset, false) || !locate || column.isEmpty())
        return;
    // A named column becomes the sort order (one execution, the first time).
    if (!m_source->FieldName().isEmpty()) {
        if (const auto sorting = KxQuery<IKxSetFieldSortOrder>(recordset))
            sorting->SetFieldSortOrder(m_source->FieldName(), soAscending, false, true);
    }
    const auto fields = KxQuery<IKxGetItemByName>(recordset);
    KxIntf<IKxUnknown> field;
    if (!fields || fields->GetItemByName(column, field) != hr::S_Ok)
        return;
    const auto properties = KxQuery<IKxFieldProperties>(field);
    if (!properties)
        return;
    const KxVariant value = ConvertStringToFieldType(text(), properties->GetDataType());
    const KxIntf<TKxNameAndValueMatchList> values(
        new TKxNameAndValueMatchList({{column, value, mtClosest, false}}));
    locate->LocateValues(static_cast<IKxGetItemByIndex*>(values.get()));
}

} // namespace kx
