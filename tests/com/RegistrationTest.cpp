// Registration through Wine's own regsvr32 of the matching bitness, checked key by key in the
// DLL's registry view; the thread locale and the module path limit through the exports.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "ComServerFixture.h"

using namespace zoztest;

namespace
{
const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kClsid;
const std::wstring kHandlerKey = L"*\\ShellEx\\ContextMenuHandlers\\SimpleExt";

struct Entry
{
    std::wstring key;
    const wchar_t* value;  // null: the default value
    std::wstring data;
};

// Every value of the registration table, for a server at modulePath.
std::vector<Entry> Table(const std::wstring& modulePath)
{
    const std::wstring clsid = kClsid, appId = kAppId, libId = kLibId;
    return {
        {L"AppID\\" + appId, nullptr, L"ZoZedivAza"},
        {L"AppID\\ZoZedivAza.DLL", L"AppID", appId},
        {L"ZoZedivAza.SimpleExt.1", nullptr, L"SimpleExt Class"},
        {L"ZoZedivAza.SimpleExt.1\\CLSID", nullptr, clsid},
        {L"ZoZedivAza.SimpleExt", nullptr, L"SimpleExt Class"},
        {L"ZoZedivAza.SimpleExt\\CLSID", nullptr, clsid},
        {L"ZoZedivAza.SimpleExt\\CurVer", nullptr, L"ZoZedivAza.SimpleExt.1"},
        {kClsidKey, nullptr, L"SimpleExt Class"},
        {kClsidKey, L"AppID", appId},
        {kClsidKey + L"\\ProgID", nullptr, L"ZoZedivAza.SimpleExt.1"},
        {kClsidKey + L"\\VersionIndependentProgID", nullptr, L"ZoZedivAza.SimpleExt"},
        {kClsidKey + L"\\InprocServer32", nullptr, modulePath},
        {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {kClsidKey + L"\\TypeLib", nullptr, libId},
        {kHandlerKey, nullptr, clsid},
    };
}

const wchar_t* const kKeptKeys[] = {L"AppID", L"CLSID", L"*", L"*\\ShellEx", L"*\\ShellEx\\ContextMenuHandlers"};

void ExpectTable(const std::wstring& modulePath)
{
    for (const auto& e : Table(modulePath))
    {
        std::wstring text;
        EXPECT_TRUE(ReadText(e.key, e.value, text) && text == e.data)
            << Narrow(e.key) << " [" << (e.value ? Narrow(e.value) : "(default)") << "] reads '" << Narrow(text)
            << "', expected '" << Narrow(e.data) << "'";
    }
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Programmable"));
    // The CLSID key holds exactly what the table names.
    EXPECT_EQ((std::vector<std::wstring>{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                         L"VersionIndependentProgID"}),
              Subkeys(kClsidKey));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"AppID"}), ValueNames(kClsidKey));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"ThreadingModel"}), ValueNames(kClsidKey + L"\\InprocServer32"));
}

std::wstring TypeLibPlatformKey()
{
    return std::wstring(L"TypeLib\\") + kLibId + (sizeof(void*) == 8 ? L"\\1.0\\0\\win64" : L"\\1.0\\0\\win32");
}
}

