// The layout panel in the started program: real clicks on the view, the turnout dialog,
// switch requests as the simulated command station receives them, and the file commands
// with their question about unsaved work.

#include "core/layout/VlkFile.h"
#include "gui/layout/DlgTurnout.h"
#include "gui/layout/LayoutFiles.h"
#include "gui/layout/VlakomatView.h"
#include "support/AppRig.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace {

// Answers the file dialogs with names set by the test.
class ScriptedFileDialogs : public FileDialogs {
public:
    QString OpenFileName(QWidget*) override { return open; }
    QString SaveFileName(QWidget*, const QString& suggested) override {
        suggestions << suggested;
        return save;
    }
    QString open;
    QString save;
    QStringList suggestions;
};

struct LayoutRig : AppRig {
    LayoutRig() { Files().SetFileDialogs(&dialogs); }
    ~LayoutRig() { Files().SetFileDialogs(nullptr); }

    CLayoutFiles& Files() const { return Frame().Layout(); }
    CVlakomatDoc& Doc() const { return Files().Doc(); }
    CVlakomatView& View() const { return Frame().View(); }
    QString Status() const { return Frame().statusBar()->currentMessage(); }
    QString Text() const { return QString::fromStdString(FormatVlk(Doc().Elements())); }

    void Command(int id) const { View().Command(id)->trigger(); }
    void ClickCell(int column, int row) const {
        const int cs = View().Panel().CellSize();
        QTest::mouseClick(View().viewport(), Qt::LeftButton, {},
                          QPoint(column * cs + cs / 2, row * cs + cs / 2));
    }
    void Wheel(int delta) const {
        const QPoint at(52, 52);
        QWheelEvent event(at, View().viewport()->mapToGlobal(at), {}, QPoint(0, delta),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View().viewport(), &event);
    }
    // The switch requests the station received, as "B0 00 10" texts.
    QStringList Requests() {
        Pump();
        QStringList out;
        for (const Bytes& b : Take(0xB0))
            out << QString::asprintf("%02X %02X %02X", b[0], b[1], b[2]);
        return out;
    }

    ScriptedFileDialogs dialogs;
};

// Runs `fill` on the turnout dialog once it is open, then presses OK or Cancel.
void AnswerTurnoutDialog(const std::function<void(CDlgTurnout*)>& fill, bool ok = true) {
    QTimer::singleShot(0, [fill, ok] {
        auto* dialog = qobject_cast<CDlgTurnout*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(dialog);
        ok ? dialog->accept() : dialog->reject();
        if (dialog->isVisible())
            dialog->reject(); // refused input: the test has seen the message
    });
}

void SetAddress(CDlgTurnout* dialog, int output, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("address%1Edit").arg(output));
    QVERIFY(edit && edit->isEnabled());
    edit->setText(text);
}

} // namespace

class TestLayoutView : public QObject {
    Q_OBJECT

private slots:
    void clickSelectsTheCellUnderThePointer() {
        LayoutRig rig;
        QTest::mouseClick(rig.View().viewport(), Qt::LeftButton, {}, QPoint(45, 65));
        QCOMPARE(rig.Status(), QStringLiteral("Stolpec 2, vrstica 3"));
        QCOMPARE(rig.View().Panel().SelectedColumn(), 2);
        QCOMPARE(rig.View().Panel().SelectedRow(), 3);
        QCOMPARE(rig.Doc().Count(), 0); // operating an empty cell does nothing
    }

