// tarniso: reads ISO 9660 images (with Joliet, Rock Ridge and El Torito),
// extracts them, and rebuilds them with folders taken out or added.

#include "iso/byte_source.h"
#include "iso/extractor.h"
#include "iso/image_reader.h"
#include "iso/options.h"
#include "iso/progress.h"
#include "iso/rebuild.h"

#include "common/file_io.h"
#include "common/tool_main.h"

#include <cstdio>

using namespace tarnwell;

namespace {

int report_error(std::string const& message)
{
    std::fprintf(stderr, "tarniso: error: %s\n", message.c_str());
    return 1;
}

// Lists the anomalies; returns whether any of them left an entry out.
bool report_anomalies(iso::Anomalies const& anomalies)
{
    bool skipped = false;
    for (auto const& anomaly : anomalies) {
        if (anomaly.severity == iso::Severity::SkippedEntry) {
            skipped = true;
            std::fprintf(stderr, "tarniso: error: %s\n", iso::describe(anomaly).c_str());
        } else if (anomaly.kind != iso::AnomalyKind::SpecialFile) {
            std::fprintf(stderr, "tarniso: note: %s\n", iso::describe(anomaly).c_str());
        }
    }
    return skipped;
}

int extract(iso::Options const& options)
{
    auto input = tools::InputFile::open(iso::local_path(*options.input));
    if (!input)
        return report_error(input.error().message());
    iso::FileSource source(*input);
    auto read = iso::read_image(source);
    if (!read)
        return report_error(*options.input + ": " + read.error().message());
    iso::Progress progress("extracting", iso::content_size(read->image.root), options.silent);
    auto summary = iso::extract_tree(
        source, read->image.root, iso::local_path(*options.extract_to), iso::native_name_policy(), progress);
    if (!summary)
        return report_error(summary.error().message());
    bool skipped = report_anomalies(read->anomalies);
    skipped = report_anomalies(summary->problems) || skipped;
    return skipped ? 1 : 0;
}

}

int tool_main(std::vector<std::string> const& arguments)
{
    auto options = iso::parse_options(arguments);
    if (!options)
        return report_error(options.error().context + " (tarniso --help shows the usage)");
    if (options->help) {
        std::fputs(iso::usage_text(), stdout);
        return 0;
    }
    if (options->extract_to)
        return extract(*options);
    return iso::rebuild(*options);
}
