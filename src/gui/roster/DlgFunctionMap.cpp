#include "gui/roster/DlgFunctionMap.h"

#include "gui/common/Controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QLineEdit* ReadOnlyEdit(const char* name, const std::string& text) {
    auto* edit = Control<QLineEdit>(QString::fromLatin1(name), FromStd(text));
    SetReadOnly(edit, true);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}
} // namespace

CDlgFunctionMap::CDlgFunctionMap(QWidget* parent, FunctionMapEditor editor)
    : QDialog(parent), editor_(std::move(editor)) {
    setObjectName(QStringLiteral("DlgFunctionMap"));
    setWindowTitle(QStringLiteral("Mapiranje Funkcionalnosti"));
    BuildControls();
    ShowFields();
}

void CDlgFunctionMap::BuildControls() {
    auto* grid = new QGridLayout;
    auto label = [](const char* text) { return new QLabel(QString::fromUtf8(text)); };
    grid->addWidget(label("Ime:"), 0, 0);
    grid->addWidget(label("Vgrajena:"), 0, 1);
    grid->addWidget(label("F tipka:"), 0, 2);
    grid->addWidget(ReadOnlyEdit("nameEdit", editor_.Name()), 1, 0);
    grid->addWidget(ReadOnlyEdit("builtinEdit", editor_.BuiltinText()), 1, 1);
    auto* key = ReadOnlyEdit("keyEdit", editor_.KeyText());
    key->setMaximumWidth(60);
    grid->addWidget(key, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 2);

    active_ = Control<QCheckBox>("activeCheck");
    initialOn_ = Control<QCheckBox>("initialOnCheck");
    auto_ = Control<QCheckBox>("autoCheck");
    auto* flags = new QHBoxLayout;
    flags->addWidget(label("Aktivna:"));
    flags->addWidget(active_);
    flags->addSpacing(24);
    flags->addWidget(label("Zač. stanje:"));
    flags->addWidget(initialOn_);
    flags->addStretch();

    edits_[kSequenceOn] = Control<QLineEdit>("sequenceOnEdit");
    edits_[kSequenceOff] = Control<QLineEdit>("sequenceOffEdit");
    const QString hint = QStringLiteral("Ukazi, ločeni z vejico, na primer M0+,M3-,S1F");
    for (QLineEdit* edit : edits_) {
        edit->setToolTip(hint);
        edit->installEventFilter(this);
    }
    auto* offRow = new QHBoxLayout;
    offRow->addWidget(edits_[kSequenceOff], 1);
    offRow->addWidget(label("Avto:"));
    offRow->addWidget(auto_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(flags);
    layout->addWidget(label("Sekvenca vklopa:"));
    layout->addWidget(edits_[kSequenceOn]);
    layout->addWidget(label("Sekvenca izklopa:"));
    layout->addLayout(offRow);
    layout->addLayout(OkCancelRow(this));
    cancel_ = findChild<QPushButton*>(QStringLiteral("cancelButton"));
    resize(440, sizeHint().height());

    connect(active_, &QCheckBox::toggled, this, [this](bool on) { editor_.SetActive(on); });
    connect(initialOn_, &QCheckBox::toggled, this, [this](bool on) { editor_.SetInitialOn(on); });
    connect(auto_, &QCheckBox::clicked, this, [this](bool on) {
        editor_.SetAuto(on);
        ShowFields();
    });
}

void CDlgFunctionMap::ShowFields() {
    active_->setChecked(editor_.Active());
    initialOn_->setChecked(editor_.InitialOn());
    auto_->setChecked(editor_.Auto());
    active_->setEnabled(!editor_.FlagsLocked());
    initialOn_->setEnabled(!editor_.FlagsLocked());
    auto_->setEnabled(editor_.MapAllowed());
    ShowText(kSequenceOn);
    ShowText(kSequenceOff);
    SetReadOnly(edits_[kSequenceOn], !editor_.MapAllowed());
    SetReadOnly(edits_[kSequenceOff], editor_.OffReadOnly());
}

void CDlgFunctionMap::ShowText(int index) {
    edits_[static_cast<std::size_t>(index)]->setText(FromStd(editor_.Text(index)));
}

bool CDlgFunctionMap::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only leaving the edit within the dialog counts; a message box or another window
        // takes the focus only for a while. Going to "Cancel" needs no check either.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            for (int index : {kSequenceOff, kSequenceOn})
                if (watched == edits_[static_cast<std::size_t>(index)]) {
                    pending_[static_cast<std::size_t>(index)] = true;
                    // Checked once the focus has settled: the check may ask, and may want
                    // the focus back.
                    QTimer::singleShot(0, this, &CDlgFunctionMap::CheckPending);
                }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgFunctionMap::CheckPending() {
    const bool cancelling = QApplication::focusWidget() == cancel_;
    for (int index : {kSequenceOn, kSequenceOff}) {
        bool& pending = pending_[static_cast<std::size_t>(index)];
        if (!pending)
            continue;
        pending = false;
        if (!cancelling && isVisible())
            FinishText(index);
    }
}

bool CDlgFunctionMap::FinishText(int index) {
    QLineEdit* edit = edits_[static_cast<std::size_t>(index)];
    const SequenceParseOutcome outcome = editor_.FinishText(index, edit->text().toStdString());
    if (outcome == SequenceParseOutcome::EditAgain) {
        edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    // Only what the check changed: the operator may be typing in the other edit already.
    ShowText(index);
    if (index == kSequenceOn && editor_.Auto())
        ShowText(kSequenceOff);
    return true;
}

void CDlgFunctionMap::accept() {
    pending_ = {};
    // Return or OK may come straight from an edit whose text has not been checked yet.
    for (int index : {kSequenceOn, kSequenceOff})
        if (!FinishText(index))
            return;
    QDialog::accept();
}
