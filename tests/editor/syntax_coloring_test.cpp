#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "editor_test_support.h"
#include "syntax_chain_compare.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kx {
namespace {

using test::Replace;
using test::Type;

// The chain as "class:text" strings; parentheses carry their level.
std::vector<std::string> Chain(const TSyntaxTextModel& model) {
    const TSyntaxColoring& coloring = model.SyntaxColoring();
    std::vector<std::string> out;
    for (int i = 0; i < coloring.Chain().Count(); ++i) {
        const TSyntaxToken& token = coloring.Chain()[i];
        QString name = KxSyntaxRangeClassName(token.Class).mid(1);
        name.chop(5); // "Range"
        if (token.Class == TSyntaxRangeClass::Parenthesis)
            name += QString::number(token.Level);
        out.push_back((name + QLatin1Char(':') + coloring.RangeText(token)).toStdString());
    }
    return out;
}

// Positions and classes must be exactly those of tokenising the text from scratch.
void ExpectSameAsFresh(const TSyntaxTextModel& model, const TSyntaxColoringProperties& setup) {
    const QString difference = test::FirstDifferenceFromFresh(model, setup);
    ASSERT_TRUE(difference.isEmpty())
        << difference.toStdString() << " in " << model.Text().toStdString();
}

class SqlColoring : public ::testing::Test {
protected:
    void SetUp() override { KxLoadSqlSyntaxSetup(model.SyntaxColoring()); }
    TSyntaxColoring& Coloring() { return model.SyntaxColoring(); }
    TEditorFont FontAt(int position) {
        const TSyntaxToken* token = Coloring().RangeAt(position);
        return token ? Coloring().RangeFont(*token) : TEditorFont{};
    }
    TSyntaxTextModel model;
};

TEST_F(SqlColoring, StatementWithRestOfLineComment) {
    model.SetAllText(QStringLiteral("select * from t -- note\r\nx"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"WordList:select", "NormalText: ", "Symbol:*",
                                        "NormalText: ", "WordList:from", "NormalText: t ",
                                        "CustomStyle:-- note\r\n", "NormalText:x"}));
    EXPECT_EQ(FontAt(1).Color, clWindowText); // keywords stay readable on a dark theme
    EXPECT_EQ(FontAt(1).Style, TFontStyles(fsBold));
    EXPECT_EQ(FontAt(8).Color, clOlive);
    EXPECT_EQ(FontAt(8).Style, TFontStyles(0));
    EXPECT_EQ(FontAt(17).Color, clSilver);
    EXPECT_EQ(FontAt(14).Color, TEditorFont{}.Color); // plain text: the editor font
    EXPECT_TRUE(Coloring().InCustomStyle(24, QStringLiteral("RestOfLineComment1")));
    EXPECT_FALSE(Coloring().InCustomStyle(26, QStringLiteral("RestOfLineComment1")));
}

TEST_F(SqlColoring, CommentsAndStringsWithoutEndRunToTextEnd) {
    model.SetAllText(QStringLiteral("a\r\n-- note"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"NormalText:a\r\n", "CustomStyle:-- note"}));
    model.SetAllText(QStringLiteral("a // b\r\nc"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"NormalText:a ", "CustomStyle:// b\r\n", "NormalText:c"}));
    model.SetAllText(QStringLiteral("x 'abc"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"NormalText:x ", "CustomStyle:'abc"}));
    model.SetAllText(QStringLiteral("'a' \"b\" {c} /* d"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"CustomStyle:'a'", "NormalText: ", "CustomStyle:\"b\"",
                                        "NormalText: ", "CustomStyle:{c}",
                                        "NormalText: ", "CustomStyle:/* d"}));
    EXPECT_EQ(FontAt(1).Color, clPurple);
    EXPECT_EQ(FontAt(9).Color, clSilver);
}

TEST_F(SqlColoring, Numbers) {
    model.SetAllText(QStringLiteral("1.5e-3"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"Number:1.5e-3"}));
    EXPECT_EQ(FontAt(1).Color, clRed);
    model.SetAllText(QStringLiteral("a-1"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"NormalText:a", "Symbol:-", "Number:1"}));
    model.SetAllText(QStringLiteral("$1F $G1"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"Number:$1F", "NormalText: $G1"}));
    model.SetAllText(QStringLiteral("(3.)"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"Parenthesis1:(", "Number:3.", "Parenthesis1:)"}));
    model.SetAllText(QStringLiteral("x.y 2.5 .5"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"NormalText:x", "Symbol:.", "NormalText:y ",
                                                      "Number:2.5", "NormalText: ", "Number:.5"}));
}

