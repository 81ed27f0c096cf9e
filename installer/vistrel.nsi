; The per-user setup of Vistrel and its uninstaller. Built by the Windows
; build (installer/CMakeLists.txt) as
;   makensis -DVERSION=1.0.1.37 -DBIN_DIR=<deliverables> -DOUT_FILE=<setup.exe>
;            -DICON=<program icon> [-DPOSTREL] vistrel.nsi
; POSTREL packs the e-mail plug-in; the build defines it when it builds one.
;
; Setup command line: /S silent, /AUTORUN start Vistrel with Windows,
; /D=<folder> (always last) the installation folder.
; Uninstaller command line: /S silent, /REMOVESETTINGS remove the settings too.
;
; Setup installs for the current user only, without administrator rights.
; Every step that changes something can be undone: when a step fails, the
; steps before it are undone in reverse order, an earlier installation in the
; folder is put back as it was, and the reason is shown.

Unicode true
; The plug-ins are registered by loading them into this process, so it must
; be a 64-bit program like them.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef VERSION | BIN_DIR | OUT_FILE | ICON
  !error "makensis -DVERSION=<a.b.c.d> -DBIN_DIR=<folder> -DOUT_FILE=<file> -DICON=<file> vistrel.nsi"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Vistrel"
!define PUBLISHER "Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel"
; The same value the settings dialog writes (settings/SettingsStore).
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Pixwell"
!define SETTINGS_KEY "Software\Orvane\Pixwell"
!define SETTINGS_PARENT_KEY "Software\Orvane"
!define CHECKED_PLUGINS_FILE "CheckedPlugins.lst"
!define SHORTCUT "$SMPROGRAMS\Vistrel.lnk"
!define UNINSTALLER "uninstall.exe"
; A running Vistrel is found by its notification icon's window (the window
; class of ui/Window.cpp, the name of shell/PixwellWindow.h) and ended by
; closing its hidden main window, the one other window of that class named
; "Vistrel" besides an open wizard: that ends the program the way "Exit" does.
!define WINDOW_CLASS "VistrelWindow"
!define TRAY_WINDOW_NAME "Vistrel notification icon"
!define MAIN_WINDOW_NAME "Vistrel"
!define CLOSE_TIMEOUT_MS 15000
!define SYNCHRONIZE 0x00100000
!define WAIT_OBJECT_0 0
!define MOVEFILE_REPLACE_EXISTING_COPY_ALLOWED 3
!define LOAD_WITH_ALTERED_SEARCH_PATH 8
!define FORMAT_MESSAGE_FROM_SYSTEM_IGNORE_INSERTS 0x1200
!define EXIT_FAILED 2

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Vistrel"
; An installation is updated where it is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

; ---- Pages ---------------------------------------------------------------------

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install Vistrel ${VERSION} for you alone; it needs no administrator rights.$\r$\n$\r$\nIf Vistrel is running, Setup closes it first.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Launch Vistrel"
!define MUI_FINISHPAGE_RUN_FUNCTION LaunchVistrel
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Start Vistrel with Windows"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION AutorunOn
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FinishLeave
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Vistrel will be removed from $INSTDIR. Your settings stay unless you tick $\"Remove my settings$\"."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---- What is installed ---------------------------------------------------------------

; Each installed file with a name for its variables. The program and the
; plug-ins are also COM servers, registered by the program's /REGSERVER and
; by the libraries' own DllRegisterServer, which falls back to the user's own
; classes when HKEY_CLASSES_ROOT is not writable.
!macro FOR_EACH_FILE MACRO
  !insertmacro ${MACRO} Vistrel vistrel.exe
  !insertmacro ${MACRO} Stowick stowick.dll
  !ifdef POSTREL
    !insertmacro ${MACRO} Postrel postrel.dll
  !endif
  !insertmacro ${MACRO} Help vistrel.chm
  !insertmacro ${MACRO} Uninstaller ${UNINSTALLER}
!macroend

