#pragma once
#include <QDialog>
#include <QIcon>

// The program's icon, drawn so that no picture file is needed.
QIcon VlakomatIcon();

class CAboutDialog : public QDialog {
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
