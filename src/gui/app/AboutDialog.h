#pragma once
#include <QDialog>
#include <QIcon>
#include <QImage>

// The program's icon, drawn so that no picture file is needed.
QIcon VlakomatIcon();
QImage VlakomatIconImage(int size);
// Writes the icon at the usual sizes into an icon theme folder (SIZExSIZE/apps/vlakomat.png),
// for the desktop entry; false when a file could not be written.
bool WriteIconFiles(const QString& themeDir);

class CAboutDialog : public QDialog {
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
