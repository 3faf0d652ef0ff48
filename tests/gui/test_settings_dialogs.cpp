// The settings procedure, the save question of the close procedure and the first run, on
// real dialogs driven by objectName, real files in a temporary folder and the simulated
// command station.

#include "core/settings/SerialLine.h"
#include "core/settings/SettingsFields.h"
#include "gui/settings/DlgSave.h"
#include "gui/settings/DlgSettings.h"
#include "io/BusServer.h"
#include "support/AppRig.h"
#include "support/LbClient.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

template <typename T> T* Child(QWidget* w, const QString& name) {
    T* child = w->findChild<T*>(name);
    if (!child)
        qFatal("no widget %s", qPrintable(name));
    return child;
}

void Click(QWidget* dialog, const char* button) {
    QTest::mouseClick(Child<QPushButton>(dialog, QString::fromLatin1(button)), Qt::LeftButton);
}

// Answers the modal dialogs as they open, one action each, in order. A dialog beyond the
// script is counted and ended: a settings dialog with "Offline", so that no loop can hang.
class ModalScript {
public:
    using Action = std::function<void(QDialog*)>;
    explicit ModalScript(std::vector<Action> actions) : actions_(std::move(actions)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(1);
    }
    int shown = 0;

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog == current_ && QTest::currentTestFailed())
            dialog->reject(); // an action that failed half-way leaves its dialog open
        if (!dialog || dialog == current_)
            return;
        current_ = dialog;
        if (static_cast<std::size_t>(shown) < actions_.size()) {
            actions_[static_cast<std::size_t>(shown++)](dialog);
            return;
        }
        ++shown;
        if (auto* offline = dialog->findChild<QCheckBox*>(QStringLiteral("offlineCheck")))
            offline->setChecked(true);
        dialog->accept();
    }

    std::vector<Action> actions_;
    QPointer<QDialog> current_;
    QTimer timer_;
};

// One settings dialog's action, written as "name=text;...;ok" or "cancel": "port" is the
// port field, "interface" the interface, "offline" and "network" tick their check boxes,
// "offers" checks that the port list holds the text, any other name is a text field.
ModalScript::Action SettingsAction(const QString& commands) {
    return [commands](QDialog* dialog) {
        for (const QString& command : commands.split(';')) {
            const QString name = command.section('=', 0, 0);
            const QString text = command.section('=', 1);
            if (command == "ok")
                Click(dialog, "okButton");
            else if (command == "cancel")
                Click(dialog, "cancelButton");
            else if (command == "offline")
                Child<QCheckBox>(dialog, "offlineCheck")->setChecked(true);
            else if (command == "network")
                Child<QCheckBox>(dialog, "shareOnNetworkCheck")->setChecked(true);
            else if (name == "offers")
                QVERIFY2(Child<QComboBox>(dialog, "portCombo")->findText(text) >= 0,
                         qPrintable(text));
            else if (name == "port" || name == "interface")
                Child<QComboBox>(dialog, name + "Combo")->setEditText(text);
            else
                Child<QLineEdit>(dialog, name)->setText(text);
        }
    };
}

std::vector<ModalScript::Action> SettingsActions(const QStringList& dialogs) {
    std::vector<ModalScript::Action> actions;
    for (const QString& d : dialogs)
        actions.push_back(SettingsAction(d));
    return actions;
}

// A value of the settings as the check column names it: "port", "line" or a field's name.
QString SettingValue(const Settings& s, const QString& name) {
    if (name == "port")
        return QString::fromStdString(s.ComPort);
    if (name == "line")
        return QString::fromStdString(FormatSerialLine(SerialLineOf(s)));
    if (name == "network")
        return QString::number(s.ShareOnNetwork);
    for (const SettingsField& field : SettingsFields())
        if (name == field.name)
            return QString::fromStdString(FormatField(s, field));
    return QStringLiteral("?");
}

const QString kNoPort = QStringLiteral("Napaka! Comm porta /dev/vlakomat-none ni mogoče odpreti! "
                                       "Izbranega porta ni v računalniku ali pa ga uporablja drug "
                                       "program");

