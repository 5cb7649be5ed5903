// The input rule on the Qt window: while a handler runs and lets the window
// take its waiting events (ProcessEvents), the user's clicks and keys are
// dropped, and a close request waits until the handler has returned.

#include "app/dialogs.h"
#include "platform/files.h"
#include "qt_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// A click as the desktop delivers it: press and release waiting in the
// queue, aimed at the middle of the widget.
void queue_click(QWidget& widget)
{
    QPointF middle = QRectF(widget.rect()).center();
    QPointF global = widget.mapToGlobal(middle);
    for (auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        auto buttons = type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
        QCoreApplication::postEvent(
            &widget, new QMouseEvent(type, middle, global, Qt::LeftButton, buttons, Qt::NoModifier));
    }
}

void queue_key(QWidget& widget, Qt::Key key, QString const& text)
{
    for (auto type : { QEvent::KeyPress, QEvent::KeyRelease })
        QCoreApplication::postEvent(&widget, new QKeyEvent(type, key, Qt::NoModifier, text));
}

class QtInputRule : public QtWindowTest {
protected:
    // 按钮4's handler runs `during` and then ProcessEvents; 按钮2's handler
    // counts its runs.
    void start_with(std::function<void()> during)
    {
        EventHandlers handlers;
        handlers.按钮4_click = [this, during] {
            ++unpack_runs;
            during();
            ProcessEvents();
            open_after_process_events = screen().window_open();
        };
        handlers.按钮2_click = [this] { ++add_folder_runs; };
        start(std::move(handlers));
        window().按钮4.set_enabled(true);
        window().按钮2.set_enabled(true);
        window().编辑框3.set_enabled(true);
    }

    int unpack_runs { 0 };
    int add_folder_runs { 0 };
    bool open_after_process_events { false };
};

TEST_F(QtInputRule, InputDuringAHandlerIsDropped)
{
    start_with([this] {
        queue_click(widget<QPushButton>(window().按钮2));
        queue_key(widget<QLineEdit>(window().编辑框3), Qt::Key_A, QStringLiteral("a"));
    });
    click(window().按钮4);
    EXPECT_EQ(unpack_runs, 1);
    EXPECT_EQ(add_folder_runs, 0);
    EXPECT_EQ(window().编辑框3.text(), "");

    // Nothing was kept for later either.
    QCoreApplication::processEvents();
    EXPECT_EQ(add_folder_runs, 0);

    // Outside a handler the same input is taken.
    queue_click(widget<QPushButton>(window().按钮2));
    queue_key(widget<QLineEdit>(window().编辑框3), Qt::Key_A, QStringLiteral("a"));
    QCoreApplication::processEvents();
    EXPECT_EQ(add_folder_runs, 1);
    EXPECT_EQ(window().编辑框3.text(), "a");
}

TEST_F(QtInputRule, CloseDuringAHandlerWaitsForItsEnd)
{
    start_with([this] { main_widget().close(); });
    Text tool = temp_dir() + "ultraiso.exe";
    ASSERT_TRUE(FileExists(tool));
    click(window().按钮4);
    EXPECT_TRUE(open_after_process_events);
    EXPECT_TRUE(program().window_destroyed());
    EXPECT_FALSE(screen().window_open());
    // The workspace was cleared on the way out.
    EXPECT_FALSE(FileExists(tool));
}

TEST_F(QtInputRule, CloseOutsideAHandlerClosesAtOnce)
{
    start_with([] {});
    main_widget().close();
    EXPECT_TRUE(program().window_destroyed());
    EXPECT_FALSE(screen().window_open());
    EXPECT_FALSE(screen().dispatch_next_event());
    EXPECT_EQ(screen().widget_for(window().按钮1), nullptr);
    // The model may still change; nothing is drawn any more.
    window().标签1.set_caption("x");
}

TEST_F(QtInputRule, DialogsTakeInputWhileTheirHandlerRuns)
{
    start();
    // 按钮1's handler runs while its dialog is open: a click on the dialog's
    // own button must still reach it.
    bool closed_by_click = false;
    auto answered = answer_next_dialog([&closed_by_click](QWidget& dialog) {
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        closed_by_click = !dialog.isVisible();
        if (!closed_by_click)
            static_cast<QDialog&>(dialog).reject();
    });
    click(window().按钮1);
    EXPECT_TRUE(*answered);
    EXPECT_TRUE(closed_by_click);
    EXPECT_FALSE(program().handler_running());
}

}
