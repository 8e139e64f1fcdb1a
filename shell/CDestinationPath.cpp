#include "shell/CDestinationPath.h"

#include <windows.h>

namespace
{
// Length in bytes of the character that starts at text[i]. A lead byte with nothing after it
// counts as a character of its own.
size_t CharLength(const std::string& text, size_t i)
{
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])) && i + 1 < text.size() && text[i + 1] != '\0')
        return 2;
    return 1;
}
}

std::string CDestinationPath::EncryptDestination(const std::string& path)
{
    return path + ".tq";
}

std::optional<std::string> CDestinationPath::DecryptDestination(const std::string& path)
{
    // One forward walk over whole characters: '.', 't' and 'q' are single-byte characters, so a
    // match that starts on a character boundary is a match of three whole characters.
    bool hasExtension = false;
    size_t lastQ = std::string::npos;
    for (size_t i = 0; i < path.size(); i += CharLength(path, i))
    {
        if (path.compare(i, 3, ".tq") == 0)
            hasExtension = true;
        if (path[i] == 'q' && CharLength(path, i) == 1)
            lastQ = i;
    }
    if (!hasExtension)
        return std::nullopt;
    // ".tq" was found, so a "q" at byte 2 or later exists.
    return path.substr(0, lastQ - 2);
}

size_t CDestinationPath::WholeCharacterLength(const char* text, size_t length)
{
    size_t i = 0;
    while (i < length)
    {
        if (!IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])))
            ++i;
        else if (i + 1 < length)
            i += 2;
        else
            break;
    }
    return i;
}
