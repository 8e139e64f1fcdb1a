// Owner of one certificate store of the platform.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "engine/CCertContext.h"

class CCertStore
{
public:
    CCertStore() = default;
    ~CCertStore();
    CCertStore(CCertStore&& other) noexcept;
    CCertStore& operator=(CCertStore&& other) noexcept;
    CCertStore(const CCertStore&) = delete;
    CCertStore& operator=(const CCertStore&) = delete;

    HCERTSTORE Get() const { return m_h; }
    bool IsOpen() const { return m_h != nullptr; }
    void Close();

    // A system store of the current user ("MY", "ADDRESSBOOK"; case does not matter).
    bool OpenSystem(const char* name);
    // The registry part of a system store of the current user alone; deletions from it are
    // kept (the platform may drop deletions made through the whole system store).
    bool OpenSystemRegistry(const char* name);
    // An empty store in memory.
    bool OpenMemory();
    // A store of the certificates and keys of a PKCS #12 file; keys go into new containers.
    bool ImportPfx(const void* data, DWORD size, const wchar_t* password, DWORD flags);

    // Whether the bytes are a PKCS #12 file.
    static bool IsPfx(const void* data, DWORD size);

    // Steps `cursor` to the next certificate in store order (the first when it is empty); the
    // previous reference is released. False at the end, with `cursor` empty.
    bool Next(CCertContext& cursor) const;
    // Adds a copy (CERT_STORE_ADD_ALWAYS); `added`, when given, receives the store's copy.
    bool AddAlways(const CCertContext& cert, CCertContext* added = nullptr) const;
    // Serialises the store as PKCS #12 with its exportable private keys.
    bool ExportPfx(const wchar_t* password, std::vector<BYTE>& out) const;

private:
    HCERTSTORE m_h = nullptr;
};