; The plug-ins in the order they are registered; the program goes first, so
; that the type libraries they import are registered when they load theirs
; (the e-mail plug-in's may import the file-save plug-in's). Unregistering
; goes the other way round.
!macro FOR_EACH_PLUGIN MACRO
  !insertmacro ${MACRO} Stowick stowick.dll
  !ifdef POSTREL
    !insertmacro ${MACRO} Postrel postrel.dll
  !endif
!macroend
!macro FOR_EACH_PLUGIN_REVERSED MACRO
  !ifdef POSTREL
    !insertmacro ${MACRO} Postrel postrel.dll
  !endif
  !insertmacro ${MACRO} Stowick stowick.dll
!macroend

; Per file: Old_ is 1 once an earlier copy has been moved aside, New_ once the
; new copy is in place; per COM server, Reg_ once the new copy's registration
; has begun (a registration that failed half-way is undone too).
!macro DECLARE_FILE_VARS ID NAME
  Var Old_${ID}
  Var New_${ID}
!macroend
!insertmacro FOR_EACH_FILE DECLARE_FILE_VARS
!macro DECLARE_SERVER_VARS ID NAME
  Var Reg_${ID}
!macroend
Var Reg_Vistrel
!insertmacro FOR_EACH_PLUGIN DECLARE_SERVER_VARS

Var Failure          ; why the step that failed failed; empty while all goes well
Var ClosedRunning    ; 1 when setup ended a running Vistrel
Var WantAutorun      ; 1 with /AUTORUN
Var MadeFolder       ; 1 when setup created the installation folder
; The later steps, each 1 once it has begun, and what they change as it was.
Var DidShortcut
Var HadShortcut
Var DidAutorun
Var HadAutorun
Var OldAutorun
Var DidEntry
Var HadEntry
Var OldLocation
Var OldVersion
Var OldSize

; ---- Helpers for both installer and uninstaller -----------------------------------

; The system's text for the error code in $3, into $0.
!macro DEFINE_SYSTEM_MESSAGE UN
Function ${UN}SystemMessage
  System::Call 'kernel32::FormatMessageW(i ${FORMAT_MESSAGE_FROM_SYSTEM_IGNORE_INSERTS}, p 0, i r3, i 0, w .r0, i ${NSIS_MAX_STRLEN}, p 0) i .r4'
  ${If} $4 = 0
    StrCpy $0 "error $3"
    Return
  ${EndIf}
  ; Without the line break the system ends its texts with.
  ${Do}
    StrCpy $4 $0 1 -1
    ${If} $4 == "$\n"
    ${OrIf} $4 == "$\r"
    ${OrIf} $4 == " "
      StrCpy $0 $0 -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_SYSTEM_MESSAGE ""
!insertmacro DEFINE_SYSTEM_MESSAGE "un."

; Calls the entry point $R2 (DllRegisterServer or DllUnregisterServer) of the
; library $R1. $0 = empty on success, else why not: the library's own error
; text when it set one.
!macro DEFINE_CALL_SERVER_ENTRY UN
Function ${UN}CallServerEntry
  System::Call 'kernel32::LoadLibraryExW(w R1, p 0, i ${LOAD_WITH_ALTERED_SEARCH_PATH}) p .r5 ?e'
  Pop $3
  ${If} $5 P= 0
    Call ${UN}SystemMessage
    StrCpy $0 "$R1 cannot be loaded: $0"
    Return
  ${EndIf}
  System::Call 'kernel32::GetProcAddress(p r5, m R2) p .r6'
  ${If} $6 P= 0
    StrCpy $0 "$R1 has no $R2"
  ${Else}
    System::Call 'oleaut32::SetErrorInfo(i 0, p 0)'
    System::Call '::$6() i .r7'
    ${If} $7 < 0
      IntFmt $7 "0x%08X" $7
      StrCpy $0 "$R2 of $R1 failed ($7)"
      ; IErrorInfo::GetDescription is the interface's third own method.
      System::Call 'oleaut32::GetErrorInfo(i 0, *p .r8) i .r3'
      ${If} $3 = 0
      ${AndIf} $8 P<> 0
        System::Call '$8->5(*p .r9) i .r3'
        ${If} $3 = 0
        ${AndIf} $9 P<> 0
          System::Call '*$9(&w${NSIS_MAX_STRLEN} .r4)'
          System::Call 'oleaut32::SysFreeString(p r9)'
          ${If} $4 != ""
            StrCpy $0 "$R2 of $R1 failed: $4"
          ${EndIf}
        ${EndIf}
        System::Call '$8->2()'
      ${EndIf}
    ${Else}
      StrCpy $0 ""
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::FreeLibrary(p r5)'
FunctionEnd
!macroend
!insertmacro DEFINE_CALL_SERVER_ENTRY ""
!insertmacro DEFINE_CALL_SERVER_ENTRY "un."