TEST_F(SqlColoring, KeywordsIgnoreCaseUnlessTheListIsCaseSensitive) {
    model.SetAllText(QStringLiteral("SELECT Select select Count varchar"));
    const auto chain = Chain(model);
    EXPECT_EQ(chain, (std::vector<std::string>{"WordList:SELECT", "NormalText: ", "WordList:Select",
                                               "NormalText: ", "WordList:select",
                                               "NormalText: ", "WordList:Count",
                                               "NormalText: ", "WordList:varchar"}));
    EXPECT_EQ(Coloring().RangeAt(1)->Item, 0);  // KeyWords
    EXPECT_EQ(Coloring().RangeAt(22)->Item, 1); // Functions
    EXPECT_EQ(FontAt(22).Color, clTeal);
    EXPECT_EQ(FontAt(28).Color, clNavy);

    Coloring().WordLists().Items(0).SetCaseSensitive(true);
    EXPECT_EQ(Chain(model)[0], "NormalText:SELECT Select ");
    EXPECT_EQ(Chain(model)[1], "WordList:select");
}

TEST_F(SqlColoring, ParenthesisLevelsAndColours) {
    model.SetAllText(QStringLiteral("((a))"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"Parenthesis1:(", "Parenthesis2:(", "NormalText:a",
                                        "Parenthesis2:)", "Parenthesis1:)"}));
    for (int p : {1, 2, 4, 5})
        EXPECT_EQ(FontAt(p).Color, 0x000000) << p;

    model.SetAllText(QStringLiteral(")"));
    EXPECT_EQ(FontAt(1).Color, clWindowText);

    Coloring().SetParenthesisColors({QStringLiteral("$0000FF"), QStringLiteral("65280")});
    model.SetAllText(QStringLiteral("(()) ( ) )"));
    EXPECT_EQ(FontAt(1).Color, 0x0000FF);
    EXPECT_EQ(FontAt(2).Color, 0x00FF00);
    EXPECT_EQ(FontAt(3).Color, 0x00FF00);
    EXPECT_EQ(FontAt(4).Color, 0x0000FF);
    EXPECT_EQ(FontAt(6).Color, 0x0000FF);
    EXPECT_EQ(FontAt(10).Color, clWindowText);

    // Typing an opening parenthesis in front deepens every later one.
    model.SetSelStart(0);
    Type(model, QStringLiteral("("));
    EXPECT_EQ(Coloring().RangeAt(2)->Level, 2);
    EXPECT_EQ(Coloring().RangeAt(11)->Level, 1); // the lone ")" now closes the first
    test::Backspace(model);
    EXPECT_EQ(Coloring().RangeAt(1)->Level, 1);
    EXPECT_EQ(Coloring().RangeAt(10)->Level, 0);

    Coloring().SetParenthesisColors({QStringLiteral("teal")});
    EXPECT_EQ(Coloring().ParenthesisColor(0), clWindowText);
    Coloring().SetParenthesisColors({});
    EXPECT_EQ(Coloring().ParenthesisColor(0), clWindowText);
    Coloring().SetParenthesisColors({QStringLiteral("$000000")});
    EXPECT_EQ(Coloring().ParenthesisColor(-1), clWindowText);
    EXPECT_EQ(Coloring().ParenthesisColor(5), 0);
}

TEST_F(SqlColoring, TypedCommentOpenerRecoloursUpToItsEndAndUndoRestoresTheChain) {
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("select (a + 1.5) from t%1; -- row\r\n").arg(i);
    text += QStringLiteral("*/ select 2;\r\n");
    model.SetAllText(text);
    const auto before = Chain(model);

    model.SetSelStart(0);
    Type(model, QStringLiteral("/*"));
    ASSERT_EQ(Chain(model).front().substr(0, 14), "CustomStyle:/*");
    EXPECT_EQ(Coloring().RangeAt(1)->End, model.Text().indexOf(QStringLiteral("*/ ")) + 2);
    EXPECT_TRUE(Coloring().InCustomStyle(model.TextLength() / 2, QStringLiteral("C_Comment")));
    EXPECT_EQ(Chain(model).size(), 7u); // comment, " ", "select", " ", "2", ";", line break
    ExpectSameAsFresh(model, Coloring());

    model.Undo();
    EXPECT_EQ(Chain(model), before);
    ExpectSameAsFresh(model, Coloring());
}

