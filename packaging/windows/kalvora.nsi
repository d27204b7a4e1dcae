; The Windows installer: per user by default (no administrator rights), a Start-menu entry with
; the icon, and an uninstaller that removes the program but leaves the operator's settings (the
; registry key, a portable Kalvora.ini) and TickerTape.txt where they are. `/S` installs
; silently.
;   makensis -DVERSION=2.1.0 -DSTAGE=<folder with kalvora.exe> -DOUTFILE=<setup.exe> kalvora.nsi
Unicode true
; A 64-bit Wine (and Windows) runs a 32-bit installer's file operations redirected; this one
; is 64-bit like the program.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

Name "Kalvora ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Kalvora"
InstallDirRegKey HKCU "Software\Kalvora" "InstallDir"
!define MUI_ICON "${STAGE}/kalvora.ico"
!define MUI_UNICON "${STAGE}/kalvora.ico"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvora"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Kalvora"
    SetOutPath "$INSTDIR"
    ; The program's own files, listed so that the uninstaller removes exactly these.
    !include "${STAGE}/../install-files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "Software\Kalvora" "InstallDir" "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Kalvora.lnk" "$INSTDIR\kalvora.exe" "" "$INSTDIR\kalvora.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kalvora"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalvora.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${STAGE}/../uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Kalvora.lnk"
    ; Only if empty: TickerTape.txt and a portable Kalvora.ini stay.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Kalvora"
SectionEnd
