#include "slideshow/show_listing.h"

#include <cstdio>

#include "slideshow/avl_paths.h"

namespace vimbra {
namespace {

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string JsonPair(const std::optional<AvlPair>& p) {
    return p ? "[" + std::to_string(p->x) + ", " + std::to_string(p->y) + "]" : "null";
}

}  // namespace

ShowListing ListShowCycle(const std::string& avlPath) {
    ShowListing listing;
    AvlParseResult parsed = ReadAvlScript(avlPath);
    if (!parsed.ok()) {
        listing.error = parsed.error;
        return listing;
    }
    const AvlScript& script = parsed.script;
    AvlPathResolver resolver(avlPath, script.directory);
    for (int p : PlayingOrder(script)) {
        ListedSlide s;
        s.p = p;
        s.slide = script.slides[size_t(p - 1)];
        s.kind = KindOfSlide(s.slide);
        if (s.kind != SlideKind::Cd) {
            const std::string folder = resolver.directory()[size_t(s.slide.folderIndex)];
            s.file = resolver.resolve(s.slide);
            if (!s.file) {
                listing.error = MissingSlideMessage(p, script.n, folder, s.slide.fileName);
                listing.slides.clear();
                return listing;
            }
        }
        listing.slides.push_back(std::move(s));
    }
    return listing;
}

std::string SlideJson(const ListedSlide& s) {
    const AvlSlide& a = s.slide;
    std::string j = "{\"slide\": " + std::to_string(s.p);
    j += ", \"kind\": " + JsonString(SlideKindName(s.kind));
    j += ", \"file\": " + (s.file ? JsonString(*s.file) : std::string("null"));
    j += ", \"time_ms\": " + std::to_string(a.waitMs());
    j += ", \"effect\": " + std::to_string(a.effect);
    j += ", \"family\": " + std::to_string(a.family);
    j += ", \"background\": " + (a.background ? std::to_string(*a.background) : std::string("null"));
    j += ", \"gamma\": " + std::to_string(a.gamma);
    j += ", \"position\": " + JsonPair(a.position);
    j += ", \"box\": " + JsonPair(a.box);
    j += ", \"zoom\": " + std::to_string(a.zoom);
    j += ", \"rotate\": " + std::to_string(a.rotate);
    j += ", \"caption\": " + (a.caption ? JsonString(*a.caption) : std::string("null"));
    return j + "}";
}

}  // namespace vimbra
