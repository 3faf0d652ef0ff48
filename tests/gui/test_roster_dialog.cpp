// The roster dialog on the sample tables: real widgets found by objectName, the locomotive
// and function dialogs answered while they run, message boxes through the prompts seam; and
// the dialog opened from the menu of a started program.

#include "core/roster/TableFile.h"
#include "gui/common/Controls.h"
#include "gui/roster/DlgFunction.h"
#include "gui/roster/DlgFunctionMap.h"
#include "gui/roster/DlgLoco.h"
#include "gui/roster/DlgRoster.h"
#include "support/AppRig.h"
#include "support/DialogRig.h"

#include <QPushButton>

namespace {

QList<int> LocoIds(const RosterData& data) {
    QList<int> ids;
    for (int i = 0; i < data.roster.count; ++i)
        ids.push_back(data.roster.locos[static_cast<std::size_t>(i)].Id);
    return ids;
}

QList<int> FunctionIds(const RosterData& data, int first = 4) {
    QList<int> ids;
    for (int i = 0; i < first; ++i)
        ids.push_back(data.functions.entries[static_cast<std::size_t>(i)].Id);
    return ids;
}

void AnswerLoco(const QString& name, bool ok) {
    WhenOpen<CDlgLoco>([name, ok](CDlgLoco* dialog) {
        if (!name.isEmpty())
            Type(dialog, "nameEdit", name);
        Click(dialog, ok ? "okButton" : "cancelButton");
    });
}

} // namespace

class TestRosterDialog : public QObject {
    Q_OBJECT

private slots:
    void locoIdsCopyAndDelete() {
        RosterData data = SampleData(); // Ids 1, 2, 3
        ScriptedPrompts prompts;
        CDlgRoster dialog(nullptr, data, prompts);
        dialog.show();

        // A new locomotive takes the smallest free Id and the defaults of a new record.
        AnswerLoco(QStringLiteral("Nova"), true);
        Click(&dialog, "newLocoButton");
        QCOMPARE(LocoIds(data), (QList<int>{1, 2, 3, 0}));
        const Loco& added = data.roster.locos[3];
        QCOMPARE(added.Descr, std::string("Nova"));
        QCOMPARE(added.MotorAddr, 3);
        QCOMPARE(added.Axels, 4);
        QCOMPARE(added.Power, 2500.0);
        QCOMPARE(added.Weight, 200.0);
        QCOMPARE(added.FuncFlags[1], std::uint8_t(kFuncActive | kFuncAuto)); // "Luči", status 3
        QCOMPARE(added.FuncFlags[3], std::uint8_t(kFuncAuto));               // "Hupa", status 2
        QCOMPARE(dialog.Editor().SelectedLoco(), 3);
        QVERIFY(data.RosterModified);

        // A cancelled copy leaves the roster as it was, with the original selected.
        data.RosterModified = false;
        ClickRow(&dialog, "locoList", 1);
        AnswerLoco({}, false);
        Click(&dialog, "copyLocoButton");
        QCOMPARE(LocoIds(data), (QList<int>{1, 2, 3, 0}));
        QVERIFY(!data.RosterModified);
        QCOMPARE(dialog.Editor().SelectedLoco(), 1);
        QCOMPARE(SelectedRow(Find<QTreeWidget>(&dialog, "locoList")), 1);

        // An accepted copy gets the next free Id.
        AnswerLoco(QStringLiteral("Kopija"), true);
        Click(&dialog, "copyLocoButton");
        QCOMPARE(LocoIds(data), (QList<int>{1, 2, 3, 0, 4}));
        QCOMPARE(data.roster.locos[4].MotorAddr, data.roster.locos[1].MotorAddr);

        // Deleting asks, clears the selection, and frees the Id for the next new one.
        prompts.answers = {PromptAnswer::No, PromptAnswer::Yes};
        Click(&dialog, "deleteLocoButton"); // the copy is selected; No keeps it
        QCOMPARE(data.roster.count, 5);
        ClickRow(&dialog, "locoList", 1);
        Click(&dialog, "deleteLocoButton");
        QCOMPARE(LocoIds(data), (QList<int>{1, 3, 0, 4}));
        QCOMPARE(dialog.Editor().SelectedLoco(), -1);
        QVERIFY(!OpensDialog([&] { Click(&dialog, "editLocoButton"); }));
        QCOMPARE(QString::fromStdString(prompts.texts.back()),
                 QStringLiteral("Ali res želite trajno zbrisati to lokomotivo?"));
        AnswerLoco(QStringLiteral("Še ena"), true);
        Click(&dialog, "newLocoButton");
        QCOMPARE(data.roster.locos[4].Id, 2);
    }

