// The realistic throttle window on the simulated command station: a train driven from the
// window's own controls and from two hand-held throttles, the gauges it shows and the
// regions it redraws, the train fields' checks, the locomotive dialog, and the picture of
// the window against reviewed references.

#include "AppRig.h"
#include "ReferenceImage.h"
#include "throttles/FuncButton.h"
#include "throttles/GaugePanel.h"
#include "throttles/RealisticGauges.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

template <typename T = QWidget> T* Idc(QWidget* w, int id) {
    T* child = w->findChild<T*>(QStringLiteral("idc%1").arg(id));
    if (!child)
        qFatal("no control %d", id);
    return child;
}

// The fake clock moves on by `ms` with a processing step every 10 ms, and the windows paint.
void Run(AppRig& rig, int ms) {
    for (int t = 0; t < ms; t += 10) {
        rig.clock.Advance(10);
        rig.Link().Process();
    }
    rig.Pump();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

CDlgRThrottle* OpenAndAcquire(AppRig& rig, int power = 1, int brake = 2) {
    CDlgRThrottle* w = rig.NewRealisticThrottle();
    if (!w)
        return nullptr;
    w->Acquire(power, brake);
    Run(rig, 200);
    return w;
}

// The values the gauges show, as they are drawn.
[[maybe_unused]] QStringList Values(CDlgRThrottle* w) {
    QStringList out;
    for (const gauges::Text& t : gauges::Draw(w->Realistic().Model(), true).values)
        out << QString::fromStdString(t.text);
    return out;
}

} // namespace

class TestRealisticThrottleWindow : public QObject {
    Q_OBJECT

private slots:
    void windowMatchesTheReference_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << qreal(1);
        QTest::newRow("2x") << qreal(2);
    }
    void windowMatchesTheReference() {
        QFETCH(qreal, ratio);
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        AppRig rig;
        CDlgRThrottle* w = OpenAndAcquire(rig);
        QVERIFY(w && w->Realistic().Running());
        QVERIFY(rig.station->ThrottleFunction(1, 1, true)); // the engine starts
        Run(rig, 100);
        QVERIFY(rig.station->ThrottleSpeed(2, 127)); // the brakes release
        Run(rig, 100);
        QVERIFY(rig.station->ThrottleSpeed(1, 7)); // notch 5
        Run(rig, 20000);
        QImage image(w->size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        w->render(&image);
        const QString fault =
            CompareWithReference(image, QStringLiteral("realistic-%1x.png").arg(ratio), 32, 0.002);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_MAIN(TestRealisticThrottleWindow)
#include "test_realistic_throttle_window.moc"
