#include "gui/settings/DlgSave.h"

#include "core/roster/RosterData.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CDlgSave::CDlgSave(bool rosterModified, bool functionsModified, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DlgSave"));
    setWindowTitle(QStringLiteral("Shrani"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto check = [&](const char* name, const char* text, bool checked) {
        auto* box = new QCheckBox(QString::fromUtf8(text), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(checked);
        layout->addWidget(box);
        return box;
    };
    roster_ = check("rosterCheck", "Seznam lokomotiv", rosterModified);
    functions_ = check("functionsCheck", "Seznam Funkcionalnosti", functionsModified);
    // The layout's state is not saved from here.
    check("layoutCheck", "Stanje makete", false)->hide();

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const char* text, auto onClick) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, onClick);
        buttons->addWidget(b);
        return b;
    };
    button("yesButton", "Da", [this] { accept(); })->setDefault(true);
    button("noButton", "Ne", [this] { done(No); });
    button("backButton", "Nazaj", [this] { reject(); });
    layout->addLayout(buttons);
}

bool CDlgSave::SaveRoster() const {
    return roster_->isChecked();
}

bool CDlgSave::SaveFunctions() const {
    return functions_->isChecked();
}

bool OfferToSaveTables(RosterData& data, Prompts& prompts, const std::string& directory,
                       QWidget* parent) {
    if (!data.RosterModified && !data.FunctionsModified)
        return true;
    CDlgSave dialog(data.RosterModified, data.FunctionsModified, parent);
    switch (dialog.exec()) {
    case CDlgSave::Yes:
        data.RosterModified = dialog.SaveRoster();
        data.FunctionsModified = dialog.SaveFunctions();
        return SaveModifiedTables(data, prompts, directory);
    case CDlgSave::No:
        return true;
    default:
        return false;
    }
}
