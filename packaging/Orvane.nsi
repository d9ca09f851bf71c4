; Orvane's installer, one per architecture. scripts/package defines ARCH (x86 or x64),
; VERSION (from Orvane.exe's version block), ICON (the program's icon), FILES (macros
; installing and removing exactly what the build's dist/ holds), SIZE_KB and OUTFILE.
;
; Everything goes to the machine: Program Files, the all-users Start menu, HKLM. The x86
; installer keeps the 32-bit views (Program Files (x86), the 32-bit uninstall key) on 64-bit
; Windows, where a 32-bit program belongs.

Unicode true
!if ${ARCH} == x64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
!define PROGID "Orvane.AudioFile"
!define OPEN_COMMAND '"$INSTDIR\Orvane.exe" "%1"'
; What an extension's class said before we took it, for the uninstaller to put back.
!define PREVIOUS "Orvane.Previous"

Name "Orvane"
Caption "Orvane ${VERSION} (${ARCH}) セットアップ"
UninstallCaption "Orvane (${ARCH}) アンインストール"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if ${ARCH} == x64
  InstallDir "$PROGRAMFILES64\Orvane"
!else
  InstallDir "$PROGRAMFILES32\Orvane"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "Orvane"
VIAddVersionKey /LANG=1041 "CompanyName" "Kellbrook"
VIAddVersionKey /LANG=1041 "FileDescription" "Orvane (${ARCH}) セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) Kellbrook"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Orvane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  !if ${ARCH} == x64
    SetRegView 64
  !endif
FunctionEnd

Function un.onInit
  !if ${ARCH} == x64
    SetRegView 64
  !endif
FunctionEnd

Section "Orvane" SecProgram
  SectionIn RO
  !insertmacro InstallFiles
  ; Where the user puts the icon files of tray icon sets.
  CreateDirectory "$INSTDIR\Icons"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  ; The shortcut starts in the program's folder (the working folder is the output path).
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Orvane.lnk" "$INSTDIR\Orvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Orvane (${ARCH})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kellbrook"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The class every associated extension points to; "Open with" offers it as well.
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Orvane オーディオファイル"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\Orvane.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '${OPEN_COMMAND}'
SectionEnd

; One ticked box per extension. The class the extension had is kept, unless it is ours
; already (a second install must not lose the first one's record).
!macro Associate ext
  Section ".${ext}"
    ReadRegStr $0 HKLM "Software\Classes\.${ext}" ""
    ${If} $0 != "${PROGID}"
      WriteRegStr HKLM "Software\Classes\.${ext}" "${PREVIOUS}" "$0"
      WriteRegStr HKLM "Software\Classes\.${ext}" "" "${PROGID}"
    ${EndIf}
    WriteRegStr HKLM "Software\Classes\.${ext}\OpenWithProgids" "${PROGID}" ""
  SectionEnd
!macroend

SectionGroup "ファイルの関連付け" SecAssociations
  !insertmacro Associate wav
  !insertmacro Associate aif
  !insertmacro Associate aiff
  !insertmacro Associate mp1
  !insertmacro Associate mp2
  !insertmacro Associate mp3
  !insertmacro Associate rmp
  !insertmacro Associate wma
  !insertmacro Associate ogg
  !insertmacro Associate flac
SectionGroupEnd

Section "-Tell the shell"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; An extension is given back only while it still points to our class: one the user has
; given to another program since stays with that program. $1 is 1 when the class is ours.
!macro Unassociate ext
  ${If} $1 == 1
    ReadRegStr $0 HKLM "Software\Classes\.${ext}" ""
    ${If} $0 == "${PROGID}"
      ReadRegStr $0 HKLM "Software\Classes\.${ext}" "${PREVIOUS}"
      ${If} $0 == ""
        DeleteRegValue HKLM "Software\Classes\.${ext}" ""
      ${Else}
        WriteRegStr HKLM "Software\Classes\.${ext}" "" "$0"
      ${EndIf}
    ${EndIf}
    DeleteRegValue HKLM "Software\Classes\.${ext}" "${PREVIOUS}"
    DeleteRegValue HKLM "Software\Classes\.${ext}\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKLM "Software\Classes\.${ext}\OpenWithProgids"
    DeleteRegKey /ifempty HKLM "Software\Classes\.${ext}"
  ${EndIf}
!macroend

Section "un.Orvane" SecUnProgram
  SectionIn RO
  ; The class is ours unless another Orvane installed later took it over.
  StrCpy $1 0
  ReadRegStr $0 HKLM "Software\Classes\${PROGID}\shell\open\command" ""
  ${If} $0 == '${OPEN_COMMAND}'
    StrCpy $1 1
  ${EndIf}
  !insertmacro Unassociate wav
  !insertmacro Unassociate aif
  !insertmacro Unassociate aiff
  !insertmacro Unassociate mp1
  !insertmacro Unassociate mp2
  !insertmacro Unassociate mp3
  !insertmacro Unassociate rmp
  !insertmacro Unassociate wma
  !insertmacro Unassociate ogg
  !insertmacro Unassociate flac
  ${If} $1 == 1
    DeleteRegKey HKLM "Software\Classes\${PROGID}"
  ${EndIf}
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  SetShellVarContext all
  Delete "$SMPROGRAMS\Orvane.lnk"
  !insertmacro RemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: icon files the user put into Icons\ stay, and so do the folders holding them.
  RMDir "$INSTDIR\Icons"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Unticked by default (and so never in a silent uninstall): the user's settings and cue list.
Section /o "un.設定とCueシート (Default.cue) も削除する" SecUnSettings
  DeleteRegKey HKCU "Software\Kellbrook\Orvane"
  DeleteRegKey /ifempty HKCU "Software\Kellbrook"
  SetShellVarContext current
  Delete "$APPDATA\Orvane\Default.cue"
  RMDir "$APPDATA\Orvane"
SectionEnd
