#pragma once

#include <QLabel>
#include <memory>

namespace kx {

class IKxUnknown;
class TKxIntfSourceSignals;
class TKxRecordsetIntfSource;

// The number of records, «Count: 1234», or «Count: ?» while it is not known. Refreshed when
// the count can have changed: activation, deletion, apply, refresh and re-execution (not
// while a record is being inserted, which is not yet one of them).
class TKxICountPanel : public QLabel {
public:
    explicit TKxICountPanel(QWidget* parent = nullptr);
    ~TKxICountPanel() override;

    TKxRecordsetIntfSource& InterfaceSource() { return *m_source; }
    void SetRecordset(IKxUnknown* recordset);
    // A format with exactly one "%s" (empty: "Count: %s"); anything else raises and keeps the
    // format there was.
    QString DisplayTextFormatString() const { return m_format; }
    void SetDisplayTextFormatString(const QString& format);
    // What stands for an unknown count (empty: "?").
    QString DisplayStrForNegativeCount() const { return m_unknown; }
    void SetDisplayStrForNegativeCount(const QString& text);
    QString CountText() const;
    void Refresh();

private:
    std::unique_ptr<TKxRecordsetIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    QString m_format;
    QString m_unknown;
};

} // namespace kx
