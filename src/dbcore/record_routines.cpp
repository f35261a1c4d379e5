#include "dbcore/record_routines.h"

#include "dbcore/sql_interfaces.h"
#include "dbcore/statement_interfaces.h"
#include "dbcore/value_interfaces.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/message_box.h"
#include "foundation/notification_sinks.h"
#include "foundation/questions.h"
#include "foundation/scope_objects.h"
#include "foundation/temp_cursor.h"

#include <QCoreApplication>
#include <QSet>
#include <vector>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

const QString kSelectedPositions = QStringLiteral("SelectedPositions");
const QString kCascadedContents = QStringLiteral("CascadedContentsProperties");

QString ContinueDeletionQuestion() {
    return Tr("Continue Deletion with remaining Records");
}

// Disables an object's notifications for a scope and enables them again with the kind the
// scope decided on meanwhile (re-execution when records were deleted), also when an
// exception leaves the scope.
class NotificationPause {
public:
    explicit NotificationPause(IKxUnknown* object)
        : m_notifications(KxQuery<IKxEnableNotifications>(object)) {
        if (m_notifications)
            m_notifications->DisableNotifications(0);
    }
    ~NotificationPause() {
        if (!m_notifications)
            return;
        try {
            m_notifications->EnableNotifications(m_enableKind);
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
    }
    NotificationPause(const NotificationPause&) = delete;
    NotificationPause& operator=(const NotificationPause&) = delete;

    void SetEnableKind(int kind) { m_enableKind = kind; }

private:
    KxIntf<IKxEnableNotifications> m_notifications;
    int m_enableKind = 0;
};

// Notifications are enabled with this kind when records went: the recordset re-reads them.
constexpr int kReExecutionKind = 3;

// The selection a control publishes, when it holds at least `minimum` positions.
struct Selection {
    KxIntf<IKxGetCount> count;
    KxIntf<IKxGetIntegerByIndex> positions;
    int size = 0;
};

Selection SelectedPositions(IKxUnknown* selectionSource) {
    Selection selection;
    selection.count = KxGetPropertyIntf<IKxGetCount>(selectionSource, kSelectedPositions);
    if (selection.count) {
        selection.positions = KxQuery<IKxGetIntegerByIndex>(selection.count);
        selection.size = selection.count->GetCount();
    }
    return selection;
}

// Opens a temporary copy for as long as the answer lives and closes it again before the
// copy's last reference goes: a copy left open would close itself from its destructor,
// sending notifications about an object that is already being destroyed.
KxIntf<IKxUnknown> OpenWhileInUse(IKxUnknown* copy) {
    return KxMake<TKxActiveKeeper>(copy, true);
}

KxVariant FieldValue(IKxUnknown* recordset, const QString& fieldName, const QString& routineName) {
    const KxIntf<IKxGetItemByName> fields =
        KxCheckQueryInterface<IKxGetItemByName>(recordset, routineName);
    return KxCheckGetItemByName<IKxGetValue>(fields.get(), fieldName, routineName)->GetValue();
}

// A key as a set member: the type name keeps 1 and '1' apart.
QString KeyText(const KxVariant& key) {
    return KxVariant::TypeName(key.VarType()) + QLatin1Char(':') + key.ToString();
}

// Deletes the current record of `recordset` after everything below it. `entered` holds the
// keys of the records whose deletion has begun: a child found there is an ancestor on the
// current path (a cycle, or a record that is its own parent) or a record that failed before,
// and is passed over instead of being entered again.
class CascadedDeletion {
public:
    CascadedDeletion(QString key, QString parent)
        : m_key(std::move(key)), m_parent(std::move(parent)) {}

    bool Deleted() const { return m_deleted; }

