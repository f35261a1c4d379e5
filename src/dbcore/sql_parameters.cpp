#include "dbcore/sql_parameters.h"

#include "dbcore/sql_literals.h"
#include "dbcore/sql_text_scanner.h"
#include "dbcore/sql_words.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/operations.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>
#include <vector>

namespace kx {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

const QString kGetParameterRoutine = QStringLiteral("TKxSqlParameterList.GetParameter");

bool IsBlank(QChar c) {
    return KxSqlWhiteSpace().contains(c);
}

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Decides what a marker with a Null value becomes. SQL has no value that "= NULL" finds, so a
// comparison has to turn into a test, and the test must keep the operator's meaning; where no
// comparison stands before the marker (a VALUES list, a function argument, an assignment) the
// marker is simply the NULL literal.
class TKxNullMarkerReader {
public:
    struct TReplacement {
        qsizetype from; // where the replaced text begins; the marker's end is where it ends
        QString text;
    };

    explicit TKxNullMarkerReader(const QString& text)
        : m_code(KxSqlCodeText(text)), m_assignments(FindSetAssignments(m_code)) {}

    // `floor`: nothing before it may be replaced (it has been copied already).
    TReplacement Read(const TKxSqlParameterMarker& marker, qsizetype floor) const {
        const QStringView code(m_code);
        qsizetype operatorEnd = marker.position;
        while (operatorEnd > floor && IsBlank(code[operatorEnd - 1]))
            --operatorEnd;
        qsizetype operatorStart = operatorEnd;
        while (operatorStart > floor && QStringView(u"=<>!").contains(code[operatorStart - 1]))
            --operatorStart;
        const QStringView op = code.mid(operatorStart, operatorEnd - operatorStart);
        if (op.isEmpty() || (op == u"=" && std::binary_search(m_assignments.begin(),
                                                              m_assignments.end(), operatorStart)))
            return {marker.position, QStringLiteral("NULL")};
        // The blanks before the operator go with it, as the test brings its own.
        qsizetype from = operatorStart;
        while (from > floor && IsBlank(code[from - 1]))
            --from;
        // An ordering (<, >=, …) has no Null form of its own; it asks for the Null rows, as
        // it always has.
        const bool notEqual = op == u"<>" || op == u"!=";
        return {from, notEqual ? QStringLiteral(" IS NOT NULL ") : QStringLiteral(" IS NULL ")};
    }

private:
    // The positions of the "=" that assign a column in a SET list (UPDATE … SET, also
    // ON CONFLICT … DO UPDATE SET): the first "=" of each list item at the list's own
    // parenthesis level. A later "=" of the same item (CASE WHEN a = :p …) and every "=" of a
    // subquery compare; WHERE, FROM or RETURNING end the list.
    static std::vector<qsizetype> FindSetAssignments(QStringView code) {
        struct TLevel {
            bool inSetList = false;
            bool assigned = false;
        };
        std::vector<qsizetype> assignments;
        std::vector<TLevel> levels(1);
        const qsizetype length = code.size();
        for (qsizetype p = 0; p < length; ++p) {
            const QChar c = code[p];
            TLevel& level = levels.back();
            if (c == u'(') {
                levels.emplace_back();
            } else if (c == u')') {
                if (levels.size() > 1)
                    levels.pop_back();
            } else if (c == u';') {
                levels.assign(1, TLevel());
            } else if (c == u',') {
                level.assigned = false;
            } else if (c == u'=') {
                const bool single = (p == 0 || !QStringView(u"=<>!:").contains(code[p - 1])) &&
                                    (p + 1 == length || code[p + 1] != u'=');
                if (level.inSetList && !level.assigned && single)
                    assignments.push_back(p);
                level.assigned = true;
            } else if (IsWordChar(c) && (p == 0 || !IsWordChar(code[p - 1]))) {
                qsizetype end = p;
                while (end < length && IsWordChar(code[end]))
                    ++end;
                const QStringView word = code.mid(p, end - p);
                const auto is = [word](const char16_t* keyword) {
                    return word.compare(QStringView(keyword), Qt::CaseInsensitive) == 0;
                };
                if (is(u"SET"))
                    level = TLevel{true, false};
                else if (is(u"WHERE") || is(u"FROM") || is(u"RETURNING"))
                    level.inSetList = false;
                p = end - 1;
            }
        }
        return assignments;
    }

    QString m_code;
    std::vector<qsizetype> m_assignments; // ascending
};

} // namespace

bool KxIsOwnerLoading(IKxUnknown* owner) {
    const KxIntf<IKxComponentLoading> loading = KxQuery<IKxComponentLoading>(owner);
    return loading && loading->IsLoading();
}

// ---- TKxSqlParameter

TKxSqlParameter::TKxSqlParameter(TKxSqlParameterList* list, QString name, KxVariant value)
    : TKxInterfacedObject(TKxLifetime::OwnerOwned), m_list(list), m_name(std::move(name)),
      m_value(std::move(value)) {}

void TKxSqlParameter::SetValue(const KxVariant& value) {
    m_value = value;
    if (m_list != nullptr)
        m_list->OnParameterValueChanged(this);
}

void TKxSqlParameter::AssignValue(const KxVariant& value) {
    m_value = value;
}

// ---- TKxSqlParameterList

