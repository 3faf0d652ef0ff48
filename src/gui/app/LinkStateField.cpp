#include "app/LinkStateField.h"

#include "core/loconet/Loconet.h"

CLinkStateField::CLinkStateField(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("linkStateLabel"));
    setToolTip(QStringLiteral("Vrata, prek katerih je program povezan z vodilom LocoNet"));
}

void CLinkStateField::Show(const CLoconet& link) {
    const QString port = QString::fromStdString(link.PortName());
    QString text;
    bool trouble = true;
    if (!link.IsActive() || (link.Port() == nullptr && !link.IsPortDown())) {
        text = QStringLiteral("brez povezave");
        trouble = !link.IsActive();
    } else if (link.IsPortDown()) {
        text = QStringLiteral("%1: prekinjena, ponovno povezovanje ...").arg(port);
    } else {
        text = port;
        trouble = false;
    }
    setText(text);
    setStyleSheet(trouble ? QStringLiteral("QLabel { color: #b00000; font-weight: bold; }")
                          : QString());
}
