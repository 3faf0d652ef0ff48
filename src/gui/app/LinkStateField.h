#pragma once
// The status bar's permanent field that names the link's port and its state, so that the
// operator always sees whether anything reaches the layout.

#include <QLabel>

class CLoconet;

class CLinkStateField : public QLabel {
    Q_OBJECT
public:
    explicit CLinkStateField(QWidget* parent = nullptr);

    // The port ("sim", "/dev/ttyUSB0", "tcp://host:1234"); "<port>: prekinjena" while it is
    // being opened again; "<port>: vmesnik ne potrjuje sporočil" while the interface has
    // confirmed nothing for over a second; "brez povezave" when offline or not open. Trouble
    // shows in red.
    void Show(const CLoconet& link);

private:
    bool trouble_ = false;
};
