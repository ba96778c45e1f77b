; The Tavora setup program, tavoSetup.exe: installs the program per machine
; into the Program Files folder, with Start-menu and (optional) desktop
; shortcuts and an entry in the list of installed programs, and writes an
; uninstaller that takes all of it away again.
;
;   makensis -DVERSION=1.0.0.35 -DPROGRAM=tavora.exe -DICON=tavora.ico
;            -DOUTFILE=tavoSetup.exe tavora.nsi
;
; Switches: /S installs without questions, /D=FOLDER (last, unquoted) picks
; the folder. Started by the program's own update relaunch it receives the
; program's switches (-Update:<its own path> ...): it then runs without
; questions, over the installed version, and starts the new version when done.
;
; Installing over an installed version closes a running Tavora first (its
; window, found through the program's single-instance block, gets WM_CLOSE)
; and waits for it, bounded. Every new file is written beside the old ones
; before any old file is touched, so a full disk or a file that stays locked
; leaves the old version as it was.

Unicode true
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION | PROGRAM | ICON | OUTFILE
  !error "define VERSION, PROGRAM, ICON and OUTFILE"
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

; Set when the program's update relaunch started this setup.
Var UpdateRun

; Ends the setup as failed: the reason in the log (and in a message box
; unless silent), exit code 2, nothing more done.
!macro FAIL reason
  DetailPrint "${reason}"
  SetErrorLevel 2
  IfSilent +2
    MessageBox MB_ICONSTOP|MB_OK "${reason}"
  Abort "${reason}"
!macroend

; Closes the Tavora that runs from $INSTDIR, if any, and waits for its process
; at most CLOSE_WAIT_MS. Leaves 1 on the stack when it still runs, else 0.
; Only the program's own copy in $INSTDIR is closed: the window handle comes
; from a shared block that other programs could write, so the window's
; process is checked before anything is sent.
!macro DEFINE_CLOSE_RUNNING un
Function ${un}CloseRunningTavora
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $2 0
  StrCpy $5 0
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
    IsWindow $2 0 close_done
    System::Call 'user32::GetWindowThreadProcessId(i r2, *i .r3)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r3) i.r0'
    ${If} $0 <> 0
      StrCpy $4 1024
      System::Call 'kernel32::QueryFullProcessImageNameW(i r0, i 0, w .r1, *i r4) i.r3'
      ${If} $3 <> 0
      ${AndIf} $1 == "$INSTDIR\tavora.exe"
        DetailPrint "正在关闭正在运行的 ${PRODUCT}……"
        System::Call 'user32::PostMessageW(i r2, i ${WM_CLOSE}, i 0, i 0)'
        System::Call 'kernel32::WaitForSingleObject(i r0, i ${CLOSE_WAIT_MS}) i.r3'
        ${If} $3 <> 0
          StrCpy $5 1
        ${EndIf}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(i r0)'
    ${EndIf}
  ${EndIf}
  close_done:
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING ""
!insertmacro DEFINE_CLOSE_RUNNING "un."

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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetShellVarContext all
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\tavora.exe" "" "$INSTDIR\tavora.exe" 0
SectionEnd

Function .onInit
  StrCpy $UpdateRun 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "-Update:" $1
  ${IfNot} ${Errors}
    StrCpy $UpdateRun 1
    SetSilent silent
  ${EndIf}
  ; An update keeps the installed choice of a desktop shortcut.
  ${If} $UpdateRun = 1
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

Function un.onInit
  Call un.CloseRunningTavora
  Pop $0
  ${If} $0 = 1
    SetErrorLevel 2
    IfSilent +2
      MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} 仍在运行，请关闭后再卸载。"
    Abort
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The statistics ping, while the program is still there to send it.
  ExecWait '"$INSTDIR\tavora.exe" -Uninstall'
  Delete /REBOOTOK "$INSTDIR\tavora.exe"
  Delete "$INSTDIR\tavora.exe.new"
  Delete /REBOOTOK "$INSTDIR\tavora.exe.old"
  Delete "$INSTDIR\uninst.exe.new"
  Delete "$INSTDIR\uninst.exe.old"
  Delete "$INSTDIR\uninst.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; What the program itself keeps: the time of its last update offer.
  DeleteRegValue HKLM "${LAST_TIME_KEY}" "LastCheckUpdate"
  DeleteRegKey /ifempty HKLM "${LAST_TIME_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\tavo"
  ; Only an empty folder goes: files the user put there stay.
  RMDir /REBOOTOK "$INSTDIR"
SectionEnd
