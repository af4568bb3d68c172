; Workstation set-up of the installation report: the programs, the site's
; configuration and collector package, the program's registry state, the reminders
; (shortcuts and a scheduled task) and an uninstaller.
;
; Built by the CMake target "installer":
;   makensis -DVERSION=x.y.z -DOUTFILE=... [-DCORVIDA_EXE=...] [-DTROVELLIB_DLL=...]
;            [-DTROVEL_EXE=...] Corvida.nsi
;
; Command line of the installer: see HELP_OPTIONS below (also shown by /?) and the README,
; "For site engineers". Uninstaller: /S silent, /REMOVEDATA also deletes the report.
;
; Uninstall.exe is a small launcher built from this same script (UNINSTALL_LAUNCHER): the
; framework's uninstaller copies itself to a temporary folder, starts the copy and returns
; at once with 0, so a deployment tool would neither wait for the removal nor learn its
; outcome. The launcher does that copy itself, waits for it and returns its exit code.

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

VIProductVersion "${FULL_VERSION}"
VIFileVersion "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Corvida"
VIAddVersionKey /LANG=1033 "CompanyName" "Velmora"
VIAddVersionKey /LANG=1033 "FileVersion" "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${FULL_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Velmora"

; The real uninstaller, beside the launcher in the program folder.
!define UNINSTALLER_CORE "Uninstall-Corvida.dat"
; The copy of the uninstaller that removes the launcher after its end (in TEMP).
!define CLEANUP_EXE "Corvida-Uninstall-cleanup.exe"

!ifdef UNINSTALL_LAUNCHER
; ---------------------------------------------------------------- uninstall launcher

!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "Corvida"
OutFile "${UNINSTALL_LAUNCHER}"
SilentInstall silent
VIAddVersionKey /LANG=1033 "FileDescription" "Corvida uninstaller"

Function .onInit
  ${GetParameters} $0
  InitPluginsDir
  ClearErrors
  CopyFiles /SILENT "$EXEDIR\${UNINSTALLER_CORE}" "$PLUGINSDIR\Uninstall.exe"
  ${If} ${Errors}
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; "_?=" must come last: the uninstaller takes the rest of the line as its folder.
  ClearErrors
  System::Call 'kernel32::GetCurrentProcessId() i .r2'
  ExecWait '"$PLUGINSDIR\Uninstall.exe" $0 /LAUNCHER=$2 _?=$EXEDIR' $1
  ${If} ${Errors}
    StrCpy $1 2
  ${EndIf}
  SetErrorLevel $1
  Quit
FunctionEnd

Section
SectionEnd

!else
; ---------------------------------------------------------------- workstation set-up

!tempfile UNINSTALL_LAUNCHER_FILE
!system 'makensis -V2 "-DUNINSTALL_LAUNCHER=${UNINSTALL_LAUNCHER_FILE}" "-DFULL_VERSION=${FULL_VERSION}" "${__FILEDIR__}/${__FILE__}"' = 0

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

!ifndef HELP_LINK
  !define HELP_LINK "https://support.velmora.example/corvida"
!endif
; Every install and uninstall appends what it did, refused and why (kept by the uninstaller).
!define LOG_FOLDER "$APPDATA\Velmora"  ; all users: C:\ProgramData\Velmora
!define LOG_FILE "${LOG_FOLDER}\Corvida-Setup.log"

; Exit codes beyond the ones of the installer framework (1 cancelled, 2 aborted).
!define EXIT_BAD_FILE 3
!define EXIT_BAD_SITE 4
!define EXIT_RUNNING 5
!define EXIT_NO_TASK 6
!define EXIT_NOT_ADMIN 7
!define EXIT_BAD_OPTION 8
!define EXIT_BAD_PACKAGE 9

; The report file as the report program's package names it.
!define REPORT_FILE "Corvidadata.ini"

