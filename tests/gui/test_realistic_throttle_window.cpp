// The realistic throttle window on the simulated command station: a train driven from the
// window's own controls and from two hand-held throttles, the gauges it shows and the
// regions it redraws, the train fields' checks, the locomotive dialog, and the picture of
// the window against reviewed references.

#include "core/throttles/GaugePanel.h"
#include "gui/roster/DlgLoco.h"
#include "gui/throttles/EngineKey.h"
#include "gui/throttles/FuncButton.h"
#include "gui/throttles/RealisticGauges.h"
#include "support/AppRig.h"
#include "support/DialogRig.h"
#include "support/ReferenceImage.h"

#include <QComboBox>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

void Run(AppRig& rig, int ms) {
    rig.Run(ms);
}

CDlgRThrottle* OpenAndAcquire(AppRig& rig, int power = 1, int brake = 2) {
    CDlgRThrottle* w = rig.NewRealisticThrottle();
    if (!w)
        return nullptr;
    w->Acquire(power, brake);
    Run(rig, 200);
    return w;
}

// A hand-held throttle's action, and the time for the program to answer it.
void HandHeld(AppRig& rig, bool done) {
    if (!done)
        qFatal("the hand-held's action failed");
    Run(rig, 100);
}

int SlotByte(AppRig& rig, int address, int byte) {
    return rig.station->Slot(rig.station->FindSlot(address)).bytes[static_cast<std::size_t>(byte)];
}

// The values the gauges show, as they are drawn.
QStringList Values(CDlgRThrottle* w) {
    QStringList out;
    for (const gauges::Text& t : gauges::Draw(w->Realistic().Model(), true).values)
        out << QString::fromStdString(t.text);
    return out;
}

QStringList Entries(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// What the gauges paint, and which other widgets of the program paint.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* gauges) : gauges_(gauges) { qApp->installEventFilter(this); }
    QRegion painted;
    QStringList others;

private:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::Paint)
            return false;
        const QString name =
            QString::fromLatin1(o->metaObject()->className()) + ' ' + o->objectName();
        if (o == gauges_)
            painted += static_cast<QPaintEvent*>(e)->region();
        else if (!others.contains(name))
            others << name;
        return false;
    }
    QWidget* gauges_;
};

} // namespace