// "$1F1" is a hex number only while the "." after it ends the word; once the line break after
// the "." goes, the word turns plain and must join the plain text before it, as loading the
// same text would cut it.
TEST_F(SqlColoring, WordTurningPlainJoinsThePlainTextBeforeIt) {
    model.SetAllText(QStringLiteral("a $1F1.\r\n5e-3 x"));
    ASSERT_EQ(Chain(model)[1], "Number:$1F1");
    Replace(model, 8, 2, QString());
    EXPECT_EQ(Chain(model).front(), "NormalText:a $1F1.5e-3 x");
    ExpectSameAsFresh(model, Coloring());
    model.Undo();
    ExpectSameAsFresh(model, Coloring());
}

// Script logic asks a span what it holds through its style's kind, never through its colour.
TEST_F(SqlColoring, SetUpMarksCommentAndQuotedStyles) {
    KxSetDirectiveCommentStyle(Coloring(), true);
    model.SetAllText(QStringLiteral("a -- b\r\n// c\r\n{d} /*e*/ 'f' \"g\" # h\r\n'i"));
    std::string kinds;
    for (int p = 1; p <= model.TextLength(); ++p)
        kinds += "oCQ"[static_cast<int>(Coloring().StyleKindAt(p))];
    EXPECT_EQ(kinds, "ooCCCCCCCCCCCCCCCoCCCCCoQQQoQQQoCCCCCQQ") << "«'i» runs to the end";

    Coloring().CustomStyles().Items(4).SetColor(clSilver); // painting changes no kind
    EXPECT_EQ(Coloring().StyleKindAt(model.Text().indexOf(QLatin1Char('f')) + 1),
              TSyntaxStyleKind::Quoted);
    TSyntaxColoringCopy copy;
    copy.Assign(Coloring());
    EXPECT_EQ(copy.CustomStyles().Items(3).Kind(), TSyntaxStyleKind::Comment);
    EXPECT_EQ(copy.CustomStyles().Items(5).Kind(), TSyntaxStyleKind::Quoted);
    EXPECT_EQ(copy.CustomStyles().Items(6).Kind(), TSyntaxStyleKind::Comment) << "directives";
    EXPECT_EQ(TCustomStyle().Kind(), TSyntaxStyleKind::Other) << "a new style is neither";
}

TEST_F(SqlColoring, DirectiveCommentStyleSwitchesOnAndOff) {
    model.SetAllText(QStringLiteral("#include x\r\nselect"));
    EXPECT_FALSE(KxDirectiveCommentStyleOn(Coloring()));
    EXPECT_EQ(Chain(model)[0], "Symbol:#");

    KxSetDirectiveCommentStyle(Coloring(), true);
    ASSERT_TRUE(KxDirectiveCommentStyleOn(Coloring()));
    EXPECT_EQ(Coloring().CustomStyles().Items(6).Caption(), QStringLiteral("C_DirectiveComment"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"CustomStyle:#include x\r\n", "WordList:select"}));
    EXPECT_EQ(FontAt(1).Color, clSilver);
    KxSetDirectiveCommentStyle(Coloring(), true); // never added twice
    EXPECT_EQ(Coloring().CustomStyles().Count(), 7);

    KxSetDirectiveCommentStyle(Coloring(), false);
    EXPECT_EQ(Coloring().CustomStyles().Count(), 6);
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"Symbol:#", "NormalText:include x\r\n",
                                                      "WordList:select"}));
}

