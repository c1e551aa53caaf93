#pragma once
// Add noise > Random and Add noise > Artifacts.
#include <cstdint>
#include <string>

#include "core/frame.h"

namespace vimbra {

// The pseudo-random numbers of the noise pass: uniform in [0, 1), from a seed.
class NoiseRandom {
public:
    explicit NoiseRandom(uint32_t seed) : state_(seed) {}
    // 32-bit linear congruential step; the high bits give the fraction.
    double next() {
        state_ = state_ * 134775813u + 1u;
        return state_ * (1.0 / 4294967296.0);
    }

private:
    uint32_t state_;
};

// With m = max(r, g, b), each pixel in row order draws u and, when m > u × 255,
// becomes (trunc(u1 × r), trunc(u2 × g), trunc(u3 × b)) with three more draws.
void RandomNoiseBitmap(Bitmap& bitmap, int r, int g, int b, NoiseRandom& random);
// On a display control with EffectValue1..3 as r, g, b and a fresh seed.
void RandomNoise(Workspace& ws, PassTarget target);

// The Random command: effects dialog (code 114), the pass, AutoConvert; it
// records nothing.
const EditCommand& RandomNoiseCommand();

// The JPEG quality AddArtifact uses for n: n limited to 1..255, above 100 as 100.
int ArtifactQuality(int32_t n);
// Encodes the working picture as a colour JPEG at that quality and decodes it
// back in its place. A codec failure keeps the picture, reports the reason and
// sets CancelRequested. Records "ARTIFACT=" n outside a batch once it worked.
bool AddArtifact(Workspace& ws, int32_t n);
std::string ArtifactLine(int32_t n);

// The scroll dialog of the Artifacts command.
struct ArtifactDialog {
    static constexpr const char* title = "Add JPEG artifacts";
    static constexpr const char* lowLabel = "1=(low)";
    static constexpr const char* highLabel = "255=(high)";
    static constexpr int min = 1, max = 255, largeStep = 8, smallStep = 1;  // starts at the level
};

// Add noise > Artifacts after its dialog returned n: the undo snapshot, the
// 24-bit conversion, the level remembered, "Adding artifacts ...", AddArtifact,
// AutoConvert. `n` kDialogCancelled means nothing happens.
bool ArtifactCommand(Workspace& ws, int32_t n);

// ARTIFACT=n (no range check).
void BipArtifact(Workspace& ws);

}  // namespace vimbra
