#include "platform/qt/input_gate.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace tarnwell::qt {

InputGate::InputGate(QWidget& window, std::function<bool()> dropping)
    : m_window(&window)
    , m_dropping(std::move(dropping))
{
}

bool is_user_input(int event_type)
{
    switch (static_cast<QEvent::Type>(event_type)) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool InputGate::aims_at_window(QObject* watched) const
{
    if (!m_window)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window() == m_window;
    // Input reaches the top-level QWindow before any widget sees it.
    auto* window = qobject_cast<QWindow*>(watched);
    return window && window == m_window->windowHandle();
}

bool InputGate::eventFilter(QObject* watched, QEvent* event)
{
    return is_user_input(event->type()) && aims_at_window(watched) && m_dropping();
}

}