; Runs $R1 with the switch $R2 (/REGSERVER, /UNREGSERVER) and waits for it.
; $0 = empty on success, else why not.
!macro DEFINE_RUN_PROGRAM_SWITCH UN
Function ${UN}RunProgramSwitch
  ClearErrors
  ExecWait '"$R1" $R2' $4
  ${If} ${Errors}
    StrCpy $0 "$R1 cannot be started"
  ${ElseIf} $4 <> 0
    StrCpy $0 "$R1 $R2 failed (exit code $4)"
  ${Else}
    StrCpy $0 ""
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_RUN_PROGRAM_SWITCH ""
!insertmacro DEFINE_RUN_PROGRAM_SWITCH "un."

; Ends every running Vistrel the way its "Exit" does and waits until its
; process is gone, so that no file of it is in use. $0 = empty when none runs
; any more, else why not; $ClosedRunning = 1 once one has been ended.
!macro DEFINE_CLOSE_VISTREL UN
Function ${UN}CloseVistrel
  StrCpy $0 ""
  ${Do}
    FindWindow $1 "${WINDOW_CLASS}" "${TRAY_WINDOW_NAME}"
    ${If} $1 = 0
      ${ExitDo}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r3'
    DetailPrint "Closing the running Vistrel (process $2)"
    ; Its hidden main window, and an open wizard of it, which the user would
    ; close first anyway.
    StrCpy $4 0
    ${Do}
      FindWindow $4 "${WINDOW_CLASS}" "${MAIN_WINDOW_NAME}" "" $4
      ${If} $4 = 0
        ${ExitDo}
      ${EndIf}
      System::Call 'user32::GetWindowThreadProcessId(p r4, *i .r5)'
      ${If} $5 = $2
        System::Call 'user32::PostMessageW(p r4, i ${WM_CLOSE}, p 0, p 0)'
      ${EndIf}
    ${Loop}
    ${If} $3 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r3, i ${CLOSE_TIMEOUT_MS}) i .r6'
      System::Call 'kernel32::CloseHandle(p r3)'
    ${Else}
      ; Not allowed to wait on the process: wait for its icon's window.
      StrCpy $6 1
      ${For} $7 1 100
        Sleep 200
        IsWindow $1 +2 0
        ${ExitFor}
      ${Next}
      IsWindow $1 0 +2
      StrCpy $6 0
      ; The icon's window goes a moment before the process.
      Sleep 1000
    ${EndIf}
    ${If} $6 <> ${WAIT_OBJECT_0}
      StrCpy $0 "Vistrel is running and did not close; it may be asking a question. Close it and try again."
      ${ExitDo}
    ${EndIf}
    StrCpy $ClosedRunning 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_VISTREL ""
!insertmacro DEFINE_CLOSE_VISTREL "un."

; Moves $1 to $2, replacing $2. $0 = empty on success, else why not.
Function MoveReplacing
  System::Call 'kernel32::MoveFileExW(w r1, w r2, i ${MOVEFILE_REPLACE_EXISTING_COPY_ALLOWED}) i .r0 ?e'
  Pop $3
  ${If} $0 = 0
    Call SystemMessage
  ${Else}
    StrCpy $0 ""
  ${EndIf}
FunctionEnd

; ---- Install steps ---------------------------------------------------------------------

