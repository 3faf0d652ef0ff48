// Help inside the program: the guide opened from the menu and with F1 in a throttle and in
// a dialog, every page of the guide with its pictures and links, the "What's this?" mode,
// and a sentence for every control of every window.

#include "support/AppRig.h"
#include "support/DialogRig.h"
#include "support/EveryWindow.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QWhatsThis>

namespace {

CHelpWindow* HelpWindow(AppRig& rig) {
    return rig.Frame().Help().Window();
}

// The pictures of the page shown; fails the test for any that does not load.
int PicturesShown(QTextBrowser* browser) {
    int pictures = 0;
    QTextDocument* doc = browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl url = doc->baseUrl().resolved(QUrl(format.toImageFormat().name()));
            const QVariant image = browser->loadResource(QTextDocument::ImageResource, url);
            if (image.value<QImage>().isNull() && image.value<QPixmap>().isNull() &&
                QImage::fromData(image.toByteArray()).isNull())
                qWarning("picture %s does not load", qPrintable(url.toString()));
            else
                ++pictures;
        }
    return pictures;
}

// The links of the page shown that lead to no page of the guide.
QStringList BrokenLinks(QTextBrowser* browser) {
    QStringList broken;
    QTextDocument* doc = browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString href = it.fragment().charFormat().anchorHref();
            const QUrl url = doc->baseUrl().resolved(QUrl(href));
            if (!href.isEmpty() && url.scheme() == QLatin1String("qrc") &&
                !QFile::exists(QLatin1Char(':') + url.path()))
                broken << href;
        }
    return broken;
}

// Widgets that take input; their inner parts (a combo box's edit, a list's viewport) and
// Qt's own helpers are part of the control that holds them.
bool IsControl(const QWidget* w) {
    if (w->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<const QScrollBar*>(w))
        return false;
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTabBar*>(w) || w->inherits("CVlakomatView");
}

bool InsideControl(const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (IsControl(p))
            return true;
    return false;
}

