// The program's static objects, defined in one place so that they are built
// in this order before the entry procedure and destroyed in reverse after it:
// lead-byte table, error record, language DLL owner, translation table.
#include "platform/text.h"
#include "platform/file.h"
#include "lang/messages.h"
#include "lang/languagefile.h"

namespace {
struct LeadByteTableFiller {
    explicit LeadByteTableFiller(LeadBytes& table) { FillLeadByteTable(table); }
};
}

LeadBytes LeadByteTable;
static LeadByteTableFiller leadByteTableFiller(LeadByteTable);
static ErrorState errorState;
static ExtResource extResource;
static LanguageResources languageResources;

ErrorState& TheErrorState() { return errorState; }
ExtResource& TheExtResource() { return extResource; }
LanguageResources& TheLanguageResources() { return languageResources; }
