#pragma once
// Corrections that choose their tone curves from the picture's own statistics:
// the statistical remap, the gamma searches, the balance passes and the one-click
// corrections of Colors > Tune. These are the bare operations: the command frame
// (undo, dialogs, recording) is in correction_commands.
#include "core/frame.h"

namespace vimbra {

// Channels of DoNormalize and of the statistics.
inline constexpr int kChannelRed = 0, kChannelGreen = 1, kChannelBlue = 2;
inline constexpr int kChannelLightness = -1, kChannelSaturation = -2;

// Remaps one channel so that the mean and deviation found by the last histogram
// pass with sums become EffectValue1 and EffectValue2 (both limited to 1..255
// first).
void DoNormalize(Workspace& ws, PassTarget target, int channel);

// Targets that spread a channel as far as its mean allows without leaving 1..255.
struct SpreadTarget {
    int mean = 0, deviation = 0;
    bool operator==(const SpreadTarget&) const = default;
};
SpreadTarget SpreadTargets(Real mean, Real deviation);

// Each channel through GrnLut, weighted by darkness: dark pixels take the curve,
// bright ones keep their value.
void BalanceGammaFilter(Workspace& ws, PassTarget target);
// The 16-bit gains scaled so the largest channel becomes 255, weighted by
// brightness: bright pixels take the balanced colour.
void BalanceFilter(Workspace& ws, PassTarget target);

// Searches the lightness gamma that brings the mid-tone mean within 3 of
// EffectValue1. A picture without mid-tones is left as it is.
void DoConformGamma(Workspace& ws, PassTarget target);
// Searches per-channel gammas that bring the channel means to EffectValue1..3.
void DoConformGammaRGB(Workspace& ws, PassTarget target);

// One-click corrections. None records a line.
void AutoContrast(Workspace& ws, PassTarget target);
void AutoLighting(Workspace& ws, PassTarget target);
void AutoSaturate(Workspace& ws, PassTarget target);
void AutoBalance(Workspace& ws, PassTarget target);
void AutoWhite(Workspace& ws, PassTarget target);
// Returns the gamma ×100 applied (at least 100), or 0 when the picture has no
// mid-tones and was left alone.
int AutoGamma(Workspace& ws, PassTarget target);
// Trial correction (mode 1 AutoContrast, 2 AutoWhite, otherwise Optimize); when
// it would brighten the mid-tones, the same brightness is reached through a
// lightness gamma. Returns whether the picture changed.
bool AutoFlash(Workspace& ws, PassTarget target, int mode);
// Every channel takes the mean and spread of the channel with the largest sum.
void Normalize(Workspace& ws, PassTarget target);
// Every channel spread by its own spread targets.
void Optimize(Workspace& ws, PassTarget target);
// Every channel to mean 128 and deviation 127.
void Equalize(Workspace& ws, PassTarget target);

}  // namespace vimbra
