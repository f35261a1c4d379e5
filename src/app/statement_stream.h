#pragma once

#include "app/script_statements.h"
#include "editor/line_breaks.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

namespace kx {

class TCustomStyles;
class TKxScriptReader;

// The statements of a script read from its file as a run goes, for a batch run of a script of
// any size: it holds the current statement, the text on to the end of the next one and a piece
// read ahead, never the whole script. It finds the statements the editor finds in the same
// text coloured with the same styles, with the same texts: the statement rules are the
// editor's, and where a comment or quoted text begins and ends is decided by the colouring's
// own tests, each only once enough text has been read that what follows cannot change it.
class TKxStatementStream final : public TKxStatementSource, private TKxStatementText {
public:
    // Reads from `reader`; `styles` tell comments and quoted text (the SQL colouring's). Both
    // must outlive the stream. Raises for a style whose span the stream cannot follow: a
    // switchable one (its end depends on every character inside), or one escaped by ";".
    TKxStatementStream(TKxScriptReader& reader, const TCustomStyles& styles);

    // How many bytes one read asks for; small in tests, so that pieces end anywhere.
    void SetReadSize(qint64 bytes) { m_readSize = std::max<qint64>(bytes, 1); }

    bool HasCurrentStatement() const override { return m_start >= 1 && m_start < m_end; }
    // Reads on to the end of the statement after the new current one, to know whether it is
    // the last. Raises when the script cannot be read any further.
    void NextStatement() override;
    bool IsLastStatement() const override { return m_isLast; }
    QString GetCurrentStatementText() const override;
    // Whether reading the script failed (NextStatement raised for it).
    bool ReadFailed() const { return m_readFailed; }

    // Reads on to the end and answers how many statements a run goes through from here: the
    // current one and every one after it (from the first when none is current).
    qint64 CountStatements();

private:
    bool Reaches(qint64 position) override;
    QChar At(qint64 position) override { return m_text.at(position - m_base); }
    TSyntaxStyleKind KindAt(qint64 position) override {
        return static_cast<TSyntaxStyleKind>(m_kinds.at(position - m_base));
    }
    // Appends the next piece of the script's text.
    void ReadMore();
    // Finds what the colouring makes of the characters read, as far as they tell it for good.
    void Scan();
    // Drops the text before the current statement, once that is half of what is held.
    void DropPassedText();

    TKxScriptReader& m_reader;
    const TCustomStyles& m_styles;
    TKxLineBreakNormalizer m_breaks;
    qint64 m_readSize = 64 * 1024;
    bool m_readAll = false;
    // The script's text from position m_base on, as far as it has been read.
    QString m_text;
    qint64 m_base = 1;
    // What the colouring makes of m_text up to position m_scanned (TSyntaxStyleKind values).
    QByteArray m_kinds;
    qint64 m_scanned = 0;
    // The length read of a span whose end has not been read yet.
    qint64 m_openSpan = 0;
    // The current statement, as TKxScriptStatements keeps it.
    qint64 m_start = 1;
    qint64 m_end = -1;
    bool m_isLast = false;
    bool m_readFailed = false;
};

} // namespace kx
