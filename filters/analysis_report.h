#pragma once
// The text of the analysis report: the lines of "ImageReport.txt", the
// message box text, the comparison verdict and the report file itself.
#include <string>
#include <vector>

#include "filters/analysis.h"

namespace vimbra {

inline constexpr const char* kImageReportFile = "ImageReport.txt";

// A real with two decimals ("%f").
std::string FormatFixed2(Real value);
// The pictures "######.##" and "#########.##": only the digits needed before
// the point (none below 1), at most two after it, no trailing zeros.
std::string FormatOptionalDigits(Real value);

// "Filename: " + name (+ " (modified)" or " (region of interest)"),
// "Location: " + folder ending in "/".
std::vector<std::string> HeaderLines(const PictureAnalysis& a);

// The report lines of one picture: the single form with the channel lines and
// spacing, the compare form without them.
std::vector<std::string> PictureReportLines(const PictureAnalysis& a, bool single);
// The message box text of the single form: its lines joined by "\n" without
// the empty lines before "Filesize" and "Overall Rating".
std::string SingleMessageText(const PictureAnalysis& a);

enum class Verdict { None, FirstBetter, SecondBetter };
// Only pictures of the same pixel count are compared.
Verdict CompareAnalyses(const PictureAnalysis& first, const PictureAnalysis& second);

// Both pictures' lines, two empty lines between them, and when there is a
// verdict: an empty line, the better file's folder and "NAME is better.".
std::vector<std::string> CompareReportLines(const PictureAnalysis& first,
                                            const PictureAnalysis& second);

// Writes the lines, each ended by CR LF, to folder/ImageReport.txt (replacing
// it); returns the file's path. Throws ImageFileError when it cannot.
std::string WriteImageReport(const std::vector<std::string>& lines, const std::string& folder);

}  // namespace vimbra
