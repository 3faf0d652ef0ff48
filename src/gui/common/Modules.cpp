#include "gui/common/Modules.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <optional>

namespace {
std::optional<QStringList>& SetFolders() {
    static std::optional<QStringList> folders;
    return folders;
}
} // namespace

QStringList ModuleFolders() {
    if (SetFolders())
        return *SetFolders();
    const QString here = QCoreApplication::applicationDirPath();
    return {here, here + QStringLiteral("/" VLAKOMAT_MODULE_DIR)};
}

void SetModuleFolders(QStringList folders) {
    SetFolders() = std::move(folders);
}

QFunctionPointer ResolveModule(const QStringList& folders, const QString& name, const char* symbol,
                               QString* why) {
    QString failure;
    for (const QString& dir : folders) {
        QLibrary module(dir + QLatin1Char('/') + name);
        if (QFunctionPointer function = module.resolve(symbol))
            return function;
        // A module that is there but will not load (a library it needs is missing) is told
        // apart from one that is not installed.
        if (failure.isEmpty() && QFileInfo::exists(dir + QLatin1Char('/') + name + ".so"))
            failure =
                QStringLiteral("modula %1 ni mogoče naložiti: %2").arg(name, module.errorString());
    }
    if (why)
        *why = failure.isEmpty() ? QStringLiteral("ni modula %1").arg(name) : failure;
    return nullptr;
}
