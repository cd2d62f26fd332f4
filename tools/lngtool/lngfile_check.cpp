// The checks of a language file, line by line as the loader reads it.
#include "lngfile_check.h"
#include "codepage.h"
#include "lang/core/dialogscale.h"
#include "lang/core/messageformat.h"
#include <algorithm>
#include <map>
#include <set>

namespace {

// The program searches 16 reads of 8,192 bytes that overlap by 16 bytes,
// so a header is found when it starts at this offset or before.
constexpr long long LastHeaderStart =
    static_cast<long long>(lng::HeaderSearchPasses) * (lng::HeaderBlockSize - lng::HeaderOverlap);

// Offsets where the file's lines start; a CR LF pair is one line break.
std::vector<std::size_t> LineStarts(const std::string& bytes) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (bytes[i] == '\r' || bytes[i] == '\n') starts.push_back(i + 1);
    }
    return starts;
}

int LineOf(const std::vector<std::size_t>& starts, std::size_t offset) {
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsUpperHex(char c) { return c >= 'A' && c <= 'F'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool AllBlank(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return IsBlank(c); });
}

bool StartsWithKeyDigits(const std::string& s) {
    return s.size() >= 8 && std::all_of(s.begin(), s.begin() + 8, IsHex);
}

// The lead bytes of the code page, as the program's table holds those of
// the system's.
LeadBytes LeadBytesOf(UINT codePage) {
    LeadBytes table;
    CPINFO info{};
    if (codePage == CP_UTF8 || !GetCPInfo(codePage, &info) || info.MaxCharSize < 2) return table;
    table.multiByte = true;
    for (int b = 0; b < 256; ++b) table.lead[b] = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != FALSE;
    return table;
}

// The printf conversions of a text, listed for a finding ("none" without any).
std::string Conversions(const std::string& text) {
    std::string list;
    std::size_t length = 0;
    for (const char* p = NextConversion(text.c_str(), &length); p; p = NextConversion(p + length, &length))
        list += (list.empty() ? "" : " ") + std::string(p, length);
    return list.empty() ? "none" : list;
}

struct Entry {
    int line = 0;
    std::string key;          // as written
    std::string replacement;  // after the escapes
};

// A section line after the escape pass, with its line number in the file.
struct SectionLine {
    int number = 0;
    std::string text;
};

class Checker {
public:
    Checker(const std::string& bytes, const ProgramTexts& texts, UINT codePage)
        : bytes_(bytes), texts_(texts), codePage_(codePage), starts_(LineStarts(bytes)),
          leadBytes_(LeadBytesOf(codePage)) {}

    CheckResult Run();

private:
    void Error(int line, std::string text) { result_.findings.push_back({line, true, std::move(text)}); }
    void Warning(int line, std::string text) { result_.findings.push_back({line, false, std::move(text)}); }

    bool FindHeader();
    std::size_t SectionEnd();
    std::vector<SectionLine> SectionLines(std::size_t end);
    void ExamineLine(const SectionLine& line);
    void ExamineEntries();
    void ExamineEntry(const Entry& entry, const ProgramText& text);
    void ExamineAccelerators();
    void Summarise();
    std::string Translation(const ProgramText& text) const;

    const std::string& bytes_;
    const ProgramTexts& texts_;
    UINT codePage_;
    std::vector<std::size_t> starts_;
    LeadBytes leadBytes_;
    long long header_ = -1;
    TranslationTable table_;
    std::vector<Entry> entries_;
    CheckResult result_;
};

bool Checker::FindHeader() {
    MemorySource source(bytes_.data(), bytes_.size());
    header_ = FindMessagesHeader(source);
    if (header_ >= 0) return true;
    // Not where the program looks: say whether it is anywhere at all.
    for (std::size_t i = 0; i + lng::HeaderLength <= bytes_.size(); ++i) {
        if (!IsMessagesHeader(bytes_.data() + i)) continue;
        if (static_cast<long long>(i) > LastHeaderStart)
            Error(LineOf(starts_, i), "the header ***messages*** starts at byte " + std::to_string(i) +
                                          ", beyond the first " + std::to_string(LastHeaderStart) +
                                          " bytes the program searches: it loads no translations");
        else
            Error(LineOf(starts_, i), "the header ***messages*** lies in the last 16 bytes of the file, "
                                      "where the program does not look: it loads no translations");
        return false;
    }
    Error(0, "no header line ***messages***: the program loads no translations");
    return false;
}

std::size_t Checker::SectionEnd() {
    std::size_t start = static_cast<std::size_t>(header_);
    std::size_t end = std::min(bytes_.size(), start + lng::SectionLimit);
    std::size_t nul = bytes_.find('\0', start);
    if (nul != std::string::npos && nul < end) {
        int line = LineOf(starts_, nul);
        Error(line, "a NUL byte ends the section here: the program never reads what follows");
        return nul;
    }
    if (bytes_.size() > end) {
        int line = LineOf(starts_, end);
        Error(line, "the section is longer than the " + std::to_string(lng::SectionLimit) +
                        " bytes the program loads: it ends in this line, and what follows is never read");
    }
    return end;
}

