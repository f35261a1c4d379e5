// The settings file: read, written, read again.
//
// Input: the bytes of a settings file; its last bytes also give the values that are set.
//
// Properties:
//  - reading what was written gives the same sections, value names and values: nothing is
//    lost or changed by a save, whatever the file held;
//  - writing is a fixed point after one round;
//  - a value the program sets (any text, line breaks, blanks and quotes included) reads back
//    unchanged after a save and a new read, and every other value stays as it was.

#include "foundation/ini_document.h"
#include "fuzz_support.h"

#include <QByteArray>
#include <algorithm>
#include <optional>

using namespace kx;
using namespace kx::fuzz;

namespace {

using TContent = std::vector<std::pair<QString, std::vector<std::pair<QString, QString>>>>;

// Everything lookups see: the sections, and in each its value names with the value each
// name reads as.
TContent Content(const TKxIniDocument& document) {
    TContent content;
    for (const QString& section : document.SectionNames()) {
        std::vector<std::pair<QString, QString>> values;
        for (const QString& name : document.ValueNames(section))
            values.emplace_back(name,
                                document.Value(section, name).value_or(QStringLiteral("<none>")));
        content.emplace_back(section, std::move(values));
    }
    return content;
}

QString Listed(const TContent& content) {
    QString text;
    for (const auto& [section, values] : content) {
        text += QStringLiteral("\n[%1]").arg(Shown(section));
        for (const auto& [name, value] : values)
            text += QStringLiteral("\n  %1 = %2").arg(Shown(name), Shown(value));
    }
    return text;
}

// Sections are looked up by their lower-case names, value names without regard to case.
struct TSetValue {
    QString Section;
    QString Name;
    QString Value;
    bool Names(const QString& section, const QString& name) const {
        return Section.toLower() == section.toLower() &&
               Name.compare(name, Qt::CaseInsensitive) == 0;
    }
};

QString ShownBytes(const QByteArray& bytes) {
    return Shown(QString::fromLatin1(bytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TKxIniDocument read = TKxIniDocument::Parse(bytes);
    const QByteArray written = read.Serialize();
    const TKxIniDocument again = TKxIniDocument::Parse(written);
    const TContent content = Content(read);
    KX_CHECK(Content(again) == content, "reading what was written gives the same values",
             QStringLiteral("file %1\nread%2\nafter a save%3")
                 .arg(ShownBytes(bytes), Listed(content), Listed(Content(again))));
    KX_CHECK(again.Serialize() == written, "writing is a fixed point after one round",
             ShownBytes(bytes));

    // Values the program sets: into the file's own sections and names, and into a new one.
    // The texts come from the end of the input, so they vary with it.
    TFuzzInput tail(data + size / 2, size - size / 2);
    TKxIniDocument changed = TKxIniDocument::Parse(bytes);
    std::vector<TSetValue> set;
    const auto wasSet = [&set](const QString& section, const QString& name) {
        return std::any_of(set.begin(), set.end(),
                           [&](const TSetValue& v) { return v.Names(section, name); });
    };
    QStringList sections = changed.SectionNames();
    sections.append(QStringLiteral("HKEY_CURRENT_USER\\Software\\Fuzz"));
    int budget = 8;
    for (const QString& section : sections) {
        QStringList names = changed.ValueNames(section);
        names.append(QStringLiteral("Added"));
        for (const QString& name : names) {
            // The program's value names never start a line as a section header would.
            if (name.startsWith(QLatin1Char('[')) || budget-- <= 0)
                continue;
            const QString value = tail.ShortText(24);
            changed.SetValue(section, name, value);
            std::erase_if(set, [&](const TSetValue& v) { return v.Names(section, name); });
            set.push_back({section, name, value});
        }
    }
    const TKxIniDocument reread = TKxIniDocument::Parse(changed.Serialize());
    for (const TSetValue& v : set) {
        const std::optional<QString> back = reread.Value(v.Section, v.Name);
        KX_CHECK(back == v.Value, "a value the program sets reads back after a save",
                 QStringLiteral("file %1\n[%2] %3 set to %4, reads %5")
                     .arg(ShownBytes(bytes), Shown(v.Section), Shown(v.Name), Shown(v.Value),
                          back ? Shown(*back) : QStringLiteral("nothing")));
    }
    for (const auto& [section, values] : content) {
        for (const auto& [name, value] : values) {
            if (wasSet(section, name))
                continue;
            KX_CHECK(reread.Value(section, name) == value, "values nobody set stay as they were",
                     QStringLiteral("file %1\n[%2] %3")
                         .arg(ShownBytes(bytes), Shown(section), Shown(name)));
        }
    }
    return 0;
}
