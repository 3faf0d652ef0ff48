#include "gui/throttles/HandleSlider.h"

#include <QKeyEvent>
#include <QSlider>

CHandleSlider::CHandleSlider(QSlider* slider, std::function<void(int value)> letGo)
    : QObject(slider), slider_(slider), letGo_(std::move(letGo)) {
    connect(slider_, &QSlider::sliderReleased, this, &CHandleSlider::EndScroll);
    connect(slider_, &QSlider::valueChanged, this, &CHandleSlider::OnValueChanged);
    slider_->installEventFilter(this);
}

void CHandleSlider::SetValue(int value) {
    showing_ = true;
    slider_->setValue(value);
    showing_ = false;
}

void CHandleSlider::SetRange(int minimum, int maximum, int value) {
    showing_ = true;
    slider_->setRange(minimum, maximum);
    slider_->setValue(value);
    showing_ = false;
}

void CHandleSlider::OnValueChanged() {
    if (showing_)
        return;
    if (scrollHeld_ || slider_->isSliderDown()) {
        scrollMoved_ = true;
        return;
    }
    letGo_(slider_->value());
}

void CHandleSlider::EndScroll() {
    scrollMoved_ = false;
    letGo_(slider_->value());
}

namespace {
// The keys with which the slider scrolls; any other key (Tab, Enter) is no scroll and may
// well take the focus away before it is let go.
bool IsScrollKey(const QEvent* event) {
    switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}
} // namespace

bool CHandleSlider::eventFilter(QObject* watched, QEvent* event) {
    if (watched != slider_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (IsScrollKey(event))
            scrollHeld_ = true;
        break;
    case QEvent::MouseButtonPress:
        scrollHeld_ = true;
        break;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
            break;
        [[fallthrough]];
    case QEvent::MouseButtonRelease:
    case QEvent::FocusOut: // a held key is let go elsewhere: the scroll ends here
        scrollHeld_ = false;
        // A drag ends in the slider's own release handling (sliderReleased).
        if (scrollMoved_ && !slider_->isSliderDown())
            EndScroll();
        break;
    default:
        break;
    }
    return false;
}
