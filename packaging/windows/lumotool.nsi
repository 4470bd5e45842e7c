; The Windows setup program of lumotool, made by makensis on Linux from the
; folder scripts/build-windows.sh lays out (its "dist" step):
;
;   makensis -DVERSION=5.2.1 -DDIST=<folder> -DFILES=<files.nsh>
;            -DUNFILES=<unfiles.nsh> -DOUTFILE=<setup.exe> lumotool.nsi
;
; FILES and UNFILES are written by the script from the folder's contents:
; the File lines of the program files and the matching Delete/RMDir lines,
; so that the uninstaller removes exactly what was installed. The two Access
; databases are a station's own files and are handled here: installed only
; where none is yet, and removed only while they are still the installed
; file (same size and time).
;
; Silent: setup.exe /S [/D=C:\folder], uninstall.exe /S.

; A 64-bit setup program: the program is 64-bit, and the 32-bit stub
; would need a 32-bit Windows layer to run at all.
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma

!define PRODUCT "Mavik Lumo 05"
!define PUBLISHER "Mavik"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mavik-lumotool"
!define DBKEY "Software\Mavik\lumotool\Setup"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Mavik\lumotool"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Installs database NAME unless the folder has one already,
; and records the installed file's size and time, so that the uninstaller
; can tell it from a station's own copy.
!macro InstallDatabase NAME
  IfFileExists "$INSTDIR\${NAME}" +5 0
    File "${DIST}\${NAME}"
    StrCpy $0 "${NAME}"
    Call RecordDatabase
    Goto +2
  DetailPrint "${NAME}: kept (a station's own file)"
!macroend

; Removes database NAME only while it is the file the setup installed.
!macro RemoveDatabase NAME
  StrCpy $0 "${NAME}"
  Call un.RemoveDatabase
!macroend

; $0: file name. Writes "<size> <time high> <time low>" under DBKEY.
Function RecordDatabase
  Push $1
  Push $2
  Push $3
  FileOpen $3 "$INSTDIR\$0" r
  FileSeek $3 0 END $1
  FileClose $3
  GetFileTime "$INSTDIR\$0" $2 $3
  WriteRegStr HKLM "${DBKEY}" "$0" "$1 $2 $3"
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Function un.RemoveDatabase
  Push $1
  Push $2
  Push $3
  Push $4
  ReadRegStr $4 HKLM "${DBKEY}" "$0"
  StrCmp $4 "" keep
  IfFileExists "$INSTDIR\$0" 0 done
  FileOpen $3 "$INSTDIR\$0" r
  FileSeek $3 0 END $1
  FileClose $3
  GetFileTime "$INSTDIR\$0" $2 $3
  StrCmp $4 "$1 $2 $3" 0 keep
  Delete "$INSTDIR\$0"
  Goto done
keep:
  IfFileExists "$INSTDIR\$0" 0 done
  DetailPrint "$0: left in place (a station's own file)"
done:
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Section "lumotool"
  SetShellVarContext all
  ; The folder above the program's ("Mavik" by default) goes with the
  ; uninstall only when this setup made it.
  IfFileExists "$INSTDIR\..\*.*" +2 0
    WriteRegStr HKLM "${DBKEY}" "MadeParent" "1"
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  File "${DIST}\lumotool.ico"
  !insertmacro InstallDatabase "Saeulenparameter.mdb"
  !insertmacro InstallDatabase "Fehlerdiagnose.mdb"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\lumotool.exe" "" "$INSTDIR\lumotool.ico" 0

  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\lumotool.ico"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro RemoveDatabase "Saeulenparameter.mdb"
  !insertmacro RemoveDatabase "Fehlerdiagnose.mdb"
  !include "${UNFILES}"
  Delete "$INSTDIR\lumotool.ico"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a station's databases, its files and anything else
  ; the user put there stay.
  RMDir "$INSTDIR"
  ReadRegStr $0 HKLM "${DBKEY}" "MadeParent"
  StrCmp $0 "1" 0 +2
    RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${DBKEY}"
  DeleteRegKey /ifempty HKLM "Software\Mavik\lumotool"
  DeleteRegKey /ifempty HKLM "Software\Mavik"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
