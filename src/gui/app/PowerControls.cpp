#include "gui/app/PowerControls.h"

#include "core/loconet/Loconet.h"
#include "core/platform.h"
#include "gui/common/PaintedIcon.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QToolBar>

namespace {

QIcon PowerIcon(PowerState state) {
    const QColor color = state == PowerState::On    ? QColor(0x1e, 0xa0, 0x32)
                         : state == PowerState::Off ? QColor(0xc8, 0x1e, 0x1e)
                                                    : QColor(0x9a, 0x9a, 0x9a);
    return PaintedIcon([color](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(color.darker(150), 2));
        p.setBrush(color);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        // The power sign: a stroke in an open ring.
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(10, 10, 12, 12), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 8), QPointF(16, 16));
    });
}

QAction* MakeAction(QWidget* frame, const char* name, const QString& text, const QString& tip) {
    auto* action = new QAction(text, frame);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(tip);
    return action;
}

} // namespace

CPowerControls::CPowerControls(CLoconet& link, Prompts& prompts, QWidget* frame)
    : QObject(frame), link_(link), prompts_(prompts) {
    on_ = MakeAction(frame, "actionPowerOn", QStringLiteral("&Vklopi napajanje"),
                     QStringLiteral("Vklopi napajanje tirov (vse postaje na vodilu)"));
    off_ = MakeAction(frame, "actionPowerOff", QStringLiteral("&Izklopi napajanje"),
                      QStringLiteral("Izklopi napajanje tirov: vse lokomotive obstanejo"));
    // Pause, or Shift+Escape on keyboards without it; no throttle uses either, and both
    // work in every window of the program.
    off_->setShortcuts({QKeySequence(Qt::Key_Pause), QKeySequence(Qt::SHIFT | Qt::Key_Escape)});
    off_->setShortcutContext(Qt::ApplicationShortcut);
    frame->addAction(off_);
    stopAll_ = MakeAction(frame, "actionStopAll", QStringLiteral("&Ustavi vse"),
                          QStringLiteral("Zasilna zavora za vse lokomotive; napajanje ostane"));
    button_ = MakeAction(frame, "actionPower", QStringLiteral("Napajanje"), {});
    connect(on_, &QAction::triggered, this, [this] { Send(TrackPower::PowerOn()); });
    connect(off_, &QAction::triggered, this, [this] { Send(TrackPower::PowerOff()); });
    connect(stopAll_, &QAction::triggered, this, [this] { Send(TrackPower::StopAll()); });
    // Switches the power the other way from what the bus said; unknown power is switched on.
    connect(button_, &QAction::triggered, this, [this] {
        Send(power_.State() == PowerState::On ? TrackPower::PowerOff() : TrackPower::PowerOn());
    });
    watcher_ = link_.AddMessageWatcher([this](const LocoNetMessage& m) {
        if (power_.Observe(m))
            Show();
    });
    Show();
}

CPowerControls::~CPowerControls() = default;

void CPowerControls::AddToMenu(QMenu* menu) const {
    menu->addAction(on_);
    menu->addAction(off_);
    menu->addAction(stopAll_);
}

void CPowerControls::AddToToolBar(QToolBar* bar) const {
    bar->addAction(button_);
}

void CPowerControls::LinkDown(bool down) {
    if (down && power_.Forget())
        Show();
}

void CPowerControls::Send(const LocoNetMessage& message) {
    // A power command that cannot reach the bus must say so: the operator reaches for
    // "Izklopi napajanje" when something goes wrong on the layout.
    if (!link_.IsActive() || link_.IsPortDown() || link_.Offline() ||
        !link_.QueueMessage(message)) {
        prompts_.Inform("Napaka! Povezava LocoNet ni odprta, ukaz za napajanje ni poslan.",
                        PromptIcon::Warning);
        return;
    }
    // The button changes when the bus carries the command, not before.
}

void CPowerControls::Show() {
    const PowerState state = power_.State();
    button_->setIcon(PowerIcon(state));
    const QString what = state == PowerState::On    ? QStringLiteral("vklopljeno")
                         : state == PowerState::Off ? QStringLiteral("izklopljeno")
                                                    : QStringLiteral("neznano");
    const QString tip = QStringLiteral("Napajanje: %1. Klik ga %2.")
                            .arg(what, state == PowerState::On ? QStringLiteral("izklopi")
                                                               : QStringLiteral("vklopi"));
    button_->setText(QStringLiteral("Napajanje: %1").arg(what));
    button_->setToolTip(tip);
    button_->setStatusTip(tip);
}
