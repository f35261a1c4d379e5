// The syntax colouring follows edits by re-tokenising only around them. Whatever sequence of
// edits the input encodes, the patched chain must be exactly the chain of tokenising the
// final text from scratch, and the editor's line table must be that of a fresh load.
//
// Input: the initial text up to the first 0 byte, then edits of three bytes each: where
// (scaled to the text's length), how many characters to remove (low three bits; the high
// bits pick an undo, a redo or a switch of the "#" comment style now and then) and what to
// insert (a piece that matters to the tokeniser, or the byte as a character).

#include "editor/sql_syntax_setup.h"
#include "editor/syntax_chain_compare.h"
#include "editor/syntax_coloring.h"
#include "fuzz_support.h"

#include <QStringList>
#include <vector>

using namespace kx;
using namespace kx::fuzz;

namespace {

const QStringList& Pieces() {
    static const QStringList pieces = {QStringLiteral("("),     QStringLiteral(")"),
                                       QStringLiteral("/*"),    QStringLiteral("*/"),
                                       QStringLiteral("'"),     QStringLiteral("--"),
                                       QStringLiteral("\r\n"),  QStringLiteral("select"),
                                       QStringLiteral(" "),     QStringLiteral("1.5e-3"),
                                       QStringLiteral("$1F"),   QStringLiteral("#"),
                                       QStringLiteral("a.b"),   QStringLiteral("-"),
                                       QStringLiteral("x"),     QStringLiteral("\""),
                                       QStringLiteral("{"),     QStringLiteral("}"),
                                       QStringLiteral("//"),    QStringLiteral(";"),
                                       QStringLiteral("\r"),    QStringLiteral("\n"),
                                       QStringLiteral("\t"),    QStringLiteral("from"),
                                       QStringLiteral("count"), QStringLiteral("12"),
                                       QStringLiteral("."),     QStringLiteral("e+"),
                                       QStringLiteral("''"),    QStringLiteral("*"),
                                       QStringLiteral("/"),     QString()};
    return pieces;
}

void Replace(TCustomEditor& editor, int start, int length, const QString& text) {
    TMCRange work(&editor);
    work.SetRStart(start);
    work.SetRLength(length);
    editor.ReplaceRangeText(work, text);
}

// The edits an input made, written out only for a failure: formatting each one as it is
// made cost more allocations than the edit itself.
struct TEdit {
    enum class TKind { Replace, Undo, Redo, SwitchComments } Kind;
    int Start = 0;
    int Remove = 0;
    QString Piece;
};

QString History(const std::vector<TEdit>& edits) {
    QString history;
    for (const TEdit& edit : edits) {
        switch (edit.Kind) {
        case TEdit::TKind::Undo:
            history += QStringLiteral("\nundo");
            break;
        case TEdit::TKind::Redo:
            history += QStringLiteral("\nredo");
            break;
        case TEdit::TKind::SwitchComments:
            history += QStringLiteral("\n\"#\" comments switched");
            break;
        case TEdit::TKind::Replace:
            history += QStringLiteral("\nat %1 remove %2 insert %3")
                           .arg(edit.Start)
                           .arg(edit.Remove)
                           .arg(Shown(edit.Piece));
            break;
        }
    }
    return history;
}

void CheckAgainstFresh(const TSyntaxTextModel& model, const std::vector<TEdit>& edits) {
    const QString difference = test::FirstDifferenceFromFresh(model, model.SyntaxColoring());
    KX_CHECK(difference.isEmpty(), "the colouring after edits equals a fresh colouring",
             difference + QStringLiteral("\ntext ") + Shown(model.Text()) + History(edits));

    TCustomEditor fresh;
    fresh.SetTabSize(model.TabSize());
    fresh.SetAllText(model.Text());
    KX_CHECK(fresh.Text() == model.Text(), "the text is kept as loaded", Shown(model.Text()));
    bool sameLines = fresh.LineCount() == model.LineCount();
    for (int row = 1; sameLines && row <= fresh.LineCount(); ++row)
        sameLines = fresh.LineStart(row) == model.LineStart(row);
    KX_CHECK(sameLines && fresh.WidestRow() == model.WidestRow(),
             "the line table after edits equals that of a fresh load",
             QStringLiteral("text ") + Shown(model.Text()) + History(edits));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    TSyntaxTextModel model;
    TSyntaxColoring& coloring = model.SyntaxColoring();
    KxLoadSqlSyntaxSetup(coloring);
    model.SetAllText(input.TextUntil(0));
    std::vector<TEdit> edits;
    while (input.Left() >= 3 && edits.size() < 200) {
        const int length = model.TextLength();
        const int start = 1 + input.Byte() * (length + 1) / 256;
        const std::uint8_t how = input.Byte();
        const std::uint8_t what = input.Byte();
        switch (how >> 3) {
        case 31:
            if (model.CanUndo())
                model.Undo();
            edits.push_back({TEdit::TKind::Undo});
            continue;
        case 30:
            if (model.CanRedo())
                model.Redo();
            edits.push_back({TEdit::TKind::Redo});
            continue;
        case 29:
            KxSetDirectiveCommentStyle(coloring, !KxDirectiveCommentStyleOn(coloring));
            edits.push_back({TEdit::TKind::SwitchComments});
            continue;
        default:
            break;
        }
        const int remove = std::min(how & 7, length - start + 1);
        const QString piece =
            what < Pieces().size() ? Pieces().at(what) : QString(QChar(char16_t(what)));
        edits.push_back({TEdit::TKind::Replace, start, remove, piece});
        Replace(model, start, remove, piece);
    }
    CheckAgainstFresh(model, edits);
    return 0;
}
