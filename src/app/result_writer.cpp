#include "app/result_writer.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <algorithm>
#include <unicode/uchar.h>

namespace kx {

bool KxParseResultFormat(const QString& text, TKxResultFormat& format) {
    static const std::pair<QLatin1String, TKxResultFormat> kNames[] = {
        {QLatin1String("table"), TKxResultFormat::Table},
        {QLatin1String("tsv"), TKxResultFormat::Tsv},
        {QLatin1String("csv"), TKxResultFormat::Csv},
        {QLatin1String("json"), TKxResultFormat::Json},
    };
    for (const auto& [name, value] : kNames) {
        if (text.compare(name, Qt::CaseInsensitive) == 0) {
            format = value;
            return true;
        }
    }
    return false;
}

namespace {

// The cells one code point takes, as terminals count them (the rules of wcwidth, with the
// character properties taken from ICU, which Qt already loads).
int CodePointWidth(char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
        return 0;
    if (cp == 0xAD) // the soft hyphen is a format character that terminals still show
        return 1;
    const UChar32 c = static_cast<UChar32>(cp);
    switch (u_charType(c)) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_FORMAT_CHAR:
        return 0;
    default:
        break;
    }
    if (u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
        return 0;
    // Hangul vowels and final consonants join the syllable before them.
    if ((cp >= 0x1160 && cp <= 0x11FF) || (cp >= 0xD7B0 && cp <= 0xD7FF))
        return 0;
    const int eastAsian = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
}

// Calls `visit(codePoint, index, length)` for each code point of `text`; stops early when
// it answers false. A lone surrogate is passed as it is.
template <class Visit> void ForEachCodePoint(QStringView text, Visit visit) {
    for (qsizetype i = 0; i < text.size();) {
        char32_t cp = text[i].unicode();
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        if (!visit(cp, i, length))
            return;
        i += length;
    }
}

// The driver's text of a value as every format writes it: binary in lower-case hex,
// date-times in ISO 8601 with the "T" between date and time.
QString Normalized(TKxValueKind kind, const QString& text) {
    switch (kind) {
    case TKxValueKind::Binary:
        return text.toLower();
    case TKxValueKind::DateTime: {
        // "YYYY-MM-DD hh:mm..." only; a date or time alone, or any other text, stays as is.
        const auto digits = [&](std::initializer_list<int> at) {
            return std::all_of(at.begin(), at.end(), [&](int i) { return text[i].isDigit(); });
        };
        if (text.size() > 13 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') &&
            text[10] == QLatin1Char(' ') && text[13] == QLatin1Char(':') &&
            digits({0, 1, 2, 3, 5, 6, 8, 9, 11, 12})) {
            QString iso = text;
            iso[10] = QLatin1Char('T');
            return iso;
        }
        return text;
    }
    default:
        return text;
    }
}

void CheckRowSize(const TKxResultWriter* writer, size_t values, size_t columns) {
    if (values != columns)
        throw EKxException(QStringLiteral("A row of %1 values for a result of %2 columns")
                               .arg(values)
                               .arg(columns),
                           QStringLiteral("Row"), writer);
}

// The shared part of the writers: the columns, the row limit and the rows written so far.
class TKxResultWriterBase : public TKxResultWriter {
public:
    TKxResultWriterBase(QTextStream& out, qint64 maxRows) : m_out(out), m_maxRows(maxRows) {}

    void Begin(const std::vector<TKxResultColumn>& columns) override {
        m_columns = columns;
        m_written = 0;
        BeginResult();
    }

    void Row(const std::vector<std::optional<QString>>& values) override {
        CheckRowSize(this, values.size(), m_columns.size());
        if (m_maxRows >= 0 && m_written >= m_maxRows)
            return;
        WriteRow(values);
        ++m_written;
    }

    void End(qint64 rows) override {
        EndResult(rows);
        m_out.flush();
    }

    void Finish() override { m_out.flush(); }

protected:
    virtual void BeginResult() = 0;
    virtual void WriteRow(const std::vector<std::optional<QString>>& values) = 0;
    virtual void EndResult(qint64 rows) = 0;

    QTextStream& m_out;
    const qint64 m_maxRows;
    std::vector<TKxResultColumn> m_columns;
    qint64 m_written = 0;
};

// ---- table

class TKxTableWriter : public TKxResultWriterBase {
public:
    using TKxResultWriterBase::TKxResultWriterBase;

private:
    static constexpr int kMaxCellWidth = 40;
    // Rows that size the columns when every row is printed.
    static constexpr size_t kSizingRows = 1000;

    using TCells = std::vector<QString>;

