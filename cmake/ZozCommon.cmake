# Flags shared by every target of the system: GBK narrow texts, warnings, a self-contained binary.

set(ZOZ_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)

function(zoz_target_defaults target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-fexec-charset=GBK -finput-charset=UTF-8 -Wall -Wextra>
    $<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<BOOL:${ZOZ_WERROR}>>:-Werror>)
  target_compile_definitions(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800>)
endfunction()

# Link options for a final binary (DLL or EXE): static runtimes, ASLR/DEP.
function(zoz_binary_defaults target)
  zoz_target_defaults(${target})
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
  endif()
endfunction()

# System libraries the product may import from.
set(ZOZ_SYSTEM_LIBS
  kernel32 user32 gdi32 advapi32 shell32 shlwapi ole32 oleaut32 uuid
  crypt32 wldap32 comctl32 comdlg32 msimg32)
