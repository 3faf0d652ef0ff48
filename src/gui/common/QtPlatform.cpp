#include "gui/common/QtPlatform.h"

#include "gui/common/Modules.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

void QtPrompts::EndSession() {
    ending_ = true;
    for (QWidget* modal; (modal = QApplication::activeModalWidget()) != nullptr;)
        if (!modal->close())
            break;
}

PromptAnswer QtPrompts::Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    if (ending_)
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    // Over the window the operator works in (a throttle), else over the main window.
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(owner ? owner : parent_.data());
    box.setObjectName(QStringLiteral("MessageBox")); // F1 explains the program's messages
    box.setWindowTitle(QStringLiteral("Vlakomat"));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case PromptIcon::None:
        break;
    case PromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case PromptIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case PromptIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case PromptIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case PromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel: {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
        return box.exec() == QMessageBox::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    case PromptButtons::YesNo: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Da"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Ne"));
        return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
    }
    case PromptButtons::YesNoCancel: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Da"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Ne"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
        const int answer = box.exec();
        return answer == QMessageBox::Yes  ? PromptAnswer::Yes
               : answer == QMessageBox::No ? PromptAnswer::No
                                           : PromptAnswer::Cancel;
    }
    }
    return PromptAnswer::Ok;
}

QtBeeper::QtBeeper(QStringList moduleFolders) : folders_(std::move(moduleFolders)) {}

bool QtBeeper::HasModule() {
    if (!looked_) {
        looked_ = true;
        playTone_ = reinterpret_cast<PlayTone>(
            ResolveModule(folders_, QStringLiteral("vlakomat-tone"), "vlakomat_play_tone"));
    }
    return playTone_ != nullptr;
}

void QtBeeper::Tone(int frequencyHz, int lengthMs) {
    if (HasModule() && playTone_(frequencyHz, lengthMs))
        return;
    QApplication::beep();
    if (!playTone_ && notice_ && notice_(kMissingLine))
        notice_ = nullptr;
}
