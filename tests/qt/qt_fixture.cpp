#include "qt_fixture.h"
#include "app/globals.h"
#include "platform/encoding.h"
#include "platform/files.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>

namespace tarnwell::test {

void QtWindowTest::SetUp()
{
    // The offscreen platform: no display is needed (also set by CTest).
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (char const* old_temp = std::getenv("TMPDIR"))
        m_old_temp = old_temp;
    m_scratch = std::make_unique<ScratchFolder>();
    // A blank and Chinese text in the temporary folder's path.
    auto temp = m_scratch->path() / std::filesystem::u8path(u8"临时 目录");
    std::filesystem::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    m_temp_dir = TempDir();
    ASSERT_FALSE(m_temp_dir.empty());
    CreateGlobals();
    m_screen = std::make_unique<QtWindowSystem>();
}

void QtWindowTest::TearDown()
{
    m_program.reset();
    m_screen.reset();
    ReleaseGlobals();
    if (m_old_temp)
        setenv("TMPDIR", m_old_temp->c_str(), 1);
    else
        unsetenv("TMPDIR");
    m_scratch.reset();
}

void QtWindowTest::start(EventHandlers handlers)
{
    m_program = std::make_unique<Program>(*m_screen, std::move(handlers));
    m_program->open();
}

void QtWindowTest::click(Control const& control)
{
    QWidget* target = m_screen->widget_for(control);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton);
}

namespace {

    // How many turns of the event loop to look for the dialog before giving
    // up: a count, not a time, so a slow machine waits as long as it needs.
    constexpr int dialog_search_turns = 10000;

    void look_for_dialog(std::function<void(QWidget&)> answer, std::shared_ptr<bool> answered, int turns_left)
    {
        QTimer::singleShot(0, [answer = std::move(answer), answered, turns_left]() mutable {
            if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->isVisible()) {
                *answered = true;
                answer(*dialog);
            } else if (turns_left > 0) {
                look_for_dialog(std::move(answer), answered, turns_left - 1);
            }
        });
    }

}

std::shared_ptr<bool> answer_next_dialog(std::function<void(QWidget&)> answer)
{
    auto answered = std::make_shared<bool>(false);
    look_for_dialog(std::move(answer), answered, dialog_search_turns);
    return answered;
}

QString shown(std::string_view gbk)
{
    return QString::fromStdString(utf8_from_gbk(gbk));
}

Text program_text(QString const& text)
{
    return gbk_from_utf8(text.toStdString());
}

}
