// The head of an encrypted file: list length L, recipient list, one key record (length B and
// key blob) per recipient. Portable: no platform headers, so the host build and the fuzzer use
// it too. Readers work on a bounded stream and never allocate or read a length that the rest
// of the stream cannot hold.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Source of the head's bytes, bounded by what is left in the file.
class ITqInput
{
public:
    virtual ~ITqInput() = default;
    // Reads exactly n bytes; false when fewer are left or reading fails.
    virtual bool Read(void* buffer, size_t n) = 0;
    // Moves n bytes forward; false when fewer are left or seeking fails.
    virtual bool Skip(uint64_t n) = 0;
    // Bytes left from the read position to the end.
    virtual uint64_t Remaining() const = 0;
};

// Sink of the head's bytes.
class ITqOutput
{
public:
    virtual ~ITqOutput() = default;
    virtual bool Write(const void* data, size_t n) = 0;
};

// In-memory input, for tests, the fuzzer and heads already read.
class CTqMemoryInput : public ITqInput
{
public:
    CTqMemoryInput(const void* data, size_t size);
    bool Read(void* buffer, size_t n) override;
    bool Skip(uint64_t n) override;
    uint64_t Remaining() const override;
    size_t Position() const { return m_pos; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

class CTqHead
{
public:
    enum class Status
    {
        Ok,
        Truncated,     // the stream ends inside a length field or inside the list
        ListTooLong,   // L is larger than the rest of the stream
        BlobTooLong,   // a record's B is larger than the rest of the stream
        NotListed,     // the chosen serial text is not in the list
    };

    // Splitting rule: the N pieces before each "&", from the start; text after the last "&"
    // names nobody; "&&" encloses an empty serial text.
    static std::vector<std::string> Split(const std::string& list);
    static size_t CountRecipients(const std::string& list);
    // Serial texts are equal as whole texts without regard to letter case (double-byte
    // characters of code page 936 compared as they are).
    static bool SerialEquals(const std::string& a, const std::string& b);
    // First position of serial in the list's pieces, or -1.
    static int Find(const std::vector<std::string>& serials, const std::string& serial);

    // Writer: list length and list, then one record per call in list order.
    static bool WriteList(ITqOutput& out, const std::string& list);
    static bool WriteKeyRecord(ITqOutput& out, const void* blob, uint32_t size);

    // Reader: L and the L bytes of the list.
    static Status ReadList(ITqInput& in, std::string& list);
    // Reads `count` records, keeps the blob of record `chosen` and skips the others; on Ok the
    // stream stands at the first byte of the content.
    static Status ReadKeyRecords(ITqInput& in, size_t count, size_t chosen, std::vector<unsigned char>& blob);
};
