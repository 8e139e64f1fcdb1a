// Feeds arbitrary bytes to the head reader the way the decryption path uses it: read the list,
// split it, pick a recipient chosen by the input, read the key records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/CTqHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTqMemoryInput in(data, size);
    std::string list;
    if (CTqHead::ReadList(in, list) != CTqHead::Status::Ok)
        return 0;
    const auto serials = CTqHead::Split(list);
    if (CTqHead::CountRecipients(list) != serials.size())
        __builtin_trap();
    const std::string chosen = serials.empty() ? std::string() : serials[size % serials.size()];
    const int k = CTqHead::Find(serials, chosen);
    std::vector<unsigned char> blob;
    const auto status = CTqHead::ReadKeyRecords(in, serials.size(), k < 0 ? serials.size() : size_t(k), blob);
    if (in.Position() > size || blob.size() > size)
        __builtin_trap();
    if (status == CTqHead::Status::Ok && k < 0)
        __builtin_trap();
    return 0;
}
