// The locomotive, function and function map dialogs on the sample tables: real widgets found
// by objectName, the message boxes answered through the prompts seam.

#include "gui/roster/DlgFunction.h"
#include "gui/roster/DlgFunctionMap.h"
#include "gui/roster/DlgLoco.h"
#include "support/DialogRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace {

// Sample locos: 0 "SŽ 664-101" sound type 1 (keys, own values), 1 "SŽ 363-011 Brigitte"
// type 2 (speed table 0,14,...,126, decoder defaults), 2 "SŽ 732-105" type 0 (no sound).
struct LocoRig {
    explicit LocoRig(int loco)
        : dialog(nullptr, data.decoders, data.functions, prompts, Record(data, loco)) {
        dialog.show();
    }
    static Loco Record(const RosterData& data, int index) {
        return index < 0 ? LocoEditor::NewLoco(data.functions)
                         : data.roster.locos[static_cast<std::size_t>(index)];
    }
    bool Shown(const QString& name) const { return Find(&dialog, name)->isVisibleTo(&dialog); }
    void ChooseDecoder(int type) {
        auto* combo = Find<QComboBox>(&dialog, "decoderCombo");
        combo->setCurrentIndex(type);
        emit combo->activated(type);
    }

    RosterData data = SampleData();
    ScriptedPrompts prompts;
    CDlgLoco dialog;
};

QString Sequence(const FunctionSequences& s, int index) {
    return QString::fromStdString(FormatSequence(s, index));
}

} // namespace

