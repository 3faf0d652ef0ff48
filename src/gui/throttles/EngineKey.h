#pragma once
// The realistic throttle's engine status picture: a small ignition key, red while the engine
// is stopped, green while it runs, grey while the locomotive is not held, and nothing for a
// locomotive without an engine function. Painted, so it is sharp at any pixel ratio.

#include "core/throttles/RealisticThrottle.h"

#include <QWidget>

class CEngineKey : public QWidget {
    Q_OBJECT
public:
    explicit CEngineKey(QWidget* parent = nullptr);

    void SetPicture(EnginePicture picture);
    EnginePicture Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EnginePicture picture_ = EnginePicture::NoEngine;
};
