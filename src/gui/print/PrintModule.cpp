// The print dialog and preview of the layout panel, in a module of their own that the program
// loads when the operator first prints: Qt's printing libraries then cost its start nothing.

#include "gui/print/PrintJob.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

extern "C" Q_DECL_EXPORT void vlakomat_print(QWidget* parent, const PrintJob& job, bool preview) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(job.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(job.documentName);
    const auto print = [&job](QPrinter* target) {
        QPainter painter(target);
        job.paint(painter, QSize(target->width(), target->height()));
    };
    if (preview) {
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, print);
        dialog.exec();
        return;
    }
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted)
        print(&printer);
}