class TestRealisticThrottleWindow : public QObject {
    Q_OBJECT

private slots:
    // The operator's way: the menu command, "Uporabi", then two hand-helds; "Sprosti".
    void handHeldsDriveTheTrainShownByTheWindow() {
        AppRig rig;
        QVERIFY(rig.started && rig.station);
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik"));
        QCOMPARE(Entries(Find<QComboBox>(w, "locoCombo")),
                 (QStringList{"SŽ 664-101", "SŽ 363-011 Brigitte", "SŽ 732-105"}));
        QCOMPARE(Find<QComboBox>(w, "locoCombo")->currentIndex(), 0);
        QCOMPARE(Find<QLabel>(w, "descriptionLabel")->toolTip(),
                 QStringLiteral("M:664, Z:Zvok na naslovu motorja, stopenjsko, P:2200hp, W:103t"));
        QCOMPARE(Entries(Find<QComboBox>(w, "carsCombo")), (QStringList{"0", "5", "10", "20"}));
        QCOMPARE(Entries(Find<QComboBox>(w, "loadCombo")), (QStringList{"0", "50", "100"}));
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->maximum(), 99);
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->value(), 63); // the train brake applied
        QVERIFY(!Find(w, "powerHandle")->isEnabled() && !Find(w, "f0Button")->isEnabled());
        QCOMPARE(Find<CEngineKey>(w, "engineKey")->Picture(), EnginePicture::NotHeld);

        QTest::mouseClick(Find<QPushButton>(w, "acquireButton"), Qt::LeftButton);
        Run(rig, 200);
        QCOMPARE(Find<QPushButton>(w, "acquireButton")->text(), QStringLiteral("Sprosti"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 664"));
        QVERIFY(!Find(w, "locoCombo")->isEnabled() &&
                Find<QLineEdit>(w, "powerAddressEdit")->isReadOnly());
        for (int address : {664, 1, 2})
            QCOMPARE(SlotByte(rig, address, SimSlotByte::STAT1) & SimStat1::kStateMask,
                     SimStat1::kInUse);
        // The engine is off: the handles stay locked until F1 starts it.
        QCOMPARE(Find<CEngineKey>(w, "engineKey")->Picture(), EnginePicture::Stopped);
        QVERIFY(!Find(w, "powerHandle")->isEnabled() && Find(w, "f0Button")->isEnabled());
        HandHeld(rig, rig.station->ThrottleFunction(1, 1, true));
        QCOMPARE(Find<CEngineKey>(w, "engineKey")->Picture(), EnginePicture::Running);
        QVERIFY(Find(w, "powerHandle")->isEnabled() &&
                Find<CFuncButton>(w, "f1Button")->isChecked());
        // The brake knob released fully; the power knob between notches 4 and 5 snaps to 5.
        HandHeld(rig, rig.station->ThrottleSpeed(2, 127));
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->value(), 90);
        HandHeld(rig, rig.station->ThrottleSpeed(1, 7));
        QCOMPARE(Find<QSlider>(w, "powerHandle")->value(), 5);
        QCOMPARE(SlotByte(rig, 1, SimSlotByte::SPD), 7); // notch 5 reads 6 on the knob

        Run(rig, 20000);
        QCOMPARE(Values(w), (QStringList{"5", " 5", "90", "90", "41"}));
        const TrainModel& model = w->Realistic().Model();
        // The locomotive hears of the speed twice a second.
        QVERIFY(std::abs(SlotByte(rig, 664, SimSlotByte::SPD) - (model.iSpeedStep + 1)) <= 2);
        QVERIFY(model.iSpeedStep > 70);

        QTest::mouseClick(Find<QPushButton>(w, "acquireButton"), Qt::LeftButton);
        Run(rig, 1500);
        QCOMPARE(Find<QPushButton>(w, "acquireButton")->text(), QStringLiteral("Uporabi"));
        QCOMPARE(SlotByte(rig, 664, SimSlotByte::SPD), 0);
        for (int address : {664, 1, 2})
            QCOMPARE(SlotByte(rig, address, SimSlotByte::STAT1) & SimStat1::kStateMask,
                     SimStat1::kCommon);
        QVERIFY(Find(w, "locoCombo")->isEnabled() &&
                !Find<QLineEdit>(w, "powerAddressEdit")->isReadOnly());
        QCOMPARE(Find<CEngineKey>(w, "engineKey")->Picture(), EnginePicture::NotHeld);
        QCOMPARE(rig.Messages(), QString());
    }

    // The window's own handles, reverser, brake type and keys, and what the hand-helds are
    // shown of them; a second window drives a train of its own.
    void windowControlsDriveAndTheHandHeldsFollow() {
        AppRig rig;
        CDlgRThrottle* other = OpenAndAcquire(rig, 5, 6);
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        QTest::keyClick(Find<QComboBox>(w, "locoCombo"), Qt::Key_End); // SŽ 732-105: no engine key
        QCOMPARE(Find<QLabel>(w, "descriptionLabel")->text(),
                 QStringLiteral("M:732, Z:Brez, P:800hp, W:64t"));
        QVERIFY(
            Find<QRadioButton>(w, "brakeTypeLoco")->isChecked()); // its brake is the locomotive's
        w->Acquire(1, 2);
        Run(rig, 200);
        QVERIFY(w->Realistic().Running() && other->Realistic().Running());
        QVERIFY(Find(w, "powerHandle")->isEnabled());
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->maximum(), 10);

        QSlider* power = Find<QSlider>(w, "powerHandle");
        power->setFocus();
        QTest::keyClick(power, Qt::Key_Up);
        QTest::keyClick(power, Qt::Key_Up);
        Run(rig, 100);
        QCOMPARE(SlotByte(rig, 1, SimSlotByte::SPD), 3); // notch 2 on the knob
        QCOMPARE(Values(w).first(), QStringLiteral("2"));
        QTest::mouseClick(Find<QRadioButton>(w, "reverseRadio"), Qt::LeftButton, {}, QPoint(6, 6));
        Run(rig, 100);
        QCOMPARE(SlotByte(rig, 1, SimSlotByte::DIRF) & 0x20, 0x20);
        QTest::mouseClick(Find<CFuncButton>(w, "f3Button"), Qt::LeftButton); // F3
        Run(rig, 100);
        for (int address : {1, 2})
            QCOMPARE(SlotByte(rig, address, SimSlotByte::DIRF) & 0x04, 0x04);
        // The train brake: the slider's scale changes, the brake hand-held is told 63 psi.
        QTest::mouseClick(Find<QRadioButton>(w, "brakeTypeTrain"), Qt::LeftButton, {},
                          QPoint(6, 6));
        Run(rig, 100);
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->maximum(), 99);
        QCOMPARE(Find<QSlider>(w, "brakeHandle")->value(), 63);
        QCOMPARE(SlotByte(rig, 2, SimSlotByte::SPD), CLoconet::PercentToSpeed(63));
        QCOMPARE(other->Realistic().Model().iPowerStep, 0);
    }

    // A refused value gets the standard message and the focus, sends nothing and changes
    // nothing: a train field shows its value again, an address is kept for mending.
    void refusedFieldsChangeNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QString>("train"); // cars, load, grade in use afterwards
        QTest::newRow("cars") << "carsCombo"
                              << "2.5"
                              << "Vnesite celo število."
                              << "0"
                              << "0 0 0";
        QTest::newRow("load") << "loadCombo"
                              << "101"
                              << "Vnesite število med 0 in 100."
                              << "0"
                              << "0 0 0";
        QTest::newRow("grade") << "gradeEdit"
                               << "x"
                               << "Vnesite število."
                               << "0"
                               << "0 0 0";
        QTest::newRow("power address") << "powerAddressEdit"
                                       << "9984"
                                       << "Vnesite celo število med 0 in 9983."
                                       << "9984"
                                       << "0 0 0";
        QTest::newRow("cars taken") << "carsCombo"
                                    << "7"
                                    << ""
                                    << "7"
                                    << "7 0 0";
        QTest::newRow("grade taken") << "gradeEdit"
                                     << "-2.5"
                                     << ""
                                     << "-2,5"
                                     << "0 0 -2,5";
    }
    void refusedFieldsChangeNothing() {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, shownAfter);
        QFETCH(QString, train);
        AppRig rig;
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        auto* box = qobject_cast<QComboBox*>(Find(w, name));
        QLineEdit* edit = box ? box->lineEdit() : Find<QLineEdit>(w, name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, typed);
        if (name == "powerAddressEdit")
            QTest::mouseClick(Find<QPushButton>(w, "acquireButton"), Qt::LeftButton);
        else
            QTest::keyClick(edit, Qt::Key_Return);
        Run(rig, 100);
        QCOMPARE(rig.Messages(), message);
        QCOMPARE(edit->text(), shownAfter);
        if (!message.isEmpty())
            QCOMPARE(w->focusWidget(), box ? static_cast<QWidget*>(box) : edit);
        const RealisticThrottle& logic = w->Realistic();
        QCOMPARE(QString::fromStdString(logic.CarsText() + " " + logic.LoadText() + " " +
                                        logic.GradeText()),
                 train);
        QVERIFY(rig.Take(0xBF).empty());
        QVERIFY(w->isVisible()); // Enter never closes the window
    }

    // While the train runs, only the regions whose values change are painted, and no other
    // widget of the program paints.
    void runningTrainRepaintsOnlyItsGaugeRegions() {
        AppRig rig;
        CDlgRThrottle* w = OpenAndAcquire(rig);
        HandHeld(rig, rig.station->ThrottleFunction(1, 1, true));
        HandHeld(rig, rig.station->ThrottleSpeed(2, 127));
        HandHeld(rig, rig.station->ThrottleSpeed(1, 10));
        Run(rig, 1000);
        PaintLog log(&w->Gauges());
        QRegion regions; // each region of the gauges, not the whole window
        for (unsigned bit = 1; bit & RealisticRedraw::kAll; bit <<= 1)
            regions += w->Gauges().Region(gauges::RegionBoxes(bit)[0]);
        const QRect speed = w->Gauges().Region(gauges::RegionBoxes(RealisticRedraw::kSpeed)[0]);
        QVERIFY(!regions.contains(w->Gauges().Region(gauges::kArea).bottomRight()));
        int speedPaints = 0;
        for (int step = 0; step < 300; ++step) {
            Run(rig, 10);
            QVERIFY((log.painted - regions).isEmpty());
            speedPaints += (QRegion(speed) - log.painted).isEmpty();
            log.painted = QRegion();
        }
        // The speedometer changes at most twice a second.
        QVERIFY2(speedPaints >= 5 && speedPaints <= 7, qPrintable(QString::number(speedPaints)));
        QVERIFY2(log.others.isEmpty(), qPrintable(log.others.join(QStringLiteral(", "))));
    }

    // Closing the program stops the train and releases its slots before the window goes.
    void closingTheProgramReleasesTheTrainFirst() {
        AppRig rig;
        QPointer<CDlgRThrottle> w = OpenAndAcquire(rig);
        QVERIFY(w && w->Realistic().Running());
        QVERIFY(!rig.Frame().close());
        Run(rig, 100);
        QVERIFY(w && w->isVisible());
        QCOMPARE(SlotByte(rig, 664, SimSlotByte::SPD), 0); // stopped, not by an emergency stop
        Run(rig, 1500);
        QVERIFY(w.isNull());
        QVERIFY(!rig.Frame().isVisible());
        for (int address : {664, 1, 2})
            QCOMPARE(SlotByte(rig, address, SimSlotByte::STAT1) & SimStat1::kStateMask,
                     SimStat1::kCommon);
    }

    // "Nova" adds a locomotive from the locomotive dialog and loads it; "Uredi" changes it.
    void locomotiveDialogAddsAndEdits() {
        AppRig rig;
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        WhenOpen<CDlgLoco>([](CDlgLoco* d) {
            Type(d, "nameEdit", QStringLiteral("Nova lokomotiva"));
            d->accept();
        });
        QTest::mouseClick(Find<QPushButton>(w, "newLocoButton"), Qt::LeftButton);
        QCOMPARE(rig.app->Data().roster.count, 4);
        QVERIFY(rig.app->Data().RosterModified);
        QCOMPARE(Find<QComboBox>(w, "locoCombo")->currentText(), QStringLiteral("Nova lokomotiva"));
        QCOMPARE(Find<QLabel>(w, "descriptionLabel")->text(),
                 QStringLiteral("M:3, Z:Brez, P:2500hp, W:200t"));

        WhenOpen<CDlgLoco>([](CDlgLoco* d) {
            Type(d, "motorAddressEdit", QStringLiteral("45"));
            d->accept();
        });
        QTest::mouseClick(Find<QPushButton>(w, "editLocoButton"), Qt::LeftButton);
        QCOMPARE(rig.app->Data().roster.locos[3].MotorAddr, 45);
        QCOMPARE(Find<QLabel>(w, "descriptionLabel")->text(),
                 QStringLiteral("M:45, Z:Brez, P:2500hp, W:200t"));
    }

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