std::string Ini(const char* port) {
    return std::string("[LOCONET]\nCOM Port=") + port + "\n[PREFERENCES]\nFirst Run=0\n";
}

} // namespace

class TestSettingsDialogs : public QObject {
    Q_OBJECT
private slots:
    void settingsProcedure_data() {
        QTest::addColumn<QString>("startPort");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<bool>("reopened");
        QTest::addColumn<bool>("active");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("check"); // "name=value" of the settings in memory

        QTest::newRow("OK without changes") << "sim" << QStringList{"ok"} << false << true << ""
                                            << "port=sim";
        QTest::newRow("train dynamics")
            << "sim" << QStringList{"emptyCarWeight= 25.5;ok"} << false << true << ""
            << "emptyCarWeight=25,5";
        QTest::newRow("blanks around the port")
            << "sim" << QStringList{"port= sim ;ok"} << false << true << ""
            << "port=sim";
        QTest::newRow("letter case") << "sim" << QStringList{"port=SIM;ok"} << true << true << ""
                                     << "port=SIM";
        QTest::newRow("interface")
            << "sim" << QStringList{"interface=57600 baud, RTS/CTS;ok"} << true << true << ""
            << "line=57600 baud, RTS/CTS";
        QTest::newRow("missing port until offline")
            << "sim" << QStringList{"port=/dev/vlakomat-none;ok", "cancel", "offline;ok"} << true
            << true << kNoPort << "port=/dev/vlakomat-none";
        QTest::newRow("bad tcp address")
            << "sim"
            << QStringList{"port=tcp://localhost:99999;ok",
                           "offers=tcp://localhost:99999;port=sim;ok"}
            << true << true
            << "Napaka! Naslov tcp://localhost:99999 ni pravilen! Uporabite obliko "
               "tcp://strežnik:port"
            << "port=sim";
        // Sharing needs no new link: the server starts beside the open one.
        const QString share = QString::number(FreeTcpPort());
        QTest::newRow("shared on this computer")
            << "sim" << QStringList{"sharePort=" + share + ";ok"} << false << true << ""
            << "sharePort=" + share;
        QTest::newRow("shared on the network")
            << "sim" << QStringList{"sharePort=" + share + ";network;ok"} << false << true << ""
            << "network=1";
        QTest::newRow("unchanged after a failed start")
            << "/dev/vlakomat-none" << QStringList{"ok"} << false << false << kNoPort
            << "port=/dev/vlakomat-none";
    }

    void settingsProcedure() {
        QFETCH(QString, startPort);
        QFETCH(QStringList, dialogs);
        QFETCH(bool, reopened);
        QFETCH(bool, active);
        QFETCH(QString, messages);
        QFETCH(QString, check);

        ModalScript script(SettingsActions(dialogs));
        // A port that does not open at start-up leads into the procedure by itself.
        AppRig rig(AppRig::Ini{Ini(startPort.toUtf8().constData())});
        const std::string iniAtStart = rig.dir.Read("vlakomat.ini");
        SerialPort* const portAtStart = rig.Link().Port();
        if (portAtStart)
            rig.Frame().Action("actionSettings")->trigger();

        QCOMPARE(script.shown, dialogs.size());
        QCOMPARE(rig.Link().Port() != portAtStart, reopened);
        QCOMPARE(rig.Link().IsActive(), active);
        QCOMPARE(rig.Messages(), messages);
        const Settings& now = rig.app->Settings().settings;
        QCOMPARE(SettingValue(now, check.section('=', 0, 0)), check.section('=', 1));
        QCOMPARE(rig.app->Server().Port(), now.SharePort);
        // Edits reach the file only at exit.
        QCOMPARE(rig.dir.Read("vlakomat.ini"), iniAtStart);
    }

