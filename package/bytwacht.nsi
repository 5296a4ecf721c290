; Setup of Bytwacht: a per-user installation without administrator rights.
; scripts/package.sh passes VERSION (x.y.z), EXE, LICENSE_TXT, ICON and OUTFILE.
;
; Command line: /S (silent), /D=FOLDER (last, as NSIS wants it) and
; /AUTOSTART=1|0 to choose "Mit Windows starten" without the dialog. Without
; /AUTOSTART an update keeps the choice the installed copy had.

Unicode true
Target amd64-unicode
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No file times in the setup: the same commit gives the same setup file.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bytwacht"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define WINDOW_CLASS "BytwachtMainWndClass"
!define NPCAP_URL "https://npcap.com/#download"
!define PUBLISHER "Die Bytwacht-Entwickler"

Name "Bytwacht"
Caption "Bytwacht ${VERSION} Setup"
UninstallCaption "Bytwacht entfernen"
BrandingText "Bytwacht ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Bytwacht"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "Bytwacht"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "FileDescription" "Bytwacht - Installation"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "MIT-Lizenz"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\bytwacht.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Bytwacht jetzt starten"

!insertmacro MUI_PAGE_WELCOME
Page custom NpcapPage
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

Var ClosedRunningCopy

; Asks every running Bytwacht of this user to end the way its own menu does
; (WM_CLOSE saves the settings and the history first) and waits until the
; process has gone, so that its files can be replaced or removed. A copy that
; is busy with one of its dialogs ignores the request; the user is asked to
; close it, or the setup stops without having touched anything.
!macro DEFINE_CLOSE_RUNNING PREFIX
Function ${PREFIX}CloseRunningBytwacht
  Push $0
  Push $1
  Push $2
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}" ""
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    DetailPrint "Bytwacht wird beendet ..."
    StrCpy $ClosedRunningCopy 1
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    ; SYNCHRONIZE is all it takes to wait for the end.
    System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 P<> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 15000) i .r1"
      System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
      ; Without a handle the window's end has to do.
      ${For} $2 1 150
        System::Call "user32::IsWindow(p r0) i .r1"
        ${IfThen} $1 = 0 ${|} ${ExitFor} ${|}
        Sleep 100
      ${Next}
    ${EndIf}
    ; $1 is 0 once the copy has ended.
    ${If} $1 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Bytwacht läuft noch und lässt sich gerade nicht beenden.$\r$\n$\r$\nBitte schließen Sie die offenen Fenster von Bytwacht oder beenden Sie es über $\"Programm beenden$\" und klicken Sie dann auf $\"Wiederholen$\"." /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Abort "Bytwacht läuft noch."
    ${EndIf}
  retry:
    ; Loop: a second instance of the same user may still be running.
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING ""
!insertmacro DEFINE_CLOSE_RUNNING "un."

; The Run value belongs to this installation when it starts the installed
; bytwacht.exe, written with or without quotes. A value of another copy (a
; portable one elsewhere) is the user's and stays.
!macro DEFINE_OWN_RUN_VALUE PREFIX
Function ${PREFIX}RemoveOwnRunValue
  Push $0
  ReadRegStr $0 HKCU "${RUN_KEY}" "Bytwacht"
  ${If} $0 == '"$INSTDIR\bytwacht.exe"'
  ${OrIf} $0 == "$INSTDIR\bytwacht.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "Bytwacht"
  ${EndIf}
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_OWN_RUN_VALUE ""
!insertmacro DEFINE_OWN_RUN_VALUE "un."

Section "Bytwacht" SecProgram
  SectionIn RO
  SetShellVarContext current
  Call CloseRunningBytwacht
  SetOutPath "$INSTDIR"
  File "/oname=bytwacht.exe" "${EXE}"
  File "/oname=LIZENZ.txt" "${LICENSE_TXT}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Bytwacht.lnk" "$INSTDIR\bytwacht.exe" "" "$INSTDIR\bytwacht.exe" 0 \
      SW_SHOWNORMAL "" "Netzwerkverkehr live anzeigen"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Bytwacht"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bytwacht.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The same value the program's own "Autostart registrieren" writes.
