// Every text that a person sees in the program is Slovenian: every window and dialog is
// walked for its titles, captions, labels, group titles, list headings, tool tips and menu
// commands, every field is given a value it refuses to collect the message, and Qt's own
// file dialog is opened as the program opens it. The English texts that belong to the
// program's own captions stand in one table, each with its window.

#include "support/DialogRig.h"
#include "support/EveryWindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTreeWidget>

namespace {

// English captions the program keeps as they are, with the window that shows them.
const struct {
    const char* window;
    const char* text;
} kAllowed[] = {
    {"LoconetMonitor", "Put Comment"},
    {"LoconetMonitor", "Put Marker"},
    {"LoconetMonitor", "Record"},
    {"LoconetMonitor", "Close"},
    {"DlgRoster", "Close"},
    {"DlgSettings", "Offline"},
    {"FileDialog", "Vlakomat Files (*.vlk)"},
};

// Words of English that no Slovenian text has (so not "in", "to", "a", "on", "je").
const QSet<QString> kEnglish = [] {
    const QStringList words =
        QString::fromLatin1(
            "about abort add address all and apply are argument arguments back between brake "
            "browse button cancel choose clear close comment computer connection copy create cut "
            "date default defaults delete detail details dialog directory discard display "
            "displays down drive edit error exit export file files find first folder forward "
            "function go help hidden hide ignore integer invalid last list look lost marker "
            "modified name new next number of open options page parent paste please power "
            "previous print put quit ready record release remove rename reset restore retry save "
            "search select set settings show size speed start stop the this throttle type undo "
            "unknown up usage value version view warning what with yes zoom")
            .split(QLatin1Char(' '));
    return QSet<QString>(words.begin(), words.end());
}();

bool Allowed(const QString& window, const QString& text) {
    // One word for every Cancel button of the program, in its own dialogs and Qt's.
    if (text == QLatin1String("Cancel"))
        return true;
    for (const auto& a : kAllowed)
        if (window == QLatin1String(a.window) && text == QString::fromUtf8(a.text))
            return true;
    return false;
}

// The English words of a text (accelerator marks and markup aside).
QStringList EnglishWords(QString text) {
    text.remove(QLatin1Char('&')).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    QStringList found;
    for (const QString& word :
         text.split(QRegularExpression(QStringLiteral("[^\\p{L}']+")), Qt::SkipEmptyParts))
        if (kEnglish.contains(word.toLower()))
            found << word;
    return found;
}

// Every text a person sees in `window` now: its title, the visible controls' captions and
// tool tips, group titles, list headings and items of choice lists, and its commands.
QStringList TextsOf(QWidget* window) {
    QStringList texts{window->windowTitle()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window))
            continue;
        texts << w->toolTip();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            texts << l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            texts << g->title();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            texts << e->placeholderText();
        else if (auto* h = qobject_cast<QHeaderView*>(w); h && h->model())
            for (int i = 0; i < h->count(); ++i)
                texts << h->model()->headerData(i, h->orientation()).toString();
        else if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i)
                texts << t->tabText(i);
        else if (auto* c = qobject_cast<QComboBox*>(w); c && !c->isEditable())
            for (int i = 0; i < c->count(); ++i)
                texts << c->itemText(i);
    }
    for (QAction* a : window->findChildren<QAction*>())
        if (auto* owner = qobject_cast<QWidget*>(a->parent()); owner && owner->window() == window)
            texts << a->text() << a->toolTip() << a->statusTip();
    return texts;
}

// The messages that refused values get: each visible field of the window is given a value
// no field takes, and the window's OK (or Enter, in a throttle) is pressed.
QStringList FieldCheckTexts(QWidget* window, ScriptedPrompts& prompts) {
    auto* ok = window->findChild<QAbstractButton*>(QStringLiteral("okButton"));
    const bool throttle = window->inherits("CDlgThrottle");
    if (!ok && !throttle)
        return {};
    QStringList texts;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        if (edit->window() != window || !edit->isVisibleTo(window) || !edit->isEnabled() ||
            edit->isReadOnly())
            continue;
        const QString before = edit->text();
        prompts.texts.clear();
        edit->setText(QStringLiteral("x"));
        if (throttle)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            ok->click();
        for (const std::string& t : prompts.texts)
            texts << QString::fromStdString(t);
        edit->setText(before);
        window->show(); // a field that took "x" let the dialog close
    }
    return texts;
}

} // namespace

class TestSlovenianTexts : public QObject {
    Q_OBJECT
private slots:
    void everyTextOfEveryWindowIsSlovenian() {
        AppRig rig;
        EveryWindow every(rig);
        QStringList english;
        qsizetype fieldChecks = 0;
        auto check = [&](QWidget* window, const QStringList& texts) {
            const QString name = window->objectName();
            for (const QString& text : texts)
                if (!Allowed(name, text) && !EnglishWords(text).isEmpty())
                    english << name + QStringLiteral(": \"") + text + QStringLiteral("\" (") +
                                   EnglishWords(text).join(' ') + ')';
        };
        for (QWidget* window : every.windows) {
            check(window, TextsOf(window));
            const QStringList refused = FieldCheckTexts(window, rig.prompts);
            fieldChecks += refused.size();
            check(window, refused);
        }
        // Qt's own dialog, as "Odpri" opens it.
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setObjectName(QStringLiteral("FileDialog"));
            check(dialog, TextsOf(dialog));
            dialog->reject();
        });
        rig.Frame().Action(QStringLiteral("actionOpen"))->trigger();

        QVERIFY2(english.isEmpty(), qPrintable('\n' + english.join('\n')));
        // The walk reached the fields: the settings alone have more than twenty.
        QVERIFY2(fieldChecks > 30, qPrintable(QString::number(fieldChecks)));
    }

    // The checker itself finds what the program used to show, and passes Slovenian words
    // that look like English ones.
    void englishWordsAreFound() {
        QCOMPARE(EnglishWords("Please enter an integer between 2 and 16.").join(' '),
                 QStringLiteral("Please integer between and"));
        QCOMPARE(EnglishWords("&Cancel"), QStringList{"Cancel"});
        QVERIFY(EnglishWords("To je on in ona: vnesite število med 1 in 99999.").isEmpty());
    }
};

QTEST_MAIN(TestSlovenianTexts)
#include "test_slovenian_texts.moc"