    void fieldsShowTheirValuesAndRefuseBadText() {
        AppRig rig;
        ModalScript script({[&](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Splošne nastavitve"));
            QCOMPARE(Child<QLineEdit>(d, "emptyCarWeight")->text(), QStringLiteral("20"));
            QCOMPARE(Child<QLineEdit>(d, "emptyCarBrakingFactor")->text(), QStringLiteral("0,1"));
            QCOMPARE(Child<QComboBox>(d, "interfaceCombo")->currentText(),
                     QStringLiteral("16457 baud"));
            auto* ports = Child<QComboBox>(d, "portCombo");
            QCOMPARE(ports->currentText(), QStringLiteral("sim"));
            QVERIFY(ports->findText(QStringLiteral("sim")) >= 0);
            QVERIFY(ports->findText(QStringLiteral("tcp://localhost:1234")) >= 0);

            // The first field that holds no valid value is named and gets the focus.
            SettingsAction("emptyCarWeight=0,5;axelsPerCar=17;interface=115200;ok")(d);
            QVERIFY(d->isVisible());
            QCOMPARE(d->focusWidget(), Child<QLineEdit>(d, "axelsPerCar"));
            QCOMPARE(rig.app->Settings().settings.AxelsPerCar, 4);
            SettingsAction("axelsPerCar=16;emptyCarWeight=0.5;ok")(d);
        }});
        rig.Frame().Action("actionSettings")->trigger();
        QCOMPARE(script.shown, 1);
        QCOMPARE(rig.Messages(), QStringLiteral("Vnesite celo število med 2 in 16."));
        const Settings& s = rig.app->Settings().settings;
        QCOMPARE(s.AxelsPerCar, 16);
        QCOMPARE(s.EmptyCarWeight, 0.5);
        QCOMPARE(s.BaudRate, 115200);
    }

    void saveQuestion_data() {
        QTest::addColumn<QString>("answer"); // what is done in the save dialog
        QTest::addColumn<int>("throttles");
        QTest::addColumn<bool>("rosterUnwritable");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("rosterWritten");
        QTest::addColumn<bool>("functionsWritten");

        QTest::newRow("Da") << "Da" << 0 << false << true << true << true;
        QTest::newRow("Da after two throttles") << "Da" << 2 << false << true << true << true;
        QTest::newRow("roster unticked, Da") << "untick;Da" << 0 << false << true << false << true;
        QTest::newRow("Ne") << "Ne" << 0 << false << true << false << false;
        QTest::newRow("Nazaj") << "Nazaj" << 0 << false << false << false << false;
        QTest::newRow("Roster.tab cannot be written")
            << "Da" << 0 << true << false << false << true;
    }

    void saveQuestion() {
        QFETCH(QString, answer);
        QFETCH(int, throttles);
        QFETCH(bool, rosterUnwritable);
        QFETCH(bool, closed);
        QFETCH(bool, rosterWritten);
        QFETCH(bool, functionsWritten);

        AppRig rig;
        RosterData& data = rig.app->Data();
        data.RosterModified = data.FunctionsModified = true;
        const std::string marker = "not written\n";
        rig.dir.Write("Functions.tab", marker);
        std::filesystem::remove(rig.dir.File("Roster.tab"));
        if (rosterUnwritable)
            std::filesystem::create_directory(rig.dir.File("Roster.tab"));
        else
            rig.dir.Write("Roster.tab", marker);

        ModalScript script({[&](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Shrani"));
            QVERIFY(Child<QCheckBox>(d, "rosterCheck")->isChecked());
            QVERIFY(Child<QCheckBox>(d, "functionsCheck")->isChecked());
            QVERIFY(Child<QCheckBox>(d, "layoutCheck")->isHidden());
            if (answer.startsWith("untick"))
                Child<QCheckBox>(d, "rosterCheck")->setChecked(false);
            Click(d, answer == "Ne" ? "noButton" : answer == "Nazaj" ? "backButton" : "yesButton");
        }});
        for (int i = 0; i < throttles; ++i)
            rig.NewThrottle();
        if (throttles > 0) {
            // The question comes once, after the last throttle has gone.
            QVERIFY(!rig.Frame().close());
            QCOMPARE(script.shown, 0);
            rig.Pump();
        } else {
            QCOMPARE(rig.Frame().close(), closed);
        }
        QCOMPARE(script.shown, 1);
        QCOMPARE(rig.Frame().isVisible(), !closed);
        QCOMPARE(rig.Frame().ClosingRequested(), closed);
        if (!rosterUnwritable)
            QCOMPARE(rig.dir.Read("Roster.tab") != marker, rosterWritten);
        QCOMPARE(rig.dir.Read("Functions.tab"),
                 functionsWritten ? FormatFunctionsFile(data) : marker);
        if (!rosterUnwritable) {
            QCOMPARE(rig.Messages(), QString());
            return;
        }
        // The message names the file and the reason; only what was written is no longer
        // modified.
        QVERIFY2(rig.Messages().contains("Roster.tab' ni bilo mogoče shraniti: "),
                 qPrintable(rig.Messages()));
        QVERIFY(data.RosterModified && !data.FunctionsModified);
    }

