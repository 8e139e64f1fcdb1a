#include "settings/CSettingsFile.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace
{
const char* const kDefaultCertKeys[] = {CSettingsFile::kSetCertFlag, CSettingsFile::kCertName,
                                        CSettingsFile::kCertSerial};

// folder + "\" + file name, within a 260-byte path; empty when it does not fit.
std::string JoinPath(const char* folder)
{
    char path[MAX_PATH] = {};
    size_t folderLen = std::strlen(folder);
    size_t nameLen = std::strlen(CSettingsFile::kFileName);
    if (folderLen == 0 || folderLen + 1 + nameLen >= sizeof(path))
        return std::string();
    std::memcpy(path, folder, folderLen);
    // A drive root comes with its backslash already.
    if (path[folderLen - 1] != '\\')
        path[folderLen++] = '\\';
    std::memcpy(path + folderLen, CSettingsFile::kFileName, nameLen + 1);
    return path;
}
}

std::string CSettingsFile::MachinePath()
{
    char windowsDir[MAX_PATH] = {};
    UINT len = ::GetWindowsDirectoryA(windowsDir, sizeof(windowsDir));
    if (len == 0 || len >= sizeof(windowsDir))
        return std::string();
    return JoinPath(windowsDir);
}

std::string CSettingsFile::UserPath()
{
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                  SHGFP_TYPE_CURRENT, appData)))
        return std::string();
    return JoinPath(appData);
}

bool CSettingsFile::HasKey(const std::string& path, const char* key)
{
    if (path.empty() || ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    // The section's key names, each terminated, the list ended by an empty name. A full buffer
    // may have cut the list, so it grows until the list fits.
    for (DWORD size = 4096; size <= (1u << 20); size *= 4)
    {
        std::vector<char> names(size);
        DWORD got = ::GetPrivateProfileStringA(kSection, nullptr, "", names.data(), size,
                                               path.c_str());
        if (got + 2 >= size)
            continue;
        for (const char* name = names.data(); *name; name += std::strlen(name) + 1)
        {
            if (::lstrcmpiA(name, key) == 0)
                return true;
        }
        return false;
    }
    return false;
}

std::string CSettingsFile::FileHolding(const char* key)
{
    std::string user = UserPath();
    if (HasKey(user, key))
        return user;
    std::string machine = MachinePath();
    if (HasKey(machine, key))
        return machine;
    return std::string();
}

std::string CSettingsFile::ReadString(const char* key)
{
    std::string path = FileHolding(key);
    if (path.empty())
        return std::string();
    char value[kValueBuffer] = {};
    ::GetPrivateProfileStringA(kSection, key, "", value, sizeof(value), path.c_str());
    value[sizeof(value) - 1] = '\0';
    return value;
}

int CSettingsFile::ReadInt(const char* key)
{
    std::string path = FileHolding(key);
    if (path.empty())
        return 0;
    return static_cast<int>(::GetPrivateProfileIntA(kSection, key, 0, path.c_str()));
}

CSettingsFile::DirectorySettings CSettingsFile::ReadDirectory()
{
    DirectorySettings settings;
    settings.host = ReadString(kDirHost);
    settings.port = ReadInt(kDirPort);
    settings.dn = ReadString(kDirDn);
    settings.password = ReadString(kDirPassword);
    return settings;
}

bool CSettingsFile::WriteThree(const std::string& path, const char* subjectName,
                               const char* serialText)
{
    if (path.empty())
        return false;
    // Three separate writes, in this order; each must succeed for the choice to count as saved.
    bool ok = ::WritePrivateProfileStringA(kSection, kSetCertFlag, "1", path.c_str()) != FALSE;
    ok = ::WritePrivateProfileStringA(kSection, kCertName, subjectName, path.c_str()) != FALSE && ok;
    ok = ::WritePrivateProfileStringA(kSection, kCertSerial, serialText, path.c_str()) != FALSE && ok;
    return ok;
}

CSettingsFile::SaveResult CSettingsFile::WriteDefaultCertificate(const char* subjectName,
                                                                 const char* serialText)
{
    std::string user = UserPath();
    if (WriteThree(MachinePath(), subjectName, serialText))
    {
        // An earlier choice kept in the per-user file would hide the new one from every read.
        bool shadowed = false;
        for (const char* key : kDefaultCertKeys)
        {
            if (HasKey(user, key))
            {
                ::WritePrivateProfileStringA(kSection, key, nullptr, user.c_str());
                shadowed = shadowed || HasKey(user, key);
            }
        }
        if (!shadowed)
            return SaveResult::Saved;
        // The old per-user values cannot be removed: overwrite them instead.
    }
    if (WriteThree(user, subjectName, serialText))
        return SaveResult::SavedForUser;
    return SaveResult::Failed;
}
