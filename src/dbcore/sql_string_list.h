#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kx {

// Lines of text with a change event: the form in which a statement keeps its SQL. Every
// change, including setting the same text again, fires OnChange once, because the SQL
// property rebuilds its parameters and tells the statement on each change.
class TKxStringList {
public:
    TKxStringList() = default;
    TKxStringList(const TKxStringList&) = delete;
    TKxStringList& operator=(const TKxStringList&) = delete;

    int Count() const { return static_cast<int>(m_lines.size()); }
    const QString& operator[](int index) const { return m_lines.at(index); }
    const QStringList& Lines() const { return m_lines; }

    // The lines joined with CR LF (no break after the last line).
    QString Text() const;
    // A CR alone, an LF alone or CR LF ends a line; a break at the very end opens no empty
    // last line.
    void SetText(const QString& text);
    void SetLines(const QStringList& lines);
    void Add(const QString& line);
    void Clear();
    // Copies the other list's text (not its event).
    void Assign(const TKxStringList& source) { SetLines(source.m_lines); }

    std::function<void()> OnChange;

private:
    void Changed();

    QStringList m_lines;
};

} // namespace kx
