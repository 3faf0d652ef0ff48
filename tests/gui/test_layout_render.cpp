// The sample layout as the panel draws it, against reviewed pictures at device pixel
// ratios 1 and 2, and printed to a PDF file.

#include "gui/layout/LayoutFiles.h"
#include "gui/layout/VlakomatView.h"
#include "support/AppRig.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QStatusBar>

namespace {

// The sample layout with a turnout thrown and the three-way turnout set to the right, put
// on the bus by "Sinhroniziraj", so that every position drawn is confirmed.
void OpenSample(AppRig& rig) {
    std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / "Postaja.vlk",
                               rig.dir.File("Postaja.vlk"));
    QVERIFY(
        rig.Frame().Layout().OpenDocumentFile(QString::fromStdString(rig.dir.File("Postaja.vlk"))));
    CVlakomatDoc& doc = rig.Frame().Layout().Doc();
    doc.AdvanceTurnout(doc.FindElement(9, 6));
    doc.AdvanceTurnout(doc.FindElement(20, 6));
    doc.AdvanceTurnout(doc.FindElement(20, 6));
    rig.Frame().Action(QStringLiteral("actionSynchronize"))->trigger();
    for (int i = 0; i < 10; ++i) {
        rig.app->Process();
        rig.Pump();
        rig.clock.Advance(LayoutBus::kSyncIntervalMs);
    }
    QCOMPARE(rig.Frame().statusBar()->currentMessage(),
             QStringLiteral("Kretnice so sinhronizirane"));
}

} // namespace

class TestLayoutRender : public QObject {
    Q_OBJECT

private slots:
    void sampleLayoutMatchesTheReference_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << qreal(1);
        QTest::newRow("2x") << qreal(2);
    }

    void sampleLayoutMatchesTheReference() {
        QFETCH(qreal, ratio);
        AppRig rig;
        OpenSample(rig);
        const QImage actual = rig.Frame().View().Snapshot(QSize(560, 200), ratio);
        QCOMPARE(actual.size(), QSize(560, 200) * ratio);
        const QString fault =
            CompareWithReference(actual, QStringLiteral("postaja-%1x.png").arg(ratio));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // In edit mode the empty elements show as dotted squares and the cell that the rotate
    // and subtype buttons act on is marked; a detector is red while occupied.
    void editModeShowsWhatItActsOn_data() { sampleLayoutMatchesTheReference_data(); }

    void editModeShowsWhatItActsOn() {
        QFETCH(qreal, ratio);
        AppRig rig;
        OpenSample(rig);
        CVlakomatDoc& doc = rig.Frame().Layout().Doc();
        QVERIFY(doc.AddElement(3, 1, ElementType::kEmpty));
        QVERIFY(doc.AddElement(4, 1, ElementType::kEmpty));
        QVERIFY(doc.AddElement(5, 1, ElementType::kDetector));
        doc.SetOccupied(doc.FindElement(5, 1), true);
        CVlakomatView& view = rig.Frame().View();
        // Placing into an occupied cell only selects it.
        view.Command(PanelCommand::kPlaceFirst)->trigger();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(8 * 20 + 5, 6 * 20 + 5));
        QCOMPARE(doc.Count(), 57);
        const QImage actual = view.Snapshot(QSize(280, 160), ratio);
        const QString fault =
            CompareWithReference(actual, QStringLiteral("postaja-edit-%1x.png").arg(ratio));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void printsOnePageWithThePanel() {
        AppRig rig;
        OpenSample(rig);
        const QString pdf = QString::fromStdString(rig.dir.File("Postaja.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        const PrintJob job = rig.Frame().View().PrintJobOf();
        // The sample is wider than high: the page lies on its side.
        QVERIFY(job.landscape);
        printer.setPageOrientation(QPageLayout::Landscape);
        {
            QPainter painter(&printer);
            job.paint(painter, QSize(printer.width(), printer.height()));
        }

        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page\\b")), 1);
        // The page's drawing holds the grid, the track and the set routes in their colours.
        const qsizetype begin = bytes.indexOf("stream\n", bytes.indexOf("/Length")) + 7;
        const QByteArray packed = bytes.mid(begin, bytes.indexOf("endstream", begin) - begin);
        QByteArray sized(4, '\0');
        sized[1] = 0x40; // a size hint of 4 MiB for qUncompress
        const QByteArray content = qUncompress(sized + packed);
        for (const char* colour :
             {"0.752941191 0.752941191 0.752941191 SCN", "0.501960813 0.501960813 0.501960813 SCN",
              "1 0.925490200 0 SCN", "1 1 1 scn"})
            QVERIFY2(content.contains(colour), colour);
    }
};

QTEST_MAIN(TestLayoutRender)
#include "test_layout_render.moc"
