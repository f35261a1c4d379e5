#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace kx {

// One parameter marker of a statement text: the token from its ":" up to the next delimiter
// outside brackets, and the name it gives.
struct TKxSqlParameterMarker {
    int position = 0; // of the ":"
    int length = 0;   // of the whole token
    QString name;     // the token without ":" and the characters «:,;() \t\n\r» at its ends
};

// Finds the parameter markers of a statement text. The rebuild of the parameter list and
// the substitution before execution both read markers through here, so a text always means
// the same parameters to both.
//
// A marker is a ":" that
//  - stands in the statement itself: not inside a '…' or "…" literal (a doubled quote stays
//    inside), a -- comment (to the line end) or a /* … */ comment, because a time such as
//    '10:30' or a remark such as "-- note: …" is no parameter;
//  - is no part of a "::" cast (PostgreSQL's x::int);
//  - begins a word: it is the first character of the text or follows a delimiter of
//    «,;() \t\n\r=<>!*+-», so "arr[1:2]" or "a:b" are left to the database.
// The name is read with the bracket rule of NextBracketedWord, so «:[my name]» is the one
// parameter "[my name]". A ":" directly followed by a delimiter gives an empty name.
std::vector<TKxSqlParameterMarker> KxFindSqlParameterMarkers(QStringView text);

// `text` as the statement itself reads, position for position: every character of a '…' or
// "…" literal (quotes included) becomes "_", every character of a comment a blank. Operators
// and keywords are looked up in this copy, so nothing quoted or commented out passes for SQL,
// while positions still point into `text`.
QString KxSqlCodeText(QStringView text);

} // namespace kx
