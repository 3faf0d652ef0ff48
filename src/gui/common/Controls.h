#pragma once
// Helpers that the dialogs share. Each dialog control's objectName says what it is
// (locoList, brakeTypeTrain), so that the help table, tests and other windows find it.

#include <QString>
#include <QTreeWidget>

#include <initializer_list>
#include <string>
#include <utility>

class QDialog;
class QHBoxLayout;
class QIcon;
class QLineEdit;
class QWidget;

template <typename T, typename... Args> T* Control(const QString& name, Args&&... args) {
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(name);
    return control;
}

// "OK" (okButton, the default button) and "Cancel" (cancelButton) at the right of a row, wired to
// the dialog's accept and reject.
QHBoxLayout* OkCancelRow(QDialog* dialog);

// Moves a window up, never above the screen's top, so that its frame ends on the screen: a
// tall throttle placed below the main window's toolbar would hide its emergency stop.
void KeepOnScreen(QWidget* window);

// A read-only edit looks like the window behind it, so the operator sees where to type.
void SetReadOnly(QLineEdit* edit, bool readOnly);

// A report-style list: single selection, always shown, columns with their widths.
QTreeWidget* ReportList(const QString& name,
                        std::initializer_list<std::pair<const char*, int>> columns);
QTreeWidgetItem* AddRow(QTreeWidget* list, int data, std::initializer_list<std::string> texts);
// The item data of the selected row, -1 for none.
int SelectedRow(const QTreeWidget* list);
// Selects, focuses and shows the row whose item data is `data`.
void SelectRow(QTreeWidget* list, int data);

// The images of the function lists: 0 hidden, 1 disabled, 2 inactive by default (or not
// active on the locomotive), 3 active by default (or active), 4 always active, 5 internal.
// Drawn for the screen's pixel ratio.
QIcon StatusIcon(int image);

inline QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}