; Moves an earlier copy aside into $PLUGINSDIR\old and the new one, unpacked
; into $PLUGINSDIR\new, into its place.
!macro PLACE_FILE ID NAME
  ${If} $Failure == ""
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $1 "$INSTDIR\${NAME}"
    StrCpy $2 "$PLUGINSDIR\old\${NAME}"
    Call MoveReplacing
    ${If} $0 == ""
      StrCpy $Old_${ID} 1
    ${Else}
      StrCpy $Failure "$INSTDIR\${NAME} cannot be replaced: $0"
    ${EndIf}
  ${EndIf}
  ${If} $Failure == ""
    StrCpy $1 "$PLUGINSDIR\new\${NAME}"
    StrCpy $2 "$INSTDIR\${NAME}"
    Call MoveReplacing
    ${If} $0 == ""
      StrCpy $New_${ID} 1
      DetailPrint "Installed $INSTDIR\${NAME}"
    ${Else}
      StrCpy $Failure "$INSTDIR\${NAME} cannot be written: $0"
    ${EndIf}
  ${EndIf}
!macroend

!macro REGISTER_PLUGIN ID NAME
  ${If} $Failure == ""
    StrCpy $Reg_${ID} 1
    StrCpy $R1 "$INSTDIR\${NAME}"
    StrCpy $R2 "DllRegisterServer"
    Call CallServerEntry
    ${If} $0 == ""
      DetailPrint "Registered ${NAME}"
    ${Else}
      StrCpy $Failure $0
    ${EndIf}
  ${EndIf}
!macroend

; The uninstall entry of "Apps" for the folder $R1, version $R2, size $R3
; (KB). $0 = empty on success, else why not.
Function WriteUninstallEntry
  ClearErrors
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "$R2"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$R1\vistrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$R1\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$R1\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$R1"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R3
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  StrCpy $0 ""
  ${If} ${Errors}
    StrCpy $0 "The uninstall entry HKEY_CURRENT_USER\${UNINSTALL_KEY} cannot be written"
  ${EndIf}
FunctionEnd

; ---- Rollback ------------------------------------------------------------------------

!macro UNREGISTER_NEW_PLUGIN ID NAME
  ${If} $Reg_${ID} == 1
  ${AndIf} $Old_${ID} != 1
    StrCpy $R1 "$INSTDIR\${NAME}"
    StrCpy $R2 "DllUnregisterServer"
    Call CallServerEntry
  ${EndIf}
!macroend

!macro RESTORE_FILE ID NAME
  ${If} $Old_${ID} == 1
    StrCpy $1 "$PLUGINSDIR\old\${NAME}"
    StrCpy $2 "$INSTDIR\${NAME}"
    Call MoveReplacing
    ${If} $0 != ""
      DetailPrint "$INSTDIR\${NAME} cannot be put back: $0"
    ${EndIf}
  ${ElseIf} $New_${ID} == 1
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
!macroend

; The earlier copy of a plug-in is put back in the same place, so its
; registration is the same as before once it registers itself again.
!macro REREGISTER_OLD_PLUGIN ID NAME
  ${If} $Old_${ID} == 1
    StrCpy $R1 "$INSTDIR\${NAME}"
    StrCpy $R2 "DllRegisterServer"
    Call CallServerEntry
  ${EndIf}
!macroend

; Undoes every step done so far, latest first.
Function Rollback
  DetailPrint "Undoing: $Failure"
  ; A folder that is the current one cannot be removed.
  SetOutPath "$PLUGINSDIR"
  ${If} $DidEntry == 1
    ${If} $HadEntry == 1
      StrCpy $R1 $OldLocation
      StrCpy $R2 $OldVersion
      StrCpy $R3 $OldSize
      Call WriteUninstallEntry
    ${Else}
      DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}
  ${If} $DidAutorun == 1
    ${If} $HadAutorun == 1
      WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" $OldAutorun
    ${Else}
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}
  ${If} $DidShortcut == 1
  ${AndIf} $HadShortcut != 1
    Delete "${SHORTCUT}"
  ${EndIf}

  ; New registrations go while the new files are still there to undo them.
  !insertmacro FOR_EACH_PLUGIN_REVERSED UNREGISTER_NEW_PLUGIN
  ${If} $Reg_Vistrel == 1
  ${AndIf} $Old_Vistrel != 1
    StrCpy $R1 "$INSTDIR\vistrel.exe"
    StrCpy $R2 "/UNREGSERVER"
    Call RunProgramSwitch
  ${EndIf}

  !insertmacro FOR_EACH_FILE RESTORE_FILE
  ${If} $MadeFolder == 1
    RMDir "$INSTDIR"
  ${EndIf}

  ${If} $Reg_Vistrel == 1
    ${If} $Old_Vistrel == 1
      StrCpy $R1 "$INSTDIR\vistrel.exe"
      StrCpy $R2 "/REGSERVER"
      Call RunProgramSwitch
    ${EndIf}
    !insertmacro FOR_EACH_PLUGIN REREGISTER_OLD_PLUGIN
  ${EndIf}
