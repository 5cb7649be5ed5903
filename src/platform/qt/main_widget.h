#pragma once

// The top-level window: its client area holds the controls at their pixel
// positions. It never closes by itself: a close request (close button,
// system menu, the desktop's close key) is handed to the program, which
// destroys the window when it is ready to.

#include <QWidget>
#include <functional>

namespace tarnwell::qt {

class MainWidget final : public QWidget {
public:
    MainWidget(std::function<void()> on_close_request);

protected:
    void closeEvent(QCloseEvent*) override;

private:
    std::function<void()> m_on_close_request;
};

}
