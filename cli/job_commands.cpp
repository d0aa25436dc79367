#include "job_commands.h"

#include <charconv>
#include <optional>
#include <ostream>

#include "merge/compose.h"
#include "imaging/gdiputil.h"
#include "imaging/text_path.h"
#include "imaging/thumbnail_tile.h"
#include "split/file_names.h"
#include "split/page_export.h"
#include "split/page_listing.h"
#include "path_list.h"
#include "terminal_reporting.h"

namespace orvelle::cli {
namespace {

constexpr int kAllWritten = 0, kSomeFailed = 1, kNothingWritten = 2;

const char* const kFormatNames[] = {"jpeg", "bmp", "gif", "png", "tiff"};

std::optional<ExportFormat> formatNamed(const std::string& name) {
    if (name == "jpg") return ExportFormat::Jpeg;
    if (name == "tif") return ExportFormat::Tiff;
    for (int i = 0; i < kOutputFormatCount; ++i)
        if (name == kFormatNames[i]) return exportFormatOfBox(i);
    return std::nullopt;
}

bool parseNumber(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end;
}

// Reads "--name value" pairs and flags; the rest are operands.
struct Arguments {
    std::vector<std::string> operands;
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> flags;
    std::string error;

    const std::string* option(const std::string& name) const {
        for (const auto& [key, value] : options)
            if (key == name) return &value;
        return nullptr;
    }
    bool flag(const std::string& name) const {
        for (const auto& f : flags)
            if (f == name) return true;
        return false;
    }
};

Arguments parse(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
                const std::vector<std::string>& plainFlags) {
    Arguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.operands.push_back(arg);
            continue;
        }
        bool known = false;
        for (const auto& name : withValue)
            if (arg == name) {
                if (i + 1 >= args.size()) {
                    parsed.error = arg + " needs a value";
                    return parsed;
                }
                parsed.options.emplace_back(arg, args[++i]);
                known = true;
            }
        for (const auto& name : plainFlags)
            if (arg == name) {
                parsed.flags.push_back(arg);
                known = true;
            }
        if (!known) {
            parsed.error = "unknown option " + arg;
            return parsed;
        }
    }
    return parsed;
}

// Saves each tile as it is listed and prints its caption.
class TileFiles : public PageListSink {
public:
    TileFiles(const std::string& source, const std::string& folder, BitmapTileTarget& target,
              std::ostream& out, std::ostream& err)
        : m_source(source), m_folder(folder), m_target(target), m_out(out), m_err(err) {
        FindEncoderByMime("image/png", m_png);
    }

    void addPage(const std::string& caption) override {
        const std::string name = pageOutputName(m_folder, m_source, m_page++, ".png");
        TGPBitmap* tile = m_target.bitmap();
        if (tile && tile->SaveToFile(widenPath(name), &m_png, nullptr) == Ok) {
            m_out << caption << "\t" << name << "\n";
        } else {
            m_err << name << ": not written\n";
            ++m_failed;
        }
    }
    uint32_t failed() const { return m_failed; }

private:
    std::string m_source, m_folder;
    BitmapTileTarget& m_target;
    std::ostream& m_out;
    std::ostream& m_err;
    GUID m_png{};
    uint32_t m_page = 0;
    uint32_t m_failed = 0;
};

}  // namespace

int runTiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out"}, {});
    auto usage = [&](const std::string& why) {
        err << "orvelle-cli tiles: " << why << "\n";
        return kNothingWritten;
    };
    if (!a.error.empty()) return usage(a.error);
    if (a.operands.size() != 1) return usage("name exactly one source TIFF");
    const std::string* folder = a.option("--out");
    if (!folder) return usage("name the output folder with --out DIR");
    TerminalProgress progress(err);
    TerminalMessages messages(err);
    NoEvents pump;
    JobContext context{progress, messages, pump};
    BitmapTileTarget target;
    TileFiles files(a.operands[0], *folder, target, out, err);
    const PageListing listing = listTiffPages(a.operands[0], target, files, context);
    if (listing.pages == 0 || files.failed() == listing.pages) return kNothingWritten;
    return listing.failedPages == 0 && files.failed() == 0 ? kAllWritten : kSomeFailed;
}

