#include "gui/app/LinkStateField.h"

#include "core/loconet/Loconet.h"

CLinkStateField::CLinkStateField(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("linkStateLabel"));
    setToolTip(QStringLiteral("Port, prek katerega je program povezan z vodilom LocoNet"));
}

void CLinkStateField::Show(const CLoconet& link) {
    const QString port = QString::fromStdString(link.PortName());
    QString text = QStringLiteral("brez povezave");
    bool trouble = !link.IsActive(); // offline is a choice, not a fault
    if (link.IsActive() && link.IsPortDown()) {
        text = QStringLiteral("%1: prekinjena, ponovno povezovanje ...").arg(port);
        trouble = true;
    } else if (link.IsActive() && link.Port() != nullptr && link.NotConfirming()) {
        text = QStringLiteral("%1: vmesnik ne potrjuje sporočil").arg(port);
        trouble = true;
    } else if (link.IsActive() && link.Port() != nullptr) {
        text = port;
    }
    // Asked twice a second: a style sheet set again would restyle the status bar each time.
    if (text == this->text() && trouble == trouble_)
        return;
    trouble_ = trouble;
    setText(text);
    setStyleSheet(trouble ? QStringLiteral("QLabel { color: #b00000; font-weight: bold; }")
                          : QString());
}
