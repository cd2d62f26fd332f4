// Loading uninstall.lng through the file object, and the program's access
// to its translations and reading order.
#include "lang/languagefile.h"
#include "lang/messages.h"
#include "platform/file.h"
#include "platform/text.h"
#include <cstring>

namespace {

// The language file as the translation table reads it.
class FileSource : public ByteSource {
public:
    explicit FileSource(File& file) : file_(file) {}
    int Read(void* buffer, int count) override { return file_.Read(buffer, count); }
    long long Tell() override { return file_.Tell(); }
    bool Seek(long long position) override { return file_.Seek(position); }

private:
    File& file_;
};

// A bare name is looked for in the program's own folder; a name with a
// backslash is used as it is. False when the program's path has no folder.
bool LanguageFilePath(const char* name, char* path, std::size_t capacity) {
    if (std::strchr(name, '\\')) return CopyText(path, capacity, name);
    DWORD len = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(capacity));
    if (len == 0 || len >= capacity) return false;
    char* lastBackslash = std::strrchr(path, '\\');
    if (!lastBackslash) return false;
    lastBackslash[1] = '\0';
    return AppendText(path, capacity, name);
}

}  // namespace

LanguageResources::LanguageResources() = default;
LanguageResources::~LanguageResources() = default;

void LanguageResources::Load(const char* path) {
    table_.Clear();
    File file;
    if (!path || !file.Open(path)) return;
    FileSource source(file);
    LoadFrom(source);
    file.Close();
}

void LanguageResources::LoadFrom(ByteSource& source) { table_.Load(source); }

void LanguageResources::DetectReadingOrder() {
    if (FindResourceA(CurrentResourceModule, "RTL", MAKEINTRESOURCEA(5))) {  // RT_DIALOG
        rightToLeft_ = true;
        return;
    }
    char text[WindowTextCapacity];
    table_.Translate("LTR", text, sizeof text, TextKind::WindowText, "LTR", &LeadByteTable);
    rightToLeft_ = std::strcmp(text, "RTL") == 0;
}

void LoadLanguageFile(const char* name) {
    LanguageResources& resources = TheLanguageResources();
    char path[1024];
    bool found = name && LanguageFilePath(name, path, sizeof path);
    resources.Load(found ? path : nullptr);
    resources.DetectReadingOrder();
}

bool HasTranslations() { return TheLanguageResources().HasTranslations(); }
bool RightToLeft() { return TheLanguageResources().RightToLeft(); }

void Translate(const char* source, char* dest, std::size_t capacity, TextKind kind, const char* context) {
    TheLanguageResources().Table().Translate(source, dest, capacity, kind, context, &LeadByteTable);
}
