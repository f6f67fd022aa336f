; Tesso's per-user installer, made from the bundle by the win build (installer/CMakeLists.txt):
;   makensis -DBUNDLE=<bundle folder> -DOUTFILE=<tesso-setup.exe> -DICON=<tesso.ico> tesso.nsi
; The program runs asInvoker and keeps no settings, so nothing here needs elevation: the files
; go to the user's local programs folder, and the shortcut, the Run value and the Apps entry
; are the user's own. Nothing written here is read by the program. /S runs silently, for the
; installer and for the uninstaller alike.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tesso"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesso"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The running program is found by its top-level window (class and title) and ended the way its
; tray menu's exit item ("退出Tesso") ends it: WM_COMMAND with the item's identifier, 2. The
; program then removes its tray icon and closes through its normal teardown.
!define HOST_CLASS "FLUTTER_RUNNER_WIN32_WINDOW"
!define HOST_TITLE "Tesso"
!define HOST_EXIT_COMMAND 2
!define SYNCHRONIZE 0x00100000
!define HOST_EXIT_WAIT_MS 15000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tesso"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tesso.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Ends every running instance and waits for each to exit, so that no file is replaced or
; removed under a running program and no tray icon is left behind. Aborts when one does not
; exit in time: then nothing has been touched yet.
!macro END_RUNNING_HOST UN
Function ${UN}EndRunningHost
  StrCpy $R0 0
  ${Do}
    FindWindow $0 "${HOST_CLASS}" "${HOST_TITLE}"
    ${If} $0 = 0
      Return
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 > 8
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
    SendMessage $0 ${WM_COMMAND} ${HOST_EXIT_COMMAND} 0 /TIMEOUT=5000
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${HOST_EXIT_WAIT_MS}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
      ${If} $3 <> 0
        ${Break}
      ${EndIf}
    ${Else}
      Sleep 500
    ${EndIf}
  ${Loop}
  MessageBox MB_ICONSTOP "Tesso仍在运行，无法继续。请右键通知区域的Tesso图标，选择“退出Tesso”后重试。" /SD IDOK
  Abort
FunctionEnd
!macroend
!insertmacro END_RUNNING_HOST ""
!insertmacro END_RUNNING_HOST "un."

; The program's files, so that an update leaves exactly the new bundle.
!macro REMOVE_PROGRAM_FILES
  Delete "$INSTDIR\tesso.exe"
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\data"
  RMDir /r "$INSTDIR\licenses"
!macroend

Section "Tesso" SecProgram
  SectionIn RO
  Call EndRunningHost
  !insertmacro REMOVE_PROGRAM_FILES
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File /r "${BUNDLE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext current
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tesso.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tesso.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; On by default: start with the user's session, hidden in the tray.
Section "登录时在通知区域启动Tesso" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\tesso.exe" --hidden'
SectionEnd

Section "Uninstall"
  Call un.EndRunningHost
  !insertmacro REMOVE_PROGRAM_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
