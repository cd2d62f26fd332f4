// The scale entry of a dialog ("120*110") and the arithmetic that resizes a
// dialog and moves its controls by it. Pure: rectangles in, sizes out.
#pragma once

struct DialogScale {
    int horizontal = 100;  // percent
    int vertical = 100;    // percent
    bool applies = false;  // false when both are exactly 100
};

// Reads a decimal number the way atoi does (white space, sign, digits up to
// the first non-digit, 0 without digits); out-of-range values are clamped.
int LeadingNumber(const char* text);

// Horizontal percent, an asterisk, vertical percent. Without an asterisk
// both are 100.
DialogScale ParseScaleEntry(const char* text);

// The percentages a scale entry may give, for the program and for the
// translators' check alike.
constexpr int MinScalePercent = 1;
constexpr int MaxScalePercent = 1000;
inline bool ScalePercentInRange(int percent) { return percent >= MinScalePercent && percent <= MaxScalePercent; }

// The scale the program uses: the entry read as above, or 100*100 (no
// scaling) when either percentage lies outside the range.
DialogScale ScaleFromEntry(const char* text);

struct Rect32 {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
};

// The non-client parts of a dialog, from its window rectangle W (screen)
// and client rectangle C: (W.right - W.left + 1) - C.right, and so on.
struct FrameSize {
    int width = 0, height = 0;
};
FrameSize DialogFrameSize(const Rect32& window, const Rect32& client);

// The dialog's new outer size: C.right * H / 100 + frame width, and the same
// vertically.
Placement ScaledDialogSize(const Rect32& client, FrameSize frame, const DialogScale& scale);

// The scale lowered, where needed, so that the scaled dialog is no larger
// than an area of `areaWidth` by `areaHeight` pixels (the screen's work
// area); a scale that already fits, or does not apply, is returned as it is.
DialogScale FitScaleToArea(const DialogScale& scale, const Rect32& client, FrameSize frame, int areaWidth,
                           int areaHeight);

// The top-left corner for a window at `window` resized to `size`: unchanged
// when it fits inside `area`, else moved in as far as needed (to the area's
// top-left when it is larger than the area).
Placement KeepInsideArea(const Rect32& window, const Placement& size, const Rect32& area);

// Where a child goes: its window rectangle R and the dialog's window
// rectangle W before the resize (screen coordinates), `top` = frame height
// less the dialog frame's thickness. A drop-down combo box passes its
// dropped-down rectangle, which adds its scaled height; others pass null.
Placement ScaledChildPlacement(const Rect32& child, const Rect32& dialogWindow, FrameSize frame, int top,
                               const DialogScale& scale, const Rect32* droppedRect);