TEST_F(SqlColoring, DisabledColouringHasNoChainAndPaintsTheEditorFont) {
    model.SetAllText(QStringLiteral("select 1 -- c"));
    const auto before = Chain(model);
    Coloring().SetEnabled(false);
    EXPECT_TRUE(Coloring().Chain().IsEmpty());
    Type(model, QStringLiteral("x")); // edits while disabled build nothing
    EXPECT_TRUE(Coloring().Chain().IsEmpty());
    std::vector<TColoredPiece> pieces;
    Coloring().ColoredPieces(1, model.TextLength(), pieces);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].Font, Coloring().EditorFont());
    test::Backspace(model);

    Coloring().SetEnabled(true);
    EXPECT_EQ(Chain(model), before);
    pieces.clear();
    Coloring().ColoredPieces(3, 10, pieces); // a row segment starting inside "select"
    ASSERT_EQ(pieces.size(), 5u);            // "lect", " ", "1", " ", "-"
    EXPECT_EQ(pieces[0].Start, 3);
    EXPECT_EQ(pieces[0].Font.Style, TFontStyles(fsBold));
    EXPECT_EQ(pieces[4].Start, 10);
    EXPECT_EQ(pieces[4].End, 10);
    EXPECT_EQ(pieces[4].Font.Color, clSilver);
}

// Random edits over the characters that matter to the tokeniser; after every edit (and every
// fiftieth undo) the patched chain must equal a chain built from scratch.
class IncrementalColoring : public ::testing::TestWithParam<int> {};

TEST_P(IncrementalColoring, EditsMatchAFreshTokenising) {
    TSyntaxTextModel model;
    TSyntaxColoring& coloring = model.SyntaxColoring();
    KxLoadSqlSyntaxSetup(coloring);
    KxSetDirectiveCommentStyle(coloring, GetParam() % 2 == 0);
    const QStringList pieces = {
        QStringLiteral("("),      QStringLiteral(")"),      QStringLiteral("/*"),
        QStringLiteral("*/"),     QStringLiteral("'"),      QStringLiteral("--"),
        QStringLiteral("\r\n"),   QStringLiteral("select"), QStringLiteral(" "),
        QStringLiteral("1.5e-3"), QStringLiteral("$1F"),    QStringLiteral("#"),
        QStringLiteral("a.b"),    QStringLiteral("-"),      QStringLiteral("x"),
        QStringLiteral("\""),     QStringLiteral("{"),      QStringLiteral("}")};
    QRandomGenerator random(static_cast<quint32>(GetParam()));
    model.SetAllText(QStringLiteral("select (a) from t -- c\r\n'x' /* y */ 12.5"));
    for (int step = 0; step < 1500; ++step) {
        const int length = model.TextLength();
        const int start = 1 + static_cast<int>(random.bounded(length + 1));
        const int remove = random.bounded(3) == 0
                               ? static_cast<int>(random.bounded(std::min(6, length - start + 2)))
                               : 0;
        const QString before = model.Text();
        Replace(model, start, remove,
                random.bounded(4) == 0 ? QString() : pieces.at(random.bounded(pieces.size())));
        ExpectSameAsFresh(model, coloring);
        if (::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << "step " << step << " before: " << before.toStdString() << " at "
                          << start << " remove " << remove;
            return;
        }
        if (step % 50 == 49 && model.CanUndo())
            model.Undo();
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, IncrementalColoring, ::testing::Values(4711, 1, 2, 3));

TEST(SyntaxColoring, CustomStyleMarkersEscapesAndLineStarts) {
    TSyntaxTextModel model;
    TSyntaxColoring& coloring = model.SyntaxColoring();
    TCustomStyle& quoted = coloring.CustomStyles().Add();
    quoted.SetBeginText(QStringLiteral("'"));
    quoted.SetEndText(QStringLiteral("'"));
    quoted.SetIgnoreChar(QStringLiteral("\\"));
    TCustomStyle& rem = coloring.CustomStyles().Add();
    rem.SetBeginText(QStringLiteral("REM"));
    rem.SetEndText(QStringLiteral("#13"));
    rem.SetLineStartOnly(true);
    EXPECT_EQ(rem.EndText(), QStringLiteral("\r"));
    TCustomStyle& blankLine = coloring.CustomStyles().Add();
    blankLine.SetBeginText(QStringLiteral("#13"));
    blankLine.SetEndText(QStringLiteral("\n"));
    model.SetAllText(QStringLiteral("a\r\nb"));
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"NormalText:a", "CustomStyle:\r\n", "NormalText:b"}));
    coloring.CustomStyles().Delete(2);

    // A style without a begin marker would start everywhere and never advance; it is ignored.
    TCustomStyle& unnamed = coloring.CustomStyles().Add();
    unnamed.SetEndText(QStringLiteral("x"));
    unnamed.SetSwitchable(true);
    model.SetAllText(QStringLiteral("a+b"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"NormalText:a", "Symbol:+", "NormalText:b"}));
    coloring.CustomStyles().Delete(2);

    model.SetAllText(QStringLiteral("'a\\'b' 'c\\\\' d"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"CustomStyle:'a\\'b'", "NormalText: ",
                                                      "CustomStyle:'c\\\\'", "NormalText: d"}));
    quoted.SetSwitchable(true);
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"CustomStyle:'a\\'b'", "NormalText: ",
                                                      "CustomStyle:'c\\\\'", "NormalText: d"}));

    model.SetAllText(QStringLiteral("REM a\r\n x REM b\r\n  REM c\r\n"));
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"CustomStyle:REM a\r\n",
                                                      "NormalText: x REM b\r\n  REM c\r\n"}));
    rem.SetIgnoreLeadingBlanks(true);
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"CustomStyle:REM a\r\n", "NormalText: x REM b\r\n  ",
                                        "CustomStyle:REM c\r\n"}));
}

