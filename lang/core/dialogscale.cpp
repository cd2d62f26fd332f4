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

DialogScale ScaleFromEntry(const char* text) {
    DialogScale scale = ParseScaleEntry(text);
    if (ScalePercentInRange(scale.horizontal) && ScalePercentInRange(scale.vertical)) return scale;
    return DialogScale{};
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

namespace {

// The largest percent, at most `percent`, that keeps extent * percent / 100
// within `room`; at least the smallest percent allowed.
int FitPercent(int percent, int extent, Wide room) {
    if (extent <= 0 || static_cast<Wide>(extent) * percent / 100 <= room) return percent;
    Wide fit = room > 0 ? room * 100 / extent : 0;
    if (fit < MinScalePercent) fit = MinScalePercent;
    return fit < percent ? static_cast<int>(fit) : percent;
}

}  // namespace

DialogScale FitScaleToArea(const DialogScale& scale, const Rect32& client, FrameSize frame, int areaWidth,
                           int areaHeight) {
    if (!scale.applies) return scale;
    DialogScale fitted = scale;
    fitted.horizontal = FitPercent(scale.horizontal, client.right, static_cast<Wide>(areaWidth) - frame.width);
    fitted.vertical = FitPercent(scale.vertical, client.bottom, static_cast<Wide>(areaHeight) - frame.height);
    fitted.applies = !(fitted.horizontal == 100 && fitted.vertical == 100);
    return fitted;
}

Placement KeepInsideArea(const Rect32& window, const Placement& size, const Rect32& area) {
    auto place = [](int start, int extent, int low, int high) {
        Wide end = static_cast<Wide>(start) + extent;
        Wide moved = start;
        if (end > high) moved = static_cast<Wide>(high) - extent;
        if (moved < low) moved = low;
        return Clamp(moved);
    };
    Placement p = size;
    p.x = place(window.left, size.width, area.left, area.right);
    p.y = place(window.top, size.height, area.top, area.bottom);
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