int runSplit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out", "--format", "--percent", "--page", "--to"}, {});
    auto usage = [&](const std::string& why) {
        err << "orvelle-cli split: " << why << "\n";
        return kNothingWritten;
    };
    if (!a.error.empty()) return usage(a.error);
    if (a.operands.size() != 1) return usage("name exactly one source TIFF");
    const std::string& source = a.operands[0];
    ExportFormat format = ExportFormat::Jpeg;
    if (const std::string* name = a.option("--format")) {
        const std::optional<ExportFormat> named = formatNamed(*name);
        if (!named) return usage("unknown format " + *name + " (jpeg, bmp, gif, png or tiff)");
        format = *named;
    }
    long percent = 100;
    if (const std::string* text = a.option("--percent")) {
        if (!parseNumber(*text, percent) || percent < kMinPercent || percent > kMaxPercent)
            return usage("the percentage is a whole number from 1 to 1000");
    }
    TerminalMessages messages(err);

    if (const std::string* pageText = a.option("--page")) {
        long page = 0;
        const std::string* target = a.option("--to");
        if (!parseNumber(*pageText, page) || page < 1) return usage("pages are counted from 1");
        if (!target || a.option("--out")) return usage("--page goes with --to FILE, not --out");
        ExportPageRequest request{source, static_cast<uint32_t>(page - 1), *target, format,
                                  static_cast<int>(percent)};
        if (!ExportPage(request, messages)) {
            err << source << ": page " << page << " was not written to " << *target << "\n";
            return kNothingWritten;
        }
        out << *target << "\n";
        return kAllWritten;
    }
    const std::string* folder = a.option("--out");
    if (!folder || a.option("--to")) return usage("name the output folder with --out DIR");
    if (!checkExportInputs(source, *folder, messages)) return kNothingWritten;
    TerminalProgress progress(err);
    NoEvents pump;
    JobContext context{progress, messages, pump};
    const ExportAllResult result = ExportAllPages(
        {source, *folder, format, [percent] { return static_cast<int>(percent); }}, context);
    for (const std::string& file : result.written) out << file << "\n";
    for (uint32_t page : result.failedPages) err << source << ": page " << (page + 1) << " was not saved\n";
    if (result.written.empty()) return kNothingWritten;
    return result.failedPages.empty() ? kAllWritten : kSomeFailed;
}

int runMerge(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = parse(args, {"--out", "--from-list"}, {"--all-pages"});
    auto usage = [&](const std::string& why) {
        err << "orvelle-cli merge: " << why << "\n";
        return kNothingWritten;
    };
    if (!a.error.empty()) return usage(a.error);
    const std::string* output = a.option("--out");
    if (!output) return usage("name the output file with --out FILE");
    std::vector<std::string> sources = a.operands;
    if (const std::string* listFile = a.option("--from-list")) {
        std::optional<std::vector<std::string>> listed = readPathListFile(*listFile);
        if (!listed) return usage("cannot read the list " + *listFile);
        sources.insert(sources.end(), listed->begin(), listed->end());
    }
    if (sources.empty()) return usage("name at least one picture to merge");
    TerminalProgress progress(err);
    TerminalMessages messages(err);
    NoEvents pump;
    JobContext context{progress, messages, pump};
    const ComposeResult result =
        ComposeTiff({sources, *output, a.flag("--all-pages")}, context);
    if (!result.written) return kNothingWritten;
    out << *output << ": " << result.pages << (result.pages == 1 ? " page\n" : " pages\n");
    return result.skipped.empty() ? kAllWritten : kSomeFailed;
}

}  // namespace orvelle::cli
