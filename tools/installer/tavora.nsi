; The Tavora setup program, tavoSetup.exe: installs the program per machine
; into the Program Files folder, with Start-menu and (optional) desktop
; shortcuts and an entry in the list of installed programs, and writes an
; uninstaller that takes all of it away again.
;
;   makensis -DVERSION=1.0.0.35 -DPROGRAM=tavora.exe -DICON=tavora.ico
;            -DOUTFILE=tavoSetup.exe tavora.nsi
;
; Switches: /S installs without questions, /D=FOLDER (last, unquoted) picks
; the folder. The program's update starts it with exactly one parameter,
; -Update:"<path of the setup>": it then runs without questions, over the
; installed version, and starts the new version when done. Anything else on
; the command line is no update run.
;
; Installing over an installed version closes a running Tavora first (its
; window, found through the program's single-instance block, gets WM_CLOSE)
; and waits for it, bounded; a copy of the installed program that still runs
; then fails the setup before anything is changed. Every new file is written
; beside the old ones before any old file is touched, so a full disk or a file
; that stays locked leaves the old version as it was.
;
; The uninstaller acts only on the folder that the uninstall entry names, and
; runs from there (the entry passes _?=<folder>); see un.onInit.
;
; A release defines UNINSTALLER_FINALIZE, a command that makensis runs on the
; uninstaller once written (%1 is the file): it signs it.

Unicode true
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin
; Not solid: a solid setup unpacks all of its data into a file in $TEMP before
; any of this script runs, that is, into the user's temporary folder.
SetCompressor lzma
; No file times in the setup, so that two builds of one commit are the same.
SetDateSave off

!ifndef VERSION | PROGRAM | ICON | OUTFILE
  !error "define VERSION, PROGRAM, ICON and OUTFILE"
!endif
!ifdef UNINSTALLER_FINALIZE
  !uninstfinalize '${UNINSTALLER_FINALIZE}' = 0
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Tavora"
!define PUBLISHER "Tavora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavora"
!define LAST_TIME_KEY "SOFTWARE\tavo\LastTime"
!define INSTANCE_MAPPING "Local\{A22C80C5-65CE-4446-B817-1278FE4DBAFA}"
; How long a running Tavora may take to close, and how long a file of the
; installed version may stay locked, before the setup gives up.
!define CLOSE_WAIT_MS 15000
; Process ids looked at when searching for a running copy of the program.
!define MAX_PROCESSES 4096
!define LOCKED_TRIES 40
!define LOCKED_PAUSE_MS 250

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tavora.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Set when the program's update relaunch started this setup, and the id of
; the program's process that started it.
Var UpdateRun
Var UpdateParent

; Ends the setup as failed: the reason in the log (and in a message box
; unless silent), exit code 2, nothing more done.
!macro FAIL reason
  DetailPrint "${reason}"
  SetErrorLevel 2
  IfSilent +2
    MessageBox MB_ICONSTOP|MB_OK "${reason}"
  Abort "${reason}"
!macroend

; Plug-ins (System.dll, nsDialogs.dll) are unpacked into $PLUGINSDIR under
; $TEMP and loaded from there by this elevated process. The user's own
; temporary folder will not do: every program of the user may rename what it
; holds, and so swap the plug-ins folder between unpacking and loading.
; $WINDIR\Temp lets users add entries but not rename or remove those of
; others, and NSIS makes the plug-ins folder under a new name of its own, with
; a descriptor that lets only administrators write it when it runs elevated
; (NSIS 3.08 as Debian builds it). NSIS removes the folder when it ends. This
; comes before anything that uses a plug-in.
!macro USE_ADMIN_TEMP
  UnsafeStrCpy $TEMP "$WINDIR\Temp"
  InitPluginsDir
!macroend

!define /math PROCESS_ID_BYTES ${MAX_PROCESSES} * 4

!macro DEFINE_PATH_FUNCTIONS un
; The final form of an existing file's or folder's path: the path that a
; handle opened on it ends at, so that a short 8.3 name, "." and "..", letter
; case and links on the way all come out the same. Takes the path from the
; stack and leaves its final form there, or "" when it cannot be opened.
Function ${un}FinalPath
  Exch $0
  Push $1
  Push $2
  ; No access asked, all sharing allowed, OPEN_EXISTING, and
  ; FILE_FLAG_BACKUP_SEMANTICS, without which folders do not open.
  System::Call 'kernel32::CreateFileW(w r0, i 0, i 7, i 0, i 3, i 0x02000000, i 0) i.r1'
  StrCpy $0 ""
  ${If} $1 <> -1
    ; FILE_NAME_NORMALIZED | VOLUME_NAME_DOS
    System::Call 'kernel32::GetFinalPathNameByHandleW(i r1, w .r0, i ${NSIS_MAX_STRLEN}, i 0) i.r2'
    System::Call 'kernel32::CloseHandle(i r1)'
    ${If} $2 = 0
    ${OrIf} $2 >= ${NSIS_MAX_STRLEN}
      StrCpy $0 ""
    ${EndIf}
  ${EndIf}
  ; The answer starts with \\?\, or \\?\UNC\ for a share.
  StrCpy $1 $0 8
  StrCpy $2 $0 4
  ${If} $1 == "\\?\UNC\"
    StrCpy $0 $0 "" 7
    StrCpy $0 "\$0"
  ${ElseIf} $2 == "\\?\"
    StrCpy $0 $0 "" 4
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Looks for a running process whose program file is the one given (in final
; form), other than the process whose id is given to skip (0: none).
; Push the id to skip, then the path; leaves the id of the first process
; found on the stack, or 0.
Function ${un}FindRunningCopy
  Exch $0
  Exch
  Exch $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $R0
  StrCpy $8 0
  System::Alloc ${PROCESS_ID_BYTES}
  Pop $2
  System::Call 'kernel32::K32EnumProcesses(i r2, i ${PROCESS_ID_BYTES}, *i .r3) i.r4'
  ${If} $4 <> 0
    IntOp $3 $3 / 4
    StrCpy $4 0
    ${DoWhile} $4 < $3
      IntOp $5 $4 * 4
      IntOp $5 $5 + $2
      System::Call '*$5(i .r5)'
      ${If} $5 <> 0
      ${AndIf} $5 <> $1
        ; PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r5) i.r6'
        ${If} $6 <> 0
          StrCpy $7 ${NSIS_MAX_STRLEN}
          System::Call 'kernel32::QueryFullProcessImageNameW(i r6, i 0, w .R0, *i r7) i.s'
          System::Call 'kernel32::CloseHandle(i r6)'
          Pop $7
          ${If} $7 <> 0
            Push $R0
            Call ${un}FinalPath
            Pop $R0
            ${If} $R0 == $0
              StrCpy $8 $5
              ${ExitDo}
            ${EndIf}
          ${EndIf}
        ${EndIf}
      ${EndIf}
      IntOp $4 $4 + 1
    ${Loop}
  ${EndIf}
  System::Free $2
  StrCpy $0 $8
  Pop $R0
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Closes the Tavora that runs from $INSTDIR, if any: its window gets WM_CLOSE
; and its process is waited for, at most CLOSE_WAIT_MS. The window handle
; comes from the program's single-instance block, which other programs could
; write, so only a window whose process runs $INSTDIR\tavora.exe is closed.
; Then no process may run that file any more but the one whose id is on the
; stack (0: none). Files are compared by their final paths, so a folder given
; by its short 8.3 name is still the same folder. Leaves 1 on the stack when
; a copy still runs, else 0.
Function ${un}CloseRunningTavora
  Exch $R9
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $5 0
  Push "$INSTDIR\tavora.exe"
  Call ${un}FinalPath
  Pop $6
  ${If} $6 != ""
    StrCpy $2 0
    ; FILE_MAP_READ
    System::Call 'kernel32::OpenFileMappingW(i 4, i 0, w "${INSTANCE_MAPPING}") i.r0'
    ${If} $0 <> 0
      System::Call 'kernel32::MapViewOfFile(i r0, i 4, i 0, i 0, i 4) i.r1'
      ${If} $1 <> 0
        System::Call '*$1(i .r2)'
        System::Call 'kernel32::UnmapViewOfFile(i r1)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(i r0)'
    ${EndIf}
    ${If} $2 <> 0
      System::Call 'user32::IsWindow(i r2) i.r3'
      ${If} $3 <> 0
        System::Call 'user32::GetWindowThreadProcessId(i r2, *i .r3)'
        ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r3) i.r0'
        ${If} $0 <> 0
          StrCpy $4 ${NSIS_MAX_STRLEN}
          System::Call 'kernel32::QueryFullProcessImageNameW(i r0, i 0, w .r1, *i r4) i.r3'
          ${If} $3 <> 0
            Push $1
            Call ${un}FinalPath
            Pop $1
            ${If} $1 == $6
              DetailPrint "正在关闭正在运行的 ${PRODUCT}……"
              System::Call 'user32::PostMessageW(i r2, i ${WM_CLOSE}, i 0, i 0)'
              System::Call 'kernel32::WaitForSingleObject(i r0, i ${CLOSE_WAIT_MS})'
            ${EndIf}
          ${EndIf}
          System::Call 'kernel32::CloseHandle(i r0)'
        ${EndIf}
      ${EndIf}
    ${EndIf}
    ; A window that did not close, or a copy without a window.
    Push $R9
    Push $6
    Call ${un}FindRunningCopy
    Pop $0
    ${If} $0 <> 0
      StrCpy $5 1
    ${EndIf}
  ${EndIf}
  StrCpy $R9 $5
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Exch $R9
FunctionEnd
!macroend
!insertmacro DEFINE_PATH_FUNCTIONS ""
!insertmacro DEFINE_PATH_FUNCTIONS "un."

