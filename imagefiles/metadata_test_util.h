#pragma once
// ExifTool as the outside witness of the metadata tests: it tags the test
// files and reads back what the program wrote.
#include <cstdio>
#include <filesystem>
#include <string>

namespace vimbra::testutil {

inline constexpr const char* kAdobeRgbProfile = "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc";

inline bool HaveExiftool() { return std::filesystem::exists("/usr/bin/exiftool"); }

// ExifTool's standard output for `args`.
inline std::string Exiftool(const std::string& args) {
    const std::string cmd = "/usr/bin/exiftool " + args + " 2>/dev/null";
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// One tag's value as ExifTool prints it; -n for numbers.
inline std::string ExifTag(const std::string& path, const std::string& tag, bool numeric = false) {
    return Exiftool(std::string("-s3 ") + (numeric ? "-n " : "") + "-" + tag + " '" + path + "'");
}

// What a camera and a photo desk leave in a file: maker, model, date, GPS,
// an XMP title, an IPTC keyword, an Adobe RGB profile (when installed) and
// the orientation given.
inline bool TagAsCamera(const std::string& path, int orientation, bool withProfile = true) {
    std::string args =
        "-q -overwrite_original -Make=Vimbra -Model=TestCam '-DateTimeOriginal=2026:05:06 07:08:09' "
        "-GPSLatitude=48.8583 -GPSLatitudeRef=N -GPSLongitude=2.2945 -GPSLongitudeRef=E "
        "-XMP-dc:Title=Harbour -IPTC:Keywords=boat -Orientation#=" +
        std::to_string(orientation);
    if (withProfile && std::filesystem::exists(kAdobeRgbProfile))
        args += std::string(" '-ICC_Profile<=") + kAdobeRgbProfile + "'";
    const std::string cmd = "/usr/bin/exiftool " + args + " '" + path + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace vimbra::testutil
