// Number fields of the dialogs and throttles, typed into key by key as an operator would:
// each text is either taken as the number meant or refused with a message, and the field
// then shows what was stored. And every Cancel button of the program says the same word.

#include "core/settings/SettingsFields.h"
#include "gui/common/QtPlatform.h"
#include "support/DialogRig.h"
#include "support/EveryWindow.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QSlider>

namespace {

enum class Where { SimpleSpeed, PowerAddress, Grade, Settings };

struct Case {
    Where where;
    const char* field;
    QString typed;
    const char* message; // empty: taken
    QString stored;      // the value as the field shows it afterwards
};

const char* const kGrouped = "Vnesite število brez ločil med tisočicami, na primer 1000 ali 2,5.";

// The simple throttle drives at 40 before each case; the settings start from the defaults.
const Case kCases[] = {
    {Where::SimpleSpeed, "speedEdit", "2,5", "Vnesite celo število.", "40"},
    {Where::SimpleSpeed, "speedEdit", "2.5", "Vnesite celo število.", "40"},
    {Where::SimpleSpeed, "speedEdit", "abc", "Vnesite celo število.", "40"},
    {Where::SimpleSpeed, "speedEdit", "", "Vnesite celo število.", "40"},
    {Where::SimpleSpeed, "speedEdit", "200", "Vnesite celo število med 0 in 99.", "40"},
    {Where::SimpleSpeed, "speedEdit", "-1", "Vnesite celo število med 0 in 99.", "40"},
    {Where::SimpleSpeed, "speedEdit", "1e9", "Vnesite celo število.", "40"},
    {Where::SimpleSpeed, "speedEdit", "99", "", "99"},
    {Where::SimpleSpeed, "speedEdit", "0", "", "0"},
    {Where::PowerAddress, "powerAddressEdit", "ab", "Vnesite celo število.", "ab"},
    {Where::PowerAddress, "powerAddressEdit", "9984", "Vnesite celo število med 0 in 9983.",
     "9984"},
    {Where::Grade, "gradeEdit", "2,5", "", "2,5"},
    {Where::Grade, "gradeEdit", "-2.5", "", "-2,5"},
    {Where::Grade, "gradeEdit", "1.000", kGrouped, "0"},
    {Where::Grade, "gradeEdit", "101", "Vnesite število med -100 in 100.", "0"},
    {Where::Settings, "netCarLoad", "2,5", "", "2,5"},
    {Where::Settings, "netCarLoad", "2.5", "", "2,5"},
    {Where::Settings, "netCarLoad", "1.000", kGrouped, ""},
    {Where::Settings, "netCarLoad", "1,000.5", kGrouped, ""},
    {Where::Settings, "netCarLoad", "1 000", kGrouped, ""},
    {Where::Settings, "netCarLoad", "abc", "Vnesite število.", ""},
    {Where::Settings, "netCarLoad", "", "Vnesite število.", ""},
    {Where::Settings, "netCarLoad", "1e9", "Vnesite število med 0 in 1000.", ""},
    {Where::Settings, "netCarLoad", "1000", "", "1000"},
    {Where::Settings, "emptyCarWeight", "0,1", "", "0,1"},
    {Where::Settings, "emptyCarWeight", "0.05", "Vnesite število med 0,1 in 1000.", ""},
    {Where::Settings, "axelsPerCar", "2,5", "Vnesite celo število.", ""},
    {Where::Settings, "axelsPerCar", "16", "", "16"},
    {Where::Settings, "axelsPerCar", "-1", "Vnesite celo število med 2 in 16.", ""},
    {Where::Settings, "numberOfCarsTable", "0, 5,10", "", "0, 5,10"},
    {Where::Settings, "numberOfCarsTable", "abc",
     "V seznamu je »abc«, ki ni celo število med 0 in 1000. Vnesite števila, ločena z vejico.", ""},
    {Where::Settings, "numberOfCarsTable", "5,2.5,x",
     "V seznamu je »2.5«, ki ni celo število med 0 in 1000. Vnesite števila, ločena z vejico.", ""},
    {Where::Settings, "carsWeightPercentTable", "-50,200",
     "V seznamu je »-50«, ki ni število med 0 in 100. Vnesite števila, ločena z vejico.", ""},
    {Where::Settings, "carsWeightPercentTable", "0,,100",
     "V seznamu je prazen vnos. Vnesite števila med 0 in 100, ločena z vejico.", ""},
    {Where::Settings, "carsWeightPercentTable", "",
     "V seznamu je prazen vnos. Vnesite števila med 0 in 100, ločena z vejico.", ""},
};

} // namespace

