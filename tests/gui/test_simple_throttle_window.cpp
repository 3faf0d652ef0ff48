// The simple throttle window on the simulated command station: real widgets found by
// objectName, the program's messages answered through the prompts seam, and the bytes the
// command station received checked exactly.

#include "core/loconet/ImmediatePacket.h"
#include "gui/loconet/DlgLoconetMonitor.h"
#include "gui/throttles/FuncButton.h"
#include "support/AppRig.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace {

template <typename T> T* Child(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no widget %s", name);
    return child;
}

QLineEdit* AddressEdit(QWidget* w) {
    return Child<QLineEdit>(w, "addressEdit");
}
QLineEdit* SpeedEdit(QWidget* w) {
    return Child<QLineEdit>(w, "speedEdit");
}
QPushButton* SetRelease(QWidget* w) {
    return Child<QPushButton>(w, "setReleaseButton");
}
QSlider* Slider(QWidget* w) {
    return Child<QSlider>(w, "speedSlider");
}
CFuncButton* F(QWidget* w, int function) {
    return Child<CFuncButton>(w, QStringLiteral("f%1Button").arg(function).toLatin1().constData());
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Drags the slider's handle with the mouse to the given end and lets it go.
void DragSlider(QSlider* slider, bool toTop) {
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_All;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.upsideDown = !slider->invertedAppearance();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    const QRect handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
    const QPoint from = handle.center();
    const QPoint to(from.x(), toTop ? 0 : slider->height() - 1);
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(slider, from + (to - from) * step / 4);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
}

// Quick clicks as a platform sends them, press and release 40 ms apart at each point in
// turn; Qt itself turns the second press of a pair into a double click.
void PlatformClicks(QWidget* w, const QList<QPoint>& points) {
    static int t = 10000000; // far from QTest's own clock
    QWindow* window = w->window()->windowHandle();
    for (const QPoint& p : points) {
        const QPointF local = w->mapTo(w->window(), QPointF(p));
        const QPointF global = w->mapToGlobal(QPointF(p));
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, Qt::NoModifier, t += 40);
        qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, Qt::NoModifier, t += 40);
    }
    QCoreApplication::processEvents();
    t += 5000; // the next call's clicks pair with none of these
}

// The mouse events a widget gets, by type.
class MouseEventLog : public QObject {
public:
    explicit MouseEventLog(QWidget* w) { w->installEventFilter(this); }
    QList<QEvent::Type> types;

private:
    bool eventFilter(QObject*, QEvent* e) override {
        if (dynamic_cast<QMouseEvent*>(e) && e->type() != QEvent::MouseMove)
            types << e->type();
        return false;
    }
};

// Selects the address in the window, with the button or with Enter in the address edit,
// and lets the selection finish; returns the slot.
int Select(AppRig& rig, CDlgSThrottle* w, int address, bool withEnter = false) {
    Type(AddressEdit(w), QString::number(address));
    if (withEnter)
        QTest::keyClick(AddressEdit(w), Qt::Key_Return);
    else
        QTest::mouseClick(SetRelease(w), Qt::LeftButton);
    rig.Pump();
    return w->Simple().iSlot;
}

} // namespace