    // Cuts `text` to at most `cells` terminal cells (at least 2), ending a cut text with "…".
    static QString Fit(const QString& text, int cells) {
        int width = 0;
        qsizetype cutAt = -1; // where the text ends when "…" must still fit after it
        bool tooWide = false;
        ForEachCodePoint(text, [&](char32_t cp, qsizetype index, qsizetype) {
            const int w = CodePointWidth(cp);
            if (width + w > cells - 1 && cutAt < 0)
                cutAt = index;
            width += w;
            tooWide = width > cells;
            return !tooWide;
        });
        if (!tooWide)
            return text;
        return text.left(cutAt) + QStringLiteral("…");
    }

    static QString Cell(const QString& text) {
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String(" ")); // one line break, one blank
        for (QChar& c : shown) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QLatin1Char(' ');
        }
        return Fit(shown, kMaxCellWidth);
    }

    void BeginResult() override {
        m_kept.clear();
        m_streaming = false;
        m_header.clear();
        m_widths.clear();
        for (const TKxResultColumn& column : m_columns) {
            m_header.push_back(Cell(column.name));
            m_widths.push_back(KxDisplayWidth(m_header.back()));
        }
    }

    void WriteRow(const std::vector<std::optional<QString>>& values) override {
        TCells cells;
        cells.reserve(values.size());
        for (size_t c = 0; c < values.size(); ++c) {
            cells.push_back(values[c] ? Cell(Normalized(m_columns[c].kind, *values[c]))
                                      : QStringLiteral("NULL"));
        }
        for (size_t c = 0; c < cells.size(); ++c)
            m_widths[c] = std::max(m_widths[c], KxDisplayWidth(cells[c]));
        if (m_streaming) {
            PrintLine(cells);
            return;
        }
        m_kept.push_back(std::move(cells));
        // With a row limit, the limit bounds what is kept; without one, the first rows fix
        // the widths and the rest are printed as they come.
        if (m_maxRows < 0 && m_kept.size() >= kSizingRows) {
            PrintKept();
            m_streaming = true;
        }
    }

    void EndResult(qint64 rows) override {
        if (!m_streaming)
            PrintKept();
        m_out << QCoreApplication::translate("KxQuerolt", "(%n row(s))", nullptr, int(rows))
              << '\n';
        if (rows > m_written) {
            m_out << QCoreApplication::translate("KxQuerolt", "%n row(s) not shown", nullptr,
                                                 int(rows - m_written))
                  << '\n';
        }
        m_out << '\n';
        m_kept.clear();
        m_kept.shrink_to_fit();
    }

    void PrintKept() {
        PrintLine(m_header);
        for (size_t c = 0; c < m_widths.size(); ++c) {
            if (c > 0)
                m_out << "-+-";
            m_out << QString(m_widths[c], QLatin1Char('-'));
        }
        m_out << '\n';
        for (const TCells& cells : m_kept)
            PrintLine(cells);
        m_kept.clear();
    }

    // Lines end without trailing blanks; the leading ones are kept, they align the line.
    void PrintLine(const TCells& cells) {
        QString line;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c > 0)
                line += QLatin1String(" | ");
            line += cells[c];
            line += QString(m_widths[c] - KxDisplayWidth(cells[c]), QLatin1Char(' '));
        }
        qsizetype end = line.size();
        while (end > 0 && line[end - 1] == QLatin1Char(' '))
            --end;
        line.truncate(end);
        m_out << line << '\n';
    }

    TCells m_header;
    std::vector<int> m_widths;
    std::vector<TCells> m_kept;
    bool m_streaming = false;
};

// ---- tsv

class TKxTsvWriter : public TKxResultWriterBase {
public:
    using TKxResultWriterBase::TKxResultWriterBase;

private:
    void Escaped(const QString& text) {
        qsizetype plain = 0; // start of the run of characters written as they are
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            const char* escape = c == u'\\'   ? "\\\\"
                                 : c == u'\t' ? "\\t"
                                 : c == u'\n' ? "\\n"
                                 : c == u'\r' ? "\\r"
                                              : nullptr;
            if (escape == nullptr)
                continue;
            m_out << QStringView(text).sliced(plain, i - plain) << escape;
            plain = i + 1;
        }
        m_out << QStringView(text).sliced(plain);
    }

    void BeginResult() override {
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (c > 0)
                m_out << '\t';
            Escaped(m_columns[c].name);
        }
        m_out << '\n';
    }

    void WriteRow(const std::vector<std::optional<QString>>& values) override {
        for (size_t c = 0; c < values.size(); ++c) {
            if (c > 0)
                m_out << '\t';
            if (values[c])
                Escaped(Normalized(m_columns[c].kind, *values[c]));
            else
                m_out << "\\N";
        }
        m_out << '\n';
    }

    void EndResult(qint64) override {}
};

