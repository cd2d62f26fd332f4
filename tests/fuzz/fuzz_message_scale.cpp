// Fuzzes what a translator controls besides the file's layout: a message text
// composed with its values (any text, up to three values, buffers exactly as
// large as their capacity) and compared with an original; and a scale entry
// with the dialog arithmetic it drives, fitted into a work area.
#include "lang/core/dialogscale.h"
#include "lang/core/messageformat.h"
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Reads fixed-size integers from the front of the input.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    int Int() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) v = (v << 8) | *data;
        return static_cast<int>(v);
    }
};

void Compose(const char* text, const char* const* values, int count, std::size_t capacity) {
    std::unique_ptr<char[]> out(new char[capacity]);
    ComposeMessage(out.get(), capacity, text, values, count);
    std::size_t length = strnlen(out.get(), capacity);
    if (length >= capacity) std::abort();  // not terminated inside
    // No value is read that was not passed, so the text can only hold what the
    // text and the values passed gave it.
    std::size_t limit = std::strlen(text);
    for (int i = 0; i < count; ++i) limit += std::strlen(values[i]);
    if (length > limit) std::abort();
}

void CheckScale(Reader& r, const char* entry) {
    DialogScale scale = ScaleFromEntry(entry);
    if (scale.applies && (!ScalePercentInRange(scale.horizontal) || !ScalePercentInRange(scale.vertical)))
        std::abort();
    Rect32 window{r.Int(), r.Int(), r.Int(), r.Int()};
    Rect32 client{0, 0, r.Int() & 0xFFFF, r.Int() & 0xFFFF};
    Rect32 area{r.Int(), r.Int(), r.Int(), r.Int()};
    FrameSize frame = DialogFrameSize(window, client);
    long long areaWidth = static_cast<long long>(area.right) - area.left;
    long long areaHeight = static_cast<long long>(area.bottom) - area.top;
    if (areaWidth <= 0 || areaHeight <= 0 || areaWidth > INT_MAX || areaHeight > INT_MAX) return;
    DialogScale fitted = FitScaleToArea(scale, client, frame, static_cast<int>(areaWidth),
                                        static_cast<int>(areaHeight));
    if (fitted.horizontal > scale.horizontal || fitted.vertical > scale.vertical) std::abort();
    if (fitted.applies && (!ScalePercentInRange(fitted.horizontal) || !ScalePercentInRange(fitted.vertical)))
        std::abort();
    Placement size = ScaledDialogSize(client, frame, fitted);
    // A frame that fits leaves a dialog that fits, unless the smallest scale
    // is already too large.
    if (fitted.applies && frame.width >= 0 && frame.width < areaWidth &&
        fitted.horizontal > MinScalePercent && size.width > areaWidth)
        std::abort();
    if (fitted.applies && frame.height >= 0 && frame.height < areaHeight &&
        fitted.vertical > MinScalePercent && size.height > areaHeight)
        std::abort();
    Placement placed = KeepInsideArea(window, size, area);
    if (size.width <= areaWidth && size.width >= 0 &&
        (placed.x < area.left || static_cast<long long>(placed.x) + size.width > area.right))
        std::abort();
    Rect32 child{r.Int(), r.Int(), r.Int(), r.Int()};
    ScaledChildPlacement(child, window, frame, r.Int(), fitted, (r.Int() & 1) ? &child : nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    Reader r{data, size};
    int count = r.Int() & 3;
    // The rest, split at NUL bytes: a text, its original, values, a scale entry.
    std::string rest(reinterpret_cast<const char*>(r.data), r.size);
    std::string parts[6];
    std::size_t at = 0;
    for (std::string& part : parts) {
        if (at > rest.size()) break;
        std::size_t end = rest.find('\0', at);
        if (end == std::string::npos) end = rest.size();
        part = rest.substr(at, end - at);
        at = end + 1;
    }
    const char* values[3] = {parts[2].c_str(), parts[3].c_str(), parts[4].c_str()};
    for (std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{9}, std::size_t{512}})
        Compose(parts[0].c_str(), values, count, capacity);
    FormatWithText(nullptr, 0, parts[0].c_str(), values[0]);  // no room: nothing written

    // Equal conversions are symmetric and reflexive.
    if (SameConversions(parts[0].c_str(), parts[1].c_str()) != SameConversions(parts[1].c_str(), parts[0].c_str()))
        std::abort();
    if (!SameConversions(parts[0].c_str(), parts[0].c_str())) std::abort();
    std::size_t length = 0;
    for (const char* p = NextConversion(parts[0].c_str(), &length); p; p = NextConversion(p + length, &length))
        if (length == 0 || p + length > parts[0].c_str() + parts[0].size()) std::abort();

    Reader geometry{data, size};
    CheckScale(geometry, parts[5].c_str());
    return 0;
}
