// Writing the template: the explanation before the header (outside the
// section, so it costs none of the 65,536 bytes the program loads), then
// the reading-order entry, the messages and each dialog's texts.
#include "template_writer.h"
#include "codepage.h"

namespace {

const char* const Eol = "\r\n";

std::string Comment(const std::string& utf8) { return "; " + utf8 + Eol; }

std::string SourceComment(const ProgramText& text, UINT codePage) {
    std::string line = text.where + " in UTF-8: " + EscapeForLanguageFile(ToUtf8(text.wide));
    std::string out = Comment(line);
    if (text.lossy)
        out += Comment("note: code page " + std::to_string(codePage) +
                       " cannot hold every character of this text; the program sees it as the entry shows it");
    if (text.cut) out += Comment("note: the program reads only the start of this long text");
    return out;
}

std::string Entry(const ProgramText& text, const std::string& replacement, bool commentedOut) {
    return (commentedOut ? ";" : "") + text.KeyText() + "=\"" + EscapeForLanguageFile(replacement) + "\"" + Eol;
}

std::string Preamble(const std::string& programName, UINT codePage) {
    std::string out;
    out += Comment("Language file for the Qavrix uninstaller, made by lngtool from " + programName + ".");
    out += Comment("Code page " + std::to_string(codePage) +
                   ": the keys and texts of the entry lines are in this code page; the program");
    out += Comment("finds them only on a system whose ANSI code page it is.");
    out += Comment("An entry is key=\"text\": replace the text between the quotes, keep the key.");
    out += Comment("Write a line break as \\n and a backslash as \\\\; a double quote needs no escape.");
    out += Comment("Keep the & before the accelerator letters, each letter once in a dialog.");
    out += Comment("Comment lines start with a semicolon; they show each source text in UTF-8.");
    out += Comment("Check the file: lngtool check uninstall.lng --program uninstall.exe --codepage " +
                   std::to_string(codePage));
    out += Comment("Install it as uninstall.lng beside uninstall.exe.");
    out += Eol;
    return out;
}

}  // namespace

std::string MakeTemplate(const ProgramTexts& texts, const std::string& programName, UINT codePage) {
    std::string out = Preamble(programName, codePage);
    out += "***messages***";
    out += Eol;
    std::string lastDialog;
    for (const ProgramText& text : texts.texts) {
        switch (text.role) {
        case TextRole::ReadingOrder:
            out += Comment("Reading order: for a right-to-left language remove the semicolon and write RTL.");
            out += Entry(text, "LTR", true);
            break;
        case TextRole::Message:
            out += SourceComment(text, codePage);
            out += Entry(text, text.bytes, false);
            break;
        case TextRole::Scale:
            out += Eol;
            out += Comment("---- dialog " + text.context);
            out += Comment("Size of " + text.context +
                           " in percent, horizontal*vertical: remove the semicolon to make it larger, e.g. 120*110.");
            out += Entry(text, "100*100", true);
            break;
        case TextRole::Title:
        case TextRole::Control:
            out += SourceComment(text, codePage);
            out += Entry(text, text.bytes, false);
            break;
        }
        if (text.role == TextRole::ReadingOrder) {
            out += Eol;
            out += Comment("---- messages");
        }
    }
    for (const std::string& name : texts.missing)
        out += Comment("The program file has no dialog " + name + ".");
    return out;
}