TKxSqlParameterList::TKxSqlParameterList(IKxUnknown* owner, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_owner(owner) {
    m_parameters.SetCompare(
        [](const TKxSqlParameter* a, const TKxSqlParameter* b) { return KxCompareByName(a, b); });
    m_parameters.SetSorted(true);
}

TKxSqlParameterList::~TKxSqlParameterList() {
    m_parameters.Clear();
}

bool TKxSqlParameterList::FindParameter(const QString& name, TKxSqlParameter*& parameter) const {
    parameter = nullptr;
    if (name.isEmpty())
        return false;
    int index = -1;
    const bool found = m_parameters.FindKey<QString>(
        name,
        [](const QString& key, const TKxSqlParameter* item) {
            return KxCompareNames(key, item->GetName());
        },
        index);
    if (found)
        parameter = m_parameters.Items(index);
    return found;
}

TKxSqlParameter* TKxSqlParameterList::GetParameter(const KxVariant& index) const {
    if (index.IsText()) {
        const QString name = index.ToString();
        TKxSqlParameter* parameter = nullptr;
        if (!FindParameter(name, parameter))
            KxRaise(Tr("A parameter with name '%1' doesn't exist").arg(name), kGetParameterRoutine,
                    KxObjectDescription(m_owner));
        return parameter;
    }
    if (index.IsNumeric())
        return m_parameters.Items(index.ToInt());
    KxRaise(KxUnsupportedIndexTypeText(index.VarType()), kGetParameterRoutine,
            KxObjectDescription(m_owner));
}

TKxSqlParameter* TKxSqlParameterList::AddParameter(const QString& name) {
    TKxSqlParameter* existing = nullptr;
    if (FindParameter(name, existing))
        return existing;
    auto parameter = std::make_unique<TKxSqlParameter>(this, name);
    TKxSqlParameter* added = parameter.get();
    m_parameters.Add(std::move(parameter));
    return added;
}

KxHResult TKxSqlParameterList::GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) {
    item = KxIntf<IKxUnknown>(GetParameter(name));
    return hr::S_Ok;
}

KxHResult TKxSqlParameterList::GetItemByIndex(int index, KxIntf<IKxUnknown>& item) {
    item = KxIntf<IKxUnknown>(GetParameter(index));
    return hr::S_Ok;
}

void TKxSqlParameterList::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxSqlParameterList*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    m_parameters.Clear();
    for (int i = 0; i < other->Count(); ++i) {
        const TKxSqlParameter* parameter = other->Items(i);
        m_parameters.Add(
            std::make_unique<TKxSqlParameter>(this, parameter->GetName(), parameter->GetValue()));
    }
    m_reExecuteAfterParamValueChange = other->m_reExecuteAfterParamValueChange;
}

void TKxSqlParameterList::AssignValues(const TKxSqlParameterList& source) {
    for (int i = 0; i < source.Count(); ++i) {
        const TKxSqlParameter* from = source.Items(i);
        TKxSqlParameter* to = nullptr;
        if (FindParameter(from->GetName(), to))
            to->AssignValue(from->GetValue());
    }
}

void TKxSqlParameterList::UpdateFromSQL() {
    KxIntf<IKxGetAsString> source(m_sqlSource);
    if (!source)
        source = KxGetPropertyIntf<IKxGetAsString>(m_owner, QStringLiteral("SQL"));
    if (source)
        UpdateFromSQLText(source->GetAsString());
}

void TKxSqlParameterList::UpdateFromSQLText(const QString& text) {
    TKxSqlParameterList previous(nullptr);
    previous.Assign(this);
    m_parameters.Clear();
    for (const TKxSqlParameterMarker& marker : KxFindSqlParameterMarkers(text)) {
        if (!marker.name.isEmpty())
            AddParameter(marker.name);
    }
    AssignValues(previous);
}

void TKxSqlParameterList::OnParameterValueChanged(TKxSqlParameter* /*parameter*/) {
    if (m_owner == nullptr || !m_reExecuteAfterParamValueChange || KxIsOwnerLoading(m_owner))
        return;
    KxExecuteOperation(m_owner, roScheduleReExecution, QString(), nullptr,
                       QStringLiteral("OnParameterValueChanged"));
}

QString TKxSqlParameterList::ResolveParameters(const QString& text) const {
    QString result;
    result.reserve(text.size());
    QStringList unresolved;
    qsizetype copied = 0; // of `text`
    // Read lazily: only a Null value needs to know what stands before its marker.
    std::optional<TKxNullMarkerReader> nullReader;
    for (const TKxSqlParameterMarker& marker : KxFindSqlParameterMarkers(text)) {
        TKxSqlParameter* parameter = nullptr;
        if (!FindParameter(marker.name, parameter)) {
            unresolved.append(marker.name);
            continue;
        }
        const KxVariant value = parameter->GetValue();
        qsizetype cut = marker.position;
        QString replacement;
        if (value.IsEmptyOrNull()) {
            if (!nullReader)
                nullReader.emplace(text);
            // Text already substituted is never touched again: a Null only takes the operator
            // written since the previous marker.
            const TKxNullMarkerReader::TReplacement null = nullReader->Read(marker, copied);
            cut = null.from;
            replacement = null.text;
        } else {
            replacement = ValueAsSQLLiteral(value, QLatin1Char('\''));
        }
        result += QStringView(text).mid(copied, cut - copied);
        // A negative number after a minus («5-:p» with -3) must not become «5--3»: the
        // data source would read the rest of the line as a comment.
        if (replacement.startsWith(QLatin1Char('-')) && result.endsWith(QLatin1Char('-')))
            result += QLatin1Char(' ');
        result += replacement;
        copied = marker.position + marker.length;
    }
    if (!unresolved.isEmpty()) {
        QString message = Tr("Failed to prepare the SQL Statement because the following "
                             "Parameters are unresolved or have no Value assigned to them: ");
        for (const QString& name : unresolved)
            message += name + QStringLiteral(", ");
        KxRaise(KxStripChars(message, u", "), QStringLiteral("ResolveSQLParamValues"),
                KxObjectDescription(m_owner));
    }
    result += QStringView(text).mid(copied);
    return result;
}

} // namespace kx
