; The installer of the Quillon plug-in: puts ml_quillon.dll into the Plugins
; folder of a Winamp folder and registers an uninstaller that takes out exactly
; that. An x86 program around the 32-bit DLL, as Winamp is a 32-bit program:
;
;   makensis -DVERSION=1.0.0 -DDLL=build/win32/ml_quillon.dll \
;            -DOUTFILE=quillon-1.0.0-setup.exe installer/quillon.nsi
;
; On 64-bit Windows it runs on the 32-bit side: it offers
; C:\Program Files (x86)\Winamp and registers its uninstaller in the 32-bit
; view of the registry (Wow6432Node).
;
; Silent: setup.exe /S /D=C:\Program Files (x86)\Winamp (/D last, unquoted).
; The exit status is 0 when the plug-in was installed, 2 when it was refused.
; Winamp's INI file is never touched.

!ifndef VERSION | DLL | OUTFILE
    !error "define VERSION, DLL and OUTFILE"
!endif

Unicode true
Target x86-unicode

!include "LogicLib.nsh"

!define PRODUCT "Quillon Bluetooth remote control"
!define PLUGIN "ml_quillon.dll"
!define UNINSTALLER "uninstall_ml_quillon.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
BrandingText "Quillon ${VERSION}"
RequestExecutionLevel admin
ManifestDPIAware true
; The DLL is stored as it is, so that the installer can be checked to hold the
; very DLL of the release without running it; the release zip compresses both.
SetCompress off
; No file times in the installer: two builds of one commit are the same file.
SetDateSave off
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Quillon"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "CompanyName" "Quillon"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Quillon"

; The usual folder of the player, or the one of the last install.
InstallDir "$PROGRAMFILES32\Winamp"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
DirText "Choose Winamp's folder, the one that holds its Plugins folder. The plug-in \
${PLUGIN} goes into that Plugins folder; Winamp's settings are not changed. \
Close Winamp before you go on." "Winamp's folder"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Refuse a folder without Plugins: the Install button stays off.
Function .onVerifyInstDir
    ${IfNot} ${FileExists} "$INSTDIR\Plugins\*.*"
        Abort
    ${EndIf}
FunctionEnd

; Ends the run with the message and the exit status 2.
!macro REFUSE TEXT
    DetailPrint "${TEXT}"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

; Waits while the plug-in in FOLDER is in use (Winamp has loaded it, so it
; cannot be written) and the user asks to try again; refuses when they cancel
; and in a silent run.
!macro WAIT_UNTIL_FREE UN FOLDER
    ${Do}
        ${IfNot} ${FileExists} "${FOLDER}\${PLUGIN}"
            ${Break}
        ${EndIf}
        ClearErrors
        FileOpen $0 "${FOLDER}\${PLUGIN}" a
        ${IfNot} ${Errors}
            FileClose $0
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Winamp is running: ${FOLDER}\${PLUGIN} is in use. \
Close Winamp, then choose Retry." /SD IDCANCEL IDRETRY retry_${UN}
        !insertmacro REFUSE "Winamp is running: ${FOLDER}\${PLUGIN} is in use. Close Winamp and run this again."
        retry_${UN}:
    ${Loop}
!macroend

Section "Quillon plug-in"
    StrCpy $1 "$INSTDIR\Plugins"
    ${IfNot} ${FileExists} "$1\*.*"
        !insertmacro REFUSE "$INSTDIR is not Winamp's folder: it has no Plugins folder."
    ${EndIf}
    !insertmacro WAIT_UNTIL_FREE "in" "$1"

    ; The new DLL is written beside the one it replaces, which is kept until the
    ; copy has succeeded.
    Delete "$1\${PLUGIN}.new"
    ClearErrors
    SetOverwrite on
    File "/oname=$1\${PLUGIN}.new" "${DLL}"
    ${If} ${Errors}
        Delete "$1\${PLUGIN}.new"
        !insertmacro REFUSE "Could not write into $1; ${PLUGIN} was not installed."
    ${EndIf}
    Delete "$1\${PLUGIN}.old"
    ${If} ${FileExists} "$1\${PLUGIN}"
        ClearErrors
        Rename "$1\${PLUGIN}" "$1\${PLUGIN}.old"
        ${If} ${Errors}
            Delete "$1\${PLUGIN}.new"
            !insertmacro REFUSE "Could not replace $1\${PLUGIN}; it is unchanged."
        ${EndIf}
    ${EndIf}
    ClearErrors
    Rename "$1\${PLUGIN}.new" "$1\${PLUGIN}"
    ${If} ${Errors}
        Rename "$1\${PLUGIN}.old" "$1\${PLUGIN}"
        Delete "$1\${PLUGIN}.new"
        !insertmacro REFUSE "Could not replace $1\${PLUGIN}; it is unchanged."
    ${EndIf}
    Delete "$1\${PLUGIN}.old"

    WriteUninstaller "$1\${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (Winamp plug-in)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillon"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$1\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$1\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    DetailPrint "Installed $1\${PLUGIN}. Start Winamp and choose the port in the plug-in's configuration."
SectionEnd

; The uninstaller sits in the Plugins folder: $INSTDIR is that folder here.
Section "Uninstall"
    !insertmacro WAIT_UNTIL_FREE "un" "$INSTDIR"
    Delete "$INSTDIR\${PLUGIN}"
    ${If} ${FileExists} "$INSTDIR\${PLUGIN}"
        !insertmacro REFUSE "Could not remove $INSTDIR\${PLUGIN}."
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"
    ; The registration is this install's only when it names this uninstaller
    ; (a later install into another Winamp folder owns it otherwise).
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
    ${If} $0 == '"$INSTDIR\${UNINSTALLER}"'
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd
