; The Windows installer, built on Linux by scripts/package-windows.sh with
; NSIS's makensis: a per-machine, 64-bit install under Program Files with a
; Start-menu entry, an entry in Add/Remove Programs and an uninstaller.
; Silent with /S, both ways.
;
; The file type follows Microsoft's rules for file associations: the ProgID
; Vistrel.Model.1 with its friendly name, DefaultIcon (the icon in
; vistrel.exe's resources) and shell\open\command; .3do points at it (unless
; another program already owns .3do) and lists it under OpenWithProgids;
; the thumbnail provider (vistrel-thumbnails.dll) is registered as a COM
; class, apartment-threaded, run in Explorer's process
; (DisableProcessIsolation, as it is initialised with the file's path), and
; named under the ProgID's and the extension's ShellEx thumbnail key. The shell is told after install and
; after uninstall (SHChangeNotify, SHCNE_ASSOCCHANGED).
;
; The uninstaller removes what the installer added, and nothing else: the
; files listed at packing time (removed-files.nsh), folders only when they
; are empty, and of the shared .3do key only the values that are still ours.
; A file in use (the provider loaded by Explorer, a running viewer) goes at
; the next restart (/REBOOTOK).
;
; makensis -DVERSION=X.Y.Z -DSTAGE=DIR -DOUTFILE=FILE vistrel.nsi, where DIR
; holds the programs and data (vistrel/ of the zip) and the generated
; installed-files.nsh and removed-files.nsh.
Unicode true
Target amd64-unicode
!include LogicLib.nsh

!ifndef VERSION | STAGE | OUTFILE
  !error "usage: makensis -DVERSION=X.Y.Z -DSTAGE=DIR -DOUTFILE=FILE vistrel.nsi"
!endif

!define CLASSES "Software\Classes"
!define PROGID "Vistrel.Model.1"
!define PROVIDER "{2921C062-5867-4F3E-906D-505D43ADBAFF}"
!define THUMBNAILS "ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}"
!define UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel"

Name "Vistrel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vistrel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Vistrel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Vistrel installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Vistrel developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Vistrel"
  !include "${STAGE}/installed-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Vistrel.lnk" "$INSTDIR\vistrel.exe" "" "$INSTDIR\vistrel.exe" 0

  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "3DO model"
  WriteRegStr HKLM "${CLASSES}\${PROGID}" "FriendlyTypeName" "3DO model"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\vistrel.exe,0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\vistrel.exe" "%1"'
  WriteRegStr HKLM "${CLASSES}\${PROGID}\${THUMBNAILS}" "" "${PROVIDER}"
  ReadRegStr $0 HKLM "${CLASSES}\.3do" ""
  ${If} $0 == ""
    WriteRegStr HKLM "${CLASSES}\.3do" "" "${PROGID}"
  ${EndIf}
  WriteRegStr HKLM "${CLASSES}\.3do\OpenWithProgids" "${PROGID}" ""
  ReadRegStr $0 HKLM "${CLASSES}\.3do\${THUMBNAILS}" ""
  ${If} $0 == ""
    WriteRegStr HKLM "${CLASSES}\.3do\${THUMBNAILS}" "" "${PROVIDER}"
  ${EndIf}
  WriteRegStr HKLM "${CLASSES}\CLSID\${PROVIDER}" "" "Vistrel thumbnail provider"
  WriteRegStr HKLM "${CLASSES}\CLSID\${PROVIDER}\InprocServer32" "" "$INSTDIR\vistrel-thumbnails.dll"
  WriteRegStr HKLM "${CLASSES}\CLSID\${PROVIDER}\InprocServer32" "ThreadingModel" "Apartment"
  ; Initialised with the file's path, which Explorer hands only to a
  ; provider it runs in its own process; the drawing is in a child process.
  WriteRegDWORD HKLM "${CLASSES}\CLSID\${PROVIDER}" "DisableProcessIsolation" 1

  WriteRegStr HKLM "${UNINSTALL}" "DisplayName" "Vistrel"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL}" "Publisher" "Vistrel"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayIcon" "$INSTDIR\vistrel.exe,0"
  WriteRegStr HKLM "${UNINSTALL}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL}" "NoRepair" 1

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Vistrel.lnk"
  !include "${STAGE}/removed-files.nsh"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"

  DeleteRegKey HKLM "${CLASSES}\${PROGID}"
  DeleteRegKey HKLM "${CLASSES}\CLSID\${PROVIDER}"
  DeleteRegValue HKLM "${CLASSES}\.3do\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "${CLASSES}\.3do\OpenWithProgids"
  ReadRegStr $0 HKLM "${CLASSES}\.3do\${THUMBNAILS}" ""
  ${If} $0 == "${PROVIDER}"
    DeleteRegKey HKLM "${CLASSES}\.3do\${THUMBNAILS}"
  ${EndIf}
  DeleteRegKey /ifempty HKLM "${CLASSES}\.3do\ShellEx"
  ReadRegStr $0 HKLM "${CLASSES}\.3do" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue HKLM "${CLASSES}\.3do" ""
  ${EndIf}
  DeleteRegKey /ifempty HKLM "${CLASSES}\.3do"
  DeleteRegKey HKLM "${UNINSTALL}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
