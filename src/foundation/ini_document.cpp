#include "foundation/ini_document.h"

#include <algorithm>

namespace kx {
namespace {

constexpr char kEncodedTab = '\xFD';
constexpr char kEncodedLf = '\xFE';
constexpr char kEncodedCr = '\xFF';

QString Folded(const QString& text) {
    return text.toLower();
}

// "[name]" → name; anything else → nothing.
std::optional<QString> SectionHeaderName(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('[') || !trimmed.endsWith(']'))
        return std::nullopt;
    return QString::fromUtf8(trimmed.mid(1, trimmed.size() - 2)).trimmed();
}

QString ValueNameOf(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return {};
    return QString::fromUtf8(line.left(equals)).trimmed();
}

bool IsQuoted(const QByteArray& bytes) {
    return bytes.size() >= 2 && bytes.startsWith('"') && bytes.endsWith('"');
}

} // namespace

QByteArray TKxIniDocument::EncodeValue(const QString& value) {
    QByteArray bytes = value.toUtf8();
    bytes.replace('\n', kEncodedLf);
    bytes.replace('\r', kEncodedCr);
    if (bytes.trimmed().size() != bytes.size() || IsQuoted(bytes))
        return '"' + bytes + '"';
    return bytes;
}

QString TKxIniDocument::DecodeValue(const QByteArray& bytes) {
    QByteArray copy = bytes.trimmed();
    if (IsQuoted(copy))
        copy = copy.mid(1, copy.size() - 2);
    copy.replace(kEncodedTab, '\t'); // how older files kept tabs of stored SQL texts
    copy.replace(kEncodedLf, '\n');
    copy.replace(kEncodedCr, '\r');
    return QString::fromUtf8(copy);
}

TKxIniDocument TKxIniDocument::Parse(const QByteArray& bytes) {
    TKxIniDocument document;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;

        if (const std::optional<QString> header = SectionHeaderName(line)) {
            document.m_sections.push_back({*header, line, {}});
        } else if (document.m_sections.empty()) {
            document.m_preamble.push_back(line);
        } else {
            document.m_sections.back().lines.push_back({line, ValueNameOf(line)});
        }
    }
    document.RebuildIndex();
    return document;
}

QByteArray TKxIniDocument::Serialize() const {
    QByteArray bytes;
    const auto append = [&bytes](const QByteArray& line) {
        bytes += line;
        bytes += "\r\n";
    };
    for (const QByteArray& line : m_preamble)
        append(line);
    for (const Section& section : m_sections) {
        append(section.header);
        for (const Line& line : section.lines)
            append(line.raw);
    }
    return bytes;
}

void TKxIniDocument::RebuildIndex() {
    m_index.clear();
    // Backwards, so that of duplicate sections the first one wins.
    for (qsizetype i = qsizetype(m_sections.size()) - 1; i >= 0; --i)
        m_index.insert(Folded(m_sections[i].name), i);
}

const TKxIniDocument::Section* TKxIniDocument::FindSection(const QString& name) const {
    const auto found = m_index.constFind(Folded(name));
    return found == m_index.constEnd() ? nullptr : &m_sections[*found];
}

TKxIniDocument::Section* TKxIniDocument::FindSection(const QString& name) {
    const auto found = m_index.constFind(Folded(name));
    return found == m_index.constEnd() ? nullptr : &m_sections[*found];
}

std::vector<const TKxIniDocument::Section*> TKxIniDocument::DistinctSections() const {
    std::vector<const Section*> sections;
    for (qsizetype i = 0; i < qsizetype(m_sections.size()); ++i) {
        if (m_index.value(Folded(m_sections[i].name)) == i)
            sections.push_back(&m_sections[i]);
    }
    return sections;
}

std::optional<QString> TKxIniDocument::Value(const QString& section, const QString& name) const {
    const Section* found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    for (const Line& line : found->lines) {
        if (!line.name.isEmpty() && line.name.compare(name, Qt::CaseInsensitive) == 0)
            return DecodeValue(line.raw.mid(line.raw.indexOf('=') + 1));
    }
    return std::nullopt;
}

void TKxIniDocument::SetValue(const QString& section, const QString& name, const QString& value) {
    const QByteArray raw = name.toUtf8() + '=' + EncodeValue(value);
    Section* target = FindSection(section);
    if (target == nullptr) {
        m_sections.push_back({section, '[' + section.toUtf8() + ']', {}});
        m_index.insert(Folded(section), qsizetype(m_sections.size()) - 1);
        target = &m_sections.back();
    }
    for (Line& line : target->lines) {
        if (!line.name.isEmpty() && line.name.compare(name, Qt::CaseInsensitive) == 0) {
            line.raw = raw;
            return;
        }
    }
    // After the section's last non-blank line, so blank separator lines stay at the end.
    auto position = target->lines.end();
    while (position != target->lines.begin() && (position - 1)->raw.trimmed().isEmpty())
        --position;
    target->lines.insert(position, Line{raw, name});
}

