#include "filters/analysis_report.h"

#include <cstdio>
#include <filesystem>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::string FolderOf(const std::string& path) {
    std::string folder = fs::absolute(fs::path(path)).parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string ChannelLine(const char* label, const ChannelMeasure& m) {
    return std::string(label) + " values:  Mean = " + FormatFixed2(m.mean) +
           "  sd. = " + FormatFixed2(m.sd) + "  gamut = " + std::to_string(m.gamut);
}

// The lines with a flag telling whether the message box leaves them out.
struct ReportLine {
    std::string text;
    bool fileOnly = false;
};

std::vector<ReportLine> Lines(const PictureAnalysis& a, bool single) {
    std::vector<ReportLine> out;
    for (std::string& h : HeaderLines(a)) out.push_back({std::move(h)});
    auto spacer = [&](bool fileOnly = false) {
        if (single) out.push_back({"", fileOnly});
    };
    spacer();
    if (single) {
        out.push_back({ChannelLine("Red", a.red)});
        out.push_back({ChannelLine("Grn", a.grn)});
        out.push_back({ChannelLine("Blu", a.blu)});
        spacer();
        out.push_back({ChannelLine("Gry", a.gry)});
        out.push_back({ChannelLine("Sat", a.sat)});
        out.push_back({ChannelLine("Hue", a.hue)});
        spacer();
    }
    out.push_back({"Estimated Unique Colors: " + std::to_string(a.uniqueColors)});
    spacer(true);
    out.push_back({"Filesize: " + std::to_string(a.fileSize) + " bytes (" +
                   FormatOptionalDigits(a.compressionRatio) + " : 1 compression)"});
    spacer();
    out.push_back({"Color Diversity Index = " + FormatFixed2(a.colorDiversity) + " (higher is better)"});
    out.push_back({"JPEG Quality Index = " + FormatFixed2(a.jpegQuality) + " (higher is better)"});
    out.push_back({"Smoothness Index = " + FormatFixed2(a.smoothness) + " (lower is softer)"});
    out.push_back({"Detail Index = " + FormatFixed2(a.detail) + " (higher is sharper)"});
    spacer(true);
    out.push_back({"Overall Rating = " + FormatOptionalDigits(a.overall) + " (higher is better)"});
    if (a.complexity) {
        out.push_back({""});
        out.push_back({"Complexity Rating = " + std::to_string(*a.complexity) +
                       " (higher has more texture)"});
    }
    return out;
}

bool Better(const PictureAnalysis& x, const PictureAnalysis& y) {
    return x.jpegQuality > y.jpegQuality && x.fileSize > y.fileSize &&
           (x.smoothness < 1.03L * y.smoothness || x.detail > y.detail || x.overall > y.overall);
}

}  // namespace

std::string FormatFixed2(Real value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2Lf", value);
    return buf;
}

std::string FormatOptionalDigits(Real value) {
    std::string s = FormatFixed2(value);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s.starts_with("0")) s.erase(0, 1);
    else if (s.starts_with("-0")) s.erase(1, 1);
    return s;
}

std::vector<std::string> HeaderLines(const PictureAnalysis& a) {
    std::string name = "Filename: " + NameOf(a.fileName);
    if (a.modified) name += " (modified)";
    else if (a.region) name += " (region of interest)";
    return {name, "Location: " + FolderOf(a.fileName)};
}

std::vector<std::string> PictureReportLines(const PictureAnalysis& a, bool single) {
    std::vector<std::string> out;
    for (ReportLine& l : Lines(a, single)) out.push_back(std::move(l.text));
    return out;
}

std::string SingleMessageText(const PictureAnalysis& a) {
    std::string text;
    for (const ReportLine& l : Lines(a, true))
        if (!l.fileOnly) text += l.text + "\n";
    text.pop_back();
    return text;
}

Verdict CompareAnalyses(const PictureAnalysis& first, const PictureAnalysis& second) {
    if (first.pixels != second.pixels) return Verdict::None;
    if (Better(first, second)) return Verdict::FirstBetter;
    if (Better(second, first)) return Verdict::SecondBetter;
    return Verdict::None;
}

std::vector<std::string> CompareReportLines(const PictureAnalysis& first,
                                            const PictureAnalysis& second) {
    std::vector<std::string> out = PictureReportLines(first, false);
    out.insert(out.end(), {"", ""});
    const std::vector<std::string> more = PictureReportLines(second, false);
    out.insert(out.end(), more.begin(), more.end());
    const Verdict v = CompareAnalyses(first, second);
    if (v != Verdict::None) {
        const PictureAnalysis& better = v == Verdict::FirstBetter ? first : second;
        out.insert(out.end(), {"", FolderOf(better.fileName), NameOf(better.fileName) + " is better."});
    }
    return out;
}

std::string WriteImageReport(const std::vector<std::string>& lines, const std::string& folder) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    const std::string path = (fs::path(folder) / kImageReportFile).string();
    std::error_code ec;
    fs::create_directories(folder, ec);
    WriteFileAtomically(path, ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return path;
}

}  // namespace vimbra