std::vector<SectionLine> Checker::SectionLines(std::size_t end) {
    std::vector<SectionLine> lines;
    std::size_t start = static_cast<std::size_t>(header_);
    int number = LineOf(starts_, start);
    for (std::size_t i = start; i < end; ++number) {
        std::size_t stop = i;
        while (stop < end && bytes_[stop] != '\r' && bytes_[stop] != '\n') ++stop;
        std::string raw = bytes_.substr(i, stop - i);
        // The loader's own escape pass, one line at a time (an escape never
        // spans a line end, since CR and LF are no escape letters).
        std::vector<char> text(raw.begin(), raw.end());
        text.push_back('\0');
        int length = ProcessEscapes(text.data(), static_cast<int>(raw.size()));
        lines.push_back({number, std::string(text.data(), static_cast<std::size_t>(length))});
        i = stop;
        if (i < end && bytes_[i] == '\r' && i + 1 < end && bytes_[i + 1] == '\n') ++i;
        if (i < end) ++i;
    }
    return lines;
}

void Checker::ExamineLine(const SectionLine& line) {
    const std::string& s = line.text;
    if (s.find(lng::LineEndMark) != std::string::npos)
        Error(line.number, "a form-feed byte ends the line for the program; write the text without it");
    if (AllBlank(s) || s[0] == ';' || s[0] == '#' || s.compare(0, 2, "//") == 0) return;
    if (s.size() >= static_cast<std::size_t>(lng::HeaderLength) && IsMessagesHeader(s.c_str())) {
        Warning(line.number, "a second header: the section does not end here, the header line is ignored");
        return;
    }
    if (StartsWithKeyDigits(s) && s.size() >= 10 && s[8] == '=' && s[9] == '"') {
        std::string key = s.substr(0, 8);
        if (std::any_of(key.begin(), key.end(), IsUpperHex)) {
            std::string lower = key;
            std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
                return IsUpperHex(c) ? static_cast<char>(c - 'A' + 'a') : c;
            });
            Error(line.number, "key " + key + " is written in capital letters: the program never finds it (write " +
                                   lower + ")");
            return;
        }
        std::size_t close = s.rfind('"');
        if (close == 9) {
            Error(line.number, "entry " + key + " has no closing double quote");
            return;
        }
        if (!AllBlank(s.substr(close + 1)))
            Error(line.number, "entry " + key + ": text after the closing double quote is dropped");
        entries_.push_back({line.number, key, s.substr(10, close - 10)});
        return;
    }
    std::size_t first = s.find_first_not_of(" \t");
    std::string rest = s.substr(first);
    if (StartsWithKeyDigits(s) || (first > 0 && StartsWithKeyDigits(rest)))
        Error(line.number, "malformed entry: it must be written key=\"text\", with no blank before the key or "
                           "around the equals sign");
    else
        Error(line.number, "line is neither an entry nor a comment (comments start with a semicolon)");
}

std::string Checker::Translation(const ProgramText& text) const {
    std::vector<char> buffer(text.capacity);
    table_.Translate(text.bytes.c_str(), buffer.data(), buffer.size(), text.kind,
                     text.context.empty() ? nullptr : text.context.c_str(), &leadBytes_);
    return buffer.data();
}

void Checker::ExamineEntry(const Entry& entry, const ProgramText& text) {
    const char* buffer = text.role == TextRole::Message ? "message" : text.role == TextRole::Scale ? "scale entry"
                                                                                                   : "window text";
    if (entry.replacement.size() > text.capacity - 1)
        Error(entry.line, "the text of " + text.where + " is " + std::to_string(entry.replacement.size()) +
                              " bytes; the program's " + buffer + " buffer holds " +
                              std::to_string(text.capacity - 1) + ", so it is cut");
    if (text.role == TextRole::Scale) {
        const std::string& r = entry.replacement;
        std::size_t star = r.find('*');
        bool digitsOnly = star != std::string::npos && star > 0 && star + 1 < r.size() &&
                          std::all_of(r.begin(), r.begin() + star, [](char c) { return c >= '0' && c <= '9'; }) &&
                          std::all_of(r.begin() + star + 1, r.end(), [](char c) { return c >= '0' && c <= '9'; });
        DialogScale scale = ParseScaleEntry(r.c_str());
        if (!digitsOnly || !ScalePercentInRange(scale.horizontal) || !ScalePercentInRange(scale.vertical))
            Error(entry.line, "the size of " + text.context + " must be two percentages from " +
                              std::to_string(MinScalePercent) + " to " + std::to_string(MaxScalePercent) +
                              ", horizontal*vertical, such as 120*110; \"" + r + "\" is not");
    }
    // The program puts its values only where the original has conversions; a
    // text that takes values must have exactly those. Where the original
    // takes none, a percent sequence is shown as written.
    if (text.role == TextRole::Message && !SameConversions(text.bytes.c_str(), entry.replacement.c_str())) {
        std::string found = "the text of " + text.where + " has the conversions " + Conversions(entry.replacement) +
                            ", the original " + Conversions(text.bytes);
        if (NextConversion(text.bytes.c_str(), nullptr))
            Error(entry.line, found + ": the program fills in only the original's and shows the others as "
                                      "written (write %% for a percent sign)");
        else
            Warning(entry.line, found + ": they are shown as written");
    }
    if (text.role == TextRole::ReadingOrder && entry.replacement != "RTL" && entry.replacement != "LTR")
        Error(entry.line, "the reading order must be RTL or LTR, in capitals; \"" + entry.replacement +
                              "\" leaves the language left to right");
}

