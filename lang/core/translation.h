// The translation table of the language file: finding the messages section
// in the file's bytes, the escape pass, the sorted line index, and the
// lookup that replaces a text by its translation. Pure: the file is read
// through a ByteSource, so the same code runs on a Win32 file and in memory.
#pragma once
#include "platform/core/array.h"
#include "platform/core/textwalk.h"
#include <cstddef>
#include <cstdint>

// Where a text is shown: it selects the key's prefix byte ("s" or "$").
enum class TextKind { MessageText, WindowText };

namespace lng {
constexpr int HeaderBlockSize = 8192;     // one read of the header search
constexpr int HeaderSearchPasses = 16;    // reads before the search gives up
constexpr int HeaderOverlap = 16;         // bytes each read shares with the next
constexpr int HeaderLength = 13;          // "**" then "*messages**"
constexpr int SectionLimit = 65536;       // bytes of the section that are loaded
constexpr int SectionSlack = 1024;        // zeroed room after the section
constexpr char LineEndMark = '\x0C';      // what CR and LF become in memory
constexpr int KeyLength = 8;              // "%08x"
constexpr int NoMarkCopyLimit = 255;      // copy limit of a last line without an end
}  // namespace lng

// Sequential access to the bytes of a language file.
class ByteSource {
public:
    // Bytes read (0 at the end), or -1 when the read fails.
    virtual int Read(void* buffer, int count) = 0;
    virtual long long Tell() = 0;
    virtual bool Seek(long long position) = 0;

protected:
    ~ByteSource() = default;
};

// A language file that is already in memory (tests, the fuzzer).
class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size) : data_(static_cast<const char*>(data)), size_(size) {}
    int Read(void* buffer, int count) override;
    long long Tell() override { return static_cast<long long>(position_); }
    bool Seek(long long position) override;

private:
    const char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// True when the 13 bytes at `p` are two asterisks and "*messages**".
bool IsMessagesHeader(const char* p);

// The position of the messages header, or -1: at most 16 reads of 8,192
// bytes, each one starting 16 bytes before the end of the one before.
long long FindMessagesHeader(ByteSource& source);

// Unescapes the section in place and turns CR and LF into line-end marks;
// stops at `length` or the first NUL. Returns the new length (NUL written there).
int ProcessEscapes(char* text, int length);

// The offsets of the lines of `text` (all but the first, and none starting
// in the last 8 bytes), sorted by their first 8 bytes.
void BuildLineIndex(const char* text, int length, Array<int>& index);

// The key of a text: CRC-32 of the kind's prefix byte, the context and the text.
std::uint32_t TranslationKeyValue(TextKind kind, const char* context, const char* text);
// The key as eight lower-case hexadecimal digits and a NUL.
void FormatTranslationKey(std::uint32_t value, char out[lng::KeyLength + 1]);

class TranslationTable {
public:
    TranslationTable() = default;
    ~TranslationTable();
    TranslationTable(const TranslationTable&) = delete;
    TranslationTable& operator=(const TranslationTable&) = delete;

    // Finds the messages section and loads it; false (no translations) when
    // there is no header or no memory. A failed section read leaves an
    // empty section, which still counts as having translations.
    bool Load(ByteSource& source);
    bool LoadFromBytes(const void* data, std::size_t size);
    void Clear();

    bool HasTranslations() const { return text_ != nullptr; }
    const char* Text() const { return text_; }
    int Length() const { return length_; }
    const Array<int>& LineIndex() const { return lineIndex_; }

    // The line that starts with `key` (8 digits), or null: binary search of
    // the index, then a linear scan for a line of the form key=".
    const char* FindLine(const char* key) const;

    // Writes the translation of `source` into `dest` (capacity bytes, cut
    // to fit, never written past), or a copy of the source when there is
    // none. Source and dest may be the same buffer. With a lead-byte table
    // a cut never splits a double-byte character.
    void Translate(const char* source, char* dest, std::size_t capacity, TextKind kind,
                   const char* context, const LeadBytes* leadBytes = nullptr) const;

private:
    const char* SearchIndex(const char* key) const;
    const char* ScanLines(const char* key) const;

    char* text_ = nullptr;
    int length_ = 0;
    Array<int> lineIndex_;
};

// The replacement of a found line: its first byte and its length, up to
// the last double quote of the line; a line without one ends at its
// line-end mark. Exposed for tests.
struct Replacement {
    const char* text;
    std::size_t length;
};
Replacement ReplacementOfLine(const char* line);

// The longest prefix of `length` bytes of `text` that is at most `limit`
// bytes and does not end inside a double-byte character.
std::size_t FittingLength(const char* text, std::size_t length, std::size_t limit, const LeadBytes* leadBytes);
