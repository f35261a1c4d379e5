#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kx {

// The settings file in memory: sections of "name=value" lines, kept as the bytes they were
// read as. Lines that are not understood (text before the first section, lines without "=",
// duplicates, invalid UTF-8) are carried along untouched and written back as they came;
// only lines the program changes are re-encoded. Lookups of sections and names ignore case
// and take the first match, as classic INI readers do.
//
// Values are UTF-8 in which every LF is stored as the byte $FE and every CR as $FF, so a
// multi-line text stays on one line; neither byte can occur in UTF-8, which makes the
// encoding unambiguous.
//
// Names and values are read without the blanks around them, so a hand-written
// «Flag = 1» means what it says. A value that begins or ends with a blank, or is itself
// enclosed in double quotes, is written inside a pair of double quotes, and reading drops
// one such pair again, so every text round-trips.
class TKxIniDocument {
public:
    static TKxIniDocument Parse(const QByteArray& bytes);
    QByteArray Serialize() const;

    std::optional<QString> Value(const QString& section, const QString& name) const;
    void SetValue(const QString& section, const QString& name, const QString& value);
    bool RemoveValue(const QString& section, const QString& name);
    QStringList ValueNames(const QString& section) const;
    // The sections as lookups see them: the first of each name, in file order.
    QStringList SectionNames() const;

    // A key exists when a section equals it or lies below it ("key\…" or "key/…").
    bool KeyExists(const QString& key) const;
    // The distinct next path parts of the sections below `key`, in file order.
    QStringList SubKeyNames(const QString& key) const;
    // Removes the key's section and every section below it.
    bool RemoveKey(const QString& key);

    // Carries into this document (the file as it is on disk now) every value that differs
    // between `before` (the file as this process last read or wrote it) and `after` (what
    // this process holds now): values set here are set, values removed here are removed, and
    // a section this process deleted goes when nothing else is left in it. Everything this
    // process did not change stays as it is here. Answers the number of changes made.
    int MergeChanges(const TKxIniDocument& before, const TKxIniDocument& after);

    // The text after "=" of a line, and back.
    static QByteArray EncodeValue(const QString& value);
    static QString DecodeValue(const QByteArray& bytes);

private:
    struct Line {
        QByteArray raw;
        QString name; // empty for lines that hold no value
    };
    struct Section {
        QString name;
        QByteArray header;
        std::vector<Line> lines;
    };

    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    // The sections as they are looked up: the first of each name, in file order.
    std::vector<const Section*> DistinctSections() const;
    void RemoveSection(const QString& name);
    void RebuildIndex();
    // Whether a section name is `key` itself or lies below it.
    static bool IsAtOrBelow(const QString& sectionKey, const QString& key);

    std::vector<QByteArray> m_preamble;
    std::vector<Section> m_sections;
    // Lower-cased section name → index of its first occurrence.
    QHash<QString, qsizetype> m_index;
};

} // namespace kx
