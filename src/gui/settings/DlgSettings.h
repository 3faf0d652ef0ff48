#pragma once
// The general settings dialog: the port and interface of the link, the offline choice, the
// power throttle mode, the bus shared with other programs, the preferences and the train
// dynamics. It edits a copy; the settings procedure takes the copy over after OK.

#include "core/settings/Settings.h"

#include <QDialog>
#include <QString>

#include <vector>

class Prompts;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

class CDlgSettings : public QDialog {
    Q_OBJECT
public:
    // A port the list offers: its name, and what it is (a USB interface's product name).
    struct PortChoice {
        QString name;
        QString description;
    };

    CDlgSettings(const Settings& values, Prompts& prompts, const std::vector<PortChoice>& ports,
                 QWidget* parent = nullptr);

    // The values after OK.
    const Settings& Values() const { return values_; }

    // The serial ports of this machine, then the built-in simulated command station, then
    // a LocoNet-over-TCP address (the last one used, when there was one).
    static std::vector<PortChoice> AvailablePorts(const QString& lastTcpAddress);
    // The first run's choice of port (see FirstRunPort) put into `values`; returns the
    // sentence that tells the newcomer what it means.
    static QString PreselectFirstRunPort(Settings& values);

    // A sentence above the fields (none when empty).
    void SetIntro(const QString& text);

public slots:
    // Takes every field back in order; the first one that holds no valid value is named in
    // a message and gets the focus, and the dialog stays open.
    void accept() override;

private:
    QWidget* BuildLoconetGroup(const std::vector<PortChoice>& ports);
    QWidget* BuildFieldGroup(const char* title, int columns);
    // The label and edit of text field `index` at a row and column of a group's grid.
    QLineEdit* AddField(QGridLayout* grid, std::size_t index, int row, int column);
    void Refuse(QWidget* control, const std::string& message);

    Settings values_;
    Prompts& prompts_;
    QLabel* intro_ = nullptr;
    QComboBox* port_ = nullptr;
    QComboBox* interface_ = nullptr;
    QCheckBox* offline_ = nullptr;
    QRadioButton* precise_ = nullptr;
    QCheckBox* shareOnNetwork_ = nullptr;
    QCheckBox* phonesOnNetwork_ = nullptr;
    QCheckBox* openLastLayout_ = nullptr;
    std::vector<QLineEdit*> edits_; // one per text field, in the fields' order
};
