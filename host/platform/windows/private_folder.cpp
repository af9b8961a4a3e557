// The Windows part of private_folder. The folder is made with an access list of its own, not
// inherited from the folder above it: full control for the user this process runs as, nothing for
// anyone else, so that nobody else can swap a file in it. Its name is new: made with
// CreateDirectory, which fails rather than take a folder that is there already.
#include "private_folder.h"

#include "platform_error.h"
#include "system_reason.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

[[noreturn]] void failWith(const std::string& step) {
    throw platform_error(step + " (" + lastSystemReason() + ")");
}

// The user this process runs as, its SID in the bytes of a TOKEN_USER.
std::vector<unsigned char> processUser() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
        failWith("cannot tell which user this process runs as");
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size == 0 ? sizeof(TOKEN_USER) : size);
    const BOOL got = GetTokenInformation(token, TokenUser, user.data(), size, &size);
    const DWORD why = GetLastError();
    CloseHandle(token);
    if (got == 0) {
        throw platform_error("cannot tell which user this process runs as (" + systemReason(why) +
                             ")");
    }
    return user;
}

} // namespace

std::filesystem::path makePrivateFolder(const std::string& prefix) {
    std::vector<unsigned char> user = processUser();
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    std::vector<unsigned char> list(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    ACL* const access = reinterpret_cast<ACL*>(list.data());
    SECURITY_DESCRIPTOR descriptor{};
    if (InitializeAcl(access, static_cast<DWORD>(list.size()), ACL_REVISION) == 0 ||
        AddAccessAllowedAceEx(access, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                              GENERIC_ALL, sid) == 0 ||
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) == 0 ||
        SetSecurityDescriptorDacl(&descriptor, TRUE, access, FALSE) == 0 ||
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) == 0) {
        failWith("cannot make an access list for a private folder");
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};

    char temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    const std::filesystem::path under = length > 0 && length < sizeof temporary
                                            ? std::filesystem::path(temporary)
                                            : std::filesystem::current_path();
    static std::atomic<unsigned long> made{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "%lx-%lx-%llx", GetCurrentProcessId(), ++made,
                      static_cast<unsigned long long>(GetTickCount64()));
        const std::filesystem::path folder = under / (prefix + name);
        if (CreateDirectoryA(folder.string().c_str(), &attributes) != 0) {
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            failWith("cannot make a folder in " + under.string());
        }
    }
    throw platform_error("cannot make a folder in " + under.string() +
                         " (every name tried was taken)");
}
