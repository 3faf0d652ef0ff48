#pragma once
// Qt implementations of the platform seams.

#include "platform.h"

#include <QPointer>

class QWidget;

// Message boxes with the program's title, modal over the main window when there is one.
class QtPrompts : public Prompts {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    // While the program ends, no further message box is shown (each gets its default
    // answer), and a box that is open is closed.
    void EndSession();
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

private:
    QPointer<QWidget> parent_;
    bool ending_ = false;
};

// A sine tone of the given pitch and length through the sound output; the system beep
// where there is no sound device.
class QtBeeper : public Beeper {
public:
    void Tone(int frequencyHz, int lengthMs) override;

private:
    // From the tone module, loaded at the first tone; nullptr when it is not there.
    using PlayTone = bool (*)(int frequencyHz, int lengthMs);
    bool looked_ = false;
    PlayTone playTone_ = nullptr;
};