void Checker::ExamineEntries() {
    std::map<std::string, std::vector<int>> lines;
    for (const Entry& entry : entries_) lines[entry.key].push_back(entry.line);
    for (const auto& [key, where] : lines)
        for (std::size_t i = 1; i < where.size(); ++i)
            Error(where[i], "duplicate key " + key + " (also on line " + std::to_string(where[0]) +
                                "): the program uses only one of them");

    for (const Entry& entry : entries_) {
        const ProgramText* text = nullptr;
        for (const ProgramText& t : texts_.texts)
            if (t.KeyText() == entry.key) text = &t;
        if (!text) {
            Error(entry.line, "key " + entry.key + " matches no text of the program in code page " +
                                  std::to_string(codePage_));
            continue;
        }
        ExamineEntry(entry, *text);
        // The program's own lookup must find what the line says.
        std::string expected = CutToBytes(entry.replacement, text->capacity - 1, codePage_);
        if (lines[entry.key].size() == 1 && Translation(*text) != expected)
            Error(entry.line, "the program reads entry " + entry.key + " as \"" + Translation(*text) +
                                  "\", not as written (does the line end with a line break?)");
    }
}

// The letter after a single & of a text, or 0.
char Accelerator(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') { ++i; continue; }
        char c = text[i + 1];
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return 0;
}

void Checker::ExamineAccelerators() {
    for (const char* dialog : ProgramDialogs) {
        std::map<char, std::vector<const ProgramText*>> users;
        for (const ProgramText& text : texts_.texts) {
            if (text.role != TextRole::Control || text.context != dialog) continue;
            char letter = Accelerator(Translation(text));
            if (letter) users[letter].push_back(&text);
        }
        for (const auto& [letter, list] : users) {
            if (list.size() < 2) continue;
            std::string names;
            for (const ProgramText* t : list) names += (names.empty() ? "" : ", ") + t->where;
            Warning(0, std::string("accelerator &") + letter + " is used more than once in " + dialog + ": " + names);
        }
    }
}

void Checker::Summarise() {
    struct Count { int texts = 0, translated = 0, same = 0; };
    std::map<std::string, Count> groups;
    std::vector<std::string> order;
    int total = 0, translated = 0;
    for (const ProgramText& text : texts_.texts) {
        if (text.role == TextRole::Scale || text.role == TextRole::ReadingOrder) continue;
        std::string group = text.role == TextRole::Message ? "messages" : text.context;
        if (!groups.count(group)) order.push_back(group);
        Count& c = groups[group];
        ++c.texts;
        ++total;
        char key[lng::KeyLength + 1];
        FormatTranslationKey(text.key, key);
        if (!table_.FindLine(key)) continue;
        ++c.translated;
        ++translated;
        if (Translation(text) == text.bytes) ++c.same;
    }
    result_.summary.push_back(std::to_string(translated) + " of " + std::to_string(total) +
                              " texts of the program have an entry");
    for (const std::string& group : order) {
        const Count& c = groups[group];
        std::string line = "  " + group + ": " + std::to_string(c.translated) + " of " + std::to_string(c.texts);
        if (c.same) line += " (" + std::to_string(c.same) + " still the source text)";
        result_.summary.push_back(line);
    }
    char text[1024];
    table_.Translate("LTR", text, sizeof text, TextKind::WindowText, "LTR", &leadBytes_);
    result_.summary.push_back(std::string("reading order: ") + (std::string(text) == "RTL" ? "right to left" : "left to right"));
}

CheckResult Checker::Run() {
    if (!FindHeader()) return result_;
    // The program's own load, used for every lookup below.
    table_.LoadFromBytes(bytes_.data(), bytes_.size());
    std::vector<SectionLine> lines = SectionLines(SectionEnd());
    for (std::size_t i = 1; i < lines.size(); ++i) ExamineLine(lines[i]);
    ExamineEntries();
    ExamineAccelerators();
    Summarise();
    std::stable_sort(result_.findings.begin(), result_.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return result_;
}

}  // namespace

int CheckResult::Errors() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.error; }));
}

int CheckResult::Warnings() const { return static_cast<int>(findings.size()) - Errors(); }

CheckResult CheckLanguageFile(const std::string& bytes, const ProgramTexts& texts, UINT codePage) {
    Checker checker(bytes, texts, codePage);
    return checker.Run();
}
