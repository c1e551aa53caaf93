// Choosing a palette for ImgReduceColors: fixed ramps and cubes, the exact
// colours of a picture, median cut and octree.
#include <algorithm>
#include <array>
#include <string>

#include "imagefiles/imglib/imglib_ops.h"
#include "imagefiles/imglib/imglib_reduce.h"

namespace vimbra::imglib {
namespace {

PaletteEntry Rgb(int r, int g, int b) { return PaletteEntry{uint8_t(r), uint8_t(g), uint8_t(b), 0}; }

std::vector<PaletteEntry> GreyRamp(int n) {
    std::vector<PaletteEntry> pal;
    for (int i = 0; i < n; ++i) pal.push_back(Rgb(i * 255 / (n - 1), i * 255 / (n - 1), i * 255 / (n - 1)));
    return pal;
}

std::vector<PaletteEntry> FixedPalette(int n, bool grey) {
    if (grey || n == 2) return GreyRamp(n);
    if (n == 16) {
        static const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        std::vector<PaletteEntry> pal;
        for (const auto& c : vga) pal.push_back(Rgb(c[0], c[1], c[2]));
        return pal;
    }
    const int levels = CubeLevels(n);
    if (levels < 2) return GreyRamp(n);
    std::vector<PaletteEntry> pal;
    for (int r = 0; r < levels; ++r)
        for (int g = 0; g < levels; ++g)
            for (int b = 0; b < levels; ++b)
                pal.push_back(Rgb(r * 255 / (levels - 1), g * 255 / (levels - 1), b * 255 / (levels - 1)));
    return pal;
}

// The picture's own colours when there are at most n, ascending; else empty.
std::vector<PaletteEntry> ExactColours(const PixelSource& src, int n) {
    constexpr size_t kSlots = 1024;  // more than twice the largest n
    std::array<uint32_t, kSlots> slot{};  // colour + 1, 0 = empty
    int found = 0;
    bool tooMany = false;
    src.forEachRow([&](const uint8_t* p, int width, int) {
        for (int x = 0; x < width && !tooMany; ++x, p += 3) {
            const uint32_t key = (uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]) + 1;
            size_t i = (key * 2654435761u) >> 22;
            while (slot[i] != 0 && slot[i] != key) i = (i + 1) & (kSlots - 1);
            if (slot[i] == 0) {
                slot[i] = key;
                tooMany = ++found > n;
            }
        }
        return !tooMany;
    });
    if (tooMany) return {};
    std::vector<uint32_t> keys;
    for (uint32_t k : slot)
        if (k) keys.push_back(k - 1);
    std::sort(keys.begin(), keys.end());
    std::vector<PaletteEntry> pal;
    for (uint32_t k : keys) pal.push_back(Rgb(int(k >> 16), int((k >> 8) & 255), int(k & 255)));
    return pal;
}

// ---- median cut over 5-bit cells

struct Cells {
    std::vector<uint32_t> count = std::vector<uint32_t>(32768);
    std::vector<uint64_t> sum = std::vector<uint64_t>(32768 * 3);
    static int index(int r, int g, int b) { return r << 10 | g << 5 | b; }
};

struct Box {
    int lo[3], hi[3];  // inclusive cell bounds, red, green, blue
    uint64_t count = 0;
};

void Shrink(const Cells& cells, Box& box) {
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    box.count = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const uint32_t c = cells.count[size_t(Cells::index(r, g, b))];
                if (!c) continue;
                box.count += c;
                const int v[3] = {r, g, b};
                for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
            }
    for (int k = 0; k < 3; ++k) box.lo[k] = lo[k], box.hi[k] = hi[k];
}

std::vector<PaletteEntry> MedianCut(const PixelSource& src, int n) {
    Cells cells;
    src.forEachRow([&](const uint8_t* p, int width, int) {
        for (int x = 0; x < width; ++x, p += 3) {
            const size_t i = size_t(Cells::index(p[2] >> 3, p[1] >> 3, p[0] >> 3));
            ++cells.count[i];
            cells.sum[3 * i] += p[2];
            cells.sum[3 * i + 1] += p[1];
            cells.sum[3 * i + 2] += p[0];
        }
        return true;
    });
    std::vector<Box> boxes{Box{{0, 0, 0}, {31, 31, 31}}};
    Shrink(cells, boxes[0]);
    while (int(boxes.size()) < n) {
        int pick = -1;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = boxes[i];
            const bool splittable = b.hi[0] > b.lo[0] || b.hi[1] > b.lo[1] || b.hi[2] > b.lo[2];
            if (splittable && (pick < 0 || b.count > boxes[size_t(pick)].count)) pick = int(i);
        }
        if (pick < 0) break;
        Box& box = boxes[size_t(pick)];
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
        // Slice totals along the axis, then cut where half the pixels lie below.
        std::array<uint64_t, 32> slice{};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int v[3] = {r, g, b};
                    slice[size_t(v[axis])] += cells.count[size_t(Cells::index(r, g, b))];
                }
        int cut = box.lo[axis];
        uint64_t below = slice[size_t(cut)];
        while (cut < box.hi[axis] - 1 && below * 2 < box.count) below += slice[size_t(++cut)];
        Box upper = box;
        box.hi[axis] = cut;
        upper.lo[axis] = cut + 1;
        Shrink(cells, box);
        Shrink(cells, upper);
        boxes.push_back(upper);
    }
    std::vector<PaletteEntry> pal;
    for (const Box& box : boxes) {
        uint64_t s[3] = {0, 0, 0};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b)
                    for (int k = 0; k < 3; ++k) s[k] += cells.sum[3 * size_t(Cells::index(r, g, b)) + size_t(k)];
        const uint64_t c = std::max<uint64_t>(box.count, 1);
        pal.push_back(Rgb(int((s[0] + c / 2) / c), int((s[1] + c / 2) / c), int((s[2] + c / 2) / c)));
    }
    return pal;
}

