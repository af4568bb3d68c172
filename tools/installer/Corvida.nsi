; Workstation set-up of the installation report: the programs, the site's
; configuration and collector package, the program's registry state, the reminders
; (shortcuts and a scheduled task) and an uninstaller.
;
; Built by the CMake target "installer":
;   makensis -DVERSION=x.y.z -DOUTFILE=... [-DCORVIDA_EXE=...] [-DTROVELLIB_DLL=...]
;            [-DTROVEL_EXE=...] Corvida.nsi
;
; Command line of the installer (see README, "Rolling out the workstation set-up"):
;   /S                 silent
;   /PRODUCT=model     device model ("Product"); names its section in Corvida.ini
;   /CONFIG=file       site configuration installed as Corvida.ini
;   /PACKAGE=file      collector package installed as Current\Package_<name>.ini
; Uninstaller: /S silent, /REMOVEDATA also deletes the report (Data folder).

Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!ifndef VERSION
  !define VERSION 0.0.0
!endif
; The installer carries the version of the program it installs (the project's version
; while the program has no version resource).
!ifdef CORVIDA_EXE
  !getdllversion /noerrors "${CORVIDA_EXE}" PROGRAM_VERSION_
!endif
!ifdef PROGRAM_VERSION_1
  !if "${PROGRAM_VERSION_1}" != ""
    !define FULL_VERSION "${PROGRAM_VERSION_1}.${PROGRAM_VERSION_2}.${PROGRAM_VERSION_3}.${PROGRAM_VERSION_4}"
  !endif
!endif
!ifndef FULL_VERSION
  !define FULL_VERSION "${VERSION}.0"
!endif
!ifndef OUTFILE
  !define OUTFILE "Corvida-${VERSION}-Installer.exe"
!endif

!define APP_NAME "Corvida"
!define PUBLISHER "Velmora"
; The program works with this absolute folder as well as relative paths: it is fixed.
!define INSTALL_DIR "C:\Velmora\Corvida"
!define STATE_KEY "SOFTWARE\Velmora\Corvida"
!define VENDOR_KEY "SOFTWARE\Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvida"
!define TASK_NAME "Installation Report Reminder"
!define SAMPLE_PRODUCT "Aldera 800"
!define SAMPLE_PACKAGE "Workstation"

; Exit codes beyond the ones of the installer framework (1 cancelled, 2 aborted).
!define EXIT_BAD_FILE 3
!define EXIT_BAD_SITE 4
!define EXIT_RUNNING 5
!define EXIT_NO_TASK 6
!define EXIT_NOT_ADMIN 7

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "TextFunc.nsh"
!include "WordFunc.nsh"
!include "nsDialogs.nsh"
!include "Sections.nsh"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "${INSTALL_DIR}"
BrandingText "${PUBLISHER} ${APP_NAME} ${FULL_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FULL_VERSION}"
VIFileVersion "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP_NAME} workstation set-up"
VIAddVersionKey /LANG=1033 "FileVersion" "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var Product          ; device model written to "Product"
Var ConfigArg        ; /CONFIG= as a full path, or empty
Var PackageArg       ; /PACKAGE= as a full path, or empty
Var ConfigSource     ; file to install as Corvida.ini, empty = keep the installed one
Var PackageName      ; "PackageName" of the model in the configuration
Var PackageSource    ; file to install as the package, empty = keep the installed one
Var ExitCode
Var ProductBox

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_TEXT "Open the installation report now"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenReport
!insertmacro MUI_PAGE_WELCOME
Page custom WorkstationPage WorkstationPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "The installation report is kept unless you select it below."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- helpers

; Ends with an exit code: a message box in interactive runs, only the code in silent ones.
!macro FailWith CODE TEXT
  SetErrorLevel ${CODE}
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  Quit
!macroend

; The program and the library cannot be replaced or removed while they run: find out
; before anything is changed (a running program cannot be opened for writing).
!macro StopIfInUse FILE
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    ClearErrors
    FileOpen $R6 "$INSTDIR\${FILE}" a
    ${If} ${Errors}
      !insertmacro FailWith ${EXIT_RUNNING} "${FILE} is in use: close Corvida and the collector and start again."
    ${EndIf}
    FileClose $R6
  ${EndIf}