class TestSimpleThrottleWindow : public QObject {
    Q_OBJECT

private slots:
    void selectingShowsCaptionAndEditStates() {
        AppRig rig;
        QVERIFY(rig.started && rig.station);
        CDlgSThrottle* w = rig.NewThrottle();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik"));
        QCOMPARE(SetRelease(w)->text(), QStringLiteral("Nastavi"));
        QVERIFY(!AddressEdit(w)->isReadOnly());
        QVERIFY(SpeedEdit(w)->isReadOnly());
        QCOMPARE(Slider(w)->value(), 0);
        QVERIFY(Child<QRadioButton>(w, "forwardRadio")->isChecked());

        const int slot = Select(rig, w, 3);
        QVERIFY(slot >= 1 && slot <= 119);
        QCOMPARE(rig.Take(0xBF), (std::vector<Bytes>{{0xBF, 0x00, 0x03}}));
        QCOMPARE(SetRelease(w)->text(), QStringLiteral("Sprosti"));
        QVERIFY(AddressEdit(w)->isReadOnly());
        QVERIFY(!SpeedEdit(w)->isReadOnly());
        QCOMPARE(w->focusWidget(), SpeedEdit(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 3"));
        QCOMPARE(rig.station->Slot(slot).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask,
                 SimStat1::kInUse);

        // Release: speed 0, slider at the bottom, caption "Uporabi", slot given back.
        Type(SpeedEdit(w), QStringLiteral("30"));
        QTest::keyClick(SpeedEdit(w), Qt::Key_Return);
        rig.Pump();
        QTest::mouseClick(SetRelease(w), Qt::LeftButton);
        rig.Pump();
        QCOMPARE(rig.Take(0xB5), (std::vector<Bytes>{{0xB5, static_cast<std::uint8_t>(slot),
                                                      static_cast<std::uint8_t>(0x13)}}));
        QCOMPARE(SetRelease(w)->text(), QStringLiteral("Uporabi"));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("0"));
        QCOMPARE(Slider(w)->value(), 0);
        QVERIFY(!AddressEdit(w)->isReadOnly());
        QVERIFY(SpeedEdit(w)->isReadOnly());
        QCOMPARE(w->focusWidget(), AddressEdit(w));
        QCOMPARE(w->Simple().iSlot, -1);
        QCOMPARE(rig.station->Slot(slot).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask,
                 SimStat1::kCommon);
        QCOMPARE(rig.Messages(), QString());
    }

    void badAddressGetsTheStandardMessageAndSendsNothing() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        struct Case {
            QString typed;
            const char* message;
        } cases[] = {{"9984", "Vnesite celo število med 0 in 9983."},
                     {"", "Vnesite celo število."},
                     {"x12", "Vnesite celo število."}};
        for (const Case& c : cases) {
            rig.prompts.texts.clear();
            Type(AddressEdit(w), c.typed);
            QTest::mouseClick(SetRelease(w), Qt::LeftButton);
            QTest::keyClick(AddressEdit(w), Qt::Key_Return);
            rig.Pump();
            QCOMPARE(rig.prompts.texts, std::vector<std::string>(2, c.message));
            QCOMPARE(w->focusWidget(), AddressEdit(w));
            QCOMPARE(AddressEdit(w)->text(), c.typed); // kept for mending
            QVERIFY(rig.Take(0xBF).empty());
        }
    }

