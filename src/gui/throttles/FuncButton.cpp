#include "gui/throttles/FuncButton.h"

#include "gui/throttles/DlgThrottle.h"

#include <QKeyEvent>
#include <QMouseEvent>

CFuncButton::CFuncButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // The checked look of a checkable button is the platform's pushed-in look; the toggling
    // itself is ours, so the button's own click handling never changes it.
    setCheckable(true);
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    // A function that is on must be seen from across the room: pressed in and lit.
    setStyleSheet(QStringLiteral("CFuncButton:checked { background-color: #ffd24d; color: black; "
                                 "border: 2px inset #a07d10; border-radius: 3px; }"));
}

void CFuncButton::Attach(int function, CDlgThrottle* owner) {
    function_ = function;
    owner_ = owner;
}

void CFuncButton::SetState(bool state) {
    state_ = state;
    setChecked(state);
}

void CFuncButton::Press() {
    SetState(!state_);
    if (owner_)
        owner_->FunctionStateChanged(function_, state_);
}

void CFuncButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    event->accept();
    Press();
}

// Release and double click do nothing: the press has already toggled, and the button's own
// handling would fire a click or reset the look. Qt delivers the second press of a double
// click as the double click itself, so a double click toggles once and a triple click twice.
void CFuncButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void CFuncButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
void CFuncButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void CFuncButton::keyPressEvent(QKeyEvent* event) {
    // Space works the key as a press does; holding it down does not repeat.
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat())
            Press();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CFuncButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}