// ---- csv

class TKxCsvWriter : public TKxResultWriterBase {
public:
    using TKxResultWriterBase::TKxResultWriterBase;

private:
    void Field(const QString& text) {
        const bool quoted = text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) {
                                return c == u',' || c == u'"' || c == u'\r' || c == u'\n';
                            });
        if (!quoted) {
            m_out << text;
            return;
        }
        QString doubled = text;
        doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
        m_out << '"' << doubled << '"';
    }

    void BeginResult() override {
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (c > 0)
                m_out << ',';
            Field(m_columns[c].name);
        }
        m_out << "\r\n";
    }

    void WriteRow(const std::vector<std::optional<QString>>& values) override {
        for (size_t c = 0; c < values.size(); ++c) {
            if (c > 0)
                m_out << ',';
            if (values[c])
                Field(Normalized(m_columns[c].kind, *values[c]));
        }
        m_out << "\r\n";
    }

    void EndResult(qint64) override {}
};

// ---- json

// True when `text` is a number as JSON writes it: -?(0|[1-9]d*)(.d+)?([eE][+-]?d+)?
bool IsJsonNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digits = [&] {
        const qsizetype start = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i > start;
    };
    if (i < n && text[i] == u'-')
        ++i;
    if (i < n && text[i] == u'0')
        ++i;
    else if (!digits())
        return false;
    if (i < n && text[i] == u'.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

class TKxJsonWriter : public TKxResultWriterBase {
public:
    using TKxResultWriterBase::TKxResultWriterBase;

private:
    void String(QStringView text) {
        m_out << '"';
        qsizetype plain = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x20 && c != u'"' && c != u'\\' && c != 0x2028 && c != 0x2029)
                continue;
            m_out << text.sliced(plain, i - plain);
            if (c == u'"' || c == u'\\')
                m_out << '\\' << QChar(c);
            else
                m_out << QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
            plain = i + 1;
        }
        m_out << text.sliced(plain) << '"';
    }

    void BeginResult() override {
        m_keys.clear();
        for (const TKxResultColumn& column : m_columns) {
            QString key = column.name;
            for (int n = 2; std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end(); ++n)
                key = column.name + QLatin1Char('_') + QString::number(n);
            m_keys.push_back(key);
        }
        m_out << '[';
    }

    void Value(TKxValueKind kind, const QString& text) {
        if (kind == TKxValueKind::Number && IsJsonNumber(text)) {
            m_out << text;
            return;
        }
        if (kind == TKxValueKind::Boolean) {
            if (text == QLatin1String("1") ||
                text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
                m_out << "true";
                return;
            }
            if (text == QLatin1String("0") ||
                text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
                m_out << "false";
                return;
            }
        }
        String(Normalized(kind, text));
    }

    void WriteRow(const std::vector<std::optional<QString>>& values) override {
        if (m_written > 0)
            m_out << ',';
        m_out << '{';
        for (size_t c = 0; c < values.size(); ++c) {
            if (c > 0)
                m_out << ',';
            String(m_keys[c]);
            m_out << ':';
            if (values[c])
                Value(m_columns[c].kind, *values[c]);
            else
                m_out << "null";
        }
        m_out << '}';
    }

    void EndResult(qint64) override { m_out << "]\n"; }

    std::vector<QString> m_keys;
};

} // namespace

std::unique_ptr<TKxResultWriter> KxCreateResultWriter(TKxResultFormat format, QTextStream& out,
                                                      qint64 maxRows) {
    switch (format) {
    case TKxResultFormat::Table:
        return std::make_unique<TKxTableWriter>(out, maxRows);
    case TKxResultFormat::Tsv:
        return std::make_unique<TKxTsvWriter>(out, maxRows);
    case TKxResultFormat::Csv:
        return std::make_unique<TKxCsvWriter>(out, maxRows);
    case TKxResultFormat::Json:
        return std::make_unique<TKxJsonWriter>(out, maxRows);
    }
    throw EKxException(QStringLiteral("Unknown result format %1").arg(int(format)),
                       QStringLiteral("KxCreateResultWriter"));
}

int KxDisplayWidth(const QString& text) {
    int width = 0;
    ForEachCodePoint(text, [&](char32_t cp, qsizetype, qsizetype) {
        width += CodePointWidth(cp);
        return true;
    });
    return width;
}

} // namespace kx
