#pragma once

#include "dbcore/schema_data_properties.h"

#include <QString>
#include <QTreeWidgetItem>

namespace kx {

// What a node of the schema tree stands for. Lists hold the objects of one catalog list (or
// the columns of one object); object nodes are tables, views, procedures and the other root
// list entries; column nodes are the columns and parameters under an object.
enum class TKxSchemaNodeRole : int { List, Object, Column, Plain };

// One registered node class: its stored name and what it stands for.
struct TKxSchemaNodeClass {
    const char* name;
    TKxSchemaNodeRole role;
    int list; // the catalog list, -1 for plain nodes
};

// The node classes a stored tree may name, by class name; null for an unknown name.
const TKxSchemaNodeClass* KxFindSchemaNodeClass(const QString& name);
// The class of the list node / object node of `list`.
const TKxSchemaNodeClass& KxSchemaListNodeClass(TKxSchemaList list);
const TKxSchemaNodeClass& KxSchemaObjectNodeClass(TKxSchemaList list);

// A node of the schema tree. Object nodes keep the catalog and schema they were listed
// under, so that their columns are asked for in exactly that place; column nodes keep the
// raw column name beside the detail line they show.
class TKxSchemaTreeNode : public QTreeWidgetItem {
public:
    explicit TKxSchemaTreeNode(const TKxSchemaNodeClass& nodeClass);

    const TKxSchemaNodeClass& NodeClass() const { return m_class; }
    TKxSchemaNodeRole Role() const { return m_class.role; }
    int List() const { return m_class.list; }
    // Objects of the root lists that hold rows of data (tables, views, system tables): those
    // whose data can be edited.
    bool IsDataObject() const;

    QString Caption() const { return text(0); }
    void SetCaption(const QString& caption) { setText(0, caption); }
    // The name a drop into the script inserts: the column name of a column node, else the
    // caption up to the first "<", trimmed.
    QString ObjectName() const;

    QString Catalog;
    QString Schema;
    QString ColumnName;
    int ImageIndex = -1;
    int SelectedIndex = -1;
    int StateIndex = -1;
    int OverlayIndex = -1;

private:
    const TKxSchemaNodeClass& m_class;
};

// The 1-based result column that holds each row's name in the result of `list`'s catalog
// call (TABLE_NAME, PRIVILEGE, COLUMN_NAME, …).
int KxSchemaListNameColumn(TKxSchemaList list);

// The detail line of a column: name, type, buffer length ("NULL" when unknown) and whether
// it takes NULL ("Not Null", "Nulls Allowed", "Nulls?"; a NULL nullability counts as 1).
QString KxSchemaColumnDetail(const QString& name, const QString& typeName,
                             const QString& bufferLength, int nullable);

} // namespace kx