; The /? text, in pieces that each fit the framework's string length.
!define HELP_OPTIONS "${APP_NAME} workstation set-up ${FULL_VERSION}$\r$\n$\r$\nOptions:$\r$\n  /S              silent: no pages, no message boxes;$\r$\n                  the exit code tells the outcome$\r$\n  /PRODUCT=model  device model; Corvida.ini must have a$\r$\n                  section of that name with a PackageName$\r$\n                  (default: the installed one, else$\r$\n                  Aldera 800)$\r$\n  /CONFIG=file    site configuration, installed as$\r$\n                  Corvida.ini$\r$\n  /PACKAGE=file   collector package, installed as$\r$\n                  Current\Package_<PackageName>.ini; it must$\r$\n                  collect the report Data\${REPORT_FILE}$\r$\n  /?              this text$\r$\n"
!define HELP_CODES "$\r$\nExit codes:$\r$\n  0  installed$\r$\n  1  cancelled$\r$\n  2  aborted$\r$\n  3  the configuration or package file does not exist$\r$\n  4  no section with a PackageName for the model,$\r$\n     or no package file for it$\r$\n  5  Corvida or the collector is running$\r$\n  6  installed, but the reminder task could not be$\r$\n     created$\r$\n  7  no administrator rights$\r$\n  8  unknown option$\r$\n  9  the package collects no files, or not the report$\r$\n  With 3, 4, 5, 7, 8 and 9 nothing is changed.$\r$\n"
!define HELP_EXAMPLE "$\r$\nExample:$\r$\n  Installer.exe /S $\"/PRODUCT=Aldera 800$\"$\r$\n    /CONFIG=\\server\site\Corvida.ini$\r$\n    /PACKAGE=\\server\site\Package_Workstation.ini$\r$\n$\r$\nUninstall: ${INSTALL_DIR}\Uninstall.exe [/S] [/REMOVEDATA]$\r$\n  0  removed$\r$\n  1  cancelled$\r$\n  2  aborted$\r$\n  5  Corvida or the collector is running$\r$\n  8  unknown option$\r$\n$\r$\nLog of every install and uninstall:$\r$\n  C:\ProgramData\Velmora\Corvida-Setup.log$\r$\n"

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

VIAddVersionKey /LANG=1033 "FileDescription" "${APP_NAME} workstation set-up"

Var Product          ; device model written to "Product"
Var ConfigArg        ; /CONFIG= as a full path, or empty
Var PackageArg       ; /PACKAGE= as a full path, or empty
Var ConfigSource     ; file to install as Corvida.ini, empty = keep the installed one
Var PackageName      ; "PackageName" of the model in the configuration
Var PackageSource    ; file to install as the package, empty = keep the installed one
Var ExitCode
Var ProductBox
Var ShowHelp         ; "1" when /? was given
Var PackageFile      ; the package file that will be in place, for the checks
Var LauncherPid      ; uninstaller: process id of the launcher waiting for it

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_TEXT "Open the installation report now"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenReport
!ifdef TROVEL_EXE
  !define MUI_FINISHPAGE_SHOWREADME
  !define MUI_FINISHPAGE_SHOWREADME_TEXT "Check now whether a submission can work (trovel check)"
  !define MUI_FINISHPAGE_SHOWREADME_FUNCTION ShowReadinessCheck
!endif
Page custom HelpPage HelpPageLeave
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

; Appends one line, with the local date and time, to the set-up log.
!macro DEFINE_WRITE_LOG UN
Function ${UN}WriteLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  CreateDirectory "${LOG_FOLDER}"
  ClearErrors
  FileOpen $1 "${LOG_FILE}" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    ${GetTime} "" "L" $2 $3 $4 $5 $6 $7 $8
    FileWrite $1 "$4-$3-$2 $6:$7:$8  $0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_WRITE_LOG ""
!insertmacro DEFINE_WRITE_LOG "un."

!macro Log TEXT
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.WriteLog
  !else
    Call WriteLog
  !endif
!macroend

; Ends with an exit code: a message box in interactive runs, only the code in silent ones;
; the log says why.
!macro FailWith CODE TEXT
  !insertmacro Log "Refused (exit code ${CODE}): ${TEXT}"
  SetErrorLevel ${CODE}
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  Quit
!macroend

