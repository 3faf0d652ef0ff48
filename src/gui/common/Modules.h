#pragma once
// Modules that the program loads when it first needs them (the tones, the ports and servers,
// printing), so that the libraries behind them cost its start nothing.

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The folders every module is looked for in: beside the program (its build folder), then its
// library folder once installed; or those set (programs that run the windows elsewhere).
QStringList ModuleFolders();
void SetModuleFolders(QStringList folders);

// The function `symbol` of the module `name` from the first of `folders` that has it. nullptr
// when none has it, with the reason for the operator in `why`.
QFunctionPointer ResolveModule(const QStringList& folders, const QString& name, const char* symbol,
                               QString* why = nullptr);
