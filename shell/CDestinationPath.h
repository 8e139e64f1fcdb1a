// Where the two menu commands propose to write: the encrypted file beside the plain one, and the
// plain file recovered from an encrypted one. Paths are multibyte text in the process ANSI code
// page; searches step over double-byte characters so that a trail byte never matches.
#pragma once
#include <optional>
#include <string>

class CDestinationPath
{
public:
    // The path followed by ".tq", also when it already ends in ".tq".
    static std::string EncryptDestination(const std::string& path);

    // Nothing when the path holds no ".tq" (case-sensitive): such a file is not encrypted.
    // Otherwise the path cut before the two characters that precede its last "q"; for
    // "C:\docs\report.doc.tq" that is "C:\docs\report.doc".
    static std::optional<std::string> DecryptDestination(const std::string& path);

    // Byte length of the longest prefix of text[0, length) that does not end inside a
    // double-byte character: where a cut fell between a lead and its trail byte, the lead goes.
    static size_t WholeCharacterLength(const char* text, size_t length);
};
