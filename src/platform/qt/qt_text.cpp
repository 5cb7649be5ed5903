#include "platform/qt/qt_text.h"
#include "platform/encoding.h"
#include "platform/posix_paths.h"

namespace tarnwell::qt {

QString to_qt(std::string_view gbk)
{
    auto utf8 = utf8_from_gbk(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text from_qt(QString const& text)
{
    auto utf8 = text.toUtf8();
    return gbk_from_utf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString disk_path_from_core(std::string_view core_path)
{
    return QString::fromStdString(posix::literal_disk_path(core_path));
}

Text core_path_from_disk(QString const& disk_path)
{
    auto utf8 = disk_path.toUtf8();
    return posix::core_path(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}
