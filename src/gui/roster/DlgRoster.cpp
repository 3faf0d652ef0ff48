#include "gui/roster/DlgRoster.h"

#include "gui/common/Controls.h"
#include "gui/roster/DlgFunction.h"
#include "gui/roster/DlgLoco.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CDlgRoster::CDlgRoster(QWidget* parent, RosterData& roster, Prompts& prompts)
    : QDialog(parent), data_(roster), prompts_(prompts),
      editor_(
          roster, prompts,
          [this](const Loco& loco) -> std::optional<Loco> {
              CDlgLoco dialog(this, data_.decoders, data_.functions, prompts_, loco);
              if (dialog.exec() != QDialog::Accepted)
                  return std::nullopt;
              return dialog.Record();
          },
          [this](const FunctionEdit& edit) -> std::optional<FunctionEdit> {
              CDlgFunction dialog(this, data_.functions, edit, prompts_);
              if (dialog.exec() != QDialog::Accepted)
                  return std::nullopt;
              return dialog.Edit();
          }) {
    setObjectName(QStringLiteral("DlgRoster"));
    setWindowTitle(QStringLiteral("Seznam lokomotiv in funkcionalnosti"));
    BuildControls();
    Refill();
}

void CDlgRoster::BuildControls() {
    locos_ = ReportList(
        "locoList",
        {{"Ime", 250}, {"Motor.nasl.", 70}, {"Zvočni dekoder", 150}, {"Zvočni nasl.", 70}});
    functions_ = ReportList("functionList", {{"Ime", 200}, {"Vgrajena", 150}, {"F tipka", 50}});
    auto button = [this](const char* name, const char* caption, void (RosterEditor::*operation)()) {
        auto* b = Control<QPushButton>(QString::fromLatin1(name), QString::fromUtf8(caption));
        b->setAutoDefault(false);
        if (operation)
            connect(b, &QPushButton::clicked, this, [this, operation] { Run(operation); });
        return b;
    };
    auto* locoButtons = new QVBoxLayout;
    locoButtons->addWidget(button("editLocoButton", "Uredi", &RosterEditor::EditLoco));
    locoButtons->addWidget(button("newLocoButton", "Nova loko.", &RosterEditor::NewLoco));
    QPushButton* consist = button("newConsistButton", "Nov sestav", nullptr);
    consist->setEnabled(false);
    locoButtons->addWidget(consist);
    locoButtons->addWidget(button("copyLocoButton", "Kopiraj loko.", &RosterEditor::CopyLoco));
    locoButtons->addWidget(button("deleteLocoButton", "Zbriši", &RosterEditor::DeleteLoco));
    locoButtons->addWidget(button("locoUpButton", "Premakni gor", &RosterEditor::MoveLocoUp));
    locoButtons->addWidget(button("locoDownButton", "Premakni dol", &RosterEditor::MoveLocoDown));
    locoButtons->addStretch();
    auto* functionButtons = new QVBoxLayout;
    functionButtons->addWidget(button("editFunctionButton", "Uredi", &RosterEditor::EditFunction));
    functionButtons->addWidget(button("newFunctionButton", "Nova", &RosterEditor::NewFunction));
    functionButtons->addWidget(
        button("deleteFunctionButton", "Zbriši", &RosterEditor::DeleteFunction));
    functionButtons->addWidget(
        button("functionUpButton", "Premakni gor", &RosterEditor::MoveFunctionUp));
    functionButtons->addWidget(
        button("functionDownButton", "Premakni dol", &RosterEditor::MoveFunctionDown));
    functionButtons->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Seznam lokomotiv")), 0, 0);
    grid->addWidget(locos_, 1, 0);
    grid->addLayout(locoButtons, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Seznam funkcionalnosti")), 2, 0);
    grid->addWidget(functions_, 3, 0);
    grid->addLayout(functionButtons, 3, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(3, 1);

    auto* close = Control<QPushButton>("closeButton", QStringLiteral("Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    resize(740, 640);

    connect(locos_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            editor_.SelectLoco(SelectedRow(locos_));
    });
    connect(functions_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            editor_.SelectFunction(SelectedRow(functions_));
    });
    connect(locos_, &QTreeWidget::itemDoubleClicked, this,
            [this] { Run(&RosterEditor::EditLoco); });
    connect(functions_, &QTreeWidget::itemDoubleClicked, this,
            [this] { Run(&RosterEditor::EditFunction); });
}

void CDlgRoster::Run(void (RosterEditor::*operation)()) {
    (editor_.*operation)();
    Refill();
}

void CDlgRoster::Refill() {
    filling_ = true;
    locos_->clear();
    int index = 0;
    for (const auto& row : editor_.LocoRows())
        AddRow(locos_, index++, {row[0], row[1], row[2], row[3]});
    if (editor_.SelectedLoco() >= 0)
        SelectRow(locos_, editor_.SelectedLoco());
    functions_->clear();
    index = 0;
    for (const RosterEditor::FunctionRow& row : editor_.FunctionRows()) {
        const auto& c = row.columns;
        AddRow(functions_, index++, {c[0], c[1], c[2]})->setIcon(0, StatusIcon(row.image));
    }
    if (editor_.SelectedFunction() >= 0)
        SelectRow(functions_, editor_.SelectedFunction());
    filling_ = false;
}