// ---- octree

struct Node {
    uint64_t sum[3] = {0, 0, 0};
    uint64_t count = 0;
    int child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    bool leaf = false;
};

class Octree {
public:
    explicit Octree(int n) : limit_(n) { nodes_.emplace_back(); }

    void add(int r, int g, int b) {
        int at = 0;
        for (int level = 0; !nodes_[size_t(at)].leaf; ++level) {
            const int shift = 7 - level;
            const int k = ((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1);
            int next = nodes_[size_t(at)].child[k];
            if (next < 0) {
                next = make(level + 1);
                nodes_[size_t(at)].child[k] = next;
            }
            at = next;
        }
        Node& leaf = nodes_[size_t(at)];
        leaf.sum[0] += uint64_t(r);
        leaf.sum[1] += uint64_t(g);
        leaf.sum[2] += uint64_t(b);
        ++leaf.count;
        while (leaves_ > limit_ && reduce()) {
        }
    }

    std::vector<PaletteEntry> palette() const {
        std::vector<PaletteEntry> pal;
        collect(0, pal);
        return pal;
    }

private:
    int make(int level) {
        int i;
        if (!free_.empty()) {
            i = free_.back();
            free_.pop_back();
            nodes_[size_t(i)] = Node{};
        } else {
            i = int(nodes_.size());
            nodes_.emplace_back();
        }
        if (level == 8) {
            nodes_[size_t(i)].leaf = true;
            ++leaves_;
        } else {
            reducible_[size_t(level)].push_back(i);
        }
        return i;
    }

    // Merges the children of the newest inner node of the deepest level.
    bool reduce() {
        int level = 7;
        while (level > 0 && reducible_[size_t(level)].empty()) --level;
        if (reducible_[size_t(level)].empty()) return false;
        const int i = reducible_[size_t(level)].back();
        reducible_[size_t(level)].pop_back();
        Node& node = nodes_[size_t(i)];
        for (int& c : node.child) {
            if (c < 0) continue;
            const Node& ch = nodes_[size_t(c)];
            for (int k = 0; k < 3; ++k) node.sum[k] += ch.sum[k];
            node.count += ch.count;
            --leaves_;
            free_.push_back(c);
            c = -1;
        }
        node.leaf = true;
        ++leaves_;
        return true;
    }

    void collect(int i, std::vector<PaletteEntry>& pal) const {
        const Node& node = nodes_[size_t(i)];
        if (node.leaf) {
            const uint64_t c = std::max<uint64_t>(node.count, 1);
            pal.push_back(Rgb(int((node.sum[0] + c / 2) / c), int((node.sum[1] + c / 2) / c),
                              int((node.sum[2] + c / 2) / c)));
            return;
        }
        for (int c : node.child)
            if (c >= 0) collect(c, pal);
    }

    int limit_;
    int leaves_ = 0;
    std::vector<Node> nodes_;
    std::vector<int> free_;
    std::array<std::vector<int>, 8> reducible_;
};

std::vector<PaletteEntry> OctreePalette(const PixelSource& src, int n) {
    Octree tree(n);
    src.forEachRow([&](const uint8_t* p, int width, int) {
        for (int x = 0; x < width; ++x, p += 3) tree.add(p[2], p[1], p[0]);
        return true;
    });
    return tree.palette();
}

}  // namespace

int CubeLevels(int n) {
    int levels = 1;
    while ((levels + 1) * (levels + 1) * (levels + 1) <= n) ++levels;
    return levels;
}

std::vector<PaletteEntry> ChoosePalette(const PixelSource& src, int colours, int flags) {
    const bool grey = flags & kImgReduceGrey;
    if (flags & (kImgReduceOctree | kImgReduceMedianCut)) {
        std::vector<PaletteEntry> exact = ExactColours(src, colours);
        if (!exact.empty()) return exact;
        // An octree cannot keep fewer than 8 colours apart: its root has 8 children.
        const bool octree = (flags & kImgReduceOctree) && colours >= 8;
        return octree ? OctreePalette(src, colours) : MedianCut(src, colours);
    }
    return FixedPalette(colours, grey);
}

std::vector<PaletteEntry> ChoosePalette(const Bitmap& source, int colours, int flags) {
    CheckColours(colours);
    return ChoosePalette(PixelSource(source, flags & kImgReduceGrey), colours, flags);
}

}  // namespace vimbra::imglib
