; The Windows installer: the window, the command line and the help file in
; Program Files, a Start-menu shortcut "VELTOR Update" and an uninstaller.
; tools/package runs makensis with these defines:
;   PRODUCT   product name ("VELTOR Update", or with TEST-STANDIN for a test package)
;   VERSION   version of the tool, like 1.03
;   FILES     folder holding veltor-update-gui.exe, veltor-update.exe and Help.mht
;   OUTFILE   the installer to write
;   ICON      optional: the application's .ico
;   SIGN      optional: a command that signs the file it is given, run on the
;             uninstaller before it is packed and on the installer once written
;   MAKER     the maker's name, for the version information
; The folder, the Start-menu shortcut and the uninstall key are named after
; PRODUCT, so that a TEST-STANDIN package installs beside a real one and never
; over it.
; A 64-bit installer: the programs are 64-bit, and so the installer runs
; where they do (wine without its 32-bit half included).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define REGKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"'
  !finalize '"${SIGN}" "%1"'
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${REGKEY}" "InstallLocation"
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Ukrainian"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_UKRAINIAN} "LegalCopyright" "© ${YEAR} ${MAKER}"

Function .onInit
  ; Per machine, into the 64-bit Program Files and registry view.
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${FILES}\veltor-update-gui.exe"
  File "${FILES}\veltor-update.exe"
  File "${FILES}\Help.mht"
  File /r "${FILES}\LICENSES"
  !ifdef HELP_PDF
    File "${FILES}\Help.pdf"
  !endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the window in its folder, where the help file is.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\veltor-update-gui.exe" "" \
    "$INSTDIR\veltor-update-gui.exe" 0

  WriteRegStr HKLM "${REGKEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${REGKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${REGKEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${REGKEY}" "DisplayIcon" "$INSTDIR\veltor-update-gui.exe"
  WriteRegStr HKLM "${REGKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${REGKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${REGKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${REGKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${REGKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\veltor-update-gui.exe"
  Delete "$INSTDIR\veltor-update.exe"
  Delete "$INSTDIR\Help.mht"
  Delete "$INSTDIR\Help.pdf"
  RMDir /r "$INSTDIR\LICENSES"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${REGKEY}"
SectionEnd
