#pragma once

#include <QString>
#include <typeinfo>

namespace kx {

// The class name of an object's dynamic type as messages print it: demangled and without
// namespaces ("TKxSqlParameter", not "kx::TKxSqlParameter").
QString KxClassName(const std::type_info& type);

template <class T> QString KxClassNameOf(const T& object) {
    return KxClassName(typeid(object));
}

} // namespace kx
