// The program's static objects, defined in one place so that they are built
// in this order before the entry procedure and destroyed in reverse after it:
// lead-byte table, the program's own path, error record, language DLL owner,
// translation table, the run's log file; and the process-wide state of the modes.
#include "app/program_state.h"
#include "platform/text.h"
#include "platform/file.h"
#include "platform/program_path.h"
#include "platform/run_log.h"
#include "lang/messages.h"
#include "lang/languagefile.h"

namespace {
struct LeadByteTableFiller {
    explicit LeadByteTableFiller(LeadBytes& table) { FillLeadByteTable(table); }
};
}

LeadBytes LeadByteTable;
static LeadByteTableFiller leadByteTableFiller(LeadByteTable);
static ProgramLocation programLocation;
static ErrorState errorState;
static ExtResource extResource;
static LanguageResources languageResources;
static UniqueStdioFile runLogFile;

ProgramLocation& TheProgramLocation() { return programLocation; }
ErrorState& TheErrorState() { return errorState; }
ExtResource& TheExtResource() { return extResource; }
LanguageResources& TheLanguageResources() { return languageResources; }
UniqueStdioFile& TheRunLogFile() { return runLogFile; }

bool SilentMode = false;
HICON ProductIcon = nullptr;
HFONT DialogFont = nullptr;
