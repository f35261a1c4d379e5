#include "foundation/class_name.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace kx {

QString KxClassName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : type.name());
    // Cut the qualification of the class itself; template arguments keep theirs.
    const qsizetype templateStart = name.indexOf(QLatin1Char('<'));
    const qsizetype scope =
        name.lastIndexOf(QStringLiteral("::"), templateStart < 0 ? -1 : templateStart);
    return scope < 0 ? name : name.mid(scope + 2);
}

} // namespace kx
