// The statement partitioner reads and rewrites the clauses of a statement by keywords alone.
//
// Input: a statement text up to the first 0 byte, then setter calls of two bytes each (which
// part, which value). The values are clause texts that hold no keyword and no delimiter at
// their ends, as a program that builds conditions passes them.
//
// Properties:
//  - no text makes a getter or a setter fail;
//  - on any text, after a part is set to a non-empty value, the getter answers that value:
//    a setter replaces exactly what the getter reads, or puts a part where the getter finds it;
//  - on a statement built only through the setters (from an empty text, with the same calls),
//    every part answers the last value it was given;
//  - the table name of a text is that of a partitioner over it, and setting the whole text
//    to what it answers keeps every part and the text up to empty last lines.

#include "dbcore/sql_partitioner.h"
#include "dbcore/sql_string_list.h"
#include "fuzz_support.h"

#include <array>
#include <functional>
#include <utility>
#include <vector>

using namespace kx;
using namespace kx::fuzz;

namespace {

using P = TKxSQLStatmentPartitioner;

struct TPart {
    const char* Name;
    QString (P::*Get)() const;
    void (P::*Set)(const QString&);
};

const std::array<TPart, 7> kParts{{
    {"selected fields", &P::GetSQLSelectedFields, &P::SetSQLSelectedFields},
    {"table name", &P::GetTableName, &P::SetTableName},
    {"where", &P::GetSQLWhere, &P::SetSQLWhere},
    {"group by", &P::GetSQLGroupBy, &P::SetSQLGroupBy},
    {"having", &P::GetSQLHaving, &P::SetSQLHaving},
    {"order by", &P::GetSQLOrderBy, &P::SetSQLOrderBy},
    {"for update of", &P::GetSQLForUpdateOf, &P::SetSQLForUpdateOf},
}};

const QStringList& Values() {
    static const QStringList values = {QStringLiteral("a"),
                                       QStringLiteral("b1, c2"),
                                       QStringLiteral("x = 1"),
                                       QStringLiteral("a.k"),
                                       QStringLiteral("t1 a, t2 b"),
                                       QStringLiteral("c1 DESC"),
                                       QStringLiteral("count(*) > 1"),
                                       QStringLiteral("z_9 <> 'q'"),
                                       QStringLiteral("d.x, 2"),
                                       QStringLiteral("*"),
                                       QStringLiteral("sum(a) * 2"),
                                       QStringLiteral("k"),
                                       QStringLiteral("\"Quoted Name\""),
                                       QStringLiteral("x IN (1, 2) OR y"),
                                       QStringLiteral("m"),
                                       QString()};
    return values;
}

QString Parts(const P& partitioner) {
    QString text;
    for (const TPart& part : kParts)
        text += QStringLiteral("\n  %1: %2")
                    .arg(QLatin1String(part.Name), Shown((partitioner.*part.Get)()));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const QString original = input.TextUntil(0);

    TKxStringList lines;
    lines.SetText(original);
    P partitioner(lines, nullptr);
    KX_CHECK(GetTableNameOfSQL(lines.Text()) == partitioner.GetTableName(),
             "the table name of a text is that of a partitioner over it", Shown(original));
    // The lines joined and split again: a break at the very end opens no line, so an empty
    // last line goes with each round; the rest of the text stays, and so does every part.
    QString partsBefore = Parts(partitioner);
    partitioner.SetAsString(partitioner.GetAsString());
    const QString once = partitioner.GetAsString();
    KX_CHECK(Parts(partitioner) == partsBefore,
             "setting the text a partitioner answers keeps its parts", Shown(original));
    partitioner.SetAsString(once);
    const auto withoutLastBreaks = [](QString text) {
        while (text.endsWith(QStringLiteral("\r\n")))
            text.chop(2);
        return text;
    };
    KX_CHECK(withoutLastBreaks(partitioner.GetAsString()) == withoutLastBreaks(once),
             "setting the text a partitioner answers keeps it up to empty last lines",
             Shown(original));

    // The same calls on a statement the setters build from nothing.
    TKxStringList builtLines;
    P built(builtLines, nullptr);
    std::array<QString, kParts.size()> expected;

    // The calls so far, as (part, value) pairs; they are written out only for a failure.
    std::vector<std::pair<std::size_t, int>> made;
    const auto calls = [&made] {
        QString text;
        for (const auto& [which, value] : made)
            text += QStringLiteral("\nset %1 to %2")
                        .arg(QLatin1String(kParts[which].Name), Shown(Values().at(value)));
        return text;
    };
    while (input.Left() >= 2 && made.size() < 40) {
        const std::size_t which = input.Byte() % kParts.size();
        const int valueIndex = input.Below(static_cast<int>(Values().size()));
        const QString& value = Values().at(valueIndex);
        const TPart& part = kParts[which];
        made.emplace_back(which, valueIndex);

        // The lines share their data with the list's: keeping them costs no copy of the text.
        const QStringList linesBefore = lines.Lines();
        (partitioner.*part.Set)(value);
        if (!value.isEmpty()) {
            const QString read = (partitioner.*part.Get)();
            KX_CHECK(read == value, "a part set on any text reads back as set",
                     QStringLiteral("text before %1\ntext after %2\n%3 reads %4")
                             .arg(Shown(linesBefore.join(QStringLiteral("\r\n"))),
                                  Shown(partitioner.GetAsString()), QLatin1String(part.Name),
                                  Shown(read)) +
                         calls());
        }

        (built.*part.Set)(value);
        expected[which] = value;
        for (std::size_t i = 0; i < kParts.size(); ++i) {
            // Without a SELECT the selected fields are whatever follows another statement
            // word ("UPDATE" inside "FOR UPDATE OF"): only a set value is checked there.
            if (i == 0 && expected[i].isEmpty())
                continue;
            const QString read = (built.*kParts[i].Get)();
            KX_CHECK(read == expected[i],
                     "every part of a statement built by the setters reads back",
                     QStringLiteral("statement %1\n%2 reads %3, expected %4")
                             .arg(Shown(built.GetAsString()), QLatin1String(kParts[i].Name),
                                  Shown(read), Shown(expected[i])) +
                         calls() + Parts(built));
        }
    }
    return 0;
}
