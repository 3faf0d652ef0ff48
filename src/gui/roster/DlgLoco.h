#pragma once
// The locomotive properties dialog: a thin view over LocoEditor. It works on its own copy
// of a record and changes no roster: the caller takes Record() back after OK.

#include "core/roster/LocoEditor.h"

#include <QDialog>

#include <map>

class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeWidget;
class QWidget;

class CDlgLoco : public QDialog {
    Q_OBJECT
public:
    CDlgLoco(QWidget* parent, const DecoderTable& decoders, const FunctionCatalogue& catalogue,
             Prompts& prompts, const Loco& loco);

    // The record as OK left it.
    const Loco& Record() const { return editor_.Record(); }

    void accept() override;

private:
    void BuildControls(const DecoderTable& decoders);
    QWidget* BuildLocoGroup();
    QWidget* BuildSoundGroup(const DecoderTable& decoders);
    LocoEntries ReadEntries() const;
    void ShowEntries(const LocoEntries& entries);
    void ShowSound();
    void FillMap();
    void OnSoundChanged();
    void EditFunctionMap();

    LocoEditor editor_;
    std::map<LocoField, QLineEdit*> edits_;
    QRadioButton* trainBrake_ = nullptr;
    QRadioButton* locoBrake_ = nullptr;
    QComboBox* decoder_ = nullptr;
    QCheckBox* defaults_ = nullptr;
    QLabel* defaultsLabel_ = nullptr;
    QLabel* tableLabel_ = nullptr;
    QLabel* slash_ = nullptr;
    QLabel* soundAddrLabel_ = nullptr;
    QLabel* dynBrakeLevelLabel_ = nullptr;
    QLabel* compressorLevelLabel_ = nullptr;
    QCheckBox* advanced_ = nullptr;
    QLabel* mapLabel_ = nullptr;
    QTreeWidget* map_ = nullptr;
};
