#pragma once

#include "dbcore/interface_sources.h"

#include <QObject>
#include <QString>

namespace kx {

// Turns the events of an interface source into Qt signals, so that a view connects to
// signals instead of translating the recordset's notifications itself. The adapter takes
// the source's events over and calls the handlers that were assigned before it, first.
//
// The source must outlive the adapter's use of it; after the adapter is destroyed, the
// events only call those earlier handlers. Slots must not raise: a recordset that is to be
// stopped (a before-event refusing a move) is refused through the source's events, which
// stay the place for vetoes.
class TKxIntfSourceSignals : public QObject {
    Q_OBJECT
public:
    explicit TKxIntfSourceSignals(TKxRecordsetIntfSource* source, QObject* parent = nullptr);

    TKxRecordsetIntfSource* Source() const { return m_source; }

Q_SIGNALS:
    void beforeActiveChange(bool newActive);
    void afterActiveChange(bool newActive);
    void beforePositionChange();
    void afterPositionChange();
    void beforeOperation(int operation);
    void afterOperation(int operation);
    void afterFieldValueChange(const QString& fieldName);
    void afterSQLChange();
    void validateFieldValues();
    // The connector moved to another recordset (or to none).
    void sourceChanged();
    // Only for field and tree sources.
    void fieldNameChanged(const QString& oldFieldName, const QString& newFieldName);

private:
    TKxRecordsetIntfSource* m_source;
};

// A view's teardown: the adapter goes before the source whose events it took over, then the
// source lets go of the recordset. Never raises (it runs in destructors).
void KxReleaseViewSource(TKxIntfSourceSignals*& signals, TKxRecordsetIntfSource& source) noexcept;

} // namespace kx