; The id of the process that started this one, in $UpdateParent (0 when the
; system does not say).
Function ReadParentProcessId
  Push $0
  Push $1
  StrCpy $UpdateParent 0
  ; PROCESS_BASIC_INFORMATION; the parent's id is its last field.
  System::Call '*(i, i, i, i, i, i) i.r0'
  ${If} $0 <> 0
    System::Call 'ntdll::NtQueryInformationProcess(i -1, i 0, i r0, i 24, i 0) i.r1'
    ${If} $1 = 0
      System::Call '*$0(i, i, i, i, i, i .s)'
      Pop $UpdateParent
    ${EndIf}
    System::Free $0
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; 1 when the parameters on the stack are exactly what the program's update
; passes, -Update:"<path>" (blanks around it aside), else 0: "-Update:"
; anywhere else, as inside another switch's quoted value, is no update run.
Function IsUpdateParameters
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  ${Do}
    StrCpy $1 $0 1
    ${If} $1 != " "
      ${ExitDo}
    ${EndIf}
    StrCpy $0 $0 "" 1
  ${Loop}
  ${Do}
    StrCpy $1 $0 1 -1
    ${If} $1 != " "
      ${ExitDo}
    ${EndIf}
    StrCpy $0 $0 -1
  ${Loop}
  StrCpy $3 0
  StrCpy $1 $0 9
  StrCpy $2 $0 1 -1
  ${If} $1 == '-Update:"'
  ${AndIf} $2 == '"'
    ; The path between the quotes: not empty, and no quote in it.
    StrCpy $1 $0 -1 9
    StrLen $2 $1
    ${If} $2 > 0
      StrCpy $3 1
      StrCpy $4 0
      ${DoWhile} $4 < $2
        StrCpy $0 $1 1 $4
        ${If} $0 == '"'
          StrCpy $3 0
          ${ExitDo}
        ${EndIf}
        IntOp $4 $4 + 1
      ${Loop}
    ${EndIf}
  ${EndIf}
  StrCpy $0 $3
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Puts "$INSTDIR\<name>.new" in the place of "$INSTDIR\<name>", keeping the
; old file as "<name>.old" until the new one is in. A file that stays locked
; for LOCKED_TRIES pauses fails the setup with the old file in place.
!macro PUT_IN_PLACE name
  Push $0
  StrCpy $0 0
  ${Do}
    Delete "$INSTDIR\${name}.old"
    ${IfNot} ${FileExists} "$INSTDIR\${name}"
      ${ExitDo}
    ${EndIf}
    ClearErrors
    Rename "$INSTDIR\${name}" "$INSTDIR\${name}.old"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    IntOp $0 $0 + 1
    ${If} $0 >= ${LOCKED_TRIES}
      Call RemoveNewFiles
      !insertmacro FAIL "$INSTDIR\${name} 正在使用中，无法更新。"
    ${EndIf}
    Sleep ${LOCKED_PAUSE_MS}
  ${Loop}
  ClearErrors
  Rename "$INSTDIR\${name}.new" "$INSTDIR\${name}"
  ${If} ${Errors}
    Rename "$INSTDIR\${name}.old" "$INSTDIR\${name}"
    Call RemoveNewFiles
    !insertmacro FAIL "无法写入 $INSTDIR\${name}。"
  ${EndIf}
  Pop $0