; Splits the parameters ($R0) into options as the command line quotes them and gives the
; first one that `UN`IsKnownOption does not take in $R9 (empty when all are known).
!macro DEFINE_FIND_UNKNOWN_OPTION UN
Function ${UN}FindUnknownOption
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $R9 ""
  StrCpy $0 0   ; position
  StrCpy $2 ""  ; option so far
  StrCpy $3 0   ; inside double quotes
  ${Do}
    StrCpy $1 $R0 1 $0
    IntOp $0 $0 + 1
    StrCpy $4 0   ; 1: the option ends here
    ${If} $1 == ""
      StrCpy $4 1
    ${ElseIf} $1 == '"'
      IntOp $3 1 - $3
      ${Continue}
    ${ElseIf} $1 == " "
    ${AndIf} $3 == 0
      ; As the option reader takes it: a value runs on to the next blank followed by "/"
      ; (or by a quote and "/"), so an unquoted path with blanks stays one option.
      StrCpy $6 $0
      ${Do}
        StrCpy $5 $R0 1 $6
        ${If} $5 != " "
          ${Break}
        ${EndIf}
        IntOp $6 $6 + 1
      ${Loop}
      StrCpy $7 $R0 2 $6
      ${If} $5 == ""
      ${OrIf} $5 == "/"
      ${OrIf} $7 == '"/'
        StrCpy $4 1
      ${EndIf}
    ${EndIf}
    ${If} $4 == 1
      ${If} $2 != ""
      ${AndIf} $R9 == ""
        Push $2
        Call ${UN}IsKnownOption
        Pop $4
        ${If} $4 == 0
          StrCpy $R9 $2
        ${EndIf}
      ${EndIf}
      StrCpy $2 ""
      ${If} $1 == ""
        ${Break}
      ${EndIf}
    ${Else}
      StrCpy $2 "$2$1"
    ${EndIf}
  ${Loop}
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend

; Stack: an option in, 1 or 0 out. The framework's own /S, /NCRC and /D= are case-sensitive:
; "/s" would install with pages, so it counts as unknown.
Function IsKnownOption
  Exch $0
  Push $1
  StrCmpS $0 "/S" known
  StrCmpS $0 "/NCRC" known
  StrCmp $0 "/?" known
  StrCpy $1 $0 3
  StrCmpS $1 "/D=" known
  StrCpy $1 $0 9
  StrCmp $1 "/PRODUCT=" known
  StrCmp $1 "/PACKAGE=" known
  StrCpy $1 $0 8
  StrCmp $1 "/CONFIG=" known
  StrCpy $0 0
  Goto done
known:
  StrCpy $0 1
done:
  Pop $1
  Exch $0
FunctionEnd
!insertmacro DEFINE_FIND_UNKNOWN_OPTION ""

Function un.IsKnownOption
  Exch $0
  Push $1
  StrCmpS $0 "/S" known
  StrCmp $0 "/REMOVEDATA" known
  StrCpy $1 $0 10
  StrCmp $1 "/LAUNCHER=" known
  StrCpy $1 $0 3
  StrCmp $1 "_?=" known
  StrCpy $0 0
  Goto done
known:
  StrCpy $0 1
done:
  Pop $1
  Exch $0
FunctionEnd
!insertmacro DEFINE_FIND_UNKNOWN_OPTION "un."

