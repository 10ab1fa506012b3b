; The Windows setup program: installs Nubrel for the current user, without
; administrator rights, and updates an installation in place.
;   makensis -DVERSION=1.6.0 -DSTAGE=DIR -DINIUPDATE=EXE -DOUTFILE=EXE [-DARCH=amd64] Nubrel.nsi
; STAGE is a program folder as `cmake --install` lays it out; INIUPDATE is
; nubrel-iniupdate.exe built for the same Windows. ARCH picks the stub: x86
; (the shipped 32-bit program, the default) or amd64.
;   Setup: /S silent, /D=DIR another folder, /STARTUP a shortcut in Startup.
;   Uninstall: /S silent (the user's files are kept), /PURGE removes them too.

Unicode true
!ifndef ARCH
    !define ARCH x86
!endif
Target ${ARCH}-unicode
!ifndef VERSION | STAGE | INIUPDATE | OUTFILE
    !error "VERSION, STAGE, INIUPDATE and OUTFILE must be defined"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT Nubrel
!define PUBLISHER "ボルデック電子工房"
!define HOMEPAGE "https://vordek.example.jp"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nubrel"
!define UNINSTALLER "uninstall.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An update goes where the last installation went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}\..\..\resources\Nubrel.ico"
!define MUI_UNICON "${__FILEDIR__}\..\..\resources\Nubrel.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Nubrel.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; The program of this folder, if it runs, is asked to end as its close box
; asks it (it writes its settings), and is waited for: its files can then be
; replaced, and the settings merged, without losing what it writes at exit.
; Copies started from other folders are left alone.
!macro CLOSE_RUNNING un
Function ${un}CloseRunning
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    StrCpy $0 0
    ${Do}
        FindWindow $0 "NubrelMain" "" 0 $0
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        StrCpy $1 0
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x00101000, i 0, i r1) p .r2'
        ${If} $2 P<> 0
            StrCpy $3 1024
            System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r4, *i r3 r3) i .r5'
            ${If} $5 <> 0
            ${AndIf} $4 == "$INSTDIR\Nubrel.exe"
                DetailPrint "実行中の Nubrel を終了しています"
                System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0) i'
                System::Call 'kernel32::WaitForSingleObject(p r2, i 30000) i .r5'
                System::Call 'kernel32::CloseHandle(p r2)'
                ${If} $5 <> 0
                    MessageBox MB_ICONSTOP|MB_OK "実行中の Nubrel が終了しません。Nubrel を終了してから、もう一度実行してください。" /SD IDOK
                    SetErrorLevel 3
                    Quit
                ${EndIf}
                ; That window is gone: search again from the top.
                StrCpy $0 0
                ${Continue}
            ${EndIf}
            System::Call 'kernel32::CloseHandle(p r2)'
        ${EndIf}
    ${Loop}
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Section "Nubrel" SecProgram
    SectionIn RO
    Call CloseRunning
    SetOutPath "$INSTDIR"
    ; The program, icons and manual are replaced; the settings file is the
    ; user's once it is there, and history, log and phonebook are never shipped.
    File /x Nubrel.ini "${STAGE}\*.*"
    ${If} ${FileExists} "$INSTDIR\Nubrel.ini"
        ; New product entries of the shipped list are added, nothing of the
        ; user's is changed: the rule the Linux installer uses, by the same tool.
        InitPluginsDir
        SetOutPath "$PLUGINSDIR\shipped"
        File "${STAGE}\Nubrel.ini"
        SetOutPath "$PLUGINSDIR"
        File "/oname=nubrel-iniupdate.exe" "${INIUPDATE}"
        nsExec::ExecToLog '"$PLUGINSDIR\nubrel-iniupdate.exe" "$PLUGINSDIR\shipped" "$INSTDIR"'
        Pop $0
        ${If} $0 != 0
            MessageBox MB_ICONEXCLAMATION|MB_OK "Nubrel.ini に新しい機種を追加できませんでした（設定はそのままです）。" /SD IDOK
            SetErrorLevel 2
        ${EndIf}
        SetOutPath "$INSTDIR"
    ${Else}
        File "${STAGE}\Nubrel.ini"
    ${EndIf}
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; Shortcuts start the program in its own folder.
    CreateShortcut "$SMPROGRAMS\Nubrel.lnk" "$INSTDIR\Nubrel.exe" "" "$INSTDIR\Nubrel.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Nubrel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "ログオン時に起動する" SecStartup
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMSTARTUP\Nubrel.lnk" "$INSTDIR\Nubrel.exe" "" "$INSTDIR\Nubrel.exe" 0
SectionEnd

; Unticked on an update that had it: the user asked for it to go.
Section "-StartupOff"
    ${IfNot} ${SectionIsSelected} ${SecStartup}
        Delete "$SMSTARTUP\Nubrel.lnk"
    ${EndIf}
SectionEnd

Function .onInit
    ; The Startup shortcut stays as the last installation left it, unless asked.
    ${If} ${FileExists} "$SMSTARTUP\Nubrel.lnk"
        !insertmacro SelectSection ${SecStartup}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/STARTUP" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecStartup}
    ${EndIf}
FunctionEnd

Section "un.Nubrel" UnSecProgram
    SectionIn RO
    Call un.CloseRunning
    Delete "$INSTDIR\Nubrel.exe"
    Delete "$INSTDIR\PhoneA.Ico"
    Delete "$INSTDIR\PhoneB.Ico"
    Delete "$INSTDIR\説明書.html"
    Delete "$SMPROGRAMS\Nubrel.lnk"
    Delete "$SMSTARTUP\Nubrel.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The user's files: in the program folder, and in the per-user data folder
; the program uses when its own folder cannot be written.
!macro REMOVE_USER_FILES dir
    Delete "${dir}\Nubrel.ini"
    Delete "${dir}\着信履歴.TXT"
    Delete "${dir}\Nubrel.log"
    Delete "${dir}\電話帳.csv"
    Delete "${dir}\電話帳.vcf"
!macroend
Section /o "un.設定・着信履歴・ログ・電話帳も削除する" UnSecUserFiles
    !insertmacro REMOVE_USER_FILES "$INSTDIR"
    !insertmacro REMOVE_USER_FILES "$LOCALAPPDATA\Nubrel"
    RMDir "$LOCALAPPDATA\Nubrel"
SectionEnd

Section "-un.Folder"
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Only an empty folder goes: what the user keeps stays with it.
    RMDir "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\*.*"
        DetailPrint "設定・着信履歴・ログは $INSTDIR に残しました"
    ${EndIf}
SectionEnd

Function un.onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PURGE" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${UnSecUserFiles}
    ${EndIf}
FunctionEnd
