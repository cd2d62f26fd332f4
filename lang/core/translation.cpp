// Loading the messages section of a language file and looking texts up in it.
#include "lang/core/translation.h"
#include "lang/core/crc32.h"
#include <algorithm>
#include <cstring>
#include <new>

int MemorySource::Read(void* buffer, int count) {
    if (count <= 0 || position_ >= size_) return 0;
    std::size_t n = std::min(static_cast<std::size_t>(count), size_ - position_);
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return static_cast<int>(n);
}

bool MemorySource::Seek(long long position) {
    if (position < 0) return false;
    // Beyond the end is allowed, as with a file: reads there give 0 bytes.
    position_ = static_cast<std::size_t>(position);
    return true;
}

bool IsMessagesHeader(const char* p) {
    return p[0] == '*' && p[1] == '*' && std::memcmp(p + 2, "*messages***", 11) == 0;
}

long long FindMessagesHeader(ByteSource& source) {
    char block[lng::HeaderBlockSize];
    for (int pass = 0; pass < lng::HeaderSearchPasses; ++pass) {
        long long start = source.Tell();
        int got = source.Read(block, lng::HeaderBlockSize);
        if (got < lng::HeaderOverlap) break;
        if (got > lng::HeaderBlockSize) got = lng::HeaderBlockSize;
        for (int i = 0; i <= got - lng::HeaderOverlap; ++i)
            if (IsMessagesHeader(block + i)) return start + i;
        source.Seek(start + got - lng::HeaderOverlap);
    }
    return -1;
}

namespace {

// The byte an escape letter stands for, or 0 when it is no escape.
char EscapedByte(char letter) {
    switch (letter) {
    case '"': return '"';
    case '\\': return '\\';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
    }
}

int CompareKeys(const char* a, const char* b) { return std::strncmp(a, b, lng::KeyLength); }

}  // namespace

int ProcessEscapes(char* text, int length) {
    int j = 0, k = 0;
    while (j < length && text[j] != '\0') {
        char c = text[j];
        char escaped = (c == '\\' && j + 1 < length) ? EscapedByte(text[j + 1]) : 0;
        if (escaped) {
            text[k++] = escaped;
            j += 2;
        } else {
            text[k++] = (c == '\r' || c == '\n') ? lng::LineEndMark : c;
            j += 1;
        }
    }
    text[k] = '\0';
    return k;
}

void BuildLineIndex(const char* text, int length, Array<int>& index) {
    index.Clear();
    for (int n = 1; n < length - lng::KeyLength; ++n)
        if (text[n - 1] == lng::LineEndMark && text[n] != lng::LineEndMark) index.Append(n);
    std::sort(index.begin(), index.end(),
              [text](int a, int b) { return CompareKeys(text + a, text + b) < 0; });
}

std::uint32_t TranslationKeyValue(TextKind kind, const char* context, const char* text) {
    const char prefix = kind == TextKind::MessageText ? 's' : '$';
    std::uint32_t value = Crc32Update(Crc32Start, &prefix, 1);
    if (context) value = Crc32Update(value, context, std::strlen(context));
    if (text) value = Crc32Update(value, text, std::strlen(text));
    return Crc32Finish(value);
}

void FormatTranslationKey(std::uint32_t value, char out[lng::KeyLength + 1]) {
    static const char digits[] = "0123456789abcdef";
    for (int i = lng::KeyLength - 1; i >= 0; --i) {
        out[i] = digits[value & 0xF];
        value >>= 4;
    }
    out[lng::KeyLength] = '\0';
}

TranslationTable::~TranslationTable() { Clear(); }

void TranslationTable::Clear() {
    delete[] text_;
    text_ = nullptr;
    length_ = 0;
    lineIndex_.Clear();
}