TEST(SyntaxColoring, SetUpCopiesAndFonts) {
    TSyntaxTextModel model;
    TSyntaxColoring& coloring = model.SyntaxColoring();
    EXPECT_TRUE(coloring.Enabled());
    EXPECT_EQ(coloring.NumberColor(), clGreen);
    EXPECT_EQ(coloring.SymbolColor(), clOlive);
    EXPECT_EQ(coloring.ParenthesisColors(), QStringList{QStringLiteral("$000000")});
    model.SetAllText(QStringLiteral("select 1+2"));
    // Without lists and styles the text is still cut into numbers and symbols.
    EXPECT_EQ(Chain(model),
              (std::vector<std::string>{"NormalText:select ", "Number:1", "Symbol:+", "Number:2"}));

    TSyntaxColoringCopy copy;
    KxLoadSqlSyntaxSetup(copy);
    copy.SetNumberStyle(fsItalic);
    copy.SetNumberCustomStyle(true);
    int recolours = 0;
    coloring.OnRepaint = [&](int start, int end) {
        recolours += start == 1 && end == model.TextLength();
    };
    coloring.Assign(copy);
    EXPECT_EQ(recolours, 1); // one recolouring for the whole set-up
    EXPECT_EQ(coloring.WordLists().Count(), 3);
    EXPECT_EQ(coloring.WordLists().Items(0).Words().size(), 51);
    EXPECT_EQ(Chain(model).front(), "WordList:select");
    EXPECT_EQ(coloring.NumberFont().Style, TFontStyles(fsItalic));

    TEditorFont font;
    font.Name = QStringLiteral("Mono");
    font.Size = 14;
    coloring.SetEditorFont(font);
    EXPECT_EQ(coloring.NumberFont().Name, QStringLiteral("Mono"));
    EXPECT_EQ(coloring.WordLists().Items(1).Font().Size, 14);
    EXPECT_EQ(coloring.WordLists().Items(1).Font().Color, clTeal);

    TSyntaxColoringCopy back;
    back.Assign(coloring);
    EXPECT_EQ(back.CustomStyles().Count(), 6);
    EXPECT_EQ(back.CustomStyles().Items(0).EndText(), QStringLiteral("\r"));
    EXPECT_EQ(back.NumberStyle(), TFontStyles(fsItalic));

    coloring.SetSplitOnFly(true);
    EXPECT_EQ(Chain(model), (std::vector<std::string>{"CustomText:select 1+2"}));
    std::vector<TColoredPiece> pieces;
    coloring.ColoredPieces(1, model.TextLength(), pieces);
    ASSERT_EQ(pieces.size(), 5u); // cut when painted: word, blank, number, symbol, number
    EXPECT_EQ(pieces[3].Font.Color, clOlive);
    coloring.OnRepaint = nullptr;
}

} // namespace
} // namespace kx
