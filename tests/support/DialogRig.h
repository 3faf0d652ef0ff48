#pragma once
// Helpers for the roster editing dialogs: the sample tables, controls found by their
// objectName (nameEdit, okButton), and modal dialogs answered while they run.

#include "core/roster/RosterData.h"

#include "support/Fakes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

inline RosterData SampleData() {
    RosterData data;
    ScriptedPrompts prompts;
    if (!LoadStartupTables(data, prompts, VLAKOMAT_SOURCE_DIR "/data") || !prompts.texts.empty())
        qFatal("the sample tables do not load cleanly");
    return data;
}

template <typename T = QWidget> T* Find(const QWidget* parent, const QString& name) {
    T* control = parent->findChild<T*>(name);
    if (!control)
        qFatal("no control %s in %s", qPrintable(name), qPrintable(parent->objectName()));
    return control;
}

// A check box or radio button is clicked on its box, which a caption may not reach.
inline void Click(const QWidget* parent, const QString& name) {
    QAbstractButton* button = Find<QAbstractButton>(parent, name);
    const bool boxed = button->inherits("QCheckBox") || button->inherits("QRadioButton");
    QTest::mouseClick(button, Qt::LeftButton, {},
                      boxed ? QPoint(6, button->height() / 2) : button->rect().center());
}

inline void Type(const QWidget* parent, const QString& name, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(parent, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    // Key by key; letters outside ASCII ("Š") as the text of a key event.
    for (QChar c : text)
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline QString Text(const QWidget* parent, const QString& name) {
    return Find<QLineEdit>(parent, name)->text();
}

// Clicks row `row` of a list (double: a double click, as the window system sends it).
inline void ClickRow(const QWidget* parent, const QString& name, int row, bool twice = false) {
    QTreeWidget* list = Find<QTreeWidget>(parent, name);
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Runs `action` on the next modal dialog of type T once its exec() has started.
template <typename T> void WhenOpen(std::function<void(T*)> action, int tries = 200) {
    QTimer::singleShot(0, [action, tries] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            action(dialog);
        else if (tries > 0)
            WhenOpen<T>(action, tries - 1);
    });
}

// Whether `click` opens a modal dialog (which is then cancelled).
inline bool OpensDialog(const std::function<void()>& click) {
    bool opened = false;
    WhenOpen<QDialog>(
        [&opened](QDialog* dialog) {
            opened = true;
            dialog->reject();
        },
        20);
    click();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    return opened;
}

inline QString Joined(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& t : texts)
        out << QString::fromStdString(t);
    return out.join(QLatin1Char('|'));
}