    void sliderSendsOnceWhenLetGoAndSnapsBackWithoutLocomotive() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        w->activateWindow();
        DragSlider(Slider(w), true);
        rig.Pump();
        QCOMPARE(Slider(w)->value(), 0);
        QCOMPARE(w->focusWidget(), AddressEdit(w));
        QVERIFY(rig.Take(0xA0).empty());

        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 1234));
        rig.received.clear();
        DragSlider(Slider(w), true);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 127}}));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("99"));
        // A keyboard step sends on its own.
        Slider(w)->setFocus();
        QTest::keyClick(Slider(w), Qt::Key_Down);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 126}}));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("98"));
        // A held key sends once, when it is let go: the end of the scroll.
        QTest::keyPress(Slider(w), Qt::Key_Down);
        for (int i = 0; i < 3; ++i) {
            QKeyEvent up(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(Slider(w), &up);
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(Slider(w), &down);
        }
        rig.Pump();
        QVERIFY(rig.Take(0xA0).empty());
        QTest::keyRelease(Slider(w), Qt::Key_Down);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 121}}));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("94"));
    }

    // A key that takes the focus away from the slider is let go elsewhere; the wheel that
    // moves the slider afterwards must still send.
    void wheelSendsAfterAKeyThatLeavesTheSlider_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
        QTest::newRow("Shift+Tab") << int(Qt::Key_Tab) << int(Qt::ShiftModifier);
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    }
    void wheelSendsAfterAKeyThatLeavesTheSlider() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 3));
        Slider(w)->setFocus();
        // Through the window, as the platform delivers keys: the release goes to whatever
        // has the focus by then.
        QTest::keyClick(w->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(w->focusWidget() != Slider(w));
        rig.Pump();
        rig.received.clear();
        const QPointF at(Slider(w)->rect().center());
        QWheelEvent wheel(at, Slider(w)->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Slider(w), &wheel);
        rig.Pump();
        QVERIFY(Slider(w)->value() > 0);
        QCOMPARE(rig.Take(0xA0),
                 (std::vector<Bytes>{
                     {0xA0, slot,
                      static_cast<std::uint8_t>(CLoconet::PercentToSpeed(Slider(w)->value()))}}));
    }

    void enterEmergencyStopAndDirection() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 3));
        rig.received.clear();
        Type(SpeedEdit(w), QStringLiteral("50"));
        // Leaving the edit sends nothing; Enter does.
        Slider(w)->setFocus();
        rig.Pump();
        QVERIFY(rig.Take(0xA0).empty());
        SpeedEdit(w)->setFocus();
        QTest::keyClick(SpeedEdit(w), Qt::Key_Return);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 65}}));
        QCOMPARE(Slider(w)->value(), 50);
        QCOMPARE(SpeedEdit(w)->selectedText(), QStringLiteral("50"));

        Type(SpeedEdit(w), QStringLiteral("")); // a field that fails does not hold up a stop
        QTest::mouseClick(Child<QPushButton>(w, "emergencyButton"), Qt::LeftButton);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 1}}));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("0"));
        QCOMPARE(Slider(w)->value(), 0);
        QCOMPARE(rig.Messages(), QString());

        QTest::mouseClick(Child<QRadioButton>(w, "reverseRadio"), Qt::LeftButton);
        rig.Pump();
        QCOMPARE(rig.Take(0xA1), (std::vector<Bytes>{{0xA1, slot, 0x20}}));
        QCOMPARE(rig.station->Slot(slot).bytes[SimSlotByte::DIRF], 0x20);

        // Escape neither closes nor hides the throttle.
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QVERIFY(rig.Link().GetThrottle(w->Simple().registryIndex) == &w->Simple());
    }

    void functionKeysLatchAndSendF9toF12Masks() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 3));
        rig.received.clear();
        QTest::mouseClick(F(w, 10), Qt::LeftButton);
        QTest::mouseClick(F(w, 12), Qt::LeftButton);
        rig.Pump();
        std::vector<int> masks;
        for (const Bytes& b : rig.Take(0xED)) {
            LocoNetMessage m;
            for (std::uint8_t byte : b)
                m.bytes[m.length++] = byte;
            m.bytes[m.length] = Checksum(m.bytes.data(), m.length);
            ++m.length;
            const ImmF9toF12 imm = DecodeImmF9toF12(m);
            QVERIFY(imm.understood);
            QCOMPARE(imm.Address(), 3);
            masks.push_back(imm.bits);
        }
        QCOMPARE(masks, (std::vector<int>{2, 10}));
        QVERIFY(F(w, 10)->isChecked() && F(w, 12)->isChecked());

        // Two separate presses toggle on and off.
        QTest::mouseClick(F(w, 3), Qt::LeftButton);
        QVERIFY(F(w, 3)->isChecked());
        QTest::mouseClick(F(w, 3), Qt::LeftButton);
        QVERIFY(!F(w, 3)->isChecked());
        rig.Pump();
        QCOMPARE(rig.Take(0xA1), (std::vector<Bytes>{{0xA1, slot, 0x04}, {0xA1, slot, 0x00}}));
        // Enter on a focused function key does nothing.
        F(w, 5)->setFocus();
        QTest::keyClick(F(w, 5), Qt::Key_Return);
        rig.Pump();
        QVERIFY(!F(w, 5)->isChecked());
        QVERIFY(rig.received.empty());
        // Space works a focused key once.
        F(w, 6)->setFocus();
        QTest::keyClick(F(w, 6), Qt::Key_Space);
        rig.Pump();
        QVERIFY(F(w, 6)->isChecked());
        QCOMPARE(rig.Take(0xA2), (std::vector<Bytes>{{0xA2, slot, 0x02}}));
    }

    // Under a main window placed low, a throttle still ends on the screen, also when it grows
    // by F13 to F28 (one taller than the screen starts at its top).
    void throttleStaysOnTheScreen() {
        AppRig rig;
        rig.Frame().move(0, 300);
        CDlgSThrottle* w = rig.NewThrottle();
        const QRect room = w->screen()->availableGeometry();
        auto onScreen = [&] {
            return w->frameGeometry().bottom() <= room.bottom() ||
                   (w->height() > room.height() && w->y() == room.top());
        };
        QVERIFY(w->height() < room.height() - 80);
        QVERIFY2(onScreen(), qPrintable(QStringLiteral("%1+%2").arg(w->y()).arg(w->height())));
        QTest::mouseClick(Child<QPushButton>(w, "moreFunctionsButton"), Qt::LeftButton);
        QVERIFY2(onScreen(), qPrintable(QStringLiteral("%1+%2").arg(w->y()).arg(w->height())));
    }

    // F13 to F28: shown on demand (the window grows), sent as immediate packets, following
    // a hand-held throttle on the same address, decoded by the monitor, remembered.
    void moreFunctionsRowSendsFollowsAndIsRemembered() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        auto* more = Child<QPushButton>(w, "moreFunctionsButton");
        QVERIFY(!F(w, 13)->isVisibleTo(w) && !more->isChecked());
        const int shortHeight = w->height();
        QTest::mouseClick(more, Qt::LeftButton);
        QVERIFY(F(w, 13)->isVisibleTo(w) && F(w, 28)->isVisibleTo(w));
        QVERIFY(w->height() > shortHeight);
        QCOMPARE(rig.app->Settings().ShowF13toF28, 1);

        Select(rig, w, 3);
        rig.Frame().Action(QStringLiteral("actionMonitor"))->trigger();
        rig.received.clear();
        QTest::mouseClick(F(w, 13), Qt::LeftButton);
        QTest::mouseClick(F(w, 28), Qt::LeftButton);
        rig.Pump();
        QCOMPARE(rig.Take(0xED),
                 (std::vector<Bytes>{{0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5E, 0x01, 0, 0},
                                     {0xED, 0x0B, 0x7F, 0x34, 0x06, 0x03, 0x5F, 0x00, 0, 0}}));
        const QStringList lines = rig.Frame().Monitor()->Lines();
        QVERIFY2(lines.contains(QStringLiteral("Sent: OPc IMM: F13-F20 Slt=1 Loc=3 10000000")),
                 qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.contains(QStringLiteral("Sent: OPc IMM: F21-F28 Slt=1 Loc=3 00000001")));

        // A hand-held throttle on address 3 switches its own F14: its packet carries F13 to
        // F20 as it knows them, and the window follows.
        rig.station->ThrottleFunction(3, 14, true);
        rig.Pump();
        QVERIFY(F(w, 14)->isChecked() && !F(w, 13)->isChecked() && F(w, 28)->isChecked());

        QTest::mouseClick(more, Qt::LeftButton);
        QVERIFY(!F(w, 13)->isVisibleTo(w));
        QCOMPARE(w->height(), shortHeight);
        QCOMPARE(rig.app->Settings().ShowF13toF28, 0);
        QTest::mouseClick(more, Qt::LeftButton);
        CDlgSThrottle* second = rig.NewThrottle();
        QVERIFY(F(second, 20)->isVisibleTo(second));
    }

    // Each press toggles; the double click that Qt makes of a quick second press does not.
    void quickClicksToggleOncePerPressThatQtDoesNotPair_data() {
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<int>("toggles");
        QTest::newRow("double click") << QList<QPoint>{{10, 5}, {10, 5}} << 1;
        QTest::newRow("triple click") << QList<QPoint>{{10, 5}, {10, 5}, {10, 5}} << 2;
        QTest::newRow("quadruple click") << QList<QPoint>{{10, 5}, {10, 5}, {10, 5}, {10, 5}} << 2;
        QTest::newRow("two clicks far apart") << QList<QPoint>{{2, 2}, {30, 9}} << 2;
    }
    void quickClicksToggleOncePerPressThatQtDoesNotPair() {
        QFETCH(QList<QPoint>, points);
        QFETCH(int, toggles);
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 3));
        rig.received.clear();
        F(w, 3)->setFixedSize(40, 12);
        MouseEventLog log(F(w, 3));
        PlatformClicks(F(w, 3), points);
        if (points.size() == 2 && points[0] == points[1]) // the order that Qt 6 delivers
            QCOMPARE(log.types, (QList<QEvent::Type>{
                                    QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}));
        rig.Pump();
        std::vector<Bytes> expected;
        for (int i = 1; i <= toggles; ++i)
            expected.push_back({0xA1, slot, static_cast<std::uint8_t>(i % 2 ? 0x04 : 0x00)});
        QCOMPARE(rig.Take(0xA1), expected);
        QCOMPARE(F(w, 3)->isChecked(), toggles % 2 == 1);
    }

    void handHeldThrottleOnTheSameAddressMovesTheWindow() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        Select(rig, w, 3);
        QVERIFY(rig.station->ThrottleSpeed(3, 65));
        rig.Pump();
        QCOMPARE(Slider(w)->value(), 50);
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("50"));
        QVERIFY(rig.station->ThrottleDirection(3, true));
        QVERIFY(rig.station->ThrottleFunction(3, 0, true));
        QVERIFY(rig.station->ThrottleFunction(3, 7, true));
        QVERIFY(rig.station->ThrottleFunction(3, 11, true));
        rig.Pump();
        QVERIFY(Child<QRadioButton>(w, "reverseRadio")->isChecked());
        QString states;
        for (int f = 0; f <= 12; ++f)
            states += F(w, f)->isChecked() ? u'1' : u'0';
        QCOMPARE(states, QStringLiteral("1000000100010"));
        QVERIFY(rig.station->ThrottleSpeed(3, 2));
        rig.Pump();
        QCOMPARE(Slider(w)->value(), 1);
    }

    // An address that a hand-held drives: the window warns, takes the slot and shows what
    // the locomotive does, not what the last one did.
    void takingAnAddressInUseWarnsAndShowsTheLocomotive() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        Select(rig, w, 5);
        QTest::mouseClick(Child<QRadioButton>(w, "reverseRadio"), Qt::LeftButton);
        QTest::mouseClick(F(w, 0), Qt::LeftButton);
        QTest::mouseClick(F(w, 1), Qt::LeftButton);
        QTest::mouseClick(SetRelease(w), Qt::LeftButton);
        rig.Pump();
        auto lit = [w] {
            QString states;
            for (int f = 0; f <= 12; ++f)
                states += F(w, f)->isChecked() ? u'1' : u'0';
            return states;
        };
        QCOMPARE(lit(), QStringLiteral("0000000000000"));

        QVERIFY(rig.station->ThrottleAcquire(3) > 0);
        QVERIFY(rig.station->ThrottleSpeed(3, 61));
        QVERIFY(rig.station->ThrottleFunction(3, 0, true));
        QVERIFY(rig.station->ThrottleFunction(3, 3, true));
        rig.Pump();
        rig.received.clear();
        const int slot = Select(rig, w, 3);
        QCOMPARE(slot, rig.station->FindSlot(3));
        QCOMPARE(rig.Messages(), QStringLiteral("Naslov je že v uporabi, možne so motnje v "
                                                "delovanju!"));
        QVERIFY(rig.Take(0xBA).empty()); // the slot is in use already
        QCOMPARE(SetRelease(w)->text(), QStringLiteral("Sprosti"));
        QCOMPARE(SpeedEdit(w)->text(), QStringLiteral("47"));
        QCOMPARE(Slider(w)->value(), 47);
        QVERIFY(Child<QRadioButton>(w, "forwardRadio")->isChecked());
        QCOMPARE(lit(), QStringLiteral("1001000000000"));
    }

    void closingReleasesAndRefreshKeepsTheSlot() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        const int index = w->Simple().registryIndex;
        QCOMPARE(index, 99);
        const auto slot = static_cast<std::uint8_t>(Select(rig, w, 3));
        Type(SpeedEdit(w), QStringLiteral("20"));
        QTest::keyClick(SpeedEdit(w), Qt::Key_Return);
        rig.Pump();
        rig.received.clear();
        // A minute without a speed command: the speed is sent again.
        rig.clock.Advance(60001);
        rig.Pump();
        QCOMPARE(rig.Take(0xA0), (std::vector<Bytes>{{0xA0, slot, 26}}));

        QPointer<CDlgSThrottle> guard(w);
        w->close();
        rig.Pump();
        QVERIFY(guard.isNull());
        QVERIFY(rig.Link().GetThrottle(index) == nullptr);
        QCOMPARE(rig.Take(0xB5), (std::vector<Bytes>{{0xB5, slot, 0x13}}));
        QCOMPARE(rig.station->Slot(slot).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask,
                 SimStat1::kCommon);

        // A throttle without a locomotive releases nothing; its entry is reused first.
        CDlgSThrottle* other = rig.NewThrottle();
        QCOMPARE(other->Simple().registryIndex, 99);
        other->close();
        rig.Pump();
        QVERIFY(rig.Take(0xB5).empty());
    }

    // The station stops answering: the selection ends after 5 s with the message (none for
    // a window closed meanwhile), the window is as before, and the next selection works.
    void unansweredSelectionEndsAfterFiveSeconds_data() {
        QTest::addColumn<bool>("closed");
        QTest::newRow("window open") << false;
        QTest::newRow("window closed while waiting") << true;
    }
    void unansweredSelectionEndsAfterFiveSeconds() {
        QFETCH(bool, closed);
        AppRig rig;
        rig.station->SetAnswerDelay(60000);
        QPointer<CDlgSThrottle> w = rig.NewThrottle();
        QCOMPARE(Select(rig, w, 3), -1);
        QVERIFY(rig.Link().IsSelectionPending());
        if (closed) {
            w->close();
            rig.Pump();
            QVERIFY(w.isNull());
        }
        rig.clock.Advance(5000);
        rig.Pump();
        QVERIFY(!rig.Link().IsSelectionPending());
        QCOMPARE(rig.Messages(), closed ? QString()
                                        : QStringLiteral("Napaka! Centrala ni odgovorila na "
                                                         "izbiro naslova 3. Preverite če je "
                                                         "centrala vklopljena in povezana."));
        if (!closed) {
            QCOMPARE(SetRelease(w)->text(), QStringLiteral("Nastavi"));
            QVERIFY(SetRelease(w)->isEnabled());
            QVERIFY(!AddressEdit(w)->isReadOnly());
        }

        rig.clock.Advance(60000); // the late answers pass by
        rig.Pump();
        rig.station->SetAnswerDelay(0);
        CDlgSThrottle* next = closed ? rig.NewThrottle() : w.data();
        QVERIFY(Select(rig, next, 3) >= 1);
        QCOMPARE(SetRelease(next)->text(), QStringLiteral("Sprosti"));
    }

    void closingMainWindowClosesEveryThrottleFirst() {
        AppRig rig;
        CDlgSThrottle* a = rig.NewThrottle();
        CDlgSThrottle* b = rig.NewThrottle();
        const auto slotA = static_cast<std::uint8_t>(Select(rig, a, 3));
        const auto slotB = static_cast<std::uint8_t>(Select(rig, b, 4, true));
        QVERIFY(slotA != slotB);
        QCOMPARE(SetRelease(b)->text(), QStringLiteral("Sprosti"));
        QCOMPARE(b->focusWidget(), SpeedEdit(b));
        QCOMPARE(b->windowTitle(), QStringLiteral("Upravljalnik 4"));
        rig.Frame().Action(QStringLiteral("actionMonitor"))->trigger();
        rig.received.clear();
        QVERIFY(!rig.Frame().close()); // the throttles go first
        QVERIFY(rig.Frame().ClosingRequested());
        QVERIFY(rig.Frame().isVisible());
        rig.Pump();
        QVERIFY(!rig.Frame().isVisible());
        QVERIFY(rig.Frame().Monitor() == nullptr);
        QVERIFY(rig.Link().GetThrottle(98) == nullptr && rig.Link().GetThrottle(99) == nullptr);
        std::vector<Bytes> releases = rig.Take(0xB5);
        std::sort(releases.begin(), releases.end());
        std::vector<Bytes> expected{{0xB5, slotA, 0x13}, {0xB5, slotB, 0x13}};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(releases, expected);
        QCOMPARE(rig.Messages(), QString());
    }

    void throttlesStillOpenAtTheEndReleaseBeforeThePortCloses() {
        auto rig = std::make_unique<AppRig>();
        CDlgSThrottle* w = rig->NewThrottle();
        const int slot = Select(*rig, w, 3);
        SimCommandStation* station = rig->station;
        // The station dies with the port; look at the slot through the trace instead.
        std::vector<Bytes> seen;
        station->SetTrace([&](char d, const Bytes& bytes) {
            if (d == 'R')
                seen.push_back(bytes);
        });
        rig->app->ExitInstance(0);
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen[0][0], 0xB5);
        QCOMPARE(int(seen[0][1]), slot);
    }
};

QTEST_MAIN(TestSimpleThrottleWindow)
#include "test_simple_throttle_window.moc"