FunctionEnd

; ---- Installer ------------------------------------------------------------------------

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTORUN" $1
  ${IfNot} ${Errors}
    StrCpy $WantAutorun 1
  ${EndIf}
FunctionEnd

Section "-Vistrel"
  SetShellVarContext current
  StrCpy $Failure ""
  InitPluginsDir

  ; A Vistrel that runs holds its files: it is closed before anything changes.
close:
  Call CloseVistrel
  ${If} $0 != ""
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$0" /SD IDCANCEL IDRETRY close
    StrCpy $Failure $0
    Goto failed
  ${EndIf}

  ; Everything is unpacked first, so that a damaged setup file fails here,
  ; before the installed files are touched.
  CreateDirectory "$PLUGINSDIR\old"
  SetOutPath "$PLUGINSDIR\new"
  File "${BIN_DIR}\vistrel.exe"
  File "${BIN_DIR}\stowick.dll"
  !ifdef POSTREL
    File "${BIN_DIR}\postrel.dll"
  !endif
  File "${BIN_DIR}\vistrel.chm"
  WriteUninstaller "$PLUGINSDIR\new\${UNINSTALLER}"

  ; What the later steps change, as it is now.
  ${If} ${FileExists} "${SHORTCUT}"
    StrCpy $HadShortcut 1
  ${EndIf}
  ClearErrors
  ReadRegStr $OldAutorun HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${IfNot} ${Errors}
    StrCpy $HadAutorun 1
  ${EndIf}
  ClearErrors
  ReadRegStr $OldVersion HKCU "${UNINSTALL_KEY}" "DisplayVersion"
  ${IfNot} ${Errors}
    StrCpy $HadEntry 1
    ReadRegStr $OldLocation HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegDWORD $OldSize HKCU "${UNINSTALL_KEY}" "EstimatedSize"
  ${EndIf}

  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
      StrCpy $Failure "The folder $INSTDIR cannot be created"
      Goto failed
    ${EndIf}
    StrCpy $MadeFolder 1
  ${EndIf}
  !insertmacro FOR_EACH_FILE PLACE_FILE
  ${If} $Failure != ""
    Goto failed
  ${EndIf}

  StrCpy $Reg_Vistrel 1
  StrCpy $R1 "$INSTDIR\vistrel.exe"
  StrCpy $R2 "/REGSERVER"
  Call RunProgramSwitch
  ${If} $0 != ""
    StrCpy $Failure $0
    Goto failed
  ${EndIf}
  DetailPrint "Registered vistrel.exe"
  !insertmacro FOR_EACH_PLUGIN REGISTER_PLUGIN
  ${If} $Failure != ""
    Goto failed
  ${EndIf}

  StrCpy $DidShortcut 1
  ; The working folder of a program started from the shortcut is its own.
  SetOutPath "$INSTDIR"
  ClearErrors
  CreateShortcut "${SHORTCUT}" "$INSTDIR\vistrel.exe" "" "$INSTDIR\vistrel.exe" 0
  ${If} ${Errors}
    StrCpy $Failure "The shortcut ${SHORTCUT} cannot be created"
    Goto failed
  ${EndIf}

  ; A choice made earlier follows the program to where it is now.
  ${If} $WantAutorun == 1
  ${OrIf} $HadAutorun == 1
    StrCpy $DidAutorun 1
    Call AutorunOn
    ${If} $0 != ""
      StrCpy $Failure $0
      Goto failed
    ${EndIf}
  ${EndIf}

  StrCpy $DidEntry 1
  ${GetSize} "$INSTDIR" "/S=0K" $R3 $1 $2
  StrCpy $R1 $INSTDIR
  StrCpy $R2 "${VERSION}"
  Call WriteUninstallEntry
  ${If} $0 != ""
    StrCpy $Failure $0
    Goto failed
  ${EndIf}

  ; A silent update leaves the user's program running as it found it.
  ${If} ${Silent}
  ${AndIf} $ClosedRunning == 1
    Call LaunchVistrel
  ${EndIf}
  Return

