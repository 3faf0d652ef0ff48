#pragma once
// A throttle's slider that reports a handle position only when the operator lets go of it:
// a drag when the thumb is let go, a held arrow key or a held click on the track when it is
// released; each wheel step and each single key step is a move of its own. The program's
// own moves (SetRange, SetValue) are never reported.

#include <QObject>

#include <functional>

class QSlider;

class CHandleSlider : public QObject {
    Q_OBJECT
public:
    // `letGo` gets the slider's value at the end of each of the operator's moves.
    CHandleSlider(QSlider* slider, std::function<void(int value)> letGo);

    void SetValue(int value);
    void SetRange(int minimum, int maximum, int value);

private:
    void OnValueChanged();
    void EndScroll();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QSlider* slider_;
    std::function<void(int)> letGo_;
    // Set while the program moves the slider, so that only the operator's moves count.
    bool showing_ = false;
    // A key or mouse button held on the slider: its moves count when it is let go.
    bool scrollHeld_ = false;
    bool scrollMoved_ = false;
};
