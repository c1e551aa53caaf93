#pragma once
// Operations between the working picture and a second picture: the duplicate
// captured earlier, or the backup copy scripts keep. Blends, per-channel
// arithmetic and the buffer moves of the Compute submenu.
#include <cstdint>

#include "core/frame.h"

namespace vimbra {

// True when the duplicate has the working picture's size and the picture is
// 24-bit (both are then stored as 24 bits). Shows no message.
bool Ok2ComputeFull(Workspace& ws);

// The picture an operation on target combines with: on the working picture
// the duplicate (null unless Ok2ComputeFull), on a preview the scratch copy of
// the duplicate's previewed part (null unless it matches the preview's size).
const Bitmap* SecondPicture(Workspace& ws, const PassTarget& target);

// Copies the working picture into the duplicate, always as 24 bits. A picture
// of 8 bits or more becomes 24-bit first (except 8 bits on a 256-colour
// display). Returns false when nothing was copied; low memory also sets
// CancelRequested.
bool DuplicateWorkingImage(Workspace& ws);
// Exchanges the working picture and the duplicate when they are compatible.
bool SwapWithDuplicate(Workspace& ws);
// Fill and restore the script backup. Low memory or a failed copy set
// CancelRequested. Restoring from an empty backup leaves the picture alone.
void CopyToBackUp(Workspace& ws);
void CopyFromBackUp(Workspace& ws);

// Each byte becomes (p (100 - c)) div 100 + (d c) div 100 limited to 0..255,
// c = EffectValue2 being the duplicate's share in percent.
void DoAverageBitmap(Workspace& ws, PassTarget target);
// The same blend on every other row: field 1 takes the rows 1, 3, 5, ...
// counted from 1 at the top, field 0 the rows 2, 4, 6, ...
void DoAverageField(Workspace& ws, PassTarget target, int field);

enum class Arithmetic { Multiply, Minimum, Maximum, Difference, Subtract };
// Combines every byte of picture with second's byte at the same place; both
// 24-bit of the same size (otherwise nothing happens).
void CombineBitmaps(Bitmap& picture, const Bitmap& second, Arithmetic op);

// Sum over all pixel bytes of (a - b)^2; 0 unless both are 24-bit of one size.
uint64_t DifferenceSum(const Bitmap& a, const Bitmap& b);

// The measuring Difference the analysis runs: takes the undo snapshot like the
// command, makes the picture 24-bit, changes no pixel and returns the sum
// against the duplicate (0 when the sizes differ). EffectValue2 receives the
// sum limited to INT32_MAX for readers of the 32-bit value.
uint64_t MeasureDifference(Workspace& ws);

}  // namespace vimbra
