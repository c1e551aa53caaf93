#pragma once
// Scanning through SANE: the devices, what a device offers (modes and
// resolutions) and one page read into a bitmap, with progress and cancel.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/bitmap.h"

namespace vimbra {

struct ScannerDevice {
    std::string name;   // what sane_open takes ("test:0")
    std::string label;  // vendor, model and type for the choice list
};

// The devices SANE finds; `error` set when SANE itself cannot start.
std::vector<ScannerDevice> ListScanners(std::string& error);

struct ScannerCapabilities {
    std::vector<std::string> modes;  // "Color", "Gray", "Lineart"...
    std::string mode;                // the current one
    std::vector<int> resolutions;    // dpi; a range gives its usual steps
    int resolution = 0;              // the current one
};
ScannerCapabilities QueryScanner(const std::string& device, std::string& error);

struct ScanRequest {
    std::string device;
    int resolution = 0;  // dpi; 0 keeps the device's
    std::string mode;    // empty keeps the device's
    // Further options by name, as text ("yes"/"no" for switches).
    std::map<std::string, std::string> options;
};

struct ScanOutcome {
    Bitmap picture;  // 1-bit lineart, 8-bit grey or 24-bit colour
    int resolution = 0;
    std::string error;
    bool cancelled = false;
    bool ok() const { return error.empty() && !cancelled && !picture.isEmpty(); }
};

// What a frame's parameters say of its rows.
struct ScanFrameShape {
    int samplesPerPixel = 1;  // 3 for one-pass colour
    int depth = 8;            // bits a sample
    int pixelsPerLine = 0;
    int bytesPerLine = 0;
};
// Empty when every row holds its pixels; else the message refusing the frame.
std::string ScanRowError(const ScanFrameShape& shape);

// Reads one page. `progress` gets 0..100 (or -1 when the height is not known
// in advance) and stops the scan by returning false.
ScanOutcome ScanPage(const ScanRequest& request,
                     const std::function<bool(int percent)>& progress = {});

}  // namespace vimbra
