// Message maps: each window class keeps a static table of the messages and control events it
// handles, chained to its base class's table. A row names a message (or WM_COMMAND / WM_NOTIFY
// with a control id and notification code) and a handler thunk that calls the member function.
//
//   ZOZ_BEGIN_MESSAGE_MAP(CMyDialog, CDialog)
//     ZOZ_ON_MESSAGE(WM_SIZE, OnSize)           // LRESULT OnSize(WPARAM, LPARAM)
//     ZOZ_ON_COMMAND(IDC_BROWSE, OnBrowse)      // void OnBrowse()   (BN_CLICKED)
//     ZOZ_ON_CONTROL(EN_CHANGE, IDC_PATH, F)     // void F()          (any WM_COMMAND code)
//     ZOZ_ON_NOTIFY(NM_CLICK, IDC_LIST, OnClick) // void OnClick(NMHDR*, LRESULT*)
//   ZOZ_END_MESSAGE_MAP()
//
// The class declares ZOZ_DECLARE_MESSAGE_MAP() in its body. The thunks are generated from the
// member-function pointers, so a handler with the wrong signature does not compile.
#pragma once
#include <windows.h>

class CWnd;

using MessageThunk = LRESULT (*)(CWnd* self, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry
{
    UINT message;         // WM_xxx; WM_COMMAND or WM_NOTIFY for control events
    UINT code;            // notification code for WM_COMMAND / WM_NOTIFY rows, else 0
    UINT id;              // control id for WM_COMMAND / WM_NOTIFY rows, else 0
    MessageThunk handler; // nullptr ends the table
};

struct MessageMap
{
    const MessageMap* (*base)();  // nullptr at the root
    const MessageMapEntry* entries;
};

namespace msgmap
{
template <class>
struct ClassOf;
template <class C, class R, class... A>
struct ClassOf<R (C::*)(A...)>
{
    using type = C;
};

template <auto F>
LRESULT Command(CWnd* self, WPARAM, LPARAM)
{
    using C = typename ClassOf<decltype(F)>::type;
    (static_cast<C*>(self)->*F)();
    return 0;
}

template <auto F>
LRESULT Message(CWnd* self, WPARAM wParam, LPARAM lParam)
{
    using C = typename ClassOf<decltype(F)>::type;
    return (static_cast<C*>(self)->*F)(wParam, lParam);
}

template <auto F>
LRESULT Notify(CWnd* self, WPARAM, LPARAM lParam)
{
    using C = typename ClassOf<decltype(F)>::type;
    LRESULT result = 0;
    (static_cast<C*>(self)->*F)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}
}  // namespace msgmap

#define ZOZ_DECLARE_MESSAGE_MAP()                  \
protected:                                         \
    static const MessageMap* ClassMessageMap();    \
    const MessageMap* GetMessageMap() const override;

#define ZOZ_BEGIN_MESSAGE_MAP(Class, Base)                                        \
    const MessageMap* Class::GetMessageMap() const { return ClassMessageMap(); }  \
    const MessageMap* Class::ClassMessageMap()                                    \
    {                                                                             \
        using ThisClass = Class;                                                  \
        using BaseClass = Base;                                                   \
        static_cast<void>(sizeof(ThisClass));                                     \
        static const MessageMapEntry entries[] = {

#define ZOZ_ON_MESSAGE(msg, F) {msg, 0, 0, &msgmap::Message<&ThisClass::F>},
#define ZOZ_ON_COMMAND(id, F) {WM_COMMAND, BN_CLICKED, id, &msgmap::Command<&ThisClass::F>},
#define ZOZ_ON_CONTROL(code, id, F) {WM_COMMAND, code, id, &msgmap::Command<&ThisClass::F>},
#define ZOZ_ON_NOTIFY(code, id, F) {WM_NOTIFY, static_cast<UINT>(code), id, &msgmap::Notify<&ThisClass::F>},

#define ZOZ_END_MESSAGE_MAP()                                                \
        {0, 0, 0, nullptr}};                                                 \
        static const MessageMap map{&BaseClass::ClassMessageMap, entries};   \
        return &map;                                                         \
    }
