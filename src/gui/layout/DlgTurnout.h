#pragma once
// "Lastnosti kretnice": the switch addresses of a turnout and, for each of its positions,
// what each output is sent: closed (C), thrown (T) or nothing (N).

#include "core/layout/TurnoutProperties.h"

#include <QDialog>

class Prompts;
class QButtonGroup;
class QLineEdit;

class CDlgTurnout : public QDialog {
    Q_OBJECT
public:
    // `type` decides what is shown: one output in two positions for a plain turnout, two
    // outputs in three positions for a three-way turnout.
    CDlgTurnout(int type, const TurnoutProperties& values, Prompts& prompts,
                QWidget* parent = nullptr);

    // What the dialog holds; valid after OK.
    const TurnoutProperties& Values() const { return values_; }

    void accept() override;

private:
    TurnoutProperties values_;
    Prompts& prompts_;
    int type_;
    QLineEdit* address_[2] = {};
    QButtonGroup* states_[2][3] = {};
};

// "Lastnosti detektorja": the sensor address of an occupancy detector.
class CDlgDetector : public QDialog {
    Q_OBJECT
public:
    CDlgDetector(int address, Prompts& prompts, QWidget* parent = nullptr);

    // The address; valid after OK.
    int Address() const { return address_; }

    void accept() override;

private:
    int address_;
    Prompts& prompts_;
    QLineEdit* edit_ = nullptr;
};
