#include "shell/CRegistrar.h"

#include <cstdlib>
#include <functional>
#include <new>

#include "shell/CRegKey.h"

namespace
{
bool SameText(const std::string& a, const char* b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

HRESULT FromWin32(LONG error)
{
    return HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

bool Missing(LONG error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Recursive reader over the token list.
class Reader
{
public:
    explicit Reader(const std::vector<std::pair<bool, std::string>>& tokens)
        : m_tokens(tokens)
    {
    }

    bool AtEnd() const { return m_pos >= m_tokens.size(); }
    // A bare (unquoted) token equal to the keyword, without regard to case.
    bool IsKeyword(const char* word) const
    {
        return !AtEnd() && !m_tokens[m_pos].first && SameText(m_tokens[m_pos].second, word);
    }
    bool IsBare(const char* text) const
    {
        return !AtEnd() && !m_tokens[m_pos].first && m_tokens[m_pos].second == text;
    }
    // A name: any quoted token, or a bare one that is not a brace or an equals sign.
    bool TakeName(std::string& name)
    {
        if (AtEnd() || IsBare("{") || IsBare("}") || IsBare("="))
            return false;
        name = m_tokens[m_pos++].second;
        return !name.empty() || m_tokens[m_pos - 1].first;
    }
    void Skip() { ++m_pos; }

private:
    const std::vector<std::pair<bool, std::string>>& m_tokens;
    size_t m_pos = 0;
};
}

void CRegistrar::AddReplacement(const std::string& name, const std::string& value)
{
    for (auto& r : m_replacements)
    {
        if (SameText(r.first, name.c_str()))
        {
            r.second = value;
            return;
        }
    }
    m_replacements.emplace_back(name, value);
}

HRESULT CRegistrar::Expand(const std::string& script, std::string& out) const
{
    out.clear();
    out.reserve(script.size());
    for (size_t i = 0; i < script.size(); ++i)
    {
        if (script[i] != '%')
        {
            out += script[i];
            continue;
        }
        size_t end = script.find('%', i + 1);
        if (end == std::string::npos)
            return E_BADSCRIPT;
        std::string name = script.substr(i + 1, end - i - 1);
        if (name.empty())
        {
            out += '%';
        }
        else
        {
            bool found = false;
            for (const auto& r : m_replacements)
            {
                if (SameText(r.first, name.c_str()))
                {
                    out += r.second;
                    found = true;
                    break;
                }
            }
            if (!found)
                return E_BADSCRIPT;
        }
        i = end;
    }
    return S_OK;
}

bool CRegistrar::Tokenize(const std::string& text, std::vector<std::pair<bool, std::string>>& tokens)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n)
    {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            ++i;
            continue;
        }
        if (c == '\'')
        {
            std::string token;
            ++i;
            for (;;)
            {
                if (i >= n)
                    return false;  // unterminated quote
                if (text[i] == '\'')
                {
                    if (i + 1 < n && text[i + 1] == '\'')
                    {
                        token += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token += text[i++];
            }
            tokens.emplace_back(true, token);
            continue;
        }
        size_t start = i;
        while (i < n && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n' &&
               text[i] != '\'')
            ++i;
        tokens.emplace_back(false, text.substr(start, i - start));
    }
    return true;
}

HRESULT CRegistrar::Parse(const std::string& text, std::vector<Key>& roots) const
{
    std::vector<std::pair<bool, std::string>> tokens;
    if (!Tokenize(text, tokens))
        return E_BADSCRIPT;
    Reader in(tokens);

    // value := NAME '=' type data ; type 's' or 'd'
    auto readData = [&in](Value& value) -> bool {
        if (!in.IsBare("="))
            return false;
        in.Skip();
        if (in.IsKeyword("s"))
        {
            in.Skip();
            value.type = REG_SZ;
            return in.TakeName(value.text);
        }
        if (in.IsKeyword("d"))
        {
            in.Skip();
            std::string digits;
            if (!in.TakeName(digits) || digits.empty())
                return false;
            char* end = nullptr;
            unsigned long number = std::strtoul(digits.c_str(), &end, 0);
            if (*end != '\0')
                return false;
            value.type = REG_DWORD;
            value.number = static_cast<DWORD>(number);
            return true;
        }
        return false;
    };

    // body := '{' (key | 'val' value)* '}'
    std::function<bool(Key&, int)> readBody;
    readBody = [&](Key& parent, int depth) -> bool {
        if (depth > 32 || !in.IsBare("{"))
            return false;
        in.Skip();
        while (!in.IsBare("}"))
        {
            if (in.AtEnd())
                return false;
            if (in.IsKeyword("val"))
            {
                in.Skip();
                Value value;
                if (!in.TakeName(value.name) || value.name.empty() || !readData(value))
                    return false;
                parent.values.push_back(std::move(value));
                continue;
            }
            Key key;
            for (;;)
            {
                if (in.IsKeyword("ForceRemove"))
                    key.forceRemove = true;
                else if (in.IsKeyword("NoRemove"))
                    key.noRemove = true;
                else
                    break;
                in.Skip();
            }
            if (!in.TakeName(key.name) || key.name.empty())
                return false;
            if (in.IsBare("="))
            {
                Value value;
                if (!readData(value))
                    return false;
                key.values.push_back(std::move(value));
            }
            if (in.IsBare("{") && !readBody(key, depth + 1))
                return false;
            parent.subkeys.push_back(std::move(key));
        }
        in.Skip();
        return true;
    };

    while (!in.AtEnd())
    {
        std::string root;
        if (!in.TakeName(root) || !(SameText(root, "HKCR") || SameText(root, "HKEY_CLASSES_ROOT")))
            return E_BADSCRIPT;
        Key key;
        if (!readBody(key, 0) || !key.values.empty())
            return E_BADSCRIPT;
        roots.push_back(std::move(key));
    }
    return S_OK;
}

bool CRegistrar::HoldsKept(const Key& key)
{
    for (const auto& sub : key.subkeys)
        if (sub.noRemove || HoldsKept(sub))
            return true;
    return false;
}

HRESULT CRegistrar::RegisterKey(HKEY parent, const Key& key)
{
    if (key.forceRemove)
    {
        LONG r = RegDeleteTreeA(parent, key.name.c_str());
        if (r != ERROR_SUCCESS && !Missing(r))
            return FromWin32(r);
    }
    CRegKey k;
    LONG r = k.Create(parent, key.name.c_str(), KEY_READ | KEY_WRITE);
    if (r != ERROR_SUCCESS)
        return FromWin32(r);
    for (const auto& v : key.values)
    {
        const char* name = v.name.empty() ? nullptr : v.name.c_str();
        if (v.type == REG_SZ)
            r = RegSetValueExA(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                               static_cast<DWORD>(v.text.size() + 1));
        else
            r = RegSetValueExA(k.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                               sizeof v.number);
        if (r != ERROR_SUCCESS)
            return FromWin32(r);
    }
    for (const auto& sub : key.subkeys)
    {
        HRESULT hr = RegisterKey(k.Get(), sub);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CRegistrar::UnregisterKey(HKEY parent, const Key& key)
{
    // A key of our own goes with everything below it, unless something below is to be kept.
    if (!key.noRemove && !HoldsKept(key))
    {
        LONG r = RegDeleteTreeA(parent, key.name.c_str());
        return (r == ERROR_SUCCESS || Missing(r)) ? S_OK : FromWin32(r);
    }
    CRegKey k;
    LONG r = k.Open(parent, key.name.c_str(), KEY_READ | KEY_WRITE);
    if (Missing(r))
        return S_OK;
    if (r != ERROR_SUCCESS)
        return FromWin32(r);
    for (const auto& sub : key.subkeys)
    {
        HRESULT hr = UnregisterKey(k.Get(), sub);
        if (FAILED(hr))
            return hr;
    }
    for (const auto& v : key.values)
    {
        if (v.name.empty())
            continue;  // the default value belongs to the key, which is kept
        r = RegDeleteValueA(k.Get(), v.name.c_str());
        if (r != ERROR_SUCCESS && !Missing(r))
            return FromWin32(r);
    }
    if (!key.noRemove)
    {
        // Not kept itself, only holding kept keys: it goes once nothing is left below it.
        DWORD subkeys = 0;
        r = RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr);
        k.Close();
        if (r == ERROR_SUCCESS && subkeys == 0)
        {
            r = RegDeleteKeyA(parent, key.name.c_str());
            if (r != ERROR_SUCCESS && !Missing(r))
                return FromWin32(r);
        }
    }
    return S_OK;
}

HRESULT CRegistrar::RunScript(const std::string& script, bool registering) const
{
    try
    {
        std::string text;
        HRESULT hr = Expand(script, text);
        if (FAILED(hr))
            return hr;
        std::vector<Key> roots;
        hr = Parse(text, roots);
        if (FAILED(hr))
            return hr;
        for (const auto& root : roots)
        {
            for (const auto& key : root.subkeys)
            {
                hr = registering ? RegisterKey(m_classesRoot, key) : UnregisterKey(m_classesRoot, key);
                if (FAILED(hr))
                    return hr;
            }
        }
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

HRESULT CRegistrar::RunResource(HMODULE module, UINT id, bool registering) const
{
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), "REGISTRY");
    if (!info)
        return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL data = LoadResource(module, info);
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD size = SizeofResource(module, info);
    try
    {
        return RunScript(std::string(bytes, size), registering);
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}