class TestNumberFields : public QObject {
    Q_OBJECT
private slots:
    void typedNumbersAreTakenOrRefusedWithAMessage() {
        AppRig rig;
        CDlgSThrottle* simple = rig.NewThrottle();
        Type(simple, QStringLiteral("addressEdit"), QStringLiteral("3"));
        QTest::keyClick(Find<QLineEdit>(simple, QStringLiteral("addressEdit")), Qt::Key_Return);
        rig.Pump();
        QVERIFY(simple->Simple().Driving());
        CDlgRThrottle* realistic = rig.NewRealisticThrottle();
        const Settings defaults = rig.app->Settings().settings;
        rig.Take(0xBF); // the simple throttle's own selection

        for (const Case& c : kCases) {
            const QString field = QString::fromLatin1(c.field);
            const QString what = field + QStringLiteral(" \"") + c.typed + '"';
            rig.prompts.texts.clear();
            QString shown;
            // A known value taken first, then the case's text, each with Enter.
            const auto enter = [&](QWidget* window, const QString& known) {
                for (const QString& text : {known, c.typed}) {
                    Type(window, field, text);
                    QTest::keyClick(Find<QLineEdit>(window, field), Qt::Key_Return);
                }
                rig.Pump();
            };
            if (c.where == Where::SimpleSpeed) {
                enter(simple, QStringLiteral("40"));
                shown = Text(simple, field);
                // The slider and the locomotive agree with the field.
                QCOMPARE(QString::number(simple->Simple().Speed()), shown);
                QCOMPARE(QString::number(Find<QSlider>(simple, "speedSlider")->value()), shown);
            } else if (c.where == Where::PowerAddress) {
                Type(realistic, field, c.typed);
                QTest::mouseClick(Find<QAbstractButton>(realistic, "acquireButton"),
                                  Qt::LeftButton);
                rig.Pump();
                shown = Text(realistic, field);
                QVERIFY2(rig.Take(0xBF).empty(), qPrintable(what));
            } else if (c.where == Where::Grade) {
                enter(realistic, QStringLiteral("0"));
                shown = Text(realistic, field);
                QCOMPARE(QString::fromStdString(realistic->Realistic().GradeText()), shown);
            } else {
                CDlgSettings dialog(defaults, rig.prompts, CDlgSettings::AvailablePorts({}),
                                    &rig.Frame());
                dialog.show();
                Type(&dialog, field, c.typed);
                Find<QAbstractButton>(&dialog, "okButton")->click();
                const bool taken = dialog.result() == QDialog::Accepted;
                QVERIFY2(taken == (*c.message == 0), qPrintable(what));
                // Nothing of a refused field reaches the settings; a taken one is shown as
                // the dialog shows it the next time.
                for (const SettingsField& f : SettingsFields())
                    if (field == QLatin1String(f.name)) {
                        shown = taken ? QString::fromStdString(FormatField(dialog.Values(), f))
                                      : QString();
                        if (!taken)
                            QCOMPARE(FormatField(dialog.Values(), f), FormatField(defaults, f));
                    }
            }
            const std::vector<std::string> expected =
                *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
            QVERIFY2(rig.prompts.texts == expected,
                     qPrintable(what + QStringLiteral(": ") +
                                QString::fromStdString(rig.prompts.texts.empty()
                                                           ? std::string()
                                                           : rig.prompts.texts.front())));
            QVERIFY2(shown == c.stored, qPrintable(what + QStringLiteral(" shows ") + shown));
        }
    }

    // Every button that cancels, in every window and in the boxes over them, says "Cancel".
    void everyCancelButtonSaysCancel() {
        AppRig rig;
        EveryWindow every(rig);
        QStringList found;
        qsizetype cancels = 0;
        for (QWidget* window : every.windows)
            for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
                auto* box = qobject_cast<QDialogButtonBox*>(b->parent());
                const bool cancel = b->objectName() == QLatin1String("cancelButton") ||
                                    (box && box->buttonRole(b) == QDialogButtonBox::RejectRole &&
                                     box->standardButton(b) == QDialogButtonBox::Cancel);
                if (!cancel)
                    continue;
                ++cancels;
                if (b->text() != QLatin1String("Cancel"))
                    found << window->objectName() + QStringLiteral(": ") + b->text();
            }
        // The box that asks OK or Cancel, as a sequence error asks over a dialog.
        QtPrompts prompts;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            ++cancels;
            if (box->button(QMessageBox::Cancel)->text() != QLatin1String("Cancel"))
                found << QStringLiteral("box: ") + box->button(QMessageBox::Cancel)->text();
            box->reject();
        });
        prompts.Ask("?", PromptButtons::OkCancel, PromptIcon::Warning);
        QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
        // Settings, turnout, detector, locomotive, function, function map and the box.
        QVERIFY2(cancels >= 7, qPrintable(QString::number(cancels)));
    }
};

QTEST_MAIN(TestNumberFields)
#include "test_number_fields.moc"