!macroend
!macro StopIfProgramsRun
  !insertmacro StopIfInUse "Corvida.exe"
  !insertmacro StopIfInUse "TrovelLib.dll"
  !insertmacro StopIfInUse "trovel.exe"
!macroend

; $0 in: a path as given on the command line (relative to the caller's folder);
; $0 out: the full path.
Function FullPath
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
  ${If} $2 <> 0
    StrCpy $0 $1
  ${EndIf}
FunctionEnd

; Decides which configuration and package get installed for $Product.
; $R9 out: empty when the site values fit together, otherwise the reason.
Function ResolveSiteValues
  StrCpy $R9 ""
  ${If} $Product == ""
    StrCpy $R9 "No device model was given (/PRODUCT=...)."
    Return
  ${EndIf}

  ; The configuration: the one given, else the one already installed, else the sample.
  ${If} $ConfigArg != ""
    StrCpy $ConfigSource $ConfigArg
    StrCpy $R8 $ConfigArg
  ${ElseIf} ${FileExists} "$INSTDIR\Corvida.ini"
    StrCpy $ConfigSource ""
    StrCpy $R8 "$INSTDIR\Corvida.ini"
  ${Else}
    StrCpy $ConfigSource "$PLUGINSDIR\Corvida.ini"
    StrCpy $R8 $ConfigSource
  ${EndIf}
  ReadINIStr $PackageName $R8 $Product "PackageName"
  ${If} $PackageName == ""
    StrCpy $R9 "The site configuration $R8 has no section [$Product] with a PackageName, \
      so the report could not be submitted. Give the device model with /PRODUCT= or a \
      matching configuration with /CONFIG=."
    Return
  ${EndIf}

  ; The package: the one given, else the one already installed, else the sample.
  ${If} $PackageArg != ""
    StrCpy $PackageSource $PackageArg
  ${ElseIf} ${FileExists} "$INSTDIR\Current\Package_$PackageName.ini"
    StrCpy $PackageSource ""
  ${ElseIf} $PackageName == "${SAMPLE_PACKAGE}"
    StrCpy $PackageSource "$PLUGINSDIR\Package_${SAMPLE_PACKAGE}.ini"
  ${Else}
    StrCpy $R9 "The site configuration names the collector package '$PackageName' \
      for '$Product', but no package file was given (/PACKAGE=...)."
  ${EndIf}
FunctionEnd

; Copies the task definition into $PLUGINSDIR\ReminderTask.utf16.xml with the
; program folder filled in, as UTF-16LE with a byte-order mark and CR LF lines:
; the form the task scheduler's command-line tool accepts.
Function WriteTaskDefinition
  FileOpen $1 "$PLUGINSDIR\ReminderTask.xml" r
  FileOpen $2 "$PLUGINSDIR\ReminderTask.utf16.xml" w
  FileWriteWord $2 0xFEFF
  ${Do}
    ClearErrors
    FileRead $1 $3
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${TrimNewLines} $3 $3
    ${WordReplace} $3 "@INSTDIR@" $INSTDIR "+" $3
    FileWriteUTF16LE $2 "$3$\r$\n"
  ${Loop}
  FileClose $1
  FileClose $2
FunctionEnd

Function OpenReport
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Corvida.exe"'
FunctionEnd

; ---------------------------------------------------------------- installer

Function .onInit
  SetShellVarContext all
  SetRegView 64
  StrCpy $INSTDIR "${INSTALL_DIR}"
  StrCpy $ExitCode 0

  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro FailWith ${EXIT_NOT_ADMIN} "The workstation set-up needs administrator rights."
  ${EndIf}

  InitPluginsDir
  File "/oname=$PLUGINSDIR\Corvida.ini" "Corvida.ini"
  File "/oname=$PLUGINSDIR\Package_${SAMPLE_PACKAGE}.ini" "Package_${SAMPLE_PACKAGE}.ini"
  File "/oname=$PLUGINSDIR\ReminderTask.xml" "ReminderTask.xml"

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/?" $0
  ${IfNot} ${Errors}
    MessageBox MB_OK|MB_ICONINFORMATION "${APP_NAME} workstation set-up ${FULL_VERSION}$\r$\n$\r$\n\
      /S$\tsilent$\r$\n/PRODUCT=model$\tdevice model$\r$\n/CONFIG=file$\tsite configuration (Corvida.ini)$\r$\n\
      /PACKAGE=file$\tcollector package of the model" /SD IDOK
    Quit
  ${EndIf}

  ; Both /NAME="a b" and "/NAME=a b" are usual ways of quoting: bring the second into
  ; the first form, the one the option reader understands.
  ${WordReplace} $R0 '"/PRODUCT=' '/PRODUCT="' "+" $R0
  ${WordReplace} $R0 '"/CONFIG=' '/CONFIG="' "+" $R0
  ${WordReplace} $R0 '"/PACKAGE=' '/PACKAGE="' "+" $R0
  ${GetOptions} $R0 "/PRODUCT=" $Product
  ${GetOptions} $R0 "/CONFIG=" $ConfigArg
  ${GetOptions} $R0 "/PACKAGE=" $PackageArg

  ${If} $ConfigArg != ""
    StrCpy $0 $ConfigArg
    Call FullPath
    StrCpy $ConfigArg $0
    ${IfNot} ${FileExists} $ConfigArg
      !insertmacro FailWith ${EXIT_BAD_FILE} "The site configuration $ConfigArg does not exist."
    ${EndIf}
  ${EndIf}
  ${If} $PackageArg != ""
    StrCpy $0 $PackageArg
    Call FullPath
    StrCpy $PackageArg $0
    ${IfNot} ${FileExists} $PackageArg
      !insertmacro FailWith ${EXIT_BAD_FILE} "The collector package $PackageArg does not exist."
    ${EndIf}
  ${EndIf}

  ; An upgrade keeps the model already set up unless another one is given.
  ${If} $Product == ""
    ReadRegStr $Product HKLM "${STATE_KEY}" "Product"
  ${EndIf}
  ${If} $Product == ""
    StrCpy $Product "${SAMPLE_PRODUCT}"
  ${EndIf}

  !insertmacro StopIfProgramsRun

  ${If} ${Silent}
    Call ResolveSiteValues
    ${If} $R9 != ""
      !insertmacro FailWith ${EXIT_BAD_SITE} $R9
    ${EndIf}
  ${EndIf}
FunctionEnd

Function WorkstationPage
  !insertmacro MUI_HEADER_TEXT "Workstation" "The output device this workstation serves."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u "Device model, as named by its section in the site configuration:"
  Pop $0
  ${NSD_CreateText} 0 22u 100% 13u $Product
  Pop $ProductBox
  ${If} $ConfigArg != ""
    StrCpy $1 "Site configuration: $ConfigArg"
  ${ElseIf} ${FileExists} "$INSTDIR\Corvida.ini"
    StrCpy $1 "Site configuration: the one installed is kept."
  ${Else}
    StrCpy $1 "Site configuration: the sample (give the site's own with /CONFIG=)."
  ${EndIf}
  ${If} $PackageArg != ""
    StrCpy $1 "$1$\r$\nCollector package: $PackageArg"
  ${EndIf}
  ${NSD_CreateLabel} 0 48u 100% 60u $1
  Pop $0
  nsDialogs::Show
FunctionEnd

Function WorkstationPageLeave
  ${NSD_GetText} $ProductBox $Product
  Call ResolveSiteValues
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION $R9
    Abort
  ${EndIf}
FunctionEnd

Section "Corvida" SecProgram
  SectionIn RO
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"

  DetailPrint "Programs"
  !ifdef CORVIDA_EXE
    File "/oname=Corvida.exe" "${CORVIDA_EXE}"
  !endif
  !ifdef TROVELLIB_DLL
    File "/oname=TrovelLib.dll" "${TROVELLIB_DLL}"
  !endif
  !ifdef TROVEL_EXE
    File "/oname=trovel.exe" "${TROVEL_EXE}"
  !endif

  ; The report (Data\) is the technician's work: nothing here writes into it.
  DetailPrint "Site configuration and collector package"
  ${If} $ConfigSource != ""
    CopyFiles /SILENT $ConfigSource "$INSTDIR\Corvida.ini"
  ${EndIf}
  CreateDirectory "$INSTDIR\Current"
  ${If} $PackageSource != ""
    CopyFiles /SILENT $PackageSource "$INSTDIR\Current\Package_$PackageName.ini"
  ${EndIf}

  DetailPrint "Shortcuts"
  ; Shortcuts start the program in its own folder: $OUTDIR is their working directory.
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  CreateShortcut "$STARTMENU\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  CreateShortcut "$SMPROGRAMS\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  StrCpy $5 "1"
  ClearErrors
  CreateShortcut "$SMSTARTUP\Reminder Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report reminder"
  CreateShortcut "$SMSTARTUP\Installation Report Reminder.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report reminder"
  ${If} ${Errors}
    StrCpy $5 "0"
  ${EndIf}

  DetailPrint "Reminder task"
  Call WriteTaskDefinition
  StrCpy $6 "1"
  nsExec::Exec '"$SYSDIR\schtasks.exe" /create /tn "${TASK_NAME}" /xml "$PLUGINSDIR\ReminderTask.utf16.xml" /f'
  Pop $0
  ${If} $0 != "0"
    StrCpy $6 "0"
    StrCpy $ExitCode ${EXIT_NO_TASK}
    DetailPrint "The reminder task could not be created (schtasks: $0)."
    MessageBox MB_OK|MB_ICONEXCLAMATION "The reminder task '${TASK_NAME}' could not be created \
      (schtasks: $0). The rest of the set-up is complete." /SD IDOK
  ${EndIf}

  DetailPrint "Registry"
  WriteRegStr HKLM "${STATE_KEY}" "Product" $Product
  ; The flags say which reminders are in place.
  WriteRegStr HKLM "${STATE_KEY}" "Reminder at Startup" $5
  WriteRegStr HKLM "${STATE_KEY}" "Reminder by Scheduler" $6
  ; An upgrade keeps the bookkeeping of a program that has already been opened.
  ClearErrors
  ReadRegStr $0 HKLM "${STATE_KEY}" "First Launch Flag"
  ${If} ${Errors}
    WriteRegStr HKLM "${STATE_KEY}" "First Launch Flag" "1"
  ${EndIf}

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${FULL_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Corvida.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  SetErrorLevel $ExitCode
SectionEnd

; ---------------------------------------------------------------- uninstaller

Section "un.Corvida" SecUnProgram
  SectionIn RO
  SetRegView 64
  SetShellVarContext all

  Delete "$INSTDIR\Corvida.exe"
  Delete "$INSTDIR\TrovelLib.dll"
  Delete "$INSTDIR\trovel.exe"
  Delete "$DESKTOP\Corvida.lnk"
  Delete "$STARTMENU\Corvida.lnk"
  Delete "$SMPROGRAMS\Corvida.lnk"
  Delete "$SMSTARTUP\Reminder Corvida.lnk"
  Delete "$SMSTARTUP\Installation Report Reminder.lnk"
  ; Gone already after a submission: schtasks then fails, which is fine.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /delete /tn "${TASK_NAME}" /f'
  Pop $0

  ; What the installer put there and what the program and the collector write beside it.
  Delete "$INSTDIR\Corvida.ini"
  Delete "$INSTDIR\Directory.ini"
  Delete "$INSTDIR\TrovelLog.txt"
  Delete "$INSTDIR\Log Corvida.txt"
  RMDir /r "$INSTDIR\Current"
  RMDir /r "$INSTDIR\Collection"
  Delete "$INSTDIR\Uninstall.exe"

  DeleteRegKey HKLM "${STATE_KEY}"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Installation report" SecData
  RMDir /r "$INSTDIR\Data"
SectionEnd

Section "-un.Folders"
  ; Only when empty: a report that was kept keeps its folders.
  RMDir "$INSTDIR"
  RMDir "C:\Velmora"
SectionEnd

; After the sections: it selects one of them.
Function un.onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro StopIfProgramsRun
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecData}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The program, its shortcuts, the reminder task and its registry settings."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecData} "The installation report in $INSTDIR\Data, filled in or not."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
