#include "platform/qt/main_widget.h"

#include <QCloseEvent>

namespace tarnwell::qt {

MainWidget::MainWidget(std::function<void()> on_close_request)
    : QWidget(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_on_close_request(std::move(on_close_request))
{
}

void MainWidget::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_on_close_request();
}

}
