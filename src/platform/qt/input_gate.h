#pragma once

// The input rule of the window while one of the program's handlers runs:
// the user's clicks, keys, wheel turns and typing aimed at the main window
// are dropped, not queued, so that no second handler starts inside the
// running one. Everything else passes: painting, timers, and the close
// request, which the program defers until its handler has returned. The
// dialogs are windows of their own and are never held back.

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tarnwell::qt {

class InputGate final : public QObject {
public:
    // `dropping` tells whether input is dropped now.
    InputGate(QWidget& window, std::function<bool()> dropping);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool aims_at_window(QObject* watched) const;

    QPointer<QWidget> m_window;
    std::function<bool()> m_dropping;
};

// Whether an event is the user's input (as opposed to painting, timers,
// window management or a close request).
bool is_user_input(int event_type);

}
