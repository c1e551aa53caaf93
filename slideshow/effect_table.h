#pragma once
// The catalogue of slide transitions: 174 named effects, each a family code,
// a variant (background kind or shape) and a piece count, plus how an effect
// is picked for a slide and how the speed setting turns it into drawing
// parameters.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vimbra {

inline constexpr int kEffectCount = 174;
inline constexpr int kEffectTableSize = 256;

// Family codes.
inline constexpr int kFxNone = 0;
inline constexpr int kFxWipeFirst = 1;  // 1..4: + direction
inline constexpr int kFxCurtainFirst = 5;  // 5..8: + curtain
inline constexpr int kFxMosaic = 9;  // variant 3: random lines
inline constexpr int kFxTileFirst = 10;  // 10..13: + direction
inline constexpr int kFxBlurIntro = 14;
inline constexpr int kFxImplode = 16;
inline constexpr int kFxExplode = 17;
inline constexpr int kFxBlindFirst = 18;  // 18..21: + direction
inline constexpr int kFxRandomHorizontalLines = 32;
inline constexpr int kFxRandomVerticalLines = 33;
inline constexpr int kFxRandomAll = 100;
inline constexpr int kFxRandomWipes = 101;
inline constexpr int kFxRandomCurtains = 102;
inline constexpr int kFxRandomTiles = 103;
inline constexpr int kFxRandomBlinds = 104;
inline constexpr int kFxRandomImplodes = 105;

// Directions ("from Right" first), curtains, background kinds and shapes.
inline constexpr int kFromRight = 0;
inline constexpr int kFromLeft = 1;
inline constexpr int kFromBottom = 2;
inline constexpr int kFromTop = 3;
inline constexpr int kOutVert = 0;
inline constexpr int kInVert = 1;
inline constexpr int kOutHorz = 2;
inline constexpr int kInHorz = 3;
inline constexpr int kScrollPush = 0;
inline constexpr int kRevealPull = 1;
inline constexpr int kScrollOver = 2;
inline constexpr int kRevealOver = 3;
inline constexpr int kShapeRectangle = 4;
inline constexpr int kShapeRoundedRectangle = 5;
inline constexpr int kShapeEllipse = 6;

// "Effects &speed".
inline constexpr int kSpeedFaster = 0;
inline constexpr int kSpeedNormal = 1;
inline constexpr int kSpeedSlower = 2;
inline constexpr int kSpeedSlowest = 3;

struct EffectRecord {
    uint8_t code = 0, variant = 0, p2 = 0, p3 = 0;
    int32_t selected = 0;
    int32_t n = 0;
    bool operator==(const EffectRecord&) const = default;
};

// p3 meaning "no progress callback".
inline constexpr int kNoCallback = 255;

struct EffectTable {
    std::vector<std::string> names;  // kEffectCount names
    std::array<EffectRecord, kEffectTableSize> records{};
};

// `PopulateEffectsList`: the names and records, everything else zero.
const EffectTable& PopulateEffectsList();

// A number in [0, 1); the show's random source, injectable for tests.
using RandomSource = std::function<double()>;

// The record a bookmark show draws with: one of the selected indexes (none:
// "Randomize ALL"), random families resolved. previousCode is the code of the
// show's previous transition (-1 at the start) and is updated.
EffectRecord ChooseBookmarkEffect(const std::vector<int>& selection, const RandomSource& random,
                                  int& previousCode);
// The record of an AVL slide: E when non-zero, else the family X.
EffectRecord ChooseAvlEffect(int e, int x, const RandomSource& random, int& previousCode);
// The table index an AVL family X stands for (0 for an unknown X).
int AvlFamilyIndex(int x, const RandomSource& random);
// Replaces a random family code (100..105) by a concrete effect.
EffectRecord ResolveRandomFamily(EffectRecord record, const RandomSource& random, int& previousCode);

// Fills p2, p3 (and code, variant, n where the family says) for the speed,
// the screen width and the picture's size; a picture under 65 pixels either
// way is drawn plainly.
EffectRecord MapEffectParameters(EffectRecord record, int speed, int screenWidth, int pictureWidth,
                                 int pictureHeight);

// "selFX01": bytes 0..254 the selected indexes ascending, byte 255 their count.
std::vector<int> DecodeEffectSelection(const std::vector<uint8_t>& value);
std::vector<uint8_t> EncodeEffectSelection(std::vector<int> indexes);

// How long a transition of a mapped record takes, in milliseconds (0 for
// plain drawing). The drawing takes a number of steps set by the family and
// its pieces or step size; with a callback (p3 not 255) the show also pauses
// p2 ms every p3 + 1 steps. speed is the setting the record was mapped for.
int TransitionDurationMs(const EffectRecord& mapped, int speed);
inline constexpr int kTransitionStepMs = 8;
inline constexpr int kShortestTransitionMs = 150;
inline constexpr int kLongestTransitionMs = 4000;

}  // namespace vimbra