!macroend

Function RemoveNewFiles
  Delete "$INSTDIR\tavora.exe.new"
  Delete "$INSTDIR\uninst.exe.new"
FunctionEnd

Section "-${PRODUCT}" SecProgram
  SectionIn RO
  SetShellVarContext all
  ; The folder as it is on disk (a /D= in short 8.3 form, say, becomes the long
  ; one), so that the uninstall entry and the comparisons below name it alike.
  Push $INSTDIR
  Call FinalPath
  Pop $0
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ; The program's -Update instance that started this setup may still run from
  ; the installed file; any other copy must end before anything changes.
  ${If} $UpdateRun = 1
    Push $UpdateParent
  ${Else}
    Push 0
  ${EndIf}
  Call CloseRunningTavora
  Pop $0
  ${If} $0 = 1
    !insertmacro FAIL "${PRODUCT} 仍在运行，请关闭后再安装。"
  ${EndIf}

  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  ; Everything new is written before anything old is touched: a full disk
  ; fails here, with the installed version still whole.
  File "/oname=tavora.exe.new" "${PROGRAM}"
  ${If} ${Errors}
    Call RemoveNewFiles
    !insertmacro FAIL "无法写入 $INSTDIR，磁盘可能已满。"
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninst.exe.new"
  ${If} ${Errors}
    Call RemoveNewFiles
    !insertmacro FAIL "无法写入 $INSTDIR，磁盘可能已满。"
  ${EndIf}
  !insertmacro PUT_IN_PLACE "tavora.exe"
  !insertmacro PUT_IN_PLACE "uninst.exe"
  ; A program that has not ended yet may still hold its old image.
  Delete "$INSTDIR\tavora.exe.old"
  Delete "$INSTDIR\uninst.exe.old"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tavora.exe" "" "$INSTDIR\tavora.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavora.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; With _?= the uninstaller runs where it is, in the installed folder, instead
  ; of copying itself into the user's temporary folder first (see un.onInit).
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetShellVarContext all
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\tavora.exe" "" "$INSTDIR\tavora.exe" 0
SectionEnd

