#include "engine/CTqHead.h"

#include <cstring>

namespace
{
// Lead bytes of code page 936; the byte after one belongs to the same character.
bool IsGbkLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

void PutLength(unsigned char out[4], uint32_t v)
{
    out[0] = static_cast<unsigned char>(v);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v >> 16);
    out[3] = static_cast<unsigned char>(v >> 24);
}

bool ReadLength(ITqInput& in, uint32_t& v)
{
    unsigned char b[4];
    if (!in.Read(b, 4))
        return false;
    v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
        static_cast<uint32_t>(b[3]) << 24;
    return true;
}
}  // namespace

CTqMemoryInput::CTqMemoryInput(const void* data, size_t size)
    : m_data(static_cast<const unsigned char*>(data)), m_size(size)
{
}

bool CTqMemoryInput::Read(void* buffer, size_t n)
{
    if (n > m_size - m_pos)
        return false;
    if (n)
        std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return true;
}

bool CTqMemoryInput::Skip(uint64_t n)
{
    if (n > m_size - m_pos)
        return false;
    m_pos += static_cast<size_t>(n);
    return true;
}

uint64_t CTqMemoryInput::Remaining() const
{
    return m_size - m_pos;
}

size_t CTqHead::CountRecipients(const std::string& list)
{
    size_t n = 0;
    for (char c : list)
        n += c == '&';
    return n;
}

std::vector<std::string> CTqHead::Split(const std::string& list)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t i = 0; i < list.size(); ++i)
    {
        if (list[i] == '&')
        {
            pieces.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

bool CTqHead::SerialEquals(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsGbkLead(x) && i + 1 < a.size())
        {
            // A double-byte character: both bytes as they are, no folding of the trail byte.
            if (x != y || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (FoldAscii(x) != FoldAscii(y))
            return false;
    }
    return true;
}

int CTqHead::Find(const std::vector<std::string>& serials, const std::string& serial)
{
    for (size_t i = 0; i < serials.size(); ++i)
        if (SerialEquals(serials[i], serial))
            return static_cast<int>(i);
    return -1;
}

bool CTqHead::WriteList(ITqOutput& out, const std::string& list)
{
    if (list.size() > UINT32_MAX)
        return false;
    unsigned char len[4];
    PutLength(len, static_cast<uint32_t>(list.size()));
    return out.Write(len, 4) && (list.empty() || out.Write(list.data(), list.size()));
}

bool CTqHead::WriteKeyRecord(ITqOutput& out, const void* blob, uint32_t size)
{
    unsigned char len[4];
    PutLength(len, size);
    return out.Write(len, 4) && (size == 0 || out.Write(blob, size));
}

CTqHead::Status CTqHead::ReadList(ITqInput& in, std::string& list)
{
    list.clear();
    uint32_t length = 0;
    if (!ReadLength(in, length))
        return Status::Truncated;
    if (length > in.Remaining())
        return Status::ListTooLong;
    list.resize(length);
    if (length && !in.Read(&list[0], length))
    {
        list.clear();
        return Status::Truncated;
    }
    return Status::Ok;
}

CTqHead::Status CTqHead::ReadKeyRecords(ITqInput& in, size_t count, size_t chosen, std::vector<unsigned char>& blob)
{
    blob.clear();
    for (size_t i = 0; i < count; ++i)
    {
        uint32_t size = 0;
        if (!ReadLength(in, size))
            return Status::Truncated;
        if (size > in.Remaining())
            return Status::BlobTooLong;
        if (i == chosen)
        {
            blob.resize(size);
            if (size && !in.Read(blob.data(), size))
            {
                blob.clear();
                return Status::Truncated;
            }
        }
        else if (!in.Skip(size))
        {
            return Status::Truncated;
        }
    }
    if (chosen >= count)
        return Status::NotListed;
    return Status::Ok;
}
