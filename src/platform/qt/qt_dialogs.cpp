#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_text.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace tarnwell::qt {

QString case_blind_pattern(QString const& pattern)
{
    QString result;
    for (QChar c : pattern) {
        bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (letter)
            result += u'[' + c.toLower() + c.toUpper() + u']';
        else
            result += c;
    }
    return result;
}

QStringList name_filters(std::string_view filter)
{
    // Split only after the conversion: "|" may be the second byte of a GBK
    // character.
    QStringList parts = to_qt(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (auto const& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            patterns += case_blind_pattern(pattern.trimmed());
        // The shown text keeps its own words; Qt reads the patterns from the
        // parenthesised list at the end and hides it (HideNameFilterDetails).
        filters += parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

std::optional<Text> run_open_file_dialog(QWidget* owner, OpenFileDialog const& model)
{
    QFileDialog dialog(owner, to_qt(model.title()));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (auto filters = name_filters(model.filter()); !filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!model.file_name().empty())
        dialog.selectFile(disk_path_from_core(model.file_name()));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    auto chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return core_path_from_disk(chosen.first());
}

Text run_folder_picker(QWidget* owner, std::string_view title)
{
    QFileDialog dialog(owner, to_qt(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setDirectory(QDir::homePath());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    auto chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    QString folder = QDir::cleanPath(chosen.first());
    return core_path_from_disk(folder);
}

void run_info_box(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, to_qt("信息："), to_qt(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}