    void movesStopAtTheEnds_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("ids"); // locomotives, or the first four functions
        QTest::addColumn<bool>("modified");
        using V = QList<int>;
        QTest::newRow("first loco up")
            << "locoList" << 0 << "locoUpButton" << 0 << V{1, 2, 3} << false;
        QTest::newRow("last loco down")
            << "locoList" << 2 << "locoDownButton" << 2 << V{1, 2, 3} << false;
        QTest::newRow("loco down")
            << "locoList" << 0 << "locoDownButton" << 1 << V{2, 1, 3} << true;
        QTest::newRow("loco up") << "locoList" << 2 << "locoUpButton" << 1 << V{1, 3, 2} << true;
        QTest::newRow("function 1 up")
            << "functionList" << 1 << "functionUpButton" << 1 << V{0, 1, 2, 3} << false;
        QTest::newRow("function 0 down")
            << "functionList" << 0 << "functionDownButton" << 0 << V{0, 1, 2, 3} << false;
        QTest::newRow("function 1 down")
            << "functionList" << 1 << "functionDownButton" << 2 << V{0, 2, 1, 3} << true;
        QTest::newRow("last function down")
            << "functionList" << 12 << "functionDownButton" << 12 << V{0, 1, 2, 3} << false;
    }

    void movesStopAtTheEnds() {
        QFETCH(QString, list);
        QFETCH(int, row);
        QFETCH(QString, button);
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        CDlgRoster dialog(nullptr, data, prompts);
        dialog.show();
        ClickRow(&dialog, list, row);
        Click(&dialog, button);
        const bool locos = list == "locoList";
        QTEST(locos ? dialog.Editor().SelectedLoco() : dialog.Editor().SelectedFunction(),
              "selected");
        QTEST(locos ? LocoIds(data) : FunctionIds(data), "ids");
        QTEST(locos ? data.RosterModified : data.FunctionsModified, "modified");
        QCOMPARE(SelectedRow(Find<QTreeWidget>(&dialog, list)),
                 locos ? dialog.Editor().SelectedLoco() : dialog.Editor().SelectedFunction());
    }

    void deletingAFunctionResetsItsMapOnEveryLoco() {
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        CDlgRoster dialog(nullptr, data, prompts);
        dialog.show();
        // A builtin function cannot go, and is not asked about.
        ClickRow(&dialog, "functionList", 2); // "Vklop motorja"
        Click(&dialog, "deleteFunctionButton");
        QCOMPARE(data.functions.count, 13);
        QVERIFY(prompts.texts.empty());

        ClickRow(&dialog, "functionList", 3); // "Hupa", Id 3, mapped on every sample loco
        prompts.answers = {PromptAnswer::Cancel};
        Click(&dialog, "deleteFunctionButton");
        QCOMPARE(data.functions.count, 13);
        Click(&dialog, "deleteFunctionButton");
        QCOMPARE(QString::fromStdString(prompts.texts.back()),
                 QStringLiteral("Ali res želite trajno zbrisati funkcionalnost Hupa? To bo hkkrati "
                                "izbrisalo vse funkcijske mape definirane za to funkcionalnost v "
                                "vseh lokomotivah."));
        QCOMPARE(data.functions.count, 12);
        QCOMPARE(data.functions.FindById(3), -1);
        QCOMPARE(dialog.Editor().SelectedFunction(), 3); // the next one, "Zvonec"
        for (int i = 0; i < data.roster.count; ++i) {
            QCOMPARE(data.roster.locos[static_cast<std::size_t>(i)].FuncFlags[3],
                     std::uint8_t(kFuncAuto));
            QCOMPARE(data.roster.locos[static_cast<std::size_t>(i)].FuncSequences[3],
                     FunctionSequences{});
        }
        // The maps are in Roster.tab: it has to be written again as well.
        QVERIFY(data.FunctionsModified && data.RosterModified);
        QCOMPARE(Find<QTreeWidget>(&dialog, "functionList")->topLevelItemCount(), 12);
    }

    void fullTablesAreRefused_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("locos");     // roster filled up to
        QTest::addColumn<bool>("ordinary"); // ordinary functions Id 10 to 29 instead of internal
        QTest::addColumn<int>("internal");  // internal functions added (Ids from -4)
        QTest::addColumn<QString>("message");
        const QString locos = QStringLiteral(
            "Doseženo maksimalno število lokomotiv! Seznam lahko vsebuje največ 100 lokomotiv.");
        QTest::newRow("new loco") << "newLocoButton" << 100 << false << 0 << locos;
        QTest::newRow("copied loco") << "copyLocoButton" << 100 << false << 0 << locos;
        QTest::newRow("function Ids used up")
            << "newFunctionButton" << 3 << true << 0
            << QStringLiteral("Doseženo maksimalno število funkcionalnosti!");
        QTest::newRow("catalogue full of internal functions")
            << "newFunctionButton" << 3 << false << 17
            << QStringLiteral("Doseženo maksimalno število funkcionalnosti! Seznam lahko vsebuje "
                              "največ 30 funkcionalnosti.");
    }

    void fullTablesAreRefused() {
        QFETCH(QString, button);
        QFETCH(int, locos);
        QFETCH(bool, ordinary);
        QFETCH(int, internal);
        RosterData data = SampleData();
        for (int i = data.roster.count; i < locos; ++i) {
            data.roster.locos[static_cast<std::size_t>(i)] = data.roster.locos[0];
            data.roster.locos[static_cast<std::size_t>(i)].Id = 100 + i;
        }
        data.roster.count = std::max(data.roster.count, locos);
        FunctionCatalogue& catalogue = data.functions; // Ids 0 to 9, then -1 to -3
        if (ordinary) {
            catalogue.count = 10; // the internal ones make room
            for (int id = 10; id < kMaxFunctions; ++id)
                catalogue.entries[static_cast<std::size_t>(catalogue.count++)] =
                    FunctionDef{id, 0, 2, -1, "f"};
        }
        for (int i = 0; i < internal; ++i)
            catalogue.entries[static_cast<std::size_t>(catalogue.count++)] =
                FunctionDef{-4 - i, 0, 0, -1, "f"};
        QCOMPARE(catalogue.count, button == "newFunctionButton" ? 30 : 13);
        const RosterData before = data;
        ScriptedPrompts prompts;
        CDlgRoster dialog(nullptr, data, prompts);
        dialog.show();
        ClickRow(&dialog, "locoList", 0);
        QVERIFY(!OpensDialog([&] { Click(&dialog, button); }));
        QFETCH(QString, message);
        QCOMPARE(Joined(prompts.texts), message);
        QCOMPARE(data.roster.count, before.roster.count);
        QCOMPARE(data.functions.count, before.functions.count);
        QVERIFY(!data.RosterModified && !data.FunctionsModified);
    }

    void newFunctionOffersItsStatusToEveryLoco_data() {
        QTest::addColumn<QString>("statusButton");
        QTest::addColumn<int>("status"); // the catalogue's status of that choice
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("active");
        QTest::newRow("default active, yes")
            << "statusDefaultOn" << 3 << int(PromptAnswer::Yes) << true << true;
        QTest::newRow("always active, no")
            << "statusAlwaysActive" << 4 << int(PromptAnswer::No) << true << false;
        QTest::newRow("default inactive")
            << "statusDefaultOff" << 2 << int(PromptAnswer::Yes) << false << false;
    }

    void newFunctionOffersItsStatusToEveryLoco() {
        QFETCH(QString, statusButton);
        QFETCH(bool, active);
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        QFETCH(int, answer);
        prompts.answers = {static_cast<PromptAnswer>(answer)};
        CDlgRoster dialog(nullptr, data, prompts);
        dialog.show();
        WhenOpen<CDlgFunction>([statusButton](CDlgFunction* d) {
            QVERIFY(Find<QAbstractButton>(d, "statusDefaultOn")
                        ->isChecked()); // a new one: default active
            Type(d, "nameEdit", QStringLiteral("Piščalka"));
            Click(d, statusButton);
            Click(d, "okButton");
        });
        Click(&dialog, "newFunctionButton");
        QCOMPARE(data.functions.count, 14);
        const FunctionDef& added = data.functions.entries[13];
        QCOMPARE(added.Id, 10);
        QCOMPARE(added.Name, std::string("Piščalka"));
        QTEST(added.Status, "status");
        QCOMPARE(dialog.Editor().SelectedFunction(), 13);
        QTEST(!prompts.texts.empty(), "asked");
        for (int i = 0; i < data.roster.count; ++i)
            QCOMPARE((data.roster.locos[static_cast<std::size_t>(i)].FuncFlags[10] & kFuncActive) !=
                         0,
                     active);
        QVERIFY(data.FunctionsModified);
        QCOMPARE(data.RosterModified, active);
    }

    void rowsShowDecoderNamesAndKeys() {
        RosterData data = SampleData();
        data.roster.locos[2].SoundDecoder = 25; // only 4 types
        ScriptedPrompts prompts;
        CDlgRoster dialog(nullptr, data, prompts);
        QTreeWidget* locos = Find<QTreeWidget>(&dialog, "locoList");
        QTreeWidget* functions = Find<QTreeWidget>(&dialog, "functionList");
        auto row = [](QTreeWidget* list, int r) {
            QStringList texts;
            for (int c = 0; c < list->columnCount(); ++c)
                texts << list->topLevelItem(r)->text(c);
            return texts.join(QLatin1Char('|'));
        };
        QCOMPARE(
            row(locos, 1),
            QStringLiteral("SŽ 363-011 Brigitte|363|Ločen zvočni dekoder, nivo kot hitrost|1363"));
        QCOMPARE(row(locos, 0),
                 QStringLiteral("SŽ 664-101|664|Zvok na naslovu motorja, stopenjsko|---"));
        QCOMPARE(row(locos, 2), QStringLiteral("SŽ 732-105|732|???|---"));
        QCOMPARE(row(functions, 3), QStringLiteral("Hupa|Brez|F2"));
        QCOMPARE(row(functions, 7), QStringLiteral("Kompresor|Zvok kompresorja|---"));
        QCOMPARE(row(functions, 10), QStringLiteral("Število vagonov|Spremeni število vagonov|F9"));
    }

    // The menu of a started program opens the dialog modally; a new locomotive with a function
    // map entry goes into the program's roster, is saved when the program closes and the
    // operator agrees, and is there with its map when the program starts again.
    void menuAddsALocoWithAMapEntry() {
        AppRig rig;
        QVERIFY(rig.started);
        bool mapShown = false;
        WhenOpen<CDlgRoster>([&](CDlgRoster* roster) {
            WhenOpen<CDlgLoco>([&](CDlgLoco* loco) {
                // As pasted: a tab is written as a blank.
                Find<QLineEdit>(loco, "nameEdit")->setText(QStringLiteral("SŽ 342-008\tnova"));
                Type(loco, "motorAddressEdit", QStringLiteral("342"));
                WhenOpen<CDlgFunctionMap>([&](CDlgFunctionMap* map) {
                    mapShown = true;
                    Click(map, "activeCheck"); // "Aktivna:"
                    Type(map, "sequenceOnEdit", QStringLiteral("m7+,s2f"));
                    Click(map, "okButton");
                });
                ClickRow(loco, "functionMapList", 3, true); // "Hupa", Id 3
                QCOMPARE(Find<QTreeWidget>(loco, "functionMapList")->topLevelItem(3)->text(4),
                         QStringLiteral("M7+,S2F"));
                Click(loco, "okButton");
            });
            Click(roster, "newLocoButton");
            Click(roster, "closeButton");
        });
        rig.Frame().Action(QStringLiteral("actionRoster"))->trigger();
        QVERIFY(mapShown);
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        RosterData& data = rig.app->Data();
        QCOMPARE(data.roster.count, 4);
        const Loco entered = data.roster.locos[3];
        QCOMPARE(entered.Descr, std::string("SŽ 342-008 nova"));
        QCOMPARE(entered.MotorAddr, 342);
        QCOMPARE(entered.FuncFlags[3], std::uint8_t(kFuncActive | kFuncAuto));
        QCOMPARE(QString::fromStdString(FormatSequence(entered.FuncSequences[3], kSequenceOff)),
                 QStringLiteral("M7-,S2-"));
        QVERIFY(data.RosterModified);

        // Closing asks whether to save; "Da" writes the tables.
        bool asked = false;
        WhenOpen<QDialog>([&](QDialog* save) {
            asked = save->objectName() == QStringLiteral("DlgSave");
            QTest::mouseClick(save->findChild<QPushButton*>(QStringLiteral("yesButton")),
                              Qt::LeftButton);
        });
        QVERIFY(rig.Frame().close());
        QVERIFY(asked);
        QVERIFY(!data.RosterModified);
        rig.app->ExitInstance(0);

        // A second start in the same folder reads it back as entered, without a message.
        rig.app.reset();
        rig.prompts.texts.clear();
        rig.app = std::make_unique<CVlakomatApp>(rig.prompts, rig.clock, rig.beeper);
        QVERIFY(rig.app->InitInstance(QString()));
        QCOMPARE(rig.Messages(), QString());
        QCOMPARE(rig.app->Data().roster.count, 4);
        QVERIFY(rig.app->Data().roster.locos[3] == entered);
    }
};

QTEST_MAIN(TestRosterDialog)
#include "test_roster_dialog.moc"
