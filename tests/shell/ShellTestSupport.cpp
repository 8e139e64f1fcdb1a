#include "ShellTestSupport.h"

#include <shellapi.h>

#include <cstring>

namespace
{
template <class Char>
std::vector<BYTE> DropList(const std::vector<std::basic_string<Char>>& paths, BOOL wide)
{
    std::vector<BYTE> list(sizeof(DROPFILES));
    for (const auto& path : paths)
    {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(path.c_str());
        list.insert(list.end(), bytes, bytes + (path.size() + 1) * sizeof(Char));
    }
    list.insert(list.end(), sizeof(Char), 0);
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide;
    memcpy(list.data(), &header, sizeof header);
    return list;
}
}

std::vector<BYTE> AnsiDropList(const std::vector<std::string>& paths)
{
    return DropList(paths, FALSE);
}

std::vector<BYTE> WideDropList(const std::vector<std::wstring>& paths)
{
    return DropList(paths, TRUE);
}

CDropListDataObject::CDropListDataObject(std::vector<BYTE> dropList, Mode mode)
    : m_dropList(std::move(dropList)), m_mode(mode)
{
}

STDMETHODIMP CDropListDataObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
        return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    return S_OK;
}

STDMETHODIMP CDropListDataObject::QueryGetData(FORMATETC* format)
{
    if (m_mode == Mode::FailGetData || !format || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
        return DV_E_FORMATETC;
    return S_OK;
}

STDMETHODIMP CDropListDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    ++getDataCalls;
    if (!medium)
        return E_POINTER;
    HRESULT hr = QueryGetData(format);
    if (FAILED(hr))
        return hr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, m_dropList.size());
    if (!memory)
        return E_OUTOFMEMORY;
    void* p = GlobalLock(memory);
    memcpy(p, m_dropList.data(), m_dropList.size());
    GlobalUnlock(memory);
    if (m_mode == Mode::Discarded)
        memory = GlobalReAlloc(memory, 0, GMEM_MOVEABLE);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP CDropListDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP CDropListDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

IDataObject* ShellDataObject(const std::vector<std::wstring>& files)
{
    std::vector<PIDLIST_ABSOLUTE> pidls;
    IDataObject* result = nullptr;
    bool parsed = true;
    for (const auto& file : files)
    {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(SHParseDisplayName(file.c_str(), nullptr, &pidl, 0, nullptr)))
        {
            parsed = false;
            break;
        }
        pidls.push_back(pidl);
    }
    if (parsed && !pidls.empty())
    {
        IShellFolder* folder = nullptr;
        PCUITEMID_CHILD first = nullptr;
        if (SUCCEEDED(SHBindToParent(pidls[0], IID_IShellFolder, reinterpret_cast<void**>(&folder), &first)))
        {
            std::vector<PCUITEMID_CHILD> children;
            for (auto pidl : pidls)
                children.push_back(ILFindLastID(pidl));
            folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject,
                                  nullptr, reinterpret_cast<void**>(&result));
            folder->Release();
        }
    }
    for (auto pidl : pidls)
        CoTaskMemFree(pidl);
    return result;
}

CTempFolder::CTempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_path.c_str(), nullptr);
}

CTempFolder::~CTempFolder()
{
    for (const auto& file : m_files)
        DeleteFileW(file.c_str());
    RemoveDirectoryW(m_path.c_str());
}

std::wstring CTempFolder::AddFile(const std::wstring& name)
{
    std::wstring path = m_path + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
        DWORD written = 0;
        WriteFile(file, "plain", 5, &written, nullptr);
        CloseHandle(file);
        m_files.push_back(path);
    }
    return path;
}

std::string Gbk(const std::wstring& text)
{
    int length = WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}