class TestLocoDialogs : public QObject {
    Q_OBJECT

private slots:
    void fieldChecks_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("address above 9983") << "motorAddressEdit"
                                            << "10000"
                                            << "Vnesite celo število med 0 in 9983.";
        QTest::newRow("sound address letters") << "soundAddressEdit"
                                               << "12a"
                                               << "Vnesite celo število.";
        QTest::newRow("empty axles") << "axlesEdit"
                                     << ""
                                     << "Vnesite celo število.";
        QTest::newRow("weight in words") << "weightEdit"
                                         << "dvesto"
                                         << "Vnesite število.";
        QTest::newRow("weight not a number") << "weightEdit"
                                             << "nan"
                                             << "Vnesite število.";
        QTest::newRow("negative power") << "powerEdit"
                                        << "-5"
                                        << "Vnesite število med 0 in 99999.";
        QTest::newRow("sound key above 8") << "soundUpKeyEdit"
                                           << "9"
                                           << "Vnesite celo število med 0 in 8.";
        QTest::newRow("name of blanks") << "nameEdit"
                                        << "   "
                                        << "Lokomotiva mora imeti ime!";
        QTest::newRow("speed of 200") << "speedTableEdit"
                                      << "5,200"
                                      << "Vnesite celo število med 0 in 126.";
        QTest::newRow("speed in letters") << "speedTableEdit"
                                          << "abc"
                                          << "Vnesite celo število.";
    }

    void fieldChecks() {
        QFETCH(QString, field);
        LocoRig rig(field == "speedTableEdit" ? 1 : 0);
        if (field == "speedTableEdit")
            Click(&rig.dialog, "decoderDefaultsCheck"); // own values: the speed table can be typed
        const Loco before = rig.dialog.Record();
        QFETCH(QString, typed);
        Type(&rig.dialog, field, typed);
        Click(&rig.dialog, "okButton");
        QTEST(Joined(rig.prompts.texts), "message");
        QVERIFY(rig.dialog.isVisible());
        QCOMPARE(rig.dialog.focusWidget(), Find(&rig.dialog, field));
        QVERIFY(rig.dialog.Record() == before);
    }

    void acceptedFieldsAreStored() {
        LocoRig rig(2); // no sound: the hidden sound fields keep the record's values
        Type(&rig.dialog, "weightEdit", QStringLiteral(" 812.6 "));
        Type(&rig.dialog, "powerEdit", QStringLiteral("+1500"));
        Type(&rig.dialog, "dynBrakeDelayEdit", QStringLiteral("2500"));
        Click(&rig.dialog, "brakeTypeTrain");
        Click(&rig.dialog, "okButton");
        QVERIFY(rig.prompts.texts.empty());
        QCOMPARE(rig.dialog.result(), int(QDialog::Accepted));
        const Loco& l = rig.dialog.Record();
        QCOMPARE(l.Weight, 813.0); // whole numbers, as Roster.tab keeps them
        QCOMPARE(l.Power, 1500.0);
        QCOMPARE(l.DynBrakeDelay, 2500);
        QCOMPARE(l.InitialBrakeType, 0);
        const Loco& stored = rig.data.roster.locos[2];
        QCOMPARE(l.SoundAddr, stored.SoundAddr);
        QCOMPARE(l.DynBrakePowerStep, stored.DynBrakePowerStep);
        QCOMPARE(l.FuncSequences, stored.FuncSequences);
    }

    void speedTableText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // when the record is opened again
        QTest::addColumn<QString>("message");
        QTest::newRow("blank after a comma") << "10, 20,30"
                                             << "10,20,30,30,30,30,30,30,30,30"
                                             << "";
        QTest::newRow("twelve values") << "1,2,3,4,5,6,7,8,9,10,11,12"
                                       << "1,2,3,4,5,6,7,8,9,10"
                                       << "";
        QTest::newRow("stops at an empty value") << "7,,9"
                                                 << "7,7,7,7,7,7,7,7,7,7"
                                                 << "";
        QTest::newRow("no value")
            << ",5"
            << "0,14,28,42,56,70,84,98,112,126"
            << "Tabela hitrosti ne vsebuje nobene vrednosti, zato ostane nespremenjena.";
    }

    void speedTableText() {
        LocoRig rig(1);
        QVERIFY(!Find(&rig.dialog, "speedTableEdit")->isEnabled()); // the decoder's own values
        Click(&rig.dialog, "decoderDefaultsCheck");
        QVERIFY(Find(&rig.dialog, "speedTableEdit")->isEnabled());
        QFETCH(QString, typed);
        Type(&rig.dialog, "speedTableEdit", typed);
        Click(&rig.dialog, "okButton");
        QTEST(Joined(rig.prompts.texts), "message");
        QCOMPARE(rig.dialog.result(), int(QDialog::Accepted));
        CDlgLoco again(nullptr, rig.data.decoders, rig.data.functions, rig.prompts,
                       rig.dialog.Record());
        QTEST(Text(&again, "speedTableEdit"), "shown");
    }

    void soundControlsFollowTheDecoderType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("defaults"); // "Privzeto:" shown, and the sound fields
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("keys");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("keyTexts"); // up / down as the decoder's defaults give them
        QTest::newRow("no sound") << 0 << false << false << false << "Tabela hitrosti:"
                                  << "0/0";
        QTest::newRow("motor address, stepped") << 1 << true << false << true << "Funkciji:"
                                                << "5/6";
        QTest::newRow("separate, speed level") << 2 << true << true << false << "Tabela hitrosti:"
                                               << "0/0";
        QTest::newRow("separate, stepped") << 3 << true << false << true << "Funkciji:"
                                           << "3/4";
    }

    void soundControlsFollowTheDecoderType() {
        QFETCH(bool, defaults);
        LocoRig rig(-1); // a new locomotive takes its decoder's defaults
        QFETCH(int, type);
        rig.ChooseDecoder(type);
        for (const char* name : {"decoderDefaultsCheck", "soundAddressEdit", "soundAddressLabel",
                                 "dynBrakeLevelEdit", "dynBrakeLevelLabel", "compressorLevelEdit",
                                 "compressorLevelLabel", "speedTableLabel"})
            QCOMPARE(rig.Shown(name), defaults);
        QCOMPARE(rig.dialog.findChild<QLabel*>(QStringLiteral("defaultsLabel"))
                     ->isVisibleTo(&rig.dialog),
                 defaults);
        QTEST(rig.Shown("speedTableEdit"), "table");
        QFETCH(bool, keys);
        for (const char* name : {"soundUpKeyEdit", "soundKeysSlashLabel", "soundDownKeyEdit"})
            QCOMPARE(rig.Shown(name), keys);
        QTEST(Find<QLabel>(&rig.dialog, "speedTableLabel")->text(), "label");
        QTEST(Text(&rig.dialog, "soundUpKeyEdit") + "/" + Text(&rig.dialog, "soundDownKeyEdit"),
              "keyTexts");
        QVERIFY(!Find(&rig.dialog, "soundUpKeyEdit")->isEnabled());
        QVERIFY(rig.prompts.texts.empty());
    }

    void unknownDecoderTypeIsToldOnceAndShowsTypeZero() {
        RosterData data = SampleData();
        Loco loco = data.roster.locos[0];
        loco.SoundDecoder = 9;
        ScriptedPrompts prompts;
        CDlgLoco dialog(nullptr, data.decoders, data.functions, prompts, loco);
        QCOMPARE(Joined(prompts.texts),
                 QStringLiteral("Fatalna Napaka! Izbrani tip zvočnega dekoderja ne obstaja!"));
        QCOMPARE(Find<QComboBox>(&dialog, "decoderCombo")->currentIndex(), 0);
        QCOMPARE(dialog.Record().SoundDecoder, 0);
    }

    void advancedHidesTheMapWithoutChangingIt() {
        LocoRig rig(0);
        QVERIFY(rig.Shown("functionMapList")); // the sample loco 0 is advanced
        QTreeWidget* map = Find<QTreeWidget>(&rig.dialog, "functionMapList");
        QCOMPARE(map->topLevelItemCount(), 10); // hidden and internal functions are not listed
        QCOMPARE(map->topLevelItem(9)->text(4), QStringLiteral("M10+,M0-"));
        QCOMPARE(map->topLevelItem(9)->text(5), QStringLiteral("M10-,M0+"));
        QCOMPARE(map->topLevelItem(3)->text(5), QStringLiteral("Auto"));
        Click(&rig.dialog, "advancedCheck");
        QVERIFY(!rig.Shown("functionMapList"));
        Click(&rig.dialog, "okButton");
        QCOMPARE(rig.dialog.Record().Advanced, 0);
        QCOMPARE(rig.dialog.Record().FuncFlags, rig.data.roster.locos[0].FuncFlags);
    }

    void functionDialogOffersWhatTheEntryAllows_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QStringList>("choices"); // the enabled status buttons
        QTest::addColumn<bool>("keyList");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("keys");
        using L = QStringList;
        QTest::newRow("default state") << 0 << L{} << false << "Izhodna funkcija"
                                       << "brez F7 F8 F12";
        QTest::newRow("horn, F2") << 3
                                  << L{"statusHidden", "statusDisabled", "statusDefaultOff",
                                       "statusDefaultOn", "statusAlwaysActive"}
                                  << true << "Vhodno-izhodna funkcija"
                                  << "brez F2 F7 F8 F12";
        QTest::newRow("compressor") << 7
                                    << L{"statusHidden", "statusDisabled", "statusDefaultOff",
                                         "statusDefaultOn", "statusAlwaysActive"}
                                    << false << "Izhodna funkcija"
                                    << "brez F7 F8 F12";
        QTest::newRow("number of cars, internal")
            << 10 << L{"statusInternal"} << true << "Vhodna funkcija"
            << "brez F7 F8 F9 F12";
    }

    void functionDialogOffersWhatTheEntryAllows() {
        QFETCH(int, entry);
        QFETCH(QStringList, choices);
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        const FunctionDef& f = data.functions.entries[static_cast<std::size_t>(entry)];
        CDlgFunction dialog(nullptr, data.functions, FunctionEdit::Of(f), prompts);
        for (const char* name : {"statusInternal", "statusHidden", "statusDisabled",
                                 "statusDefaultOff", "statusDefaultOn", "statusAlwaysActive"})
            QCOMPARE(Find(&dialog, name)->isEnabled(), choices.contains(name));
        auto* keys = Find<QComboBox>(&dialog, "keyCombo");
        QTEST(keys->isEnabled(), "keyList");
        QTEST(Find<QLabel>(&dialog, "directionLabel")->text(), "direction");
        QStringList offered;
        for (int i = 0; i < keys->count(); ++i)
            offered << keys->itemText(i);
        QTEST(offered.join(QLatin1Char(' ')), "keys");
        QCOMPARE(keys->currentText(), f.Fkey >= 0 ? QStringLiteral("F%1").arg(f.Fkey) : "brez");
    }

    void functionDialogStoresNameStatusAndKey() {
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        CDlgFunction dialog(nullptr, data.functions, FunctionEdit::Of(data.functions.entries[3]),
                            prompts);
        dialog.show();
        Type(&dialog, "nameEdit", QStringLiteral(" "));
        Click(&dialog, "okButton");
        QCOMPARE(Joined(prompts.texts), QStringLiteral("Funkcionalnost mora imeti ime!"));
        QVERIFY(dialog.isVisible());
        Type(&dialog, "nameEdit", QStringLiteral("Hupa dolga"));
        Find<QComboBox>(&dialog, "keyCombo")->setCurrentIndex(0); // "brez"
        Click(&dialog, "statusAlwaysActive");
        Click(&dialog, "okButton");
        const FunctionDef stored = dialog.Edit().Applied();
        QCOMPARE(stored.Name, std::string("Hupa dolga"));
        QCOMPARE(stored.Fkey, -1);
        QCOMPARE(stored.Status, 4);
        QCOMPARE(stored.Id, 3);
    }

    void sequenceIsCheckedWhenTheEditIsLeft_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::addColumn<bool>("editAgain");
        QTest::addColumn<QString>("message");
        QTest::newRow("small letters") << "m1+,s2f" << int(PromptAnswer::Ok) << "M1+,S2F"
                                       << "M1-,S2-" << false << "";
        const QString fault = QStringLiteral(
            "Napaka v ukazu 2: Napačna oznaka dekoderja 'X'! Ali želite popraviti podatke?");
        QTest::newRow("fault, mend it") << "M1+,X2+" << int(PromptAnswer::Ok) << "M1+,X2+"
                                        << "M2-" << true << fault;
        QTest::newRow("fault, go back") << "M1+,X2+" << int(PromptAnswer::Cancel) << "M2+"
                                        << "M2-" << false << fault;
    }

    void sequenceIsCheckedWhenTheEditIsLeft() {
        QFETCH(int, answer);
        QFETCH(bool, editAgain);
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        prompts.answers = {static_cast<PromptAnswer>(answer)};
        const Loco& loco = data.roster.locos[0]; // "Hupa", Id 3: active, auto, M2+ | M2-
        CDlgFunctionMap dialog(nullptr,
                               FunctionMapEditor(data.functions.entries[3], loco.FuncFlags[3],
                                                 loco.FuncSequences[3], prompts));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QFETCH(QString, typed);
        Type(&dialog, "sequenceOnEdit", typed);
        QTest::keyClick(Find(&dialog, "sequenceOnEdit"), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QTEST(Text(&dialog, "sequenceOnEdit"), "on");
        QTEST(Text(&dialog, "sequenceOffEdit"), "off");
        QTEST(Joined(prompts.texts), "message");
        QCOMPARE(dialog.focusWidget() == Find(&dialog, "sequenceOnEdit"), editAgain);
        if (editAgain)
            return;
        // OK stores the sequences that the edits show, a reverted one included.
        Click(&dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Sequence(dialog.Editor().Sequences(), kSequenceOn),
                 Text(&dialog, "sequenceOnEdit"));
        QCOMPARE(Sequence(dialog.Editor().Sequences(), kSequenceOff),
                 Text(&dialog, "sequenceOffEdit"));
    }

    void cancelAsksNothingAboutTheSequence() {
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        CDlgFunctionMap dialog(nullptr, FunctionMapEditor(data.functions.entries[3], kFuncActive,
                                                          FunctionSequences{}, prompts));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Type(&dialog, "sequenceOnEdit", QStringLiteral("X1+"));
        // As the window system delivers a click: the press moves the focus, events run, and
        // only then comes the release.
        QWidget* cancel = Find(&dialog, "cancelButton");
        QTest::mousePress(cancel, Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::mouseRelease(cancel, Qt::LeftButton);
        QVERIFY(prompts.texts.empty());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void autoMirrorsAndLocksTheSwitchOffSequence() {
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        FunctionSequences sequences;
        ParseSequenceText("M1+,M2-,S3F,S4B", kSequenceOn, sequences, false);
        ParseSequenceText("M9+", kSequenceOff, sequences, false);
        CDlgFunctionMap dialog(
            nullptr, FunctionMapEditor(data.functions.entries[3], kFuncActive, sequences, prompts));
        auto* off = Find<QLineEdit>(&dialog, "sequenceOffEdit");
        QCOMPARE(off->text(), QStringLiteral("M9+"));
        QVERIFY(!off->isReadOnly());
        Click(&dialog, "autoCheck");
        QCOMPARE(off->text(), QStringLiteral("M1-,M2+,S3-,S4-"));
        QVERIFY(off->isReadOnly());
        Click(&dialog, "autoCheck");
        QCOMPARE(off->text(), QStringLiteral("M1-,M2+,S3-,S4-"));
        QVERIFY(!off->isReadOnly());
        QCOMPARE(dialog.Editor().Flags(), std::uint8_t(kFuncActive));
    }

    void mapControlsPerFunction_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<bool>("flagsEnabled");
        QTest::addColumn<bool>("sequencesEditable");
        QTest::newRow("default state") << 0 << false << true;
        QTest::newRow("horn") << 3 << true << true;
        QTest::newRow("number of cars") << 10 << true << false;
    }

    void mapControlsPerFunction() {
        QFETCH(int, entry);
        QFETCH(bool, sequencesEditable);
        RosterData data = SampleData();
        ScriptedPrompts prompts;
        CDlgFunctionMap dialog(nullptr, FunctionMapEditor(data.functions.entries[entry], kFuncAuto,
                                                          FunctionSequences{}, prompts));
        for (const char* name : {"activeCheck", "initialOnCheck"})
            QTEST(Find(&dialog, name)->isEnabled(), "flagsEnabled");
        if (entry == 0)
            QVERIFY(Find<QCheckBox>(&dialog, "activeCheck")->isChecked() &&
                    Find<QCheckBox>(&dialog, "initialOnCheck")->isChecked());
        QCOMPARE(Find<QLineEdit>(&dialog, "sequenceOnEdit")->isReadOnly(), !sequencesEditable);
        QCOMPARE(Find(&dialog, "autoCheck")->isEnabled(), sequencesEditable);
    }
};

QTEST_MAIN(TestLocoDialogs)
#include "test_loco_dialogs.moc"