bool TKxIniDocument::RemoveValue(const QString& section, const QString& name) {
    Section* target = FindSection(section);
    if (target == nullptr)
        return false;
    const auto found = std::find_if(target->lines.begin(), target->lines.end(), [&](const Line& l) {
        return !l.name.isEmpty() && l.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == target->lines.end())
        return false;
    target->lines.erase(found);
    return true;
}

QStringList TKxIniDocument::ValueNames(const QString& section) const {
    QStringList names;
    if (const Section* found = FindSection(section)) {
        for (const Line& line : found->lines) {
            if (!line.name.isEmpty())
                names.append(line.name);
        }
    }
    return names;
}

QStringList TKxIniDocument::SectionNames() const {
    QStringList names;
    for (const Section* section : DistinctSections())
        names.append(section->name);
    return names;
}

bool TKxIniDocument::IsAtOrBelow(const QString& sectionKey, const QString& key) {
    if (!sectionKey.startsWith(key, Qt::CaseInsensitive))
        return false;
    if (sectionKey.size() == key.size())
        return true;
    const QChar next = sectionKey[key.size()];
    return next == QLatin1Char('\\') || next == QLatin1Char('/');
}

bool TKxIniDocument::KeyExists(const QString& key) const {
    return std::any_of(m_sections.begin(), m_sections.end(),
                       [&](const Section& s) { return IsAtOrBelow(s.name, key); });
}

QStringList TKxIniDocument::SubKeyNames(const QString& key) const {
    QStringList names;
    for (const Section& section : m_sections) {
        if (section.name.size() <= key.size() || !IsAtOrBelow(section.name, key))
            continue;
        QString rest = section.name.mid(key.size() + 1);
        rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
        const QString part = rest.section(QLatin1Char('\\'), 0, 0);
        if (!part.isEmpty() && !names.contains(part, Qt::CaseInsensitive))
            names.append(part);
    }
    return names;
}

bool TKxIniDocument::RemoveKey(const QString& key) {
    const auto oldSize = m_sections.size();
    std::erase_if(m_sections, [&](const Section& s) { return IsAtOrBelow(s.name, key); });
    if (m_sections.size() == oldSize)
        return false;
    RebuildIndex();
    return true;
}

void TKxIniDocument::RemoveSection(const QString& name) {
    const QString folded = Folded(name);
    std::erase_if(m_sections, [&](const Section& s) {
        return Folded(s.name) == folded &&
               std::all_of(s.lines.begin(), s.lines.end(),
                           [](const Line& l) { return l.name.isEmpty(); });
    });
    RebuildIndex();
}

int TKxIniDocument::MergeChanges(const TKxIniDocument& before, const TKxIniDocument& after) {
    // The values of a section as lookups see them: the first line of each name.
    struct Values {
        std::vector<std::pair<QString, QString>> entries; // name, value, in line order
        QHash<QString, qsizetype> index;                  // folded name → entry

        explicit Values(const Section* section) {
            if (section == nullptr)
                return;
            for (const Line& line : section->lines) {
                if (line.name.isEmpty() || index.contains(Folded(line.name)))
                    continue;
                index.insert(Folded(line.name), qsizetype(entries.size()));
                entries.emplace_back(line.name,
                                     DecodeValue(line.raw.mid(line.raw.indexOf('=') + 1)));
            }
        }
        const QString* Find(const QString& name) const {
            const auto found = index.constFind(Folded(name));
            return found == index.constEnd() ? nullptr : &entries[*found].second;
        }
    };

    int changes = 0;
    const auto mergeSection = [&](const Section* old, const Section* now) {
        const QString& section = now != nullptr ? now->name : old->name;
        const Values oldValues(old);
        const Values newValues(now);
        for (const auto& [name, value] : newValues.entries) {
            const QString* previous = oldValues.Find(name);
            if (previous != nullptr && *previous == value)
                continue; // not changed here: the file's value stands
            if (Value(section, name) != value) {
                SetValue(section, name, value);
                ++changes;
            }
        }
        for (const auto& [name, value] : oldValues.entries) {
            if (newValues.Find(name) == nullptr && RemoveValue(section, name))
                ++changes;
        }
        if (now == nullptr && FindSection(section) != nullptr) {
            // Deleted here: the section goes unless someone else has put values into it.
            const qsizetype count = qsizetype(m_sections.size());
            RemoveSection(section);
            changes += int(count - qsizetype(m_sections.size()));
        }
    };

    for (const Section* now : after.DistinctSections())
        mergeSection(before.FindSection(now->name), now);
    for (const Section* old : before.DistinctSections()) {
        if (after.FindSection(old->name) == nullptr)
            mergeSection(old, nullptr);
    }
    return changes;
}

} // namespace kx
