#include "gui/throttles/DlgThrottle.h"

#include "core/loconet/Loconet.h"
#include "gui/throttles/FuncButton.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace {
const QString kLinkDownSuffix = QStringLiteral(" – ni povezave");
} // namespace

CDlgThrottle::CDlgThrottle(CLoconet& loconet, CMainFrame* /*mainWindow*/,
                           std::unique_ptr<Throttle> logic)
    : QDialog(nullptr), loconet_(loconet), logic_(std::move(logic)),
      linkDown_(loconet.IsPortDown()) {
    setModal(false);
}

CDlgThrottle::~CDlgThrottle() {
    const int index = logic_->registryIndex;
    // Every slot the throttle holds goes back, however it ends (a realistic one has four).
    logic_->ReleaseAll();
    if (loconet_.GetThrottle(index) == logic_.get())
        loconet_.RemoveThrottle(index);
    logic_.reset();
}

void CDlgThrottle::FunctionStateChanged(int function, bool state) {
    logic_->FunctionStateChanged(function, state);
}

void CDlgThrottle::DestroyWindow() {
    if (destroying_)
        return;
    destroying_ = true;
    hide();
    deleteLater();
}

void CDlgThrottle::ShowLinkState(bool down) {
    linkDown_ = down;
    QString title = windowTitle();
    if (title.endsWith(kLinkDownSuffix))
        title.chop(kLinkDownSuffix.size());
    setWindowTitle(down ? title + kLinkDownSuffix : title);
}

void CDlgThrottle::changeEvent(QEvent* event) {
    // A title set by the window itself gets the mark back.
    if (event->type() == QEvent::WindowTitleChange && linkDown_ &&
        !windowTitle().endsWith(kLinkDownSuffix))
        setWindowTitle(windowTitle() + kLinkDownSuffix);
    QDialog::changeEvent(event);
}

void CDlgThrottle::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        event->accept();
        // Enter on a focused button clicks it; a function key takes no clicks.
        if (qobject_cast<CFuncButton*>(focusWidget()))
            return;
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
        DefaultAction();
        return;
    }
    default:
        QDialog::keyPressEvent(event);
    }
}

void CDlgThrottle::closeEvent(QCloseEvent* event) {
    // The logic decides when the window goes (a throttle may first stop its train).
    event->ignore();
    if (!destroying_)
        logic_->CloseThrottle();
}
