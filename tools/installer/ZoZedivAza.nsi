; One installer for both builds of the shell extension: the 64-bit DLL for the 64-bit shell,
; the 32-bit DLL for 32-bit processes, each registered by the regsvr32 of its own bitness.
; Built by build.sh: makensis -DDLL32=<file> -DDLL64=<file> -DOUTFILE=<file> ZoZedivAza.nsi
Unicode true

!ifndef DLL32 | DLL64 | OUTFILE
  !error "define DLL32, DLL64 and OUTFILE (see build.sh)"
!endif

!include MUI2.nsh
!include x64.nsh
!include LogicLib.nsh

!define PRODUCT "ZoZedivAza"
!define VERSION "1.0.0.0"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZoZedivAza"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PRODUCT}"

Function .onInit
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    SetRegView 64
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

; Registers or unregisters one DLL with the regsvr32 of the given bitness; $0 gets its exit code.
!macro Regsvr32 BITS ARGS FILE
  ${If} "${BITS}" == "64"
    ${DisableX64FSRedirection}
  ${EndIf}
  ; The installer is a 32-bit program: $SYSDIR is the 32-bit system folder unless redirection is off.
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${ARGS} "${FILE}"' $0
  ${If} "${BITS}" == "64"
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend

Section "${PRODUCT}"
  SetOutPath "$INSTDIR\x86"
  File "/oname=ZoZedivAza.DLL" "${DLL32}"
  ${If} ${RunningX64}
    SetOutPath "$INSTDIR\x64"
    File "/oname=ZoZedivAza.DLL" "${DLL64}"
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1

  !insertmacro Regsvr32 32 "" "$INSTDIR\x86\ZoZedivAza.DLL"
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "注册 32 位 ZoZedivAza.DLL 失败 ($0)。" /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
  ${If} ${RunningX64}
    !insertmacro Regsvr32 64 "" "$INSTDIR\x64\ZoZedivAza.DLL"
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONSTOP "注册 64 位 ZoZedivAza.DLL 失败 ($0)。" /SD IDOK
      SetErrorLevel 3
      Abort
    ${EndIf}
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; Unregister first, so that no entry is left naming a file that is gone.
  ${If} ${RunningX64}
    !insertmacro Regsvr32 64 "/u" "$INSTDIR\x64\ZoZedivAza.DLL"
    DetailPrint "regsvr32 /u (64): $0"
  ${EndIf}
  !insertmacro Regsvr32 32 "/u" "$INSTDIR\x86\ZoZedivAza.DLL"
  DetailPrint "regsvr32 /u (32): $0"

  ; A DLL still loaded by the shell goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\x64\ZoZedivAza.DLL"
  Delete /REBOOTOK "$INSTDIR\x86\ZoZedivAza.DLL"
  RMDir /REBOOTOK "$INSTDIR\x64"
  RMDir /REBOOTOK "$INSTDIR\x86"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
