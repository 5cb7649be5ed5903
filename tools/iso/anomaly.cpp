#include "iso/anomaly.h"

namespace tarnwell::iso {

char const* anomaly_name(AnomalyKind kind)
{
    switch (kind) {
    case AnomalyKind::BothEndianMismatch:
        return "both-endian fields disagree";
    case AnomalyKind::SelfLinkedDirectory:
        return "folder contains itself or an ancestor";
    case AnomalyKind::TooDeep:
        return "folder tree too deep";
    case AnomalyKind::TooManyEntries:
        return "too many entries";
    case AnomalyKind::ExtentPastEnd:
        return "data past the end of the image";
    case AnomalyKind::BadDirectoryRecord:
        return "damaged directory record";
    case AnomalyKind::UnsafeName:
        return "unsafe name";
    case AnomalyKind::DuplicateName:
        return "duplicate name";
    case AnomalyKind::CompressedContent:
        return "zisofs-compressed content not supported";
    case AnomalyKind::SpecialFile:
        return "link or device, not extracted";
    case AnomalyKind::BadBootCatalog:
        return "damaged boot catalog";
    case AnomalyKind::ContinuationLimit:
        return "Rock Ridge continuation areas loop or run too long";
    case AnomalyKind::InterleavedFile:
        return "interleaved file not supported";
    case AnomalyKind::WriteFailed:
        return "cannot extract";
    }
    return "anomaly";
}

std::string describe(Anomaly const& anomaly)
{
    std::string text = anomaly_name(anomaly.kind);
    if (!anomaly.path.empty())
        text += ": " + anomaly.path;
    if (!anomaly.detail.empty())
        text += " (" + anomaly.detail + ")";
    return text;
}

}
