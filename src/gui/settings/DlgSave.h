#pragma once
// The save dialog of the close procedure: whether the modified roster and function
// catalogue are written.

#include <QDialog>

#include <string>

class QCheckBox;
class Prompts;
struct RosterData;

class CDlgSave : public QDialog {
    Q_OBJECT
public:
    // exec() answers with one of these: "Da", "Ne", "Nazaj".
    enum Answer { Back = QDialog::Rejected, Yes = QDialog::Accepted, No = 2 };

    CDlgSave(bool rosterModified, bool functionsModified, QWidget* parent = nullptr);

    bool SaveRoster() const;
    bool SaveFunctions() const;

private:
    QCheckBox* roster_;
    QCheckBox* functions_;
};

// The close procedure's save question: when the roster or the catalogue is modified, asks
// and writes what the operator chose. False when the program must stay open: "Nazaj", or a
// table that would not save (its message has been shown and its flag stays set).
bool OfferToSaveTables(RosterData& data, Prompts& prompts, const std::string& directory,
                       QWidget* parent);