    void DeleteTree(IKxUnknown* recordset) {
        const QString routine = QStringLiteral("KxDeleteCascaded");
        const KxIntf<IKxCreateRestrictedCopy> restricted =
            KxCheckQueryInterface<IKxCreateRestrictedCopy>(recordset, routine);
        const KxVariant key = FieldValue(recordset, m_key, routine);
        m_entered.insert(KeyText(key));

        // NULL matches no parent reference, so a record without a key has no children.
        if (!key.IsNull())
            DeleteChildren(restricted.get(), key);

        KxExecuteDataOperation(recordset, roDelete, nullptr, routine);
        m_deleted = true;
    }

private:
    void DeleteChildren(IKxCreateRestrictedCopy* restricted, const KxVariant& key) {
        const QString routine = QStringLiteral("KxDeleteCascaded");
        KxIntf<IKxUnknown> children;
        KxCheckHR(restricted->CreateRestrictedCopy(m_parent, key, children),
                  KxObjectDescription::OfInterface(restricted), routine);
        KxCheckQueryInterface<IKxGetSetActive>(children.get(), routine);
        const KxIntf<IKxUnknown> open = OpenWhileInUse(children.get());
        const KxIntf<IKxGetCount> count =
            KxCheckQueryInterface<IKxGetCount>(children.get(), routine);
        const KxIntf<IKxGetSetPosition> position =
            KxCheckQueryInterface<IKxGetSetPosition>(children.get(), routine);

        // Children passed over stay in the copy; the ones deleted leave it, so the next
        // child to look at is always at position `passed` + 1.
        int passed = 0;
        while (count->GetCount() > passed) {
            position->SetPosition(passed + 1);
            if (m_entered.contains(KeyText(FieldValue(children.get(), m_key, routine)))) {
                ++passed;
                continue;
            }
            try {
                DeleteTree(children.get());
            } catch (const std::exception& e) {
                // Once the user chose to stop, the levels above do not ask again.
                if (m_stopped || !KxAskContinue(&e, eaAskUser, ContinueDeletionQuestion())) {
                    m_stopped = true;
                    throw;
                }
                // The record that failed is still there; trying it again would fail again.
                ++passed;
            }
        }
    }