    // A newcomer's first start in a folder with only Decoders.tab: the settings offer a port
    // that exists (no USB interface here, so the simulated station) and say what it means;
    // OK as offered opens it, and the first throttle drives on it.
    void firstRunLeadsThroughSettingsAndRoster() {
        TempDir dir;
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.Path()));
        std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" /
                                       "Decoders.tab",
                                   dir.File("Decoders.tab"));
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        QStringList steps;
        {
            CVlakomatApp app(prompts, clock, beeper);
            ModalScript script({[&](QDialog* d) {
                                    steps << d->objectName();
                                    QCOMPARE(Child<QComboBox>(d, "portCombo")->currentText(),
                                             QStringLiteral("sim"));
                                    auto* intro = Child<QLabel>(d, "introLabel");
                                    QVERIFY(intro->isVisible());
                                    QVERIFY2(intro->text().contains("simulirana"),
                                             qPrintable(intro->text()));
                                    SettingsAction("ok")(d);
                                },
                                [&](QDialog* d) {
                                    steps << d->objectName();
                                    d->accept(); // the roster's "Close"
                                }});
            QVERIFY(app.InitInstance(QString()));
            QCOMPARE(steps, (QStringList{"DlgSettings", "DlgRoster"}));
            QVERIFY(app.Link().IsActive());
            auto* sim = dynamic_cast<SimPort*>(app.Link().Port());
            QVERIFY(sim != nullptr);
            QCOMPARE(app.MainFrame()->findChild<QLabel*>("linkStateLabel")->text(),
                     QStringLiteral("sim"));

            app.MainFrame()->Action(QStringLiteral("actionNewSimpleThrottle"))->trigger();
            auto* throttle = qobject_cast<CDlgSThrottle*>(app.Throttles().Latest());
            QVERIFY(throttle);
            for (const auto& [edit, value] : {std::pair{"addressEdit", "3"}, {"speedEdit", "50"}}) {
                auto* field = throttle->findChild<QLineEdit*>(QString::fromLatin1(edit));
                field->setText(QString::fromLatin1(value));
                QTest::keyClick(field, Qt::Key_Return);
                for (int i = 0; i < 40; ++i)
                    app.Link().Process();
            }
            QVERIFY(throttle->Simple().Driving());
            const int slot = sim->Station().FindSlot(3);
            QVERIFY(slot > 0);
            QCOMPARE(int(sim->Station().Slot(slot).bytes[SimSlotByte::SPD]),
                     CLoconet::PercentToSpeed(50));
            QCOMPARE(prompts.texts.size(), size_t(1)); // the builtin functions added
            delete throttle;                           // lets go of the locomotive
            // Start-up added the builtin functions; the close offers to save them.
            ModalScript save({[](QDialog* d) { Click(d, "yesButton"); }});
            QVERIFY(app.MainFrame()->close());
            app.ExitInstance(0);
        }
        const std::string ini = dir.Read("vlakomat.ini");
        QVERIFY(ini.find("COM Port=sim\n") != std::string::npos);
        QVERIFY(ini.find("First Run=0\n") != std::string::npos);
        QVERIFY(std::filesystem::exists(dir.File("Functions.tab")));

        // The next start opens the port at once.
        prompts.texts.clear();
        CVlakomatApp next(prompts, clock, beeper);
        ModalScript none({});
        QVERIFY(next.InitInstance(QString()));
        QCOMPARE(none.shown, 0);
        QVERIFY(next.Link().IsActive());
        QVERIFY(prompts.texts.empty());
        QDir::setCurrent(oldDir);
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "test_settings_dialogs.moc"