Section /o "Mit Windows starten" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Bytwacht" '"$INSTDIR\bytwacht.exe"'
SectionEnd

Section "-AutostartOff"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    Call RemoveOwnRunValue
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $ClosedRunningCopy 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${If} ${Errors}
    ; No choice given: an update keeps what the installed copy had.
    ReadRegStr $1 HKCU "${RUN_KEY}" "Bytwacht"
    ${If} $1 == '"$INSTDIR\bytwacht.exe"'
    ${OrIf} $1 == "$INSTDIR\bytwacht.exe"
      !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
  ${ElseIf} $1 != "=0"
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

; A silent update puts back the copy it had to close.
Function .onInstSuccess
  ${If} ${Silent}
  ${AndIf} $ClosedRunningCopy = 1
    Exec '"$INSTDIR\bytwacht.exe"'
  ${EndIf}
FunctionEnd

; Shown only when no capture library is found where Bytwacht looks for it.
Function NpcapPage
  ${If} ${FileExists} "$SYSDIR\Npcap\wpcap.dll"
  ${OrIf} ${FileExists} "$SYSDIR\wpcap.dll"
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Npcap wird benötigt" "Bytwacht misst den Netzwerkverkehr mit Hilfe von Npcap."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 56u "Auf diesem Computer wurde Npcap (wpcap.dll) nicht gefunden. Ohne Npcap kann Bytwacht keinen Netzwerkverkehr messen.$\r$\n$\r$\nNpcap ist kostenlos und kommt vom Nmap-Projekt. Laden Sie es von ${NPCAP_URL} herunter und installieren Sie es."
  Pop $0
  ; A button rather than a link control: it reads the same on every system.
  ${NSD_CreateButton} 0 60u 110u 15u "Npcap-Seite öffnen"
  Pop $0
  ${NSD_OnClick} $0 OpenNpcapPage
  ${NSD_CreateLabel} 0 84u 100% 48u "Npcap ist in diesem Setup nicht enthalten, weil seine Lizenz die Weitergabe nicht erlaubt.$\r$\n$\r$\nSie können Bytwacht jetzt trotzdem installieren und Npcap später einrichten; Bytwacht braucht es erst beim Start."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function OpenNpcapPage
  Pop $0
  ExecShell "open" "${NPCAP_URL}"
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Asked before anything goes, so that a "no" finds everything in place.
  MessageBox MB_YESNO|MB_ICONQUESTION "Sollen Ihre Einstellungen und der Verbrauchsverlauf von Bytwacht erhalten bleiben?$\r$\n$\r$\nWählen Sie $\"Ja$\", wenn Sie Bytwacht später wieder installieren möchten." /SD IDYES IDYES keep
  StrCpy $R9 "remove"
  Goto asked
keep:
  StrCpy $R9 "keep"
asked:
  Call un.CloseRunningBytwacht
  Delete "$INSTDIR\bytwacht.exe"
  Delete "$INSTDIR\LIZENZ.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Bytwacht.lnk"
  Call un.RemoveOwnRunValue
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $R9 == "remove"
    ; Only the program's own files: the folder may hold other things.
    Delete "$APPDATA\Bytwacht\bytwacht.ini"
    Delete "$APPDATA\Bytwacht\bytwacht.ini.new"
    Delete "$APPDATA\Bytwacht\verbrauch.csv*"
    RMDir "$APPDATA\Bytwacht"
    ; A portable copy's files in the installation folder.
    Delete "$INSTDIR\bytwacht.ini"
    Delete "$INSTDIR\bytwacht.ini.new"
    Delete "$INSTDIR\verbrauch.csv*"
  ${EndIf}
  RMDir "$INSTDIR"
SectionEnd
