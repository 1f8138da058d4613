; The Windows installer of the 64-bit program:
;   makensis -DVERSION=1.0.0 -DPROGRAM=quillon.exe -DCODES=Codes.htm -DOUTFILE=setup.exe quillon.nsi
; Program Files\Quillon with the program, Codes.htm beside it and the
; uninstaller; a Start-menu shortcut; an Add/Remove Programs entry.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"

Name "Quillon"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quillon"
RequestExecutionLevel admin
ShowInstDetails show

; No copyright line: the version record names the product and its version only.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Quillon"
VIAddVersionKey "CompanyName" "Brimlow 2000"
VIAddVersionKey "FileDescription" "Quillon setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

; A running Quillon would keep its files: installing over it or removing it
; waits until it is closed. FindWindow sees the windows of this desktop.
!macro RefuseWhileRunning
  FindWindow $0 "QuillonForm" "Quillon"
  StrCmp $0 0 +4
    MessageBox MB_OK|MB_ICONSTOP "Quillon is running. Close it, then try again." /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

Function .onInit
  !insertmacro RefuseWhileRunning
FunctionEnd

Function un.onInit
  !insertmacro RefuseWhileRunning
FunctionEnd

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quillon"
  ; The shortcut for every user, as the program lies in Program Files.
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=quillon.exe" "${PROGRAM}"
  File "/oname=Codes.htm" "${CODES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quillon.lnk" "$INSTDIR\quillon.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brimlow 2000"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Quillon.lnk"
  Delete "$INSTDIR\quillon.exe"
  Delete "$INSTDIR\Codes.htm"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
