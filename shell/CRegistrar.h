// Runs the module's registration scripts (resources of type "REGISTRY") against the registry.
//
// Script format: whitespace-separated tokens; a token holding spaces or a lone brace is written
// in single quotes, a quote inside it doubled. Keywords and replacement names ignore case.
//
//   HKCR
//   {
//       NoRemove CLSID                           kept at unregistration
//       {
//           ForceRemove '{...}' = s 'Text'        deleted with its subkeys before it is written
//           {
//               val AppID = s '%APPID%'           a named value
//               InprocServer32 = s '%MODULE%'     a subkey with a default value
//           }
//       }
//   }
//
// Value types: s (REG_SZ) and d (REG_DWORD, decimal or 0x hexadecimal). "%NAME%" is replaced by
// the value given to AddReplacement before the text is read; "%%" is a single percent sign.
// The whole script is read before the registry is touched, so a malformed script writes nothing.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class CRegistrar
{
public:
    CRegistrar() = default;

    // Replacement values are used as they are; quotes in them must already be doubled.
    void AddReplacement(const std::string& name, const std::string& value);
    // The key that stands for HKCR in the scripts (HKEY_CLASSES_ROOT unless changed).
    void SetClassesRoot(HKEY root) { m_classesRoot = root; }

    HRESULT RunResource(HMODULE module, UINT id, bool registering) const;
    HRESULT RunScript(const std::string& script, bool registering) const;

    // A malformed script, or one naming a replacement that was not given.
    static constexpr HRESULT E_BADSCRIPT = HRESULT(0x8007000DL);  // HRESULT_FROM_WIN32(ERROR_INVALID_DATA)

private:
    struct Value
    {
        std::string name;  // empty for the default value
        DWORD type = REG_SZ;
        std::string text;
        DWORD number = 0;
    };
    struct Key
    {
        std::string name;
        bool forceRemove = false;
        bool noRemove = false;
        std::vector<Value> values;
        std::vector<Key> subkeys;
    };

    HRESULT Expand(const std::string& script, std::string& out) const;
    static bool Tokenize(const std::string& text, std::vector<std::pair<bool, std::string>>& tokens);
    HRESULT Parse(const std::string& text, std::vector<Key>& roots) const;

    static HRESULT RegisterKey(HKEY parent, const Key& key);
    static HRESULT UnregisterKey(HKEY parent, const Key& key);
    static bool HoldsKept(const Key& key);

    std::vector<std::pair<std::string, std::string>> m_replacements;
    HKEY m_classesRoot = HKEY_CLASSES_ROOT;
};