failed:
  Call Rollback
  ; What the user had running runs again.
  ${If} $ClosedRunning == 1
  ${AndIf} ${FileExists} "$INSTDIR\vistrel.exe"
    Call LaunchVistrel
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "Vistrel could not be installed.$\n$\n$Failure$\n$\nSetup has undone its changes." /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort "$Failure"
SectionEnd

Function LaunchVistrel
  ; Started from its own folder, as from the shortcut.
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\vistrel.exe"'
FunctionEnd

; Writes the autorun value as the settings dialog does: the program's path,
; without quotes. $0 = empty on success, else why not.
Function AutorunOn
  ClearErrors
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\vistrel.exe"
  StrCpy $0 ""
  ${If} ${Errors}
    StrCpy $0 "The autorun value ${RUN_VALUE} cannot be written"
  ${EndIf}
FunctionEnd

Function FinishShow
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${IfNot} ${Errors}
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

; Checked, the box writes the value (AutorunOn); unchecked, it removes it.
Function FinishLeave
  SendMessage $mui.FinishPage.ShowReadme ${BM_GETCHECK} 0 0 $0
  ${If} $0 <> ${BST_CHECKED}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
FunctionEnd

; ---- Uninstaller ----------------------------------------------------------------------

!macro UNREGISTER_PLUGIN ID NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $R1 "$INSTDIR\${NAME}"
    StrCpy $R2 "DllUnregisterServer"
    Call un.CallServerEntry
    ${If} $0 == ""
      DetailPrint "Unregistered ${NAME}"
    ${Else}
      DetailPrint $0
    ${EndIf}
  ${EndIf}
!macroend

Section "un.Vistrel" SecUnVistrel
  SectionIn RO
  SetShellVarContext current
close:
  Call un.CloseVistrel
  ${If} $0 != ""
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$0" /SD IDCANCEL IDRETRY close
    SetErrorLevel ${EXIT_FAILED}
    Abort $0
  ${EndIf}

  ; Unregistering goes on past a failure: the files go in any case. The
  ; plug-ins go first, the e-mail one whichever version installed it.
  ; Unregistering a plug-in removes its key under the settings key, with the
  ; plug-in's own settings: an uninstalled plug-in must not be listed.
  !insertmacro UNREGISTER_PLUGIN Postrel postrel.dll
  !insertmacro UNREGISTER_PLUGIN Stowick stowick.dll
  ${If} ${FileExists} "$INSTDIR\vistrel.exe"
    StrCpy $R1 "$INSTDIR\vistrel.exe"
    StrCpy $R2 "/UNREGSERVER"
    Call un.RunProgramSwitch
    ${If} $0 != ""
      DetailPrint $0
    ${EndIf}
  ${EndIf}

  Delete "$INSTDIR\vistrel.exe"
  Delete "$INSTDIR\stowick.dll"
  Delete "$INSTDIR\postrel.dll"
  Delete "$INSTDIR\vistrel.chm"
  ; What the help display may leave beside the program.
  Delete "$INSTDIR\HHDebug.txt"
  Delete "$INSTDIR\$$_Temp_$$.$$$$$$"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: the folder may hold what the user put there.
  RMDir "$INSTDIR"

  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my settings" SecUnSettings
  SetShellVarContext current
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT_KEY}"
  Delete "$APPDATA\${CHECKED_PLUGINS_FILE}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnVistrel} "The program, its plug-ins, the Start-menu shortcut and the start with Windows."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnSettings} "Your Vistrel settings and the list of plug-ins checked by default."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
