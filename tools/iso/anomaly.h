#pragma once

// Oddities the reader meets in an image, each under a name. Some only tell
// (two copies of a number that disagree); the others made it pass over an
// entry, which the tool reports as an error and answers with a non-zero exit.

#include <string>
#include <vector>

namespace tarnwell::iso {

enum class AnomalyKind {
    BothEndianMismatch, // the two copies of a both-endian number differ; the little-endian one is used
    SelfLinkedDirectory, // a folder that contains itself or an ancestor
    TooDeep, // a folder below the depth limit
    TooManyEntries, // the image holds more entries than we keep
    ExtentPastEnd, // content or a folder lies beyond the end of the image
    BadDirectoryRecord, // a record that does not fit its folder or is shorter than its fields
    UnsafeName, // a name that would leave the folder or cannot be a file name here
    DuplicateName, // two entries of one folder that would land on one file
    CompressedContent, // zisofs content, which we do not expand
    SpecialFile, // a Rock Ridge link or device: listed, not extracted
    BadBootCatalog, // the El Torito catalog does not hold together
    ContinuationLimit, // Rock Ridge continuation areas that go on too long or in a loop
    InterleavedFile, // a file recorded in interleaved mode (ECMA-119 6.4.3)
    WriteFailed, // the entry could not be read from the image or written out
};

enum class Severity {
    Note,
    SkippedEntry,
};

struct Anomaly {
    AnomalyKind kind;
    Severity severity;
    std::string path; // the entry's path in the image, "/" separated
    std::string detail;
};

char const* anomaly_name(AnomalyKind);
std::string describe(Anomaly const&);

using Anomalies = std::vector<Anomaly>;

}
