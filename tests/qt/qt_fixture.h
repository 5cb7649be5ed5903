#pragma once

// What the tests of the Qt window stand on: the program on the real Qt
// window system (offscreen), its temporary folder inside a scratch folder of
// the test's own, and helpers that find a control's widget and answer the
// modal dialogs through their widgets.

#include "app/program.h"
#include "platform/qt/qt_window_system.h"
#include "test_support.h"

#include <QWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace tarnwell::test {

class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the program with the given handlers and opens its window.
    void start(EventHandlers handlers = {});

    QtWindowSystem& screen() { return *m_screen; }
    Program& program() { return *m_program; }
    MainWindow& window() { return m_program->window(); }
    QWidget& main_widget() { return *m_screen->main_widget(); }
    std::filesystem::path const& scratch() const { return m_scratch->path(); }
    Text const& temp_dir() const { return m_temp_dir; }

    template<typename WidgetType> WidgetType& widget(Control const& control)
    {
        auto* found = qobject_cast<WidgetType*>(m_screen->widget_for(control));
        if (!found)
            throw std::runtime_error("no widget of the expected kind for a control");
        return *found;
    }

    // Clicks a widget as the user would: press and release of the left button.
    void click(Control const&);

private:
    std::unique_ptr<ScratchFolder> m_scratch;
    std::unique_ptr<QtWindowSystem> m_screen;
    std::unique_ptr<Program> m_program;
    Text m_temp_dir;
    std::optional<std::string> m_old_temp;
};

// Answers the next modal dialog that opens: `answer` gets its widget once it
// is the active modal widget, and must close it. Returns a flag that tells
// afterwards whether a dialog came to be answered.
std::shared_ptr<bool> answer_next_dialog(std::function<void(QWidget&)> answer);

// A text of the program (GBK) as Qt shows it, and back.
QString shown(std::string_view gbk);
Text program_text(QString const&);

}