TEST_F(RegistrationTest, Regsvr32WritesEveryEntryAndTheTypeLibrary)
{
    const std::wstring dll = m_copies.Copy(L"plain");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    ExpectTable(dll);

    std::wstring text;
    EXPECT_TRUE(ReadText(TypeLibPlatformKey(), nullptr, text));
    EXPECT_EQ(dll, text);
    EXPECT_TRUE(ReadText(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0", nullptr, text));
    EXPECT_EQ(L"ZoZedivAza 1.0 Type Library", text);
    EXPECT_TRUE(ReadText(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\HELPDIR", nullptr, text));
    EXPECT_EQ(m_copies.Root() + L"\\plain", text);

    CLSID libId;
    ASSERT_EQ(S_OK, CLSIDFromString(kLibId, &libId));
    ITypeLib* lib = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(libId, 1, 0, 0, &lib));
    lib->Release();
}

// A 64-bit shell must not find the 32-bit server, nor a 32-bit process the 64-bit one.
TEST_F(RegistrationTest, RegistrationStaysInTheViewOfItsOwnBitness)
{
    if (sizeof(void*) == 4 && !IsWow64())
        GTEST_SKIP() << "a 32-bit system has one view only";
    const REGSAM other = View() == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const std::wstring dll = m_copies.Copy(L"view");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\InprocServer32", View()));
    EXPECT_FALSE(KeyExists(kClsidKey + L"\\InprocServer32", other));
    ASSERT_EQ(0u, Regsvr32(dll, true));
}

TEST_F(RegistrationTest, ModulePathIsWrittenExactlyWithQuotesSpacesAndChinese)
{
    const wchar_t* const dirs[] = {L"it's here", L"'quoted' twice''", L"中文 目录", L"100% sure"};
    for (const wchar_t* d : dirs)
    {
        SCOPED_TRACE(Narrow(d));
        const std::wstring dll = m_copies.Copy(d);
        ASSERT_EQ(0u, Regsvr32(dll, false));
        std::wstring text;
        EXPECT_TRUE(ReadText(kClsidKey + L"\\InprocServer32", nullptr, text));
        EXPECT_EQ(dll, text);
        ASSERT_EQ(0u, Regsvr32(dll, true));
        EXPECT_FALSE(KeyExists(kClsidKey));
    }
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesOneSetAndDropsAddedSubkeys)
{
    const std::wstring dll = m_copies.Copy(L"twice");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    PlantKey(kClsidKey + L"\\Added");
    PlantKey(kClsidKey + L"\\Programmable\\Added");
    PlantKey(kHandlerKey + L"\\Added");
    PlantValue(kClsidKey, L"Stray", L"x");
    PlantValue(kClsidKey + L"\\InprocServer32", nullptr, L"C:\\elsewhere\\old.dll");

    ASSERT_EQ(0u, Regsvr32(dll, false));
    ExpectTable(dll);
    EXPECT_FALSE(KeyExists(kClsidKey + L"\\Added"));
    EXPECT_FALSE(KeyExists(kClsidKey + L"\\Programmable\\Added"));
    EXPECT_FALSE(KeyExists(kHandlerKey + L"\\Added"));
    EXPECT_TRUE(Subkeys(kHandlerKey).empty());
}

TEST_F(RegistrationTest, UnregisteringRemovesEntriesAndKeepsSharedKeys)
{
    const std::wstring foreignHandler = L"*\\ShellEx\\ContextMenuHandlers\\ZozForeignHandler";
    const std::wstring foreignAppId = L"AppID\\{0BADF00D-0000-4000-8000-000000000001}";
    PlantValue(foreignHandler, nullptr, L"{0BADF00D-0000-4000-8000-000000000002}");
    PlantValue(foreignAppId, nullptr, L"someone else");

    const std::wstring dll = m_copies.Copy(L"unreg");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    ASSERT_EQ(0u, Regsvr32(dll, true));

    for (const auto& e : Table(dll))
        EXPECT_FALSE(KeyExists(e.key)) << Narrow(e.key) << " is still there";
    EXPECT_FALSE(KeyExists(std::wstring(L"TypeLib\\") + kLibId));
    for (const wchar_t* kept : kKeptKeys)
        EXPECT_TRUE(KeyExists(kept)) << Narrow(kept) << " was removed";
    std::wstring text;
    EXPECT_TRUE(ReadText(foreignHandler, nullptr, text));
    EXPECT_TRUE(ReadText(foreignAppId, nullptr, text));

    // Nothing left to remove is not a failure.
    EXPECT_EQ(S_OK, CLoadedServer(dll).Unregister());
    EXPECT_EQ(0u, Regsvr32(dll, true));

    for (const auto& key : {foreignHandler, foreignAppId})
        RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), View(), 0);
}

TEST_F(RegistrationTest, ThreadLocaleIsRestoredAfterRegistrationAndUnregistration)
{
    const std::wstring dll = m_copies.Copy(L"locale");
    CLoadedServer server(dll);
    const LCID locales[] = {MAKELCID(0x0409, SORT_DEFAULT), MAKELCID(0x040C, SORT_DEFAULT)};
    for (LCID locale : locales)
    {
        ASSERT_TRUE(SetThreadLocale(locale));
        EXPECT_EQ(S_OK, server.Register());
        EXPECT_EQ(locale, GetThreadLocale());
        EXPECT_EQ(S_OK, server.Unregister());
        EXPECT_EQ(locale, GetThreadLocale());
    }
    EXPECT_FALSE(KeyExists(kClsidKey));
}

// The module path must fit 260 bytes in the process code page. A path of Chinese folder names
// needs two bytes per character, so it is over the limit while short enough to load.
TEST_F(RegistrationTest, ModulePathOf260BytesOrMoreFailsWritesNothingAndRestoresLocale)
{
    const std::wstring base = m_copies.Root();  // C:\zoz-com-<pid>
    const size_t fixed = Narrow(base).size() + 1 + 1 + wcslen(L"ZoZedivAza.dll");
    struct Case
    {
        const char* what;
        std::wstring dir;
        HRESULT expected;
    } cases[] = {
        {"259 bytes fits", std::wstring(259 - fixed, L'a'), S_OK},
        {"260 bytes does not", std::wstring(260 - fixed, L'b'), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {"double-byte path over 260 bytes", std::wstring(120, L'中') + L"\\" + std::wstring(20, L'文'),
         HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::wstring dll = m_copies.Copy(c.dir);
        if (c.expected == S_OK)
            ASSERT_EQ(259u, Narrow(dll).size());
        else
            ASSERT_LE(260u, Narrow(dll).size());
        ASSERT_GT(300u, dll.size());
        CLoadedServer server(dll);
        const LCID locale = MAKELCID(0x0409, SORT_DEFAULT);
        ASSERT_TRUE(SetThreadLocale(locale));
        EXPECT_EQ(c.expected, server.Register());
        EXPECT_EQ(locale, GetThreadLocale());
        if (c.expected == S_OK)
        {
            std::wstring text;
            EXPECT_TRUE(ReadText(kClsidKey + L"\\InprocServer32", nullptr, text));
            EXPECT_EQ(dll, text);
        }
        else
        {
            EXPECT_FALSE(KeyExists(std::wstring(L"AppID\\") + kAppId));
            EXPECT_FALSE(KeyExists(kClsidKey));
        }
        EXPECT_EQ(c.expected, server.Unregister());
        EXPECT_EQ(locale, GetThreadLocale());
        ScrubRegistration();
    }
}