; $R8 in: a collector package file. $R9 out: empty when it collects files and among them
; the report Data\Corvidadata.ini of $INSTDIR, otherwise the reason. The same rule as
; `trovel check`: the entry's folder is Data below the program folder (written with
; %CURRENTDIR%, .\ or in full), or the program folder itself with Recursive, and its
; FileFormat takes the file ("*.*" always, another pattern with a Filenum of 1 or more).
Function CheckPackageFile
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $R9 ""
  StrCpy $0 0      ; entry
  StrCpy $5 0      ; 1 once an entry takes the report
  ${Do}
    ReadINIStr $1 $R8 "FILES" "$0)Filenum"
    ${If} $1 == ""
      ${Break}
    ${EndIf}
    ReadINIStr $2 $R8 "FILES" "$0)Directory"
    ReadINIStr $3 $R8 "FILES" "$0)FileFormat"
    ReadINIStr $4 $R8 "FILES" "$0)Recursive"
    IntOp $0 $0 + 1
    ${WordReplace} $2 "%CURRENTDIR%" $INSTDIR "+" $2
    StrCpy $R7 $2 2
    ${If} $R7 == ".\"
      StrCpy $2 $2 "" 1
      StrCpy $2 "$INSTDIR$2"
    ${ElseIf} $2 == "."
      StrCpy $2 $INSTDIR
    ${EndIf}
    ${Do}
      StrCpy $R7 $2 1 -1
      ${If} $R7 != "\"
        ${Break}
      ${EndIf}
      StrCpy $2 $2 -1
    ${Loop}
    ${If} $3 == "*.*"
      StrCpy $R7 1
    ${ElseIf} $1 < 1
      StrCpy $R7 0
    ${Else}
      System::Call 'shlwapi::PathMatchSpecW(w "${REPORT_FILE}", w r3) i .R7'
    ${EndIf}
    ${If} $R7 <> 0
      ${If} $2 == "$INSTDIR\Data"
        StrCpy $5 1
      ${ElseIf} $2 == $INSTDIR
      ${AndIf} $4 <> 0
        StrCpy $5 1
      ${EndIf}
    ${EndIf}
  ${Loop}
  ${If} $0 == 0
    StrCpy $R9 "The collector package $R8 has no FILES entries: a submission would send nothing."
  ${ElseIf} $5 == 0
    StrCpy $R9 "The collector package $R8 does not collect the report (Data\${REPORT_FILE}): \
      a submission would send no report."
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

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
; $R9 out: empty when the site values fit together, otherwise the reason; $R6 out: the
; exit code for it.
Function ResolveSiteValues
  StrCpy $R9 ""
  StrCpy $R6 ${EXIT_BAD_SITE}
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
    StrCpy $PackageFile $PackageArg
  ${ElseIf} ${FileExists} "$INSTDIR\Current\Package_$PackageName.ini"
    StrCpy $PackageSource ""
    StrCpy $PackageFile "$INSTDIR\Current\Package_$PackageName.ini"
  ${ElseIf} $PackageName == "${SAMPLE_PACKAGE}"
    StrCpy $PackageSource "$PLUGINSDIR\Package_${SAMPLE_PACKAGE}.ini"
    StrCpy $PackageFile $PackageSource
  ${Else}
    StrCpy $R9 "The site configuration names the collector package '$PackageName' \
      for '$Product', but no package file was given (/PACKAGE=...)."
    Return
  ${EndIf}

  ; A package that does not collect the report would have it deleted after a "sent" upload.
  StrCpy $R8 $PackageFile
  Call CheckPackageFile
  ${If} $R9 != ""
    StrCpy $R6 ${EXIT_BAD_PACKAGE}
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

; Runs `trovel check` in the program folder and writes its lines to the log; $0 out: its
; exit code, $1 out: its output.
Function RunReadinessCheck
  SetOutPath "$INSTDIR"
  nsExec::ExecToStack '"$INSTDIR\trovel.exe" check'
  Pop $0
  Pop $1
  !insertmacro Log "Readiness check (trovel check, exit code $0):$\r$\n$1"
FunctionEnd

Function ShowReadinessCheck
  Call RunReadinessCheck
  ${If} $0 == "0"
    MessageBox MB_OK|MB_ICONINFORMATION "$1"
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$1$\r$\nSee ${LOG_FILE}."
  ${EndIf}
FunctionEnd