    QString m_key;
    QString m_parent;
    QSet<QString> m_entered;
    bool m_deleted = false;
    bool m_stopped = false;
};

KxIntf<IKxCascadedContents> EnabledCascadedContents(IKxUnknown* object) {
    KxIntf<IKxCascadedContents> cascaded =
        KxGetPropertyIntf<IKxCascadedContents>(object, kCascadedContents);
    if (!cascaded || !cascaded->GetEnabled())
        return nullptr;
    return cascaded;
}

// A value as one cell of a text line: tabs and line breaks would split the record.
QString CellText(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

bool KxIsEmpty(IKxUnknown* object, bool defaultValue) {
    const KxIntf<IKxGetCount> count = KxQuery<IKxGetCount>(object);
    if (!count)
        return defaultValue;
    return count->GetCount() < 1;
}

bool KxEditObject(IKxUnknown* object) {
    if (object == nullptr)
        return false;
    const KxIntf<IKxGetRecordsetState> state =
        KxCheckQueryInterface<IKxGetRecordsetState>(object, QStringLiteral("KxEditObject"));
    if (KxIsModifyingState(state->GetRecordsetState()))
        return true;
    return KxTryExecuteOperation(object, KxIsEmpty(object) ? roInsert : roEdit, nullptr);
}

bool KxIsModifying(IKxUnknown* object) {
    const KxIntf<IKxGetRecordsetState> state = KxQuery<IKxGetRecordsetState>(object);
    return state && KxIsModifyingState(state->GetRecordsetState());
}

bool KxCanEdit(IKxUnknown* object) {
    if (object == nullptr)
        return false;
    if (KxIsModifying(object))
        return true;
    const KxIntf<IKxCanExecuteOperation> operations = KxQuery<IKxCanExecuteOperation>(object);
    if (!operations)
        return false;
    return operations->CanExecuteOperation(KxIsEmpty(object, true) ? roInsert : roEdit, nullptr);
}

bool KxCanMove(IKxUnknown* object, TKxMoveDirection direction) {
    // Going back needs a cursor that can scroll; a forward-only recordset answers false here.
    const auto scrollable = [object] {
        return KxAskBoolean(object, qid::ActiveAndScrollable, true);
    };
    switch (direction) {
    case mdFirst:
    case mdLast: {
        const KxIntf<IKxScrollableCursor> cursor = KxQuery<IKxScrollableCursor>(object);
        if (!cursor || KxIsEmpty(cursor.get(), true))
            return false;
        return (direction == mdFirst ? !cursor->IsBOF() : !cursor->IsEOF()) && scrollable();
    }
    case mdPrevious: {
        const KxIntf<IKxBidirectionalCursor> cursor = KxQuery<IKxBidirectionalCursor>(object);
        return cursor && !cursor->IsBOF() && !KxIsEmpty(cursor.get(), true) && scrollable();
    }
    case mdNext: {
        const KxIntf<IKxForwardCursor> cursor = KxQuery<IKxForwardCursor>(object);
        return cursor && !cursor->IsEOF() && !KxIsEmpty(cursor.get(), true) &&
               KxGetIntfActive(cursor.get(), false);
    }
    }
    return false;
}

void KxMove(IKxUnknown* object, TKxMoveDirection direction) {
    switch (direction) {
    case mdFirst:
        if (const auto cursor = KxQuery<IKxScrollableCursor>(object); cursor && !cursor->IsBOF())
            cursor->MoveToFirst();
        break;
    case mdPrevious:
        if (const auto cursor = KxQuery<IKxBidirectionalCursor>(object); cursor && !cursor->IsBOF())
            cursor->MoveToPrevious();
        break;
    case mdNext:
        if (const auto cursor = KxQuery<IKxForwardCursor>(object); cursor && !cursor->IsEOF())
            cursor->MoveToNext();
        break;
    case mdLast:
        if (const auto cursor = KxQuery<IKxScrollableCursor>(object); cursor && !cursor->IsEOF())
            cursor->MoveToLast();
        break;
    }
}

void KxMoveIfPossible(IKxUnknown* object, TKxMoveDirection direction) {
    if (KxCanMove(object, direction))
        KxMove(object, direction);
}

bool KxConfirmDeletion(IKxUnknown* object, const QString& question) {
    if (object == nullptr)
        return false;
    if (!KxAskBoolean(object, qid::ConfirmDelete, true))
        return true;
    const QString text = question.isEmpty() ? Tr("Delete current record ?") : question;
    return KxMessageBox(text, svConfirm, mb::YesNo) == id::Yes;
}

void KxDoDeletion(IKxUnknown* object) {
    if (KxConfirmDeletion(object))
        KxExecuteDataOperation(object, roDelete, nullptr, QStringLiteral("KxDoDeletion"));
}

void KxDeleteRecords(IKxUnknown* object, IKxUnknown* selectionSource) {
    if (object == nullptr)
        return;
    const Selection selection = SelectedPositions(selectionSource);
    const KxIntf<IKxGetSetPosition> position = KxQuery<IKxGetSetPosition>(object);
    if (selection.size < 2 || !selection.positions || !position) {
        KxDoDeletion(object);
        return;
    }
    if (!KxConfirmDeletion(object, Tr("Delete %1 records ?").arg(selection.size)))
        return;

    const QString routine = QStringLiteral("KxDoDeletion");
    TKxTempCursor waitCursor;
    NotificationPause pause(object);
    // Highest position first, so the positions still to come stay where they were.
    for (int index = selection.size - 1; index >= 0; --index) {
        try {
            position->SetPosition(selection.positions->GetIntegerByIndex(index));
            KxExecuteDataOperation(object, roDelete, nullptr, routine);
            pause.SetEnableKind(kReExecutionKind);
        } catch (const std::exception& e) {
            if (!KxAskContinue(&e, eaAskUser, ContinueDeletionQuestion()))
                throw;
        }
    }
    KxExecuteOperation(selection.count.get(), opClear, QString(), nullptr, routine);
}

void KxDeleteCascaded(IKxUnknown* object) {
    const KxIntf<IKxCascadedContents> cascaded = EnabledCascadedContents(object);
    if (!cascaded || !KxGetIntfActive(object, false))
        return;
    if (!KxConfirmDeletion(object, Tr("Delete current record and all cascaded records ?")))
        return;

    TKxTempCursor waitCursor;
    NotificationPause pause(object);
    CascadedDeletion deletion(cascaded->GetKeyValueName(), cascaded->GetParentReferenceValueName());
    try {
        deletion.DeleteTree(object);
    } catch (...) {
        if (deletion.Deleted())
            pause.SetEnableKind(kReExecutionKind);
        throw;
    }
    if (deletion.Deleted())
        pause.SetEnableKind(kReExecutionKind);
}

void KxInsertChild(IKxUnknown* object) {
    const KxIntf<IKxCascadedContents> cascaded = EnabledCascadedContents(object);
    if (!cascaded)
        return;
    const QString routine = QStringLiteral("KxInsertChild");
    const KxVariant key = FieldValue(object, cascaded->GetKeyValueName(), routine);
    KxExecuteDataOperation(object, roInsert, cascaded.get(), routine);
    const KxIntf<IKxGetItemByName> fields =
        KxCheckQueryInterface<IKxGetItemByName>(object, routine);
    KxCheckGetItemByName<IKxGetSetValue>(fields.get(), cascaded->GetParentReferenceValueName(),
                                         routine)
        ->SetValue(key);
}

bool KxLookupValues(IKxUnknown* source, IKxUnknown* values, const QString& condition,
                    bool replaceWhere) {
    const QString routine = QStringLiteral("KxLookupValues");
    const KxIntf<IKxGetCount> valueCount = KxQuery<IKxGetCount>(values);
    const KxIntf<IKxCreateCopyQI> copier = KxQuery<IKxCreateCopyQI>(source);
    if (condition.isEmpty() || !valueCount || valueCount->GetCount() < 1 || !copier)
        return false;

    KxIntf<IKxUnknown> copy;
    KxCheckHR(copier->CreateCopyQI(copy), KxObjectDescription::OfInterface(source), routine);
    const KxIntf<IKxForwardCursor> cursor = KxQuery<IKxForwardCursor>(copy);
    const KxIntf<IKxGetItemByName> fields = KxQuery<IKxGetItemByName>(copy);
    const KxIntf<IKxSqlStatementParts> sql =
        KxGetPropertyIntf<IKxSqlStatementParts>(copy.get(), QStringLiteral("SQL"));
    const KxIntf<IKxGetItemByIndex> items = KxQuery<IKxGetItemByIndex>(values);
    if (!cursor || !fields || !sql || !items)
        return false;

    KxExecuteDataOperation(copy.get(), roSetSimplestConfiguration, nullptr, routine);
    const QString where = sql->GetSQLWhere();
    if (replaceWhere || where.isEmpty())
        sql->SetSQLWhere(condition);
    else
        sql->SetSQLWhere(QStringLiteral("(%1) AND (%2)").arg(where, condition));
    KxCheckQueryInterface<IKxGetSetActive>(copy.get(), routine);
    const KxIntf<IKxUnknown> open = OpenWhileInUse(copy.get());

    const bool found = !KxIsEmpty(copy.get(), cursor->IsEOF());
    const int count = valueCount->GetCount();
    for (int index = 0; index < count; ++index) {
        const KxIntf<IKxGetSetValue> item =
            KxCheckGetItemByIndex<IKxGetSetValue>(items.get(), index, routine);
        KxVariant value = KxVariant::Null();
        const KxIntf<IKxGetName> named = KxQuery<IKxGetName>(item);
        if (found && named) {
            KxIntf<IKxUnknown> field;
            if (fields->GetItemByName(named->GetName(), field) == hr::S_Ok) {
                if (const auto fieldValue = KxQuery<IKxGetValue>(field))
                    value = fieldValue->GetValue();
            }
        }
        item->SetValue(value);
    }
    return found;
}

void BuildContentsString(IKxUnknown* source, const QStringList& fieldNames,
                         IKxUnknown* selectionSource, QString& text, const QString& valueSeparator,
                         const QString& lineSeparator, bool withTitles) {
    if (source == nullptr || fieldNames.isEmpty())
        return;
    if (selectionSource == nullptr)
        selectionSource = source;
    const QString routine = QStringLiteral("BuildContentsString");
    const KxIntf<IKxRecordsetStateStore> store =
        KxCheckQueryInterface<IKxRecordsetStateStore>(source, routine);
    const KxIntf<IKxGetItemByName> fields =
        KxCheckQueryInterface<IKxGetItemByName>(source, routine);
    const KxIntf<IKxGetSetPosition> position =
        KxCheckQueryInterface<IKxGetSetPosition>(source, routine);

    TKxTempCursor waitCursor;
    NotificationPause pause(source);
    const KxIntf<IKxUnknown> holder = store->CreateStateHolder();
    try {
        KxExecuteDataOperation(source, roLeaveModifyingState, nullptr, routine);

        // The fields stay the same while the position changes, so they are looked up once.
        QStringList titles;
        std::vector<KxIntf<IKxGetDisplayText>> columns;
        for (const QString& name : fieldNames) {
            KxIntf<IKxUnknown> field;
            if (fields->GetItemByName(name, field) != hr::S_Ok)
                continue;
            if (KxIntf<IKxGetDisplayText> display = KxQuery<IKxGetDisplayText>(field)) {
                columns.push_back(std::move(display));
                titles.append(CellText(name));
            }
        }

        const int textLength = text.size();
        const auto appendLine = [&] {
            for (std::size_t column = 0; column < columns.size(); ++column) {
                if (column > 0)
                    text += valueSeparator;
                text += CellText(columns[column]->GetDisplayText());
            }
            text += lineSeparator;
        };
        if (withTitles) {
            text += titles.join(valueSeparator);
            text += lineSeparator;
        }
        const Selection selection = SelectedPositions(selectionSource);
        if (selection.positions && selection.size > 0) {
            for (int index = 0; index < selection.size; ++index) {
                position->SetPosition(selection.positions->GetIntegerByIndex(index));
                appendLine();
            }
        } else {
            const int count = KxCheckQueryInterface<IKxGetCount>(source, routine)->GetCount();
            for (int record = 1; record <= count; ++record) {
                position->SetPosition(record);
                appendLine();
            }
        }
        // Lines are separated, not terminated: only the separator after the last line goes.
        if (text.size() > textLength)
            text.chop(lineSeparator.size());
    } catch (...) {
        try {
            store->RestoreState(holder.get());
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
        throw;
    }
    store->RestoreState(holder.get());
}

} // namespace kx
