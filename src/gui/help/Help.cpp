#include "gui/help/Help.h"

#include "gui/help/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QWhatsThis>
#include <QWidget>

namespace {

std::string ReadResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

void AddFaults(QStringList& out, const QString& file, const std::vector<std::string>& faults) {
    for (const std::string& fault : faults)
        out << file + QStringLiteral(": ") + QString::fromStdString(fault);
}

} // namespace

CHelp::CHelp(QObject* parent) : QObject(parent) {
    AddFaults(faults_, QStringLiteral("whatsthis.tsv"),
              index_.ReadWhatsThis(ReadResource(QStringLiteral(":/help/whatsthis.tsv"))));
    AddFaults(faults_, QStringLiteral("pages.tsv"),
              index_.ReadPages(ReadResource(QStringLiteral(":/help/pages.tsv"))));
    qApp->installEventFilter(this);
}

CHelp::~CHelp() {
    delete window_.data();
}

CHelpWindow* CHelp::Window() const {
    return window_.data();
}

void CHelp::ShowContents() {
    ShowPage(QStringLiteral("index.md"));
}

void CHelp::ShowPageFor(const QWidget* window) {
    const std::string page =
        window ? index_.PageFor(window->objectName().toStdString()) : std::string();
    ShowPage(page.empty() ? QStringLiteral("index.md") : QString::fromStdString(page));
}

void CHelp::ShowPage(const QString& page) {
    if (!window_) {
        window_ = new CHelpWindow(ContentsOf(ReadResource(QStringLiteral(":/vodnik/index.md"))));
        // The program ends with its main window, also while the guide is open.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    window_->ShowPage(page);
    // A modal dialog blocks every other window; the guide is then read over it, modal too,
    // and opens as an ordinary window again when no dialog is open.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted =
        modal && modal != window_.data() ? Qt::ApplicationModal : Qt::NonModal;
    if (window_->windowModality() != wanted) {
        window_->hide();
        window_->setWindowModality(wanted);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

template <typename Target> void CHelp::Apply(const std::string& window, Target* target) const {
    if (!target->whatsThis().isEmpty())
        return;
    if (const std::string* text = index_.WhatsThis(window, target->objectName().toStdString()))
        target->setWhatsThis(QString::fromStdString(*text));
}

void CHelp::ApplyWhatsThis(QWidget* widget) const {
    const std::string window = widget->window()->objectName().toStdString();
    if (window.empty())
        return;
    Apply(window, widget);
    if (!widget->isWindow())
        return; // a control shown later on its own
    for (QWidget* child : widget->findChildren<QWidget*>())
        Apply(window, child);
    // Menu commands and toolbar buttons take their sentence from their action.
    for (QAction* action : widget->findChildren<QAction*>())
        Apply(window, action);
}

bool CHelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        ApplyWhatsThis(static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // F1 that no menu command took: the window it was pressed in has no command of its own.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1) {
            const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
            if (mods == Qt::NoModifier)
                ShowPageFor(static_cast<QWidget*>(watched)->window());
            else if (mods == Qt::ShiftModifier)
                QWhatsThis::enterWhatsThisMode();
            else
                return false;
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
