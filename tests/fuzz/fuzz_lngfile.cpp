// Fuzzes the language-file loader and the lookup: any bytes as the file,
// then lookups of the file's own keys and of fixed texts into buffers of
// several sizes, each exactly as large as its capacity.
#include "lang/core/translation.h"
#include "lang/core/dialogscale.h"
#include "lang/core/messageformat.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void TranslateInto(const TranslationTable& t, const char* source, std::size_t capacity, TextKind kind,
                   const char* context, const LeadBytes* lead) {
    std::unique_ptr<char[]> dest(new char[capacity]);
    t.Translate(source, dest.get(), capacity, kind, context, lead);
    if (strnlen(dest.get(), capacity) >= capacity) std::abort();  // not terminated inside
    ParseScaleEntry(dest.get());
    ScaleFromEntry(dest.get());
    // The translation as a message that takes a path, composed as the program does.
    char composed[512];
    FormatWithText(composed, sizeof composed, dest.get(), "C:\\Program Files\\Qavrix\\uninstall.exe");
    if (strnlen(composed, sizeof composed) >= sizeof composed) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const LeadBytes cp936 = MakeCodePage936LeadBytes();
    TranslationTable t;
    t.LoadFromBytes(data, size);
    if (!t.HasTranslations()) return 0;
    if (t.Length() < 0 || t.Length() > lng::SectionLimit || t.Text()[t.Length()] != '\0') std::abort();

    const Array<int>& index = t.LineIndex();
    for (int i = 0; i < index.Count(); ++i) {
        int offset = index[i];
        if (offset < 1 || offset >= t.Length() - 8) std::abort();
        if (i > 0 && std::strncmp(t.Text() + index[i - 1], t.Text() + offset, 8) > 0) std::abort();
    }
    // Every indexed line is found by its own first eight bytes.
    for (int i = 0; i < index.Count() && i < 64; ++i) {
        char key[9];
        std::memcpy(key, t.Text() + index[i], 8);
        key[8] = '\0';
        if (std::strlen(key) == 8 && !t.FindLine(key)) std::abort();
    }
    const char* texts[] = {"", "LTR", "OK", "\xD0\xB6\xD4\xD8", "messages",
                           "\xC4\xE3\xD3\xA6\xB8\xC3\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD %s"};
    const std::size_t capacities[] = {1, 2, 7, 512, 1024};
    for (const char* text : texts)
        for (std::size_t capacity : capacities) {
            TranslateInto(t, text, capacity, TextKind::MessageText, nullptr, nullptr);
            TranslateInto(t, text, capacity, TextKind::WindowText, "SETUPDLG", &cp936);
        }
    // In place, starting from the file's own first bytes.
    char buffer[512];
    std::size_t n = size < sizeof buffer - 1 ? size : sizeof buffer - 1;
    std::memcpy(buffer, data, n);
    buffer[n] = '\0';
    t.Translate(buffer, buffer, sizeof buffer, TextKind::WindowText, "LTR", &cp936);
    return 0;
}