; /? shows the options on a page of its own, in a fixed-width font so that the columns line up.
Function HelpPage
  ${If} $ShowHelp != "1"
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Command line" "Options, exit codes and an example."
  nsDialogs::Create 1018
  Pop $0
  nsDialogs::CreateControl EDIT ${DEFAULT_STYLES}|${WS_TABSTOP}|${WS_VSCROLL}|${ES_MULTILINE}|${ES_READONLY} \
    ${WS_EX_CLIENTEDGE} 0 0 100% 100% ""
  Pop $1
  ; Any fixed-pitch font: the columns only line up in one.
  System::Call 'gdi32::CreateFontW(i -11, i 0, i 0, i 0, i 400, i 0, i 0, i 0, i 1, i 0, i 0, i 0, i 49, w "Courier New") p .r2'
  SendMessage $1 ${WM_SETFONT} $2 1
  SendMessage $1 ${EM_REPLACESEL} 0 "STR:${HELP_OPTIONS}"
  SendMessage $1 ${EM_REPLACESEL} 0 "STR:${HELP_CODES}"
  SendMessage $1 ${EM_REPLACESEL} 0 "STR:${HELP_EXAMPLE}"
  SendMessage $1 ${EM_SETSEL} 0 0
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:Close"
  nsDialogs::Show
FunctionEnd

Function HelpPageLeave
  SetErrorLevel 0
  Quit
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
    ; Shown on the first page; a silent run has nothing to show it on.
    StrCpy $ShowHelp "1"
    ${If} ${Silent}
      Quit
    ${EndIf}
    Return
  ${EndIf}

  !insertmacro Log "Install of ${APP_NAME} ${FULL_VERSION} started: $R0"
  ; A misspelt option would otherwise be ignored and the set-up made without it.
  Call FindUnknownOption
  ${If} $R9 != ""
    !insertmacro FailWith ${EXIT_BAD_OPTION} "Unknown option $R9. Start with /? for the options."
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
      !insertmacro FailWith $R6 $R9
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
    !insertmacro Log "Not accepted on the workstation page: $R9"
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
  !insertmacro Log "Programs installed in $INSTDIR (device model $Product)"

  ; The report (Data\) is the technician's work: nothing here writes into it.
  DetailPrint "Site configuration and collector package"
  ${If} $ConfigSource != ""
    CopyFiles /SILENT $ConfigSource "$INSTDIR\Corvida.ini"
    !insertmacro Log "Site configuration $ConfigSource installed as $INSTDIR\Corvida.ini"
  ${Else}
    !insertmacro Log "Site configuration $INSTDIR\Corvida.ini kept"
  ${EndIf}
  CreateDirectory "$INSTDIR\Current"
  ${If} $PackageSource != ""
    CopyFiles /SILENT $PackageSource "$INSTDIR\Current\Package_$PackageName.ini"
    !insertmacro Log "Collector package $PackageSource installed as $INSTDIR\Current\Package_$PackageName.ini"
  ${Else}
    !insertmacro Log "Collector package $INSTDIR\Current\Package_$PackageName.ini kept"
  ${EndIf}

  DetailPrint "Shortcuts"
  ; Shortcuts start the program in its own folder: $OUTDIR is their working directory.
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  CreateShortcut "$STARTMENU\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  CreateShortcut "$SMPROGRAMS\Corvida.lnk" "$INSTDIR\Corvida.exe" "" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report"
  StrCpy $5 "1"
  ClearErrors
  ; The reminders first retry a submission whose upload failed; without one they open the report.
  CreateShortcut "$SMSTARTUP\Reminder Corvida.lnk" "$INSTDIR\Corvida.exe" "/resubmit" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report reminder"
  CreateShortcut "$SMSTARTUP\Installation Report Reminder.lnk" "$INSTDIR\Corvida.exe" "/resubmit" "$INSTDIR\Corvida.exe" 0 SW_SHOWNORMAL "" "Installation report reminder"
  ${If} ${Errors}
    StrCpy $5 "0"
    !insertmacro Log "Shortcuts: the start-up reminders could not be created"
  ${Else}
    !insertmacro Log "Shortcuts created (desktop, Start menu, Programs, start-up reminders)"
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
    !insertmacro Log "Reminder task '${TASK_NAME}' could not be created (schtasks: $0)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The reminder task '${TASK_NAME}' could not be created \
      (schtasks: $0). The rest of the set-up is complete." /SD IDOK
  ${Else}
    !insertmacro Log "Reminder task '${TASK_NAME}' created"
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

  WriteUninstaller "$INSTDIR\${UNINSTALLER_CORE}"
  File "/oname=Uninstall.exe" "${UNINSTALL_LAUNCHER_FILE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${FULL_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Corvida.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${HELP_LINK}"
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallDate" "$2$1$0"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  !insertmacro Log "Registry state and Add/Remove Programs entry written"

  ; Interactive installs offer the check on the last page; a silent one logs it.
  !ifdef TROVEL_EXE
    ${If} ${Silent}
      Call RunReadinessCheck
    ${EndIf}
  !endif

  !insertmacro Log "Install finished (exit code $ExitCode)"
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
  !insertmacro Log "Programs removed from $INSTDIR"
  Delete "$DESKTOP\Corvida.lnk"
  Delete "$STARTMENU\Corvida.lnk"
  Delete "$SMPROGRAMS\Corvida.lnk"
  Delete "$SMSTARTUP\Reminder Corvida.lnk"
  Delete "$SMSTARTUP\Installation Report Reminder.lnk"
  ; Gone already after a submission: schtasks then fails, which is fine.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /delete /tn "${TASK_NAME}" /f'
  Pop $0
  !insertmacro Log "Shortcuts removed; reminder task deleted (schtasks: $0, 1 when it was gone already)"

  ; What the installer put there and what the program and the collector write beside it.
  Delete "$INSTDIR\Corvida.ini"
  Delete "$INSTDIR\Directory.ini"
  Delete "$INSTDIR\TrovelLog.txt"
  Delete "$INSTDIR\Log Corvida.txt"
  RMDir /r "$INSTDIR\Current"
  RMDir /r "$INSTDIR\Collection"
  Delete "$INSTDIR\${UNINSTALLER_CORE}"
  ; The launcher that waits for this uninstaller is still running and cannot be deleted
  ; yet: the clean-up copy started at the end removes it once it has ended.
  Delete "$INSTDIR\Uninstall.exe"
  !insertmacro Log "Configuration, collector files and uninstaller removed"

  DeleteRegKey HKLM "${STATE_KEY}"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !insertmacro Log "Registry state and Add/Remove Programs entry removed"
