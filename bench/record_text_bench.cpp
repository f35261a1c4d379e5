// Copying records as text (what "copy to clipboard" does in the grid): BuildContentsString
// over a recordset of 100 000 records and four columns, compared in the same run with a plain
// loop that writes the same values with the same separators straight from the rows. The
// recordset is the in-memory one of the tests, so the difference is what the routine adds:
// positioning with its notifications, fields reading their value buffers and turning the
// values into display texts. Each side runs several rounds alternately and the best round
// counts, timed in thread processor time (wall time in parentheses).
//
// Usage: record_text_bench [records] [rounds]

#include "dbcore/record_routines.h"
#include "memory_recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <time.h>

using namespace kx;
using namespace kx::test;

namespace {

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct TTimes {
    double cpu = 1e9;
    double wall = 1e9;
};

template <class F> void Measure(TTimes& times, F&& work) {
    QElapsedTimer wall;
    wall.start();
    const double cpu = ThreadSeconds();
    work();
    times.cpu = std::min(times.cpu, ThreadSeconds() - cpu);
    times.wall = std::min(times.wall, double(wall.nsecsElapsed()) / 1e9);
}

std::shared_ptr<TMemoryTable> MakeTable(int records) {
    auto table = std::make_shared<TMemoryTable>();
    table->columns = {QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("CITY"),
                      QStringLiteral("REMARK")};
    static const char* const cities[] = {"Berlin", "Hamburg", "London", "Lyon", "Porto"};
    for (int i = 1; i <= records; ++i) {
        table->AddRow({KxVariant(std::int64_t{i}), KxVariant(QStringLiteral("customer %1").arg(i)),
                       KxVariant(QString::fromLatin1(cities[i % 5])),
                       i % 7 == 0 ? KxVariant::Null()
                                  : KxVariant(QStringLiteral("remark\twith a tab %1").arg(i))});
    }
    return table;
}

// The same text from the rows directly: values joined by tabs, tabs and line breaks inside
// a value folded to blanks, lines joined by CR LF.
QString PlainLoop(const TMemoryTable& table) {
    QString text;
    for (const auto& row : table.rows) {
        for (std::size_t column = 0; column < row->size(); ++column) {
            if (column > 0)
                text += QLatin1Char('\t');
            QString value = (*row)[column].IsNull() ? QString() : (*row)[column].ToString();
            value.replace(QLatin1Char('\t'), QLatin1Char(' '));
            value.replace(QLatin1Char('\r'), QLatin1Char(' '));
            value.replace(QLatin1Char('\n'), QLatin1Char(' '));
            text += value;
        }
        text += QStringLiteral("\r\n");
    }
    text.chop(2);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto table = MakeTable(records);
    TMemoryRecordset recordset(table);
    recordset.SetActive(true);
    const QStringList fields = table->columns;

    TTimes routine, plain;
    QString routineText, plainText;
    for (int round = 0; round < rounds; ++round) {
        Measure(routine, [&] {
            routineText.clear();
            BuildContentsString(static_cast<IKxGetCount*>(&recordset), fields, nullptr,
                                routineText);
        });
        Measure(plain, [&] { plainText = PlainLoop(*table); });
    }
    std::printf("%d records x %d columns, %d rounds, best round counts\n", records,
                int(fields.size()), rounds);
    std::printf("BuildContentsString: %8.1f ms (%8.1f ms wall)\n", routine.cpu * 1e3,
                routine.wall * 1e3);
    std::printf("plain loop:          %8.1f ms (%8.1f ms wall)\n", plain.cpu * 1e3,
                plain.wall * 1e3);
    std::printf("ratio:               %8.1f x\n", routine.cpu / plain.cpu);
    std::printf("same text:           %s (%lld characters)\n",
                routineText == plainText ? "yes" : "NO", static_cast<long long>(plainText.size()));
    return routineText == plainText ? 0 : 1;
}
