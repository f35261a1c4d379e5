#include "datactrls/schema_tree_nodes.h"

#include <QCoreApplication>
#include <array>

namespace kx {
namespace {

using Role = TKxSchemaNodeRole;

// Stored trees name their nodes by these classes; the names are part of the stored layout.
constexpr std::array<TKxSchemaNodeClass, 19> kClasses{{
    {"TSTSysTablesNode", Role::List, slSystemTables},
    {"TSTTablesNode", Role::List, slTables},
    {"TSTViewsNode", Role::List, slViews},
    {"TSTProceduresNode", Role::List, slProcedures},
    {"TSTTablePrivilegsNode", Role::List, slTablePrivileges},
    {"TSTColumnPrivilegsNode", Role::List, slColumnPrivileges},
    {"TSTStatisticsNode", Role::List, slStatistics},
    {"TSTColumnsNode", Role::List, slColumns},
    {"TSTProcColumnsNode", Role::List, slProcedureColumns},
    {"TSTSysTableNode", Role::Object, slSystemTables},
    {"TSTTableNode", Role::Object, slTables},
    {"TSTViewNode", Role::Object, slViews},
    {"TSTProcedureNode", Role::Object, slProcedures},
    {"TSTTablePrivilegNode", Role::Object, slTablePrivileges},
    {"TSTColumnPrivilegNode", Role::Object, slColumnPrivileges},
    {"TSTStatisticNode", Role::Object, slStatistics},
    {"TSTColumnNode", Role::Column, slColumns},
    {"TKxIDataTreeNode", Role::Plain, -1},
    {"TKxTreeNode", Role::Plain, -1},
}};

QString Tr(const char* text) {
    return QCoreApplication::translate("KxSchemaTree", text);
}

} // namespace

const TKxSchemaNodeClass* KxFindSchemaNodeClass(const QString& name) {
    for (const TKxSchemaNodeClass& nodeClass : kClasses) {
        if (name == QLatin1String(nodeClass.name))
            return &nodeClass;
    }
    return nullptr;
}

const TKxSchemaNodeClass& KxSchemaListNodeClass(TKxSchemaList list) {
    for (const TKxSchemaNodeClass& nodeClass : kClasses) {
        if (nodeClass.role == Role::List && nodeClass.list == list)
            return nodeClass;
    }
    return kClasses.back();
}

const TKxSchemaNodeClass& KxSchemaObjectNodeClass(TKxSchemaList list) {
    if (list == slColumns || list == slProcedureColumns)
        return *KxFindSchemaNodeClass(QStringLiteral("TSTColumnNode"));
    for (const TKxSchemaNodeClass& nodeClass : kClasses) {
        if (nodeClass.role == Role::Object && nodeClass.list == list)
            return nodeClass;
    }
    return kClasses.back();
}

TKxSchemaTreeNode::TKxSchemaTreeNode(const TKxSchemaNodeClass& nodeClass)
    : QTreeWidgetItem(UserType), m_class(nodeClass) {}

bool TKxSchemaTreeNode::IsDataObject() const {
    return Role() == Role::Object &&
           (List() == slSystemTables || List() == slTables || List() == slViews);
}

QString TKxSchemaTreeNode::ObjectName() const {
    if (Role() == Role::Column && !ColumnName.isEmpty())
        return ColumnName;
    const QString caption = Caption();
    const qsizetype bracket = caption.indexOf(QLatin1Char('<'));
    return (bracket < 0 ? caption : caption.left(bracket)).trimmed();
}

int KxSchemaListNameColumn(TKxSchemaList list) {
    switch (list) {
    case slTablePrivileges:
    case slPrimaryKeys:
        return 6;
    case slColumnPrivileges:
        return 7;
    case slColumns:
    case slProcedureColumns:
        return 4;
    case slForeignKeys:
        return 12;
    case slTypeInfo:
        return 1;
    default:
        return 3;
    }
}

QString KxSchemaColumnDetail(const QString& name, const QString& typeName,
                             const QString& bufferLength, int nullable) {
    QString nulls;
    if (nullable == 0)
        nulls = Tr("Not Null");
    else if (nullable == 1)
        nulls = Tr("Nulls Allowed");
    else if (nullable == 2)
        nulls = Tr("Nulls?");
    return QStringLiteral("%1  <%2>  Size: %3   %4")
        .arg(name, typeName, bufferLength.isEmpty() ? QStringLiteral("NULL") : bufferLength, nulls);
}

} // namespace kx
