#pragma once
// What the layout panel hands the print module, which the program loads when the operator
// first prints or previews, so that the printing libraries cost its start nothing.

#include <QSize>
#include <QString>

#include <functional>

class QPainter;
class QWidget;

struct PrintJob {
    QString documentName;
    bool landscape = false;
    // Draws the page on a painter of the page, whose size is given in its own pixels.
    std::function<void(QPainter& painter, const QSize& page)> paint;
};

inline constexpr const char* kPrintModuleName = "vlakomat-print";
inline constexpr const char* kPrintModuleEntry = "vlakomat_print";
// Asks for the printer (or shows the preview) over `parent`, and prints when told to.
using PrintEntry = void (*)(QWidget* parent, const PrintJob& job, bool preview);
