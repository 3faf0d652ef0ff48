#pragma once
#include <QDialog>
#include <QIcon>

// The program's icon, drawn so that no picture file is needed.
QIcon VlakomatIcon();
// Toolbar icons that neither the style nor every icon theme provides: "cut", "copy", "paste".
QIcon EditIcon(const char* kind);

class CAboutDialog : public QDialog {
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
