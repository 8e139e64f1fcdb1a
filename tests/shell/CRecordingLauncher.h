// Test replacement for the dialog launcher: records which dialog would open with which paths,
// and can answer with a failure or raise instead.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/CDialogLauncher.h"

class CRecordingLauncher : public CDialogLauncher
{
public:
    struct Opened
    {
        bool encrypt;
        std::string source;  // GBK bytes
        std::string dest;
        HWND invokingWindow;  // encryption only
    };

    std::vector<Opened> opened;
    HRESULT answer = S_OK;
    bool raise = false;

    CRecordingLauncher() { m_previous = CDialogLauncher::Install(this); }
    ~CRecordingLauncher() override { CDialogLauncher::Install(m_previous); }
    CRecordingLauncher(const CRecordingLauncher&) = delete;
    CRecordingLauncher& operator=(const CRecordingLauncher&) = delete;

    HRESULT OpenEncryptDialog(const std::string& source, const std::string& dest, HWND invokingWindow) override
    {
        return Open({true, source, dest, invokingWindow});
    }
    HRESULT OpenDecryptDialog(const std::string& source, const std::string& dest) override
    {
        return Open({false, source, dest, nullptr});
    }

private:
    HRESULT Open(const Opened& what)
    {
        if (raise)
            throw std::runtime_error("dialog start-up failed");
        opened.push_back(what);
        return answer;
    }

    CDialogLauncher* m_previous = nullptr;
};