Function .onInit
  !insertmacro USE_ADMIN_TEMP
  StrCpy $UpdateParent 0
  ${GetParameters} $0
  Push $0
  Call IsUpdateParameters
  Pop $UpdateRun
  ; Parameters that start like the update's but are not exactly its form get
  ; no other reading: NSIS cuts the command line at a "/D=" even inside
  ; quotes, so such a line may have lost its end.
  StrCpy $1 $0 8
  ${If} $UpdateRun = 0
  ${AndIf} $1 == "-Update:"
    SetErrorLevel 2
    Quit
  ${EndIf}
  ${If} $UpdateRun = 1
    SetSilent silent
    Call ReadParentProcessId
    ; An update goes where the installed version is, and keeps its choice of
    ; a desktop shortcut.
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $1 != ""
      StrCpy $INSTDIR $1
    ${EndIf}
    SetShellVarContext all
    ${IfNot} ${FileExists} "$DESKTOP\${PRODUCT}.lnk"
      !insertmacro UnselectSection ${SecDesktop}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "-Finish"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  ; The statistics ping; the program ends by itself once it is sent.
  ExecWait '"$INSTDIR\tavora.exe" -Install'
  ${If} $UpdateRun = 1
    Exec '"$INSTDIR\tavora.exe"'
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "在桌面上放一个 ${PRODUCT} 的快捷方式。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Ends the uninstaller before it has changed anything: the reason in a
; message box unless silent, exit code 2.
!macro REFUSE reason
  SetErrorLevel 2
  IfSilent +2
    MessageBox MB_ICONSTOP|MB_OK "${reason}"
  Quit
