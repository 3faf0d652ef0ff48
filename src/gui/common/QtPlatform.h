#pragma once
// Qt implementations of the platform seams.

#include "core/platform.h"
#include "gui/common/Modules.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <string>

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

// A sine tone of the given pitch and length through the sound output, played by the tone
// module (package vlakomat-zvok); the desktop's bell where the module is not installed or
// there is no sound device.
class QtBeeper : public Beeper {
public:
    // Told at a bell that stands in for a missing tone module, until it answers that it has
    // said so.
    using MissingNotice = std::function<bool(const std::string& line)>;
    static constexpr const char* kMissingLine =
        "Tones not installed (package vlakomat-zvok): beeping with the desktop's bell";

    // The folders the module is looked for in; by default beside the program (its build
    // folder) and in its library folder once installed.
    explicit QtBeeper(QStringList moduleFolders = ModuleFolders());
    void SetMissingNotice(MissingNotice notice) { notice_ = std::move(notice); }
    void Tone(int frequencyHz, int lengthMs) override;
    bool HasModule();

private:
    // From the tone module, loaded at the first tone; nullptr when it is not there.
    using PlayTone = bool (*)(int frequencyHz, int lengthMs);
    QStringList folders_;
    bool looked_ = false;
    PlayTone playTone_ = nullptr;
    MissingNotice notice_;
};
