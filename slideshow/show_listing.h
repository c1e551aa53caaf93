#pragma once
// One cycle of a script as data: every slide from RUN round to RUN - 1 with its
// resolved file. Chained scripts are listed, not followed. Used to list a show
// and to render it to video.
#include <optional>
#include <string>
#include <vector>

#include "slideshow/avl_script.h"

namespace vimbra {

struct ListedSlide {
    int p = 0;
    SlideKind kind = SlideKind::Picture;
    std::optional<std::string> file;  // absolute; none for a CD slide
    AvlSlide slide;
};

struct ShowListing {
    std::vector<ListedSlide> slides;
    std::string error;  // "Bad AVL file.", the two-slides text or the missing-file warning
    bool ok() const { return error.empty(); }
};

ShowListing ListShowCycle(const std::string& avlPath);

// The slide as one JSON object on one line.
std::string SlideJson(const ListedSlide& s);

}  // namespace vimbra