    void editing_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("text");
        // Steps: a command id, or "c,r" for a click on that cell.
        const QString place = QString::number(PanelCommand::kPlaceFirst);
        const QString turnout = QString::number(PanelCommand::kPlaceFirst + 3);
        const QString left = QString::number(PanelCommand::kRotateLeft);
        const QString right = QString::number(PanelCommand::kRotateRight);
        const QString subtype = QString::number(PanelCommand::kNextSubtype);
        const QString erase = QString::number(PanelCommand::kDelete);
        const QString operate = QString::number(PanelCommand::kOperate);
        QTest::newRow("place track") << QStringList{place, "2,3"} << "3,2,0|0,0\r\n";
        QTest::newRow("occupied cell adds nothing")
            << QStringList{place, "2,3", turnout, "2,3"} << "3,2,0|0,0\r\n";
        QTest::newRow("rotate left wraps to 7")
            << QStringList{place, "1,1", left} << "1,1,7|0,0\r\n";
        QTest::newRow("rotate right twice")
            << QStringList{place, "1,1", right, right} << "1,1,2|0,0\r\n";
        QTest::newRow("rotating an empty cell changes nothing")
            << QStringList{place, "1,1", operate, "4,4", right} << "1,1,0|0,0\r\n";
        QTest::newRow("turnout subtype")
            << QStringList{turnout, "5,6", subtype} << "6,5,0|3,1|Ta0,0,1;\r\n";
        QTest::newRow("subtype wraps")
            << QStringList{place, "0,0", subtype, subtype} << "0,0,0|0,0\r\n";
        QTest::newRow("delete") << QStringList{place, "1,1", place, "2,1", erase, "1,1"}
                                << "1,2,0|0,0\r\n";
    }

    void editing() {
        QFETCH(QStringList, steps);
        QFETCH(QString, text);
        LayoutRig rig;
        for (const QString& step : steps) {
            if (step.contains(QLatin1Char(',')))
                rig.ClickCell(step.section(',', 0, 0).toInt(), step.section(',', 1, 1).toInt());
            else
                rig.Command(step.toInt());
        }
        QCOMPARE(rig.Text(), text);
        QVERIFY(rig.Doc().IsModified());
        QVERIFY(rig.Frame().isWindowModified());
    }

    void operatingATurnoutSendsItsSwitchRequests() {
        LayoutRig rig;
        rig.Command(PanelCommand::kPlaceFirst + ElementType::kTurnout);
        rig.ClickCell(4, 4);
        // The dialog shows the defaults and takes address 1.
        rig.Command(PanelCommand::kEditTurnout);
        AnswerTurnoutDialog([](CDlgTurnout* dialog) {
            auto radio = [dialog](const char* name) {
                return dialog->findChild<QRadioButton*>(QString::fromLatin1(name));
            };
            QVERIFY(radio("output1Position0C")->isChecked());
            QVERIFY(radio("output1Position1T")->isChecked());
            QVERIFY(!radio("output2Position0C")->isEnabled());
            SetAddress(dialog, 1, QStringLiteral("1"));
        });
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Doc().Element(0).turnout->output[0].address, 1);

        rig.Command(PanelCommand::kOperate);
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Requests(), QStringList{"B0 00 10"});
        QCOMPARE(rig.Doc().Element(0).turnout->current, 1);
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Requests(), QStringList{"B0 00 30"});
        QCOMPARE(rig.Doc().Element(0).turnout->current, 0);
        // With the link closed nothing is sent and the drawing stays as the layout is, so
        // the next click after reconnecting sends what the operator sees coming.
        rig.Link().Close();
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Status(), QStringLiteral("Stolpec 4, vrstica 4; kretnica 1; povezava LocoNet "
                                              "ni odprta, ni poslano"));
        QVERIFY(rig.Link().Queue().Empty());
        QCOMPARE(rig.Doc().Element(0).turnout->current, 0);
        QVERIFY(rig.app->OpenLink());
        rig.WatchStation();
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Requests(), QStringList{"B0 00 10"});
        QCOMPARE(rig.Doc().Element(0).turnout->current, 1);

        // Cancel keeps the turnout; a refused address keeps the dialog open; address 0
        // (no address yet) sends nothing, says so, and leaves the drawing.
        rig.Command(PanelCommand::kEditTurnout);
        AnswerTurnoutDialog([](CDlgTurnout* d) { SetAddress(d, 1, QStringLiteral("7")); }, false);
        rig.ClickCell(4, 4);
        AnswerTurnoutDialog([](CDlgTurnout* d) { SetAddress(d, 1, QStringLiteral("5000")); });
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Doc().Element(0).turnout->output[0].address, 1);
        QCOMPARE(rig.Messages(), QStringLiteral("Vnesite celo število med 0 in 2048."));
        AnswerTurnoutDialog([](CDlgTurnout* d) { SetAddress(d, 1, QStringLiteral("0")); });
        rig.ClickCell(4, 4);
        rig.Command(PanelCommand::kOperate);
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Requests(), QStringList());
        QCOMPARE(
            rig.Status(),
            QStringLiteral("Stolpec 4, vrstica 4; kretnica 0; izhod 1 nima naslova, ni poslano"));
        QCOMPARE(rig.Doc().Element(0).turnout->current, 1);
        rig.Command(PanelCommand::kPlaceFirst);
        rig.ClickCell(4, 4);
        QCOMPARE(rig.Status(),
                 QStringLiteral("Stolpec 4, vrstica 4; kretnica 0; celica je zasedena, "
                                "element ni dodan (najprej ga izbrišite)"));
    }

    void threeWayTurnoutSendsTwoRequestsPerClick() {
        LayoutRig rig;
        rig.dir.Write("tri.vlk", "4,9,0|4,0|Ta20,0,0,1;a21,1,0,2;\r\n");
        QVERIFY(rig.Files().OpenDocumentFile(QString::fromStdString(rig.dir.File("tri.vlk"))));
        rig.ClickCell(9, 4);
        QCOMPARE(rig.Requests(), (QStringList{"B0 13 30", "B0 14 30"}));
        rig.ClickCell(9, 4);
        QCOMPARE(rig.Requests(), QStringList{"B0 13 10"}); // N: the second output rests
        rig.ClickCell(9, 4);
        QCOMPARE(rig.Requests(), (QStringList{"B0 13 30", "B0 14 10"}));
    }

    void wheelZoomsButNeverBelowTen() {
        LayoutRig rig;
        for (int i = 0; i < 15; ++i)
            rig.Wheel(-120);
        QCOMPARE(rig.View().Panel().CellSize(), LayoutPanel::kMinCellSize);
        rig.Wheel(60);
        rig.Wheel(60); // half notches add up
        QCOMPARE(rig.View().Panel().CellSize(), 11);
        // The cell under the mouse stays under it.
        QTest::mouseClick(rig.View().viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(rig.Status(), QStringLiteral("Stolpec 5, vrstica 5"));
    }

    void unsavedWorkIsAskedAbout() {
        LayoutRig rig;
        rig.Command(PanelCommand::kPlaceFirst);
        rig.ClickCell(1, 1);
        const std::string question = "Ali želite shraniti spremembe v Brez naslova?";

        rig.prompts.answers = {PromptAnswer::Cancel};
        QVERIFY(!rig.Files().OnFileNew());
        QCOMPARE(rig.Doc().Count(), 1);
        rig.prompts.answers = {PromptAnswer::Cancel};
        rig.Frame().close(); // the window stays with the work in it
        QVERIFY(rig.Frame().isVisible());
        QCOMPARE(rig.prompts.texts, (std::vector<std::string>{question, question}));

        // Yes saves under a chosen name, with .vlk added; the title follows.
        rig.prompts.texts.clear();
        rig.dialogs.save = QString::fromStdString(rig.dir.File("nova"));
        QVERIFY(rig.Files().OnFileNew());
        QCOMPARE(rig.dialogs.suggestions, QStringList{"Brez naslova.vlk"});
        QCOMPARE(rig.prompts.texts, (std::vector<std::string>{question, "Serialize"}));
        QCOMPARE(rig.dir.Read("nova.vlk"), std::string("1,1,0|0,0\r\n"));
        QCOMPARE(rig.Doc().Count(), 0);
        QCOMPARE(rig.Frame().windowTitle(), QStringLiteral("Brez naslova[*] - Vlakomat"));
        QCOMPARE(QString::fromStdString(rig.app->Settings().RecentFiles[0]),
                 QString::fromStdString(rig.dir.File("nova.vlk")));

        // No drops the work; an unmodified layout is not asked about.
        rig.Command(PanelCommand::kPlaceFirst);
        rig.ClickCell(2, 2);
        rig.prompts.texts.clear();
        rig.prompts.answers = {PromptAnswer::No};
        rig.dialogs.open = QString::fromStdString(rig.dir.File("nova.vlk"));
        QVERIFY(rig.Files().OnFileOpen());
        QCOMPARE(rig.Text(), QStringLiteral("1,1,0|0,0\r\n"));
        QCOMPARE(rig.Frame().windowTitle(), QStringLiteral("nova.vlk[*] - Vlakomat"));
        QVERIFY(!rig.Frame().isWindowModified());
        rig.Frame().close();
        QVERIFY(!rig.Frame().isVisible());
        QCOMPARE(rig.prompts.texts, (std::vector<std::string>{question, "Serialize"}));
    }

    void detectorIsPlacedAndGivenItsAddress() {
        LayoutRig rig;
        rig.Command(PanelCommand::kPlaceDetector);
        rig.ClickCell(3, 2);
        rig.Command(PanelCommand::kNextSubtype);
        rig.Command(PanelCommand::kEditTurnout);
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CDlgDetector*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("sensorEdit"))->setText("17");
            dialog->accept();
        });
        rig.ClickCell(3, 2);
        QCOMPARE(rig.Text(), QStringLiteral("2,3,0|5,1|S17\r\n"));
        QCOMPARE(rig.Status(), QStringLiteral("Stolpec 3, vrstica 2; detektor zasedenosti 17"));
        // The addresses on the panel come and go with the menu command.
        QAction* addresses = rig.Frame().Action(QStringLiteral("actionShowAddresses"));
        const QImage without = rig.View().Snapshot(QSize(100, 60), 1);
        addresses->trigger();
        QVERIFY(rig.View().Snapshot(QSize(100, 60), 1) != without);
        addresses->trigger();
        QCOMPARE(rig.View().Snapshot(QSize(100, 60), 1), without);
    }

    void aFileThatIsNoLayoutLeavesTheOpenOne() {
        LayoutRig rig;
        rig.dir.Write("Postaja.vlk", "2,7,0|0,0\r\n");
        rig.dir.Write("pismo.vlk", "Hello, this is not a layout");
        QVERIFY(rig.Files().OpenDocumentFile(QString::fromStdString(rig.dir.File("Postaja.vlk"))));
        rig.prompts.texts.clear();
        const QString letter = QString::fromStdString(rig.dir.File("pismo.vlk"));
        QVERIFY(!rig.Files().OpenDocumentFile(letter));
        QCOMPARE(rig.Messages(),
                 "Napaka! Datoteka '" + letter + "' ni maketa (.vlk) in ni odprta!");
        QCOMPARE(rig.Text(), QStringLiteral("2,7,0|0,0\r\n"));
        QCOMPARE(rig.Frame().windowTitle(), QStringLiteral("Postaja.vlk[*] - Vlakomat"));
    }

    void theLastLayoutOpensAtStart_data() {
        QTest::addColumn<QString>("preference");
        QTest::addColumn<int>("elements");
        QTest::newRow("on by default") << QString() << 1;
        QTest::newRow("off") << QStringLiteral("Open Last Layout=0\n") << 0;
    }

    void theLastLayoutOpensAtStart() {
        QFETCH(QString, preference);
        QFETCH(int, elements);
        TempDir layouts;
        layouts.Write("zadnja.vlk", "2,7,0|0,0\r\n");
        AppRig rig(AppRig::Ini{"[LOCONET]\nCOM Port=sim\n[PREFERENCES]\nFirst Run=0\n" +
                               preference.toStdString() +
                               "[Recent File List]\nFile1=" + layouts.File("zadnja.vlk") + "\n"});
        QCOMPARE(rig.Frame().Layout().Doc().Count(), elements);
        QCOMPARE(rig.app->Settings().settings.OpenLastLayout, elements);
    }

    void droppedAndRecentFilesOpen() {
        LayoutRig rig;
        rig.dir.Write("Postaja.vlk", "2,7,0|0,0\r\n");
        const QString path = QString::fromStdString(rig.dir.File("Postaja.vlk"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&rig.Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&rig.Frame(), &drop);
        QCOMPARE(rig.Text(), QStringLiteral("2,7,0|0,0\r\n"));
        QCOMPARE(rig.Frame().windowTitle(), QStringLiteral("Postaja.vlk[*] - Vlakomat"));

        // The recent list offers it; once gone, it says so and drops out of the list.
        QMenu* recent = rig.Frame().findChild<QMenu*>(QStringLiteral("menuRecent"));
        QCOMPARE(recent->actions().size(), 1);
        QCOMPARE(recent->actions()[0]->text(), QStringLiteral("&1 Postaja.vlk"));
        std::filesystem::remove(path.toStdString());
        rig.prompts.texts.clear();
        recent->actions()[0]->trigger();
        QCOMPARE(rig.Messages(), "Napaka! Datoteke '" + path + "' ni mogoče odpreti!");
        QCOMPARE(rig.app->Settings().RecentFiles[0], std::string());
        QCOMPARE(rig.Text(), QStringLiteral("2,7,0|0,0\r\n")); // what was open stays
    }
};

QTEST_MAIN(TestLayoutView)
#include "test_layout_view.moc"
