#pragma once

// The one place where the program's texts meet Qt's: GBK bytes become
// QStrings for display and come back from what the user typed or chose.
// Paths cross with their separators turned as the POSIX primitives do, so
// the core keeps seeing "\" paths.

#include "text/text.h"

#include <QString>
#include <string_view>

namespace tarnwell::qt {

QString to_qt(std::string_view gbk);
Text from_qt(QString const&);

// A core path ("\" between parts, GBK) as a path on disk for Qt, and back.
QString disk_path_from_core(std::string_view core_path);
Text core_path_from_disk(QString const& disk_path);

}
