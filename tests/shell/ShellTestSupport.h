// Data objects for the handler's Initialize: the shell's own for real files, and a minimal one
// over a hand-built drop list for what real files cannot show (overlong paths, empty lists,
// failing or unlockable media).
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <string>
#include <vector>

// Drop-list memory (DROPFILES followed by the double-NUL-terminated names).
std::vector<BYTE> AnsiDropList(const std::vector<std::string>& paths);
std::vector<BYTE> WideDropList(const std::vector<std::wstring>& paths);

class CDropListDataObject : public IDataObject
{
public:
    enum class Mode
    {
        Normal,       // a fresh HGLOBAL copy of the drop list for each GetData
        FailGetData,  // GetData answers DV_E_FORMATETC
        Discarded,    // GetData hands out discarded memory, which cannot be locked
    };

    explicit CDropListDataObject(std::vector<BYTE> dropList, Mode mode = Mode::Normal);
    virtual ~CDropListDataObject() = default;

    int getDataCalls = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<BYTE> m_dropList;
    Mode m_mode;
};

// The shell's own data object for files that share one folder (full wide paths); nullptr on
// failure. The caller releases it.
IDataObject* ShellDataObject(const std::vector<std::wstring>& files);

// A fresh, empty folder under the temporary directory, removed with everything in it.
class CTempFolder
{
public:
    explicit CTempFolder(const std::wstring& name);
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    // Creates a small file in the folder and returns its full path.
    std::wstring AddFile(const std::wstring& name);

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

// The wide text in code page 936.
std::string Gbk(const std::wstring& text);
