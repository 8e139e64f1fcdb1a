// The settings file duZaduda.ini, section "CODE". Nothing is cached: every call builds the paths
// and goes to the platform's profile functions, so a value written anywhere is seen by the next
// read.
//
// Two files of the same name take part:
//  - the machine file in the Windows directory, where an administrator deploys the directory
//    keys and where the default certificate is written when the directory can be written;
//  - the per-user file in the user's application-data folder, which takes the default
//    certificate when the machine file cannot be written (a standard user on current Windows).
// Every read looks for the key in the per-user file first and falls back to the machine file,
// key by key; only the system itself writes the per-user file, and only the default-certificate
// keys, so in practice the directory keys come from the machine file.
#pragma once
#include <string>

class CSettingsFile
{
public:
    static constexpr const char* kSection = "CODE";
    static constexpr const char* kFileName = "duZaduda.ini";

    // Default certificate, chosen by the user.
    static constexpr const char* kSetCertFlag = "SETCERFLG";
    static constexpr const char* kCertName = "CERTNAME";
    static constexpr const char* kCertSerial = "CERTSerial";
    // Directory connection, deployed by an administrator; the system never writes these.
    static constexpr const char* kDirHost = "TQIP";
    static constexpr const char* kDirPort = "TQPORT";
    static constexpr const char* kDirDn = "TQSDN";
    static constexpr const char* kDirPassword = "TQPASSWORD";

    // String values come back cut to 127 bytes, like the 128-byte buffers they are read into.
    static constexpr unsigned kValueBuffer = 128;

    enum class SaveResult
    {
        Saved,         // written to the machine file
        SavedForUser,  // the machine file refused; written to the per-user file
        Failed         // neither file took the values
    };

    struct DirectorySettings
    {
        std::string host;
        int port = 0;
        std::string dn;
        std::string password;
    };

    // Windows directory + "\duZaduda.ini"; empty when it does not fit a 260-byte path.
    static std::string MachinePath();
    // Application-data folder + "\duZaduda.ini"; empty when the user has no such folder.
    static std::string UserPath();

    // Default "" when neither file has the key.
    static std::string ReadString(const char* key);
    // Default 0 when neither file has the key; read as the platform reads a decimal integer.
    static int ReadInt(const char* key);

    // "TQIP", "TQPORT", "TQSDN", "TQPASSWORD", in this order.
    static DirectorySettings ReadDirectory();

    // The three writes "SETCERFLG" = "1", "CERTNAME", "CERTSerial", in this order, to the machine
    // file; when any of them fails, the same three to the per-user file.
    static SaveResult WriteDefaultCertificate(const char* subjectName, const char* serialText);

private:
    // The file (per-user first, then machine) that holds the key, or empty when none does.
    static std::string FileHolding(const char* key);
    static bool HasKey(const std::string& path, const char* key);
    static bool WriteThree(const std::string& path, const char* subjectName, const char* serialText);
};
