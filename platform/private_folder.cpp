// The private folder of the self-removal batch: a name of 64 random bits and,
// in an elevated run, a descriptor that gives the folder to the administrators.
#include "platform/private_folder.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include <cstdio>
#include <cstring>

namespace {

// The protective security descriptor of a private folder, built in place:
// owner Administrators; DACL, protected from inheritance, with full control
// for the system and the administrators and read and execute for users,
// each inherited by the folder's files and subfolders.
struct Sid {
    BYTE revision, count, authority[6];
    DWORD sub[2];
};
constexpr DWORD SidSize(const Sid& sid) { return 8 + 4u * sid.count; }
constexpr Sid SystemSid{1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};
constexpr Sid AdministratorsSid{1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};
constexpr Sid UsersSid{1, 2, {0, 0, 0, 0, 0, 5}, {32, 545}};
constexpr DWORD FullControl = 0x1F01FF;      // FILE_ALL_ACCESS
constexpr DWORD ReadAndExecute = 0x1200A9;   // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
constexpr WORD ProtectedDacl = 0x1000;       // SE_DACL_PROTECTED

class ProtectiveDescriptor {
public:
    ProtectiveDescriptor() {
        const struct {
            const Sid* sid;
            DWORD mask;
        } aces[] = {{&SystemSid, FullControl}, {&AdministratorsSid, FullControl}, {&UsersSid, ReadAndExecute}};
        DWORD used = sizeof(ACL);
        for (const auto& a : aces) {
            ACE_HEADER header{ACCESS_ALLOWED_ACE_TYPE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                              static_cast<WORD>(sizeof(ACE_HEADER) + sizeof(DWORD) + SidSize(*a.sid))};
            std::memcpy(acl_ + used, &header, sizeof header);
            std::memcpy(acl_ + used + sizeof header, &a.mask, sizeof a.mask);
            std::memcpy(acl_ + used + sizeof header + sizeof a.mask, a.sid, SidSize(*a.sid));
            used += header.AceSize;
        }
        ACL header{ACL_REVISION, 0, static_cast<WORD>(used), static_cast<WORD>(sizeof aces / sizeof aces[0]), 0};
        std::memcpy(acl_, &header, sizeof header);
        owner_ = AdministratorsSid;
        descriptor_.Revision = SECURITY_DESCRIPTOR_REVISION;
        descriptor_.Control = SE_DACL_PRESENT | ProtectedDacl;
        descriptor_.Owner = &owner_;
        descriptor_.Dacl = reinterpret_cast<ACL*>(acl_);
    }
    SECURITY_DESCRIPTOR* get() { return &descriptor_; }

private:
    alignas(DWORD) BYTE acl_[128] = {};
    Sid owner_;
    SECURITY_DESCRIPTOR descriptor_{};
};

}  // namespace

const SECURITY_DESCRIPTOR* PrivateFolderDescriptor() {
    static ProtectiveDescriptor descriptor;
    return descriptor.get();
}

bool RunsAsAdministrator() {
    auto check = System().checkTokenMembership;
    Sid administrators = AdministratorsSid;
    BOOL member = FALSE;
    return check && check(nullptr, &administrators, &member) && member;
}

namespace {

// A name nobody can foresee: 64 bits of the system's random generator. Only
// Windows 9x, which may lack one and has no other users to foresee it, falls
// back to the process, the time and a counter. False when no name can be had.
bool PrivateFolderName(char (&name)[64]) {
    static unsigned serial = 0;
    DWORD random[2];
    if (SystemRandomBytes(random, sizeof random)) {
        std::snprintf(name, sizeof name, "%s%08lX%08lX", PrivateFolderPrefix, random[0], random[1]);
        return true;
    }
    if (NtMajorVersion() != 0) return false;
    std::snprintf(name, sizeof name, "%s%lX.%lX.%u", PrivateFolderPrefix, GetCurrentProcessId(), GetTickCount(),
                  ++serial);
    return true;
}

}  // namespace

bool CreatePrivateFolder(const char* parent, char* out, std::size_t capacity) {
    SECURITY_ATTRIBUTES protective{sizeof protective, const_cast<SECURITY_DESCRIPTOR*>(PrivateFolderDescriptor()),
                                   FALSE};
    // The NT family (ntdll's functions present) keeps security descriptors.
    bool protect = System().ntSetInformationFile != nullptr;
    for (int attempt = 0; attempt < 64; ++attempt) {
        char name[64];
        if (!PrivateFolderName(name)) break;
        if (!CopyText(out, capacity, parent)) return false;
        AppendBackslash(out, capacity);
        if (!AppendText(out, capacity, name) || !AppendText(out, capacity, "\\")) return false;
        // Not elevated, the owner cannot be the Administrators: the folder then
        // gets the parent's security, which is this user's already.
        if (protect && CreateDirectoryA(out, &protective)) return true;
        if (protect && GetLastError() == ERROR_ALREADY_EXISTS) continue;
        protect = false;
        if (CreateDirectoryA(out, nullptr)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    out[0] = '\0';
    return false;
}
