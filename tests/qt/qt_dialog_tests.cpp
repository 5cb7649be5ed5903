// The dialogs of the Qt window system, answered by the test through their
// widgets: the open-file dialog behind 按钮1, the folder picker, and the
// information boxes.

#include "platform/files.h"
#include "platform/qt/qt_dialogs.h"
#include "qt_fixture.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <fstream>

using namespace tarnwell;
using namespace tarnwell::test;
namespace fs = std::filesystem;

namespace {

// What the open-file dialog showed when it opened.
struct OpenFileSeen {
    QString title;
    QString filter_shown;
    QString file_name_field;
    QFileDialog::FileMode mode { QFileDialog::AnyFile };
};

// Answers the next open-file dialog with `choice`, or cancels it when
// `choice` is empty, and records what it showed.
std::shared_ptr<bool> answer_open_file(OpenFileSeen& seen, QString choice)
{
    return answer_next_dialog([&seen, choice](QWidget& widget) {
        auto* dialog = qobject_cast<QFileDialog*>(&widget);
        ASSERT_NE(dialog, nullptr);
        seen.title = dialog->windowTitle();
        seen.mode = dialog->fileMode();
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            seen.filter_shown = types->currentText();
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            seen.file_name_field = name->text();
        if (choice.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(choice);
        static_cast<QDialog*>(dialog)->accept();
    });
}

class QtDialogs : public QtWindowTest {
protected:
    void SetUp() override
    {
        QtWindowTest::SetUp();
        start();
        fs::create_directories(scratch() / fs::path(u8"镜像 文件"));
        image = scratch() / fs::path(u8"镜像 文件") / "WINPE.IS_";
        std::ofstream(image) << "cabinet";
    }

    static Text to_core(fs::path const& path)
    {
        Text text = program_text(QString::fromStdString(path.string()));
        for (char& c : text) {
            if (c == '/')
                c = '\\';
        }
        return text;
    }

    fs::path image;
};

TEST_F(QtDialogs, ChoosingTheImageFillsThePathAndEnablesUnpacking)
{
    OpenFileSeen seen;
    auto answered = answer_open_file(seen, QString::fromStdString(image.string()));
    click(window().按钮1);
    ASSERT_TRUE(*answered);
    EXPECT_EQ(seen.title, shown("请选择PE目录下的*IS_文件"));
    EXPECT_EQ(seen.filter_shown, shown("IS_文件（*.IS_）"));
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(seen.file_name_field.isEmpty());
    EXPECT_EQ(window().编辑框1.text(), to_core(image));
    EXPECT_EQ(program_text(widget<QLineEdit>(window().编辑框1).text()), to_core(image));
    EXPECT_TRUE(widget<QPushButton>(window().按钮4).isEnabled());
    EXPECT_EQ(window().标签1.caption(), "确认选择好后单击解析IS_");

    // The second opening shows the remembered file; cancelling keeps it.
    window().编辑框1.set_text("");
    OpenFileSeen again;
    answered = answer_open_file(again, {});
    click(window().按钮1);
    ASSERT_TRUE(*answered);
    EXPECT_EQ(again.file_name_field, QStringLiteral("WINPE.IS_"));
    EXPECT_EQ(window().编辑框1.text(), to_core(image));
}

TEST_F(QtDialogs, CancellingTheFirstChoiceChangesNothing)
{
    OpenFileSeen seen;
    auto answered = answer_open_file(seen, {});
    click(window().按钮1);
    ASSERT_TRUE(*answered);
    EXPECT_EQ(window().编辑框1.text(), "");
    EXPECT_FALSE(widget<QPushButton>(window().按钮4).isEnabled());
    EXPECT_EQ(window().标签1.caption(), "请先打开PE里的IS_文件");
}

TEST(QtFilters, ImageFilterMatchesWithoutRegardToCase)
{
    auto filters = qt::name_filters("IS_文件（*.IS_）|*.IS_");
    ASSERT_EQ(filters.size(), 1);
    auto open = filters[0].lastIndexOf(u'(');
    QString patterns = filters[0].mid(open + 1).chopped(1);
    struct Case {
        char const* name;
        bool listed;
    };
    Case const cases[] = {
        { "WINPE.IS_", true },
        { "winpe.is_", true },
        { "Mixed.iS_", true },
        { "WINPE.ISO", false },
        { "WINPE.IS_.bak", false },
        { "IS_", false },
    };
    for (auto const& c : cases) {
        bool listed = false;
        for (auto const& pattern : patterns.split(u' ', Qt::SkipEmptyParts)) {
            QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern));
            listed = listed || wildcard.match(QString::fromLatin1(c.name)).hasMatch();
        }
        EXPECT_EQ(listed, c.listed) << c.name;
    }
    // Two entries, the second with two patterns.
    auto two = qt::name_filters("Bilder|*.bmp;*.PNG|Alle|*.*");
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0], QStringLiteral("Bilder (*.[bB][mM][pP] *.[pP][nN][gG])"));
    EXPECT_EQ(two[1], QStringLiteral("Alle (*.*)"));
}

TEST_F(QtDialogs, FolderPickerGivesTheCoreFormOfTheChosenFolder)
{
    fs::path folder = scratch() / fs::path(u8"我的 程序");
    fs::create_directories(folder);
    QString title_seen;
    auto answered = answer_next_dialog([&](QWidget& widget) {
        auto* dialog = qobject_cast<QFileDialog*>(&widget);
        ASSERT_NE(dialog, nullptr);
        title_seen = dialog->windowTitle();
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->selectFile(QString::fromStdString(folder.string()));
        static_cast<QDialog*>(dialog)->accept();
    });
    Text chosen = screen().browse_for_folder("请选择要添加的软件目录");
    ASSERT_TRUE(*answered);
    EXPECT_EQ(title_seen, shown("请选择要添加的软件目录"));
    EXPECT_EQ(chosen, to_core(folder));

    answered = answer_next_dialog([](QWidget& widget) { static_cast<QDialog&>(widget).reject(); });
    EXPECT_EQ(screen().browse_for_folder("x"), "");
    EXPECT_TRUE(*answered);
}

TEST_F(QtDialogs, InformationBoxHasTheTitleOneOkButtonAndNoIcon)
{
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon { QMessageBox::Critical };
        QMessageBox::StandardButtons buttons;
        Qt::WindowModality modality { Qt::NonModal };
    } seen;
    auto answered = answer_next_dialog([&](QWidget& widget) {
        auto* box = qobject_cast<QMessageBox*>(&widget);
        ASSERT_NE(box, nullptr);
        seen = { box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->windowModality() };
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    screen().info_box("删除成功");
    ASSERT_TRUE(*answered);
    EXPECT_EQ(seen.title, shown("信息："));
    EXPECT_EQ(seen.text, shown("删除成功"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
}

}
