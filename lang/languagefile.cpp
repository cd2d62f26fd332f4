// Loading uninstall.lng through the file object, and the program's access
// to its translations and reading order.
#include "lang/languagefile.h"
#include "lang/messages.h"
#include "platform/file.h"
#include "platform/program_path.h"
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
// backslash is used as it is. False when the program's folder is unknown.
bool LanguageFilePath(const char* name, char (&path)[PathSize]) {
    if (std::strchr(name, '\\')) return CopyText(path, sizeof path, name);
    return FileBesideProgram(name, path);
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
    char path[PathSize];
    bool found = name && LanguageFilePath(name, path);
    resources.Load(found ? path : nullptr);
    resources.DetectReadingOrder();
}

bool HasTranslations() { return TheLanguageResources().HasTranslations(); }
bool RightToLeft() { return TheLanguageResources().RightToLeft(); }

void Translate(const char* source, char* dest, std::size_t capacity, TextKind kind, const char* context) {
    TheLanguageResources().Table().Translate(source, dest, capacity, kind, context, &LeadByteTable);
}
