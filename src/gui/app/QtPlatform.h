#pragma once
// Qt implementations of the platform seams.

#include "platform.h"

#include <QElapsedTimer>
#include <QPointer>

class QWidget;

// Milliseconds since the program started, as a wrapping 32-bit tick counter.
class QtClock : public Clock {
public:
    QtClock() { timer_.start(); }
    Tick Now() const override { return static_cast<Tick>(timer_.elapsed()); }

private:
    QElapsedTimer timer_;
};

// Message boxes with the program's title, modal over the main window when there is one.
class QtPrompts : public Prompts {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

private:
    QPointer<QWidget> parent_;
};

// A sine tone of the given pitch and length through the sound output; the system beep
// where there is no sound device.
class QtBeeper : public Beeper {
public:
    void Tone(int frequencyHz, int lengthMs) override;
};
