; The Windows installer, one per width. Made by the build's "installer" target, which
; passes VERSION, ARCH (x86 or x64), BINDIR (the built executables), DATADIR (the default
; Data files), NOTE (the ClamAV folder's note) and OUTFILE.
Unicode true
!if "${ARCH}" == "x64"
Target amd64-unicode
!endif
SetCompressor /SOLID lzma

Name "Quorvel ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${ARCH}" == "x64"
InstallDir "$PROGRAMFILES64\Quorvel"
!else
InstallDir "$PROGRAMFILES\Quorvel"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quorvel"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "${BINDIR}\quorvel.exe"
    File "${BINDIR}\quorvel-cli.exe"
    ; The defaults each user's Data folder (%APPDATA%\Quorvel\Data) is seeded from on
    ; first start. No "Data" folder here: that would make the copy a portable one.
    SetOutPath "$INSTDIR\Defaults"
    File "${DATADIR}\whitelist.db"
    File "${DATADIR}\blacklist.db"
    File "${DATADIR}\main.ini"
    File "${DATADIR}\set.db"
    SetOutPath "$INSTDIR\ClamAV"
    File "/oname=README.txt" "${NOTE}"
    SetOutPath "$INSTDIR"

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Quorvel"
    CreateShortcut "$SMPROGRAMS\Quorvel\Quorvel.lnk" "$INSTDIR\quorvel.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quorvel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorvel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program's files go; each user's Data folder stays, as does anything the user put
; into the ClamAV folder.
Section "Uninstall"
    SetShellVarContext all
    Delete "$INSTDIR\quorvel.exe"
    Delete "$INSTDIR\quorvel-cli.exe"
    Delete "$INSTDIR\Defaults\whitelist.db"
    Delete "$INSTDIR\Defaults\blacklist.db"
    Delete "$INSTDIR\Defaults\main.ini"
    Delete "$INSTDIR\Defaults\set.db"
    RMDir "$INSTDIR\Defaults"
    Delete "$INSTDIR\ClamAV\README.txt"
    RMDir "$INSTDIR\ClamAV"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Quorvel\Quorvel.lnk"
    RMDir "$SMPROGRAMS\Quorvel"
    ; "Run at Startup" would start a program that is gone.
    DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "Quorvel"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