!macroend

Function un.onInit
  !insertmacro USE_ADMIN_TEMP
  ; The uninstaller acts on one folder only, the one its uninstall entry
  ; names. $INSTDIR is the uninstaller's own folder or what _?= gave; both
  ; are compared in final form, so that no spelling of another folder passes.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    Push $0
    Call un.FinalPath
    Pop $0
  ${EndIf}
  Push $INSTDIR
  Call un.FinalPath
  Pop $1
  ${If} $0 == ""
  ${OrIf} $0 != $1
    !insertmacro REFUSE "此卸载程序只能卸载安装在 $0 的 ${PRODUCT}。"
  ${EndIf}
  StrCpy $INSTDIR $0
  ${IfNot} ${FileExists} "$INSTDIR\uninst.exe"
    !insertmacro REFUSE "$INSTDIR 中没有卸载程序。"
  ${EndIf}
  ; Started without _?=, NSIS has copied the uninstaller into the user's
  ; temporary folder and runs it from there: only administrators can write
  ; the copy's folder, but the user may rename it. That copy does nothing but
  ; start the installed uninstaller in place, from a folder that only
  ; administrators can write, and pass on its exit code. NSIS deletes the
  ; copy and its folder at the next restart.
  Push $EXEDIR
  Call un.FinalPath
  Pop $1
  ${If} $1 == ""
    !insertmacro REFUSE "无法确定卸载程序的位置。"
  ${EndIf}
  ${If} $1 != $INSTDIR
    ClearErrors
    ${If} ${Silent}
      ExecWait '"$INSTDIR\uninst.exe" /S _?=$INSTDIR' $2
    ${Else}
      ExecWait '"$INSTDIR\uninst.exe" _?=$INSTDIR' $2
    ${EndIf}
    ${If} ${Errors}
      StrCpy $2 2
    ${EndIf}
    SetErrorLevel $2
    Quit
  ${EndIf}
  Push 0
  Call un.CloseRunningTavora
  Pop $0
  ${If} $0 = 1
    !insertmacro REFUSE "${PRODUCT} 仍在运行，请关闭后再卸载。"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The statistics ping, while the program is still there to send it.
  ExecWait '"$INSTDIR\tavora.exe" -Uninstall'
  ; Only what the setup wrote: the program, the names it uses while it
  ; replaces files, the uninstaller, the shortcuts and the registry entries.
  Delete /REBOOTOK "$INSTDIR\tavora.exe"
  Delete "$INSTDIR\tavora.exe.new"
  Delete /REBOOTOK "$INSTDIR\tavora.exe.old"
  Delete "$INSTDIR\uninst.exe.new"
  Delete "$INSTDIR\uninst.exe.old"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; What the program itself keeps per machine: the time of its last update
  ; offer. Each user's remembered query (HKCU\Software\Tavora) stays: this
  ; elevated process reaches only one user's hive, which need not be the
  ; user's who asked for the uninstall.
  DeleteRegValue HKLM "${LAST_TIME_KEY}" "LastCheckUpdate"
  DeleteRegKey /ifempty HKLM "${LAST_TIME_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\tavo"
  ; And what it stages for updates in its update folder, which only
  ; administrators can write: its own files by their names, then the folders
  ; when they are empty.
  Delete "$APPDATA\${PRODUCT}\Updates\tavoSetup-*.exe"
  Delete "$APPDATA\${PRODUCT}\Updates\update-*.ini"
  Delete "$APPDATA\${PRODUCT}\Updates\tavora-update-*.exe"
  RMDir "$APPDATA\${PRODUCT}\Updates"
  RMDir "$APPDATA\${PRODUCT}"
  ; This uninstaller runs from $INSTDIR\uninst.exe (un.onInit saw to that),
  ; and NSIS keeps its file open to read its data: the file and the folder go
  ; at the next restart. Only an empty folder goes then: files the user put
  ; there stay.
  Delete /REBOOTOK "$INSTDIR\uninst.exe"
  RMDir /REBOOTOK "$INSTDIR"
SectionEnd
