// Renders the pictures of the windows for the operator's guide (docs/vodnik/slike) with the
// program's own widgets on the offscreen platform: scripts/guide-pictures runs it after a
// window has changed. It drives the windows as an operator would, on the simulated command
// station with the sample tables and layout.

#include "gui/help/Help.h"
#include "gui/help/HelpWindow.h"
#include "gui/layout/DlgTurnout.h"
#include "gui/layout/LayoutFiles.h"
#include "gui/layout/VlakomatView.h"
#include "gui/loconet/DlgLoconetMonitor.h"
#include "gui/roster/DlgFunction.h"
#include "gui/roster/DlgFunctionMap.h"
#include "gui/roster/DlgLoco.h"
#include "gui/roster/DlgRoster.h"
#include "gui/settings/DlgSave.h"
#include "gui/settings/DlgSettings.h"
#include "gui/throttles/DlgRThrottle.h"
#include "gui/throttles/FuncButton.h"
#include "support/AppRig.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString g_folder;
int g_faults = 0;

void Settle() {
    QTest::qWait(100); // the monitor shows what came in on a short timer
}

void Save(QWidget* window, const char* name) {
    window->show();
    Settle();
    const QString path = g_folder + QLatin1Char('/') + QString::fromLatin1(name);
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "guide_pictures: cannot write %s\n", qPrintable(path));
        ++g_faults;
    } else {
        std::printf("%s\n", qPrintable(path));
    }
}

template <typename T> T* Child(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no widget %s", name);
    return child;
}

void Enter(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: guide_pictures FOLDER\n");
        return 2;
    }
    // Before the rig moves into its temporary folder.
    g_folder = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    AppRig rig;
    if (!rig.started)
        return 1;
    CMainFrame& frame = rig.Frame();
    frame.Layout().OpenDocumentFile(QStringLiteral(VLAKOMAT_SOURCE_DIR "/data/Postaja.vlk"));
    frame.resize(820, 520);
    rig.station->StationPower(true); // the power button shows what the bus said
    rig.Pump();
    Save(&frame, "glavno-okno.png");

    // Edit mode with the addresses shown, an empty element and an occupied detector.
    CVlakomatDoc& doc = frame.Layout().Doc();
    doc.AddElement(3, 1, ElementType::kEmpty);
    doc.AddElement(5, 1, ElementType::kDetector);
    doc.SetSensor(doc.FindElement(5, 1), 17);
    doc.SetOccupied(doc.FindElement(5, 1), true);
    frame.View().Command(PanelCommand::kPlaceFirst)->trigger();
    frame.Action(QStringLiteral("actionShowAddresses"))->trigger();
    QTest::mouseClick(frame.View().viewport(), Qt::LeftButton, {}, QPoint(8 * 20 + 5, 6 * 20 + 5));
    Save(&frame, "urejanje.png");
    frame.Action(QStringLiteral("actionShowAddresses"))->trigger();
    frame.View().Command(PanelCommand::kOperate)->trigger();
    CDlgDetector detector(17, rig.prompts, &frame);
    Save(&detector, "detektor.png");

    frame.Action(QStringLiteral("actionMonitor"))->trigger();
    CDlgSThrottle* throttle = rig.NewThrottle();
    Enter(Child<QLineEdit>(throttle, "addressEdit"), QStringLiteral("3"));
    rig.Pump();
    Enter(Child<QLineEdit>(throttle, "speedEdit"), QStringLiteral("40"));
    QTest::mouseClick(Child<CFuncButton>(throttle, "f0Button"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(throttle, "moreFunctionsButton"), Qt::LeftButton);
    QTest::mouseClick(Child<CFuncButton>(throttle, "f14Button"), Qt::LeftButton);
    rig.Pump();
    Save(throttle, "enostavni-upravljalnik.png");
    CDlgRThrottle* realistic = rig.NewRealisticThrottle();
    Child<QPushButton>(realistic, "acquireButton")->click(); // "Uporabi"
    rig.Pump();
    Save(realistic, "realisticni-upravljalnik.png");
    Child<QPushButton>(frame.Monitor(), "markerButton")->click();
    Enter(Child<QLineEdit>(frame.Monitor(), "commentEdit"), QStringLiteral("prva vožnja"));
    frame.Monitor()->resize(620, 560);
    Save(frame.Monitor(), "monitor.png");

    RosterData& data = rig.app->Data();
    CDlgSettings settings(rig.app->Settings().settings, rig.prompts,
                          CDlgSettings::AvailablePorts({}), &frame);
    Save(&settings, "nastavitve.png");
    CDlgRoster roster(&frame, data, rig.prompts);
    Save(&roster, "seznam-lokomotiv.png");
    CDlgLoco loco(&frame, data.decoders, data.functions, rig.prompts, data.roster.locos[1]);
    Save(&loco, "lokomotiva.png");
    CDlgFunction function(&frame, data.functions, FunctionEdit::Of(data.functions.entries[3]),
                          rig.prompts);
    Save(&function, "funkcionalnost.png");
    const Loco& first = data.roster.locos[0];
    CDlgFunctionMap map(&frame, FunctionMapEditor(data.functions.entries[3], first.FuncFlags[3],
                                                  first.FuncSequences[3], rig.prompts));
    Save(&map, "mapiranje.png");
    TurnoutProperties threeWay = TurnoutProperties::From(
        ElementType::kThreeWay, TurnoutData::Defaults(ElementType::kThreeWay));
    threeWay.address = {14, 15};
    CDlgTurnout turnout(ElementType::kThreeWay, threeWay, rig.prompts, &frame);
    Save(&turnout, "kretnica.png");
    CDlgSave save(true, true, &frame);
    Save(&save, "shrani.png");
    frame.Help().ShowPage(QStringLiteral("enostavni-upravljalnik.md"));
    frame.Help().Window()->resize(900, 560);
    Save(frame.Help().Window(), "pomoc.png");
    return g_faults == 0 ? 0 : 1;
}