SectionEnd

Section /o "un.Installation report" SecData
  RMDir /r "$INSTDIR\Data"
  !insertmacro Log "Installation report ($INSTDIR\Data) removed"
SectionEnd

Section "-un.Folders"
  ; Only when empty: a report that was kept keeps its folders.
  ${If} ${FileExists} "$INSTDIR\Data\*.*"
    !insertmacro Log "Installation report kept in $INSTDIR\Data"
  ${EndIf}
  RMDir "$INSTDIR"
  RMDir "C:\Velmora"
  ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
  ${AndIf} $LauncherPid != ""
    ; A copy of this uninstaller waits for the launcher's end, then deletes it and the
    ; folders left empty.
    CopyFiles /SILENT "$EXEPATH" "$TEMP\${CLEANUP_EXE}"
    Exec '"$TEMP\${CLEANUP_EXE}" /S /CLEANUP=$LauncherPid _?=$INSTDIR'
  ${EndIf}
  !insertmacro Log "Uninstall finished (exit code 0)"
SectionEnd

; After the sections: it selects one of them.
Function un.onInit
  SetShellVarContext all
  SetRegView 64
  ${GetParameters} $R0

  ClearErrors
  ${GetOptions} $R0 "/CLEANUP=" $0
  ${IfNot} ${Errors}
    ; The clean-up copy: waits (bounded) for the launcher to end, then removes it.
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r0) p .r1'
    ${If} $1 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r1, i 60000) i .r2'
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "C:\Velmora"
    Delete /REBOOTOK "$EXEPATH"
    SetErrorLevel 0
    Quit
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LAUNCHER=" $LauncherPid
  !insertmacro Log "Uninstall of ${APP_NAME} ${FULL_VERSION} started: $R0"
  Call un.FindUnknownOption
  ${If} $R9 != ""
    !insertmacro FailWith ${EXIT_BAD_OPTION} "Unknown option $R9 (the uninstaller takes /S and /REMOVEDATA)."
  ${EndIf}
  !insertmacro StopIfProgramsRun
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

!delfile "${UNINSTALL_LAUNCHER_FILE}"
!endif
