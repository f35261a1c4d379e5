#include "editor/sql_syntax_setup.h"

namespace kx {

namespace {

struct TListSetup {
    const char* Caption;
    TColor Color;
    TFontStyles Style;
    const char* Words;
};

struct TStyleSetup {
    const char* Caption;
    const char* BeginText;
    const char* EndText;
    TColor Color;
    TSyntaxStyleKind Kind;
};

constexpr TListSetup kLists[] = {
    {"KeyWords", clWindowText, fsBold,
     "add after all alter and asc ascending before between by character constraint create "
     "database default delete desc descending drop foreign from generator grant group in index "
     "insert into join key not null on or order password primary procedure references role "
     "select sequence set table to trigger update user values view where"},
    {"Functions", clTeal, 0, "avg count gen_id max min sum"},
    {"Datatypes", clNavy, 0,
     "binary blob bool boolean char currency date datetime double integer longbinary "
     "longvarchar precision single smallint text time varchar"},
};

constexpr TStyleSetup kStyles[] = {
    {"RestOfLineComment1", "--", "#13", clSilver, TSyntaxStyleKind::Comment},
    {"RestOfLineComment2", "//", "#13", clSilver, TSyntaxStyleKind::Comment},
    {"PascalComment", "{", "}", clSilver, TSyntaxStyleKind::Comment},
    {"C_Comment", "/*", "*/", clSilver, TSyntaxStyleKind::Comment},
    {"String1", "'", "'", clPurple, TSyntaxStyleKind::Quoted},
    {"String2", "\"", "\"", clPurple, TSyntaxStyleKind::Quoted},
};

void AddStyle(TSyntaxColoringProperties& coloring, const TStyleSetup& setup) {
    TCustomStyle& style = coloring.CustomStyles().Add();
    style.SetCaption(QString::fromLatin1(setup.Caption));
    style.SetBeginText(QString::fromLatin1(setup.BeginText));
    style.SetEndText(QString::fromLatin1(setup.EndText));
    style.SetCustomStyle(true);
    style.SetStyle(0);
    style.SetKind(setup.Kind);
    if (setup.Color != clDefault) {
        style.SetColor(setup.Color);
        style.SetCustomColor(true);
    }
}

int DirectiveStyleIndex(const TSyntaxColoringProperties& coloring) {
    return coloring.CustomStyles().FindStyleAt(u"#");
}

} // namespace

void KxLoadSqlSyntaxSetup(TSyntaxColoringProperties& coloring) {
    coloring.Lock();
    coloring.WordLists().Clear();
    coloring.CustomStyles().Clear();
    for (const TListSetup& setup : kLists) {
        TWordList& list = coloring.WordLists().Add();
        list.SetCaption(QString::fromLatin1(setup.Caption));
        list.SetCaseSensitive(false);
        list.SetCustomStyle(true);
        list.SetStyle(setup.Style);
        if (setup.Color != clDefault) {
            list.SetColor(setup.Color);
            list.SetCustomColor(true);
        }
        list.SetWords(QString::fromLatin1(setup.Words).split(QLatin1Char(' ')));
    }
    for (const TStyleSetup& setup : kStyles)
        AddStyle(coloring, setup);
    coloring.SetNumberColor(clRed);
    coloring.SetSymbolColor(clOlive);
    coloring.Unlock();
    coloring.NotifyChanged();
}

void KxSetDirectiveCommentStyle(TSyntaxColoringProperties& coloring, bool on) {
    const int index = DirectiveStyleIndex(coloring);
    if (on && index < 0) {
        coloring.Lock();
        AddStyle(coloring, {"C_DirectiveComment", "#", "#13", clSilver, TSyntaxStyleKind::Comment});
        coloring.Unlock();
        coloring.NotifyChanged();
    } else if (!on && index >= 0) {
        coloring.CustomStyles().Delete(index);
    }
}

bool KxDirectiveCommentStyleOn(const TSyntaxColoringProperties& coloring) {
    return DirectiveStyleIndex(coloring) >= 0;
}

} // namespace kx
