// Test replacement for the user-prompt seam: records every message box and chooser that the
// code under test would show, and answers from queues the test fills (IDOK / cancel by default).
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/framework/CUserPrompts.h"

class CRecordingPrompts : public CUserPrompts
{
public:
    struct Shown
    {
        HWND owner;
        std::string text;     // GBK bytes, as given to the platform
        std::string caption;  // GBK bytes
        UINT type;
    };
    struct Chooser
    {
        bool save;
        std::string initialFile;  // what lpstrFile held when the chooser was opened
        std::string filter;       // the filter pairs joined with '|'
        std::string defExt;
        DWORD flags;
        std::string title;        // the chooser's title; empty: the platform's default
        HWND owner;
    };

    std::vector<Shown> messages;
    std::vector<Chooser> choosers;
    std::deque<int> messageAnswers;        // empty: IDOK
    std::deque<std::string> fileAnswers;   // empty answer or no answer: the user cancels

    CRecordingPrompts() { m_previous = CUserPrompts::Install(this); }
    ~CRecordingPrompts() override { CUserPrompts::Install(m_previous); }
    CRecordingPrompts(const CRecordingPrompts&) = delete;
    CRecordingPrompts& operator=(const CRecordingPrompts&) = delete;

    int MessageBox(HWND owner, const char* text, const char* caption, UINT type) override
    {
        messages.push_back({owner, text ? text : "", caption ? caption : "", type});
        if (messageAnswers.empty())
            return IDOK;
        int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    BOOL GetOpenFileName(OPENFILENAMEA* ofn) override { return Choose(false, ofn); }
    BOOL GetSaveFileName(OPENFILENAMEA* ofn) override { return Choose(true, ofn); }

private:
    BOOL Choose(bool save, OPENFILENAMEA* ofn)
    {
        Chooser c{save, ofn->lpstrFile ? ofn->lpstrFile : "", "", ofn->lpstrDefExt ? ofn->lpstrDefExt : "",
                  ofn->Flags, ofn->lpstrTitle ? ofn->lpstrTitle : "", ofn->hwndOwner};
        for (const char* p = ofn->lpstrFilter; p && *p; p += strlen(p) + 1)
            c.filter += (c.filter.empty() ? "" : "|") + std::string(p);
        choosers.push_back(c);
        if (fileAnswers.empty())
            return FALSE;
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        if (answer.empty() || answer.size() + 1 > ofn->nMaxFile)
            return FALSE;
        memcpy(ofn->lpstrFile, answer.c_str(), answer.size() + 1);
        return TRUE;
    }

    CUserPrompts* m_previous = nullptr;
};
