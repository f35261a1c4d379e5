#pragma once

#include "dbcore/record_interfaces.h"
#include "dbcore/record_states.h"
#include "foundation/kx_variant.h"

#include <QString>
#include <QStringList>

namespace kx {

// The routines controls call on a recordset they know only by interface. Each takes the
// object as IUnknown; a null object does nothing and answers false.

// Puts a recordset into a modifying state so a value can be written: nothing to do when it
// is inserting or editing already; an empty recordset inserts, any other edits. False when
// the object is null or the operation is not possible now.
bool KxEditObject(IKxUnknown* object);

// A recordset without records; `defaultValue` when it cannot count them.
bool KxIsEmpty(IKxUnknown* object, bool defaultValue = true);

// The state is rsInsert or rsEdit (false when the object cannot tell).
bool KxIsModifying(IKxUnknown* object);
// Editing is going on or can start now: an empty recordset must be able to insert, any
// other to edit.
bool KxCanEdit(IKxUnknown* object);

bool KxCanMove(IKxUnknown* object, TKxMoveDirection direction);
// Moves without asking whether the recordset is open or scrollable: only the boundary the
// direction runs into (BOF for first and previous, EOF for next and last) stops it.
void KxMove(IKxUnknown* object, TKxMoveDirection direction);
void KxMoveIfPossible(IKxUnknown* object, TKxMoveDirection direction);

// Asks `question` (empty: "Delete current record ?") unless the object says deletions need
// no confirmation; true when the user agrees or was not asked.
bool KxConfirmDeletion(IKxUnknown* object, const QString& question = {});
// Deletes the current record once the user agrees.
void KxDoDeletion(IKxUnknown* object);
// Deletes the records selected in `selectionSource` (its "SelectedPositions" property), the
// highest position first, or the current record when fewer than two are selected.
void KxDeleteRecords(IKxUnknown* object, IKxUnknown* selectionSource);
// Deletes the current record and every record below it through the object's
// "CascadedContentsProperties". Every record is deleted once, also when the parent references
// form a cycle or a record is its own parent.
void KxDeleteCascaded(IKxUnknown* object);
// Inserts a record whose parent reference is the key of the current record.
void KxInsertChild(IKxUnknown* object);

// Reads the named values of the first record matching `condition` into the items of
// `values` from a copy of `source` (source is never moved). Every item is set to NULL and
// the answer is false when no record matches.
bool KxLookupValues(IKxUnknown* source, IKxUnknown* values, const QString& condition,
                    bool replaceWhere);

// Appends the display texts of the selected records of `selectionSource` (all records when
// none are selected) to `text`: one line per record, values separated by `valueSeparator`
// in the order of `fieldNames` (names the source does not know are left out). Every line
// has the same number of separators, so an empty value keeps its column; tabs and line
// breaks inside a value become blanks so that a line stays one record. Lines are separated
// by `lineSeparator`, without one after the last line. The recordset's position and state
// are restored afterwards.
void BuildContentsString(IKxUnknown* source, const QStringList& fieldNames,
                         IKxUnknown* selectionSource, QString& text,
                         const QString& valueSeparator = QStringLiteral("\t"),
                         const QString& lineSeparator = QStringLiteral("\r\n"),
                         bool withTitles = false);

} // namespace kx
