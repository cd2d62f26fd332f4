// Scale entries and the geometry of a scaled dialog. The arithmetic is that
// of signed 32-bit integers, multiplication before division and division
// toward zero; intermediate values are held in 64 bits and clamped to the
// 32-bit range, so that absurd entries give absurd sizes but never overflow.
#include "lang/core/dialogscale.h"
#include <climits>

namespace {

using Wide = long long;

int Clamp(Wide v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// a * b / 100 with each factor a 32-bit value.
int Percent(int a, int b) { return Clamp(static_cast<Wide>(a) * b / 100); }

// One plus a span, as the window rectangles are measured here.
int Extent(int low, int high) { return Clamp(static_cast<Wide>(high) - low + 1); }

}  // namespace

int LeadingNumber(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    Wide value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<Wide>(INT_MAX) + 1) value = static_cast<Wide>(INT_MAX) + 1;  // saturated
    }
    return Clamp(negative ? -value : value);
}

DialogScale ParseScaleEntry(const char* text) {
    DialogScale scale;
    const char* star = nullptr;
    for (const char* p = text; p && *p; ++p)
        if (*p == '*') { star = p; break; }
    if (star) {
        scale.horizontal = LeadingNumber(text);
        scale.vertical = LeadingNumber(star + 1);
    }
    scale.applies = !(scale.horizontal == 100 && scale.vertical == 100);
    return scale;
}

FrameSize DialogFrameSize(const Rect32& window, const Rect32& client) {
    FrameSize frame;
    frame.width = Clamp(static_cast<Wide>(Extent(window.left, window.right)) - client.right);
    frame.height = Clamp(static_cast<Wide>(Extent(window.top, window.bottom)) - client.bottom);
    return frame;
}

Placement ScaledDialogSize(const Rect32& client, FrameSize frame, const DialogScale& scale) {
    Placement p;
    p.width = Clamp(static_cast<Wide>(Percent(client.right, scale.horizontal)) + frame.width);
    p.height = Clamp(static_cast<Wide>(Percent(client.bottom, scale.vertical)) + frame.height);
    return p;
}

Placement ScaledChildPlacement(const Rect32& child, const Rect32& dialogWindow, FrameSize frame, int top,
                               const DialogScale& scale, const Rect32* droppedRect) {
    Placement p;
    int offsetX = Clamp(static_cast<Wide>(child.left) - dialogWindow.left - frame.width / 2);
    int offsetY = Clamp(static_cast<Wide>(child.top) - dialogWindow.top - top);
    p.x = Percent(offsetX, scale.horizontal);
    p.y = Percent(offsetY, scale.vertical);
    p.width = Percent(scale.horizontal, Extent(child.left, child.right));
    p.height = Percent(Extent(child.top, child.bottom), scale.vertical);
    if (droppedRect)
        p.height = Clamp(static_cast<Wide>(p.height) +
                         Percent(Extent(droppedRect->top, droppedRect->bottom), scale.vertical));
    return p;
}