QString Describe(const QObject* o) {
    const auto* w = qobject_cast<const QWidget*>(o);
    const QString window = w ? w->window()->objectName() : QStringLiteral("MainFrame");
    QString text = o->property("text").toString();
    return QStringLiteral("%1\t%2\t(%3 \"%4\")")
        .arg(window, o->objectName(), QString::fromLatin1(o->metaObject()->className()), text);
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void theTablesThatComeWithTheGuideAreSound() {
        AppRig rig;
        const CHelp& help = rig.Frame().Help();
        QVERIFY2(help.Faults().isEmpty(), qPrintable(help.Faults().join('\n')));
        for (const auto& [window, page] : help.Index().Pages())
            QVERIFY2(QFile::exists(QStringLiteral(":/vodnik/") + QString::fromStdString(page)),
                     page.c_str());
    }

    // From the menu: the contents; every chapter then shows with its pictures and with
    // links that all lead to pages of the guide.
    void theMenuOpensTheGuideAndEveryChapterShows() {
        AppRig rig;
        rig.Frame().Action(QStringLiteral("actionHelp"))->trigger();
        CHelpWindow* help = HelpWindow(rig);
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->CurrentPage(), QStringLiteral("index.md"));
        auto* chapters = help->findChild<QListWidget*>(QStringLiteral("contentsList"));
        QVERIFY(chapters->count() >= 10);
        for (int row = 0; row < chapters->count(); ++row) {
            chapters->setCurrentRow(row);
            const QString page = help->CurrentPage();
            QVERIFY2(help->Browser()->document()->characterCount() > 200, qPrintable(page));
            QVERIFY2(BrokenLinks(help->Browser()).isEmpty(),
                     qPrintable(page + ": " + BrokenLinks(help->Browser()).join(' ')));
            QTextDocument* doc = help->Browser()->document();
            QVERIFY2(!doc->toPlainText().contains(QLatin1String("](")), qPrintable(page));
            QVERIFY2(help->windowTitle().endsWith(chapters->item(row)->text()),
                     qPrintable(page + " " + help->windowTitle()));
        }
    }

    // F1 in a window opens the page of that window, with its pictures; over a modal
    // dialog the guide is modal itself, so it can be read and closed.
    void f1OpensThePageOfTheWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("page");
        QTest::newRow("simple throttle") << "SimpleThrottle"
                                         << "enostavni-upravljalnik.md";
        QTest::newRow("settings dialog") << "DlgSettings"
                                         << "nastavitve.md";
        QTest::newRow("roster dialog") << "DlgRoster"
                                       << "seznam-lokomotiv.md";
        QTest::newRow("main window") << "MainFrame"
                                     << "glavno-okno.md";
    }
    void f1OpensThePageOfTheWindow() {
        QFETCH(QString, window);
        QFETCH(QString, page);
        AppRig rig;
        QString shown;
        int pictures = 0;
        bool modal = false;
        auto pressF1 = [&](QWidget* w) {
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F1);
            if (CHelpWindow* help = HelpWindow(rig)) {
                shown = help->CurrentPage();
                pictures = PicturesShown(help->Browser());
                modal = help->isModal();
                help->close();
            }
        };
        if (window == QLatin1String("SimpleThrottle") || window == QLatin1String("MainFrame")) {
            QWidget* w = window == QLatin1String("MainFrame") ? static_cast<QWidget*>(&rig.Frame())
                                                              : rig.NewThrottle();
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            pressF1(w);
        } else {
            WhenOpen<QDialog>([&](QDialog* dialog) {
                QCOMPARE(dialog->objectName(), window);
                pressF1(dialog);
                dialog->reject();
            });
            const char* action =
                window == QLatin1String("DlgSettings") ? "actionSettings" : "actionRoster";
            rig.Frame().Action(QString::fromLatin1(action))->trigger();
        }
        QCOMPARE(shown, page);
        QVERIFY(pictures >= 1);
        QCOMPARE(modal, window.startsWith(QLatin1String("Dlg")));
    }

    // The guide closes with its "Zapri" and with Escape, also when the search has the focus.
    void theGuideCloses() {
        AppRig rig;
        for (const char* how : {"button", "escape"}) {
            rig.Frame().Help().ShowContents();
            CHelpWindow* help = HelpWindow(rig);
            QVERIFY(help->isVisible());
            if (QByteArray(how) == "button") {
                auto* close = help->findChild<QPushButton*>(QStringLiteral("closeButton"));
                QCOMPARE(close->text(), QStringLiteral("Zapri"));
                QTest::mouseClick(close, Qt::LeftButton);
            } else {
                help->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(help));
                QTest::keyClick(help->findChild<QLineEdit*>(QStringLiteral("searchEdit")),
                                Qt::Key_Escape);
            }
            QVERIFY2(!help->isVisible(), how);
            QVERIFY(rig.Frame().isVisible());
        }
    }

    // Shift+F1 in a window without a menu starts the "What's this?" mode, in which a click
    // on a control shows its sentence.
    void shiftF1AsksWhatAControlIs() {
        AppRig rig;
        CDlgSThrottle* throttle = rig.NewThrottle();
        throttle->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(throttle));
        QTest::keyClick(throttle, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWidget* slider = throttle->findChild<QWidget*>(QStringLiteral("speedSlider"));
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(!QWhatsThis::inWhatsThisMode());
        QWidget* popup = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QWhatsThat") && w->isVisible())
                popup = w;
        QVERIFY(popup);
        QVERIFY(!slider->whatsThis().isEmpty());
        QWhatsThis::hideText();
    }

    // Every control of every window, and every command of the main window, has a sentence;
    // and every sentence of those windows belongs to a control that exists.
    void everyControlOfEveryWindowHasASentence() {
        AppRig rig;
        CMainFrame& frame = rig.Frame();
        EveryWindow every(rig);
        const std::vector<QWidget*>& windows = every.windows;

        QStringList missing;
        QStringList twice; // one name for two controls: tests, help and code find only one
        QSet<QString> used;
        for (QWidget* window : windows) {
            QVERIFY(window && !window->objectName().isEmpty());
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (w->window() != window || !IsControl(w) || InsideControl(w))
                    continue;
                if (w->whatsThis().isEmpty())
                    missing << Describe(w);
                const QString key = window->objectName() + '\t' + w->objectName();
                if (!w->objectName().isEmpty() && used.contains(key)) // toolbar buttons: none
                    twice << Describe(w);
                used << key;
            }
        }
        QVERIFY2(twice.isEmpty(), qPrintable("\n" + twice.join('\n')));
        for (QAction* action : frame.findChildren<QAction*>()) {
            if (action->objectName().isEmpty())
                continue; // the recent files
            if (action->whatsThis().isEmpty())
                missing << Describe(action);
            used << QStringLiteral("MainFrame\t") + action->objectName();
        }
        QVERIFY2(missing.isEmpty(), qPrintable("\n" + missing.join('\n')));

        QStringList unused;
        for (const HelpIndex::Sentence& s : frame.Help().Index().Sentences()) {
            const QString window = QString::fromStdString(s.window);
            const bool shown = std::any_of(windows.begin(), windows.end(),
                                           [&](QWidget* w) { return w->objectName() == window; });
            const bool matched = std::any_of(used.begin(), used.end(), [&](const QString& key) {
                const QStringList parts = key.split('\t');
                return parts[0] == window && MatchesPattern(s.control, parts[1].toStdString());
            });
            if (shown && !matched)
                unused << window + '\t' + QString::fromStdString(s.control);
        }
        QVERIFY2(unused.isEmpty(), qPrintable("\n" + unused.join('\n')));
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
