; The Windows installer of Orvane Pollarion, made by scripts/windows-package.sh with
; Debian's makensis: the program in Program Files, a Start-menu entry, an optional
; "Start with Windows" entry (the program starts hidden, with only its notification-
; area icon), an entry in Add/Remove Programs and an uninstaller that removes what
; was installed and asks before removing the settings file.
;
; Defines (makensis -D): EXE the program to install, ICON its icon, VERSION (x.y.z),
; OUTFILE the installer to write, ARCH x86 (the shipped 32-bit program, the default)
; or amd64.
;
; Silent use: "setup.exe /S" installs every default part, "uninstall.exe /S" removes
; the program and keeps the settings file (nobody was asked).

Unicode true
!ifndef ARCH
  !define ARCH x86
!endif
Target ${ARCH}-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Orvane Pollarion"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tavix"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
RequestExecutionLevel admin
!if ${ARCH} == amd64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
ShowInstDetails show
ShowUninstDetails show

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro RegistryView
  !if ${ARCH} == amd64
    SetRegView 64
  !endif
  SetShellVarContext all
!macroend

Function .onInit
  !insertmacro RegistryView
  ; A reinstall goes where the last one went.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  StrCmp $0 "" +2
  StrCpy $INSTDIR $0
FunctionEnd

Function un.onInit
  !insertmacro RegistryView
FunctionEnd

Section "${PRODUCT} (required)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=tavix.exe" "${EXE}"
  ; The first start after installing shows the window; later starts are hidden.
  FileOpen $0 "$INSTDIR\newinstall" w
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tavix.exe" "" "$INSTDIR\tavix.exe" 0
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\tavix.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" 1024
SectionEnd

Section "Start with Windows" SecStartup
  ; Started at log-on the program shows only its notification-area icon.
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\tavix.exe"'
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tavix.exe"
  Delete "$INSTDIR\newinstall"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; The settings are the user's: the program keeps them in the Windows folder (or, for
  ; a user without the right to write there, in that user's virtual store).
  SetShellVarContext current
  StrCpy $1 "$LOCALAPPDATA\VirtualStore\Windows\tavix.ini"
  IfFileExists "$WINDIR\tavix.ini" +2
  IfFileExists $1 0 keep
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Remove the settings of ${PRODUCT} (tavix.ini) too?" /SD IDNO IDNO keep
  Delete "$WINDIR\tavix.ini"
  Delete $1
  keep:
SectionEnd