bool TranslationTable::Load(ByteSource& source) {
    Clear();
    long long header = FindMessagesHeader(source);
    if (header < 0) return false;
    source.Seek(header);
    // Zeroed, so that nothing after the section's NUL is ever undefined.
    char* text = new (std::nothrow) char[lng::SectionLimit + lng::SectionSlack]();
    if (!text) return false;
    int got = source.Read(text, lng::SectionLimit);
    if (got < 0) got = 0;  // a failed read leaves an empty section
    if (got > lng::SectionLimit) got = lng::SectionLimit;
    text_ = text;
    length_ = ProcessEscapes(text_, got);
    BuildLineIndex(text_, length_, lineIndex_);
    return true;
}

bool TranslationTable::LoadFromBytes(const void* data, std::size_t size) {
    MemorySource source(data, size);
    return Load(source);
}

const char* TranslationTable::SearchIndex(const char* key) const {
    int low = 0, high = lineIndex_.Count();
    while (low < high) {
        int middle = low + (high - low) / 2;
        const char* line = text_ + lineIndex_[middle];
        int order = CompareKeys(key, line);
        if (order == 0) return line;
        if (order < 0) high = middle;
        else low = middle + 1;
    }
    return nullptr;
}

const char* TranslationTable::ScanLines(const char* key) const {
    const char* p = text_;
    while (*p != '\0') {
        if (CompareKeys(p, key) == 0 && p[lng::KeyLength] == '=' && p[lng::KeyLength + 1] == '"') return p;
        while (*p != '\0' && *p != lng::LineEndMark) ++p;
        while (*p == lng::LineEndMark) ++p;
    }
    return nullptr;
}

const char* TranslationTable::FindLine(const char* key) const {
    if (!text_) return nullptr;
    const char* line = SearchIndex(key);
    return line ? line : ScanLines(key);
}

Replacement ReplacementOfLine(const char* line) {
    // The text starts after key, equals sign and quote; a line found by the
    // index alone may be shorter than that, so never step over its end.
    const char* start = line;
    for (int i = 0; i < lng::KeyLength + 2 && *start != '\0' && *start != lng::LineEndMark; ++i) ++start;
    // Up to and including the line-end mark, or 255 bytes when none follows;
    // never past the NUL.
    std::size_t span = 0;
    bool mark = false;
    while (start[span] != '\0') {
        if (start[span] == lng::LineEndMark) { mark = true; ++span; break; }
        ++span;
    }
    if (!mark && span > static_cast<std::size_t>(lng::NoMarkCopyLimit)) span = lng::NoMarkCopyLimit;
    std::size_t length = span;
    while (length > 0 && start[length - 1] != '"') --length;
    if (length > 0) return {start, length - 1};  // up to the last quote
    // No closing quote: the text of the line without its end mark.
    length = span;
    if (mark) --length;
    return {start, length};
}

std::size_t FittingLength(const char* text, std::size_t length, std::size_t limit, const LeadBytes* leadBytes) {
    if (length <= limit) return length;
    if (!leadBytes || !leadBytes->multiByte) return limit;
    std::size_t i = 0;
    while (i < length) {
        std::size_t step = (leadBytes->lead[static_cast<unsigned char>(text[i])] && i + 1 < length) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

void TranslationTable::Translate(const char* source, char* dest, std::size_t capacity, TextKind kind,
                                 const char* context, const LeadBytes* leadBytes) const {
    if (capacity == 0 || !dest) return;
    if (!source) source = "";
    const char* line = nullptr;
    if (text_) {
        char key[lng::KeyLength + 1];
        FormatTranslationKey(TranslationKeyValue(kind, context, source), key);
        line = FindLine(key);
    }
    if (!line) {
        if (source != dest) CopyText(dest, capacity, source);
        return;
    }
    Replacement r = ReplacementOfLine(line);
    std::size_t n = FittingLength(r.text, r.length, capacity - 1, leadBytes);
    std::memcpy(dest, r.text, n);  // the table never overlaps a caller's buffer
    dest[n] = '\0';
}
