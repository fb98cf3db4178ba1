# What the installer does beyond CPack's NSIS template (included in it by
# cmake/packaging-windows.cmake): macros only, inserted into the template's
# install and uninstall sections, which read and write the same variables.

!include LogicLib.nsh
!include FileFunc.nsh

!define KORVANE_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane Upgrader"

# The page "Install Options" keeps its choices in this file; the template
# reads them back after the files are in place.
!macro KorvaneChoose FIELD STATE
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field ${FIELD}" "State" "${STATE}"
!macroend

!macro KorvanePathChoice NONE ALL USER
  !insertmacro KorvaneChoose 2 ${NONE}
  !insertmacro KorvaneChoose 3 ${ALL}
  !insertmacro KorvaneChoose 4 ${USER}
!macroend

# The earlier installation's choices of PATH and desktop icon, read from its
# uninstall entry, made the page's (the page offers "do not add" otherwise,
# and an upgrade clicked through would take korvane-flash off PATH).
!macro KorvaneEarlierChoices
  ReadRegStr $R6 SHCTX "${KORVANE_UNINSTALL_KEY}" "AddToPathAllUsers"
  ReadRegStr $R7 SHCTX "${KORVANE_UNINSTALL_KEY}" "AddToPathCurrentUser"
  ReadRegStr $R8 SHCTX "${KORVANE_UNINSTALL_KEY}" "InstallToDesktop"
  ${If} $R6 == "1"
    !insertmacro KorvanePathChoice 0 1 0
  ${ElseIf} $R7 == "1"
    !insertmacro KorvanePathChoice 0 0 1
  ${EndIf}
  ${If} $R8 == "1"
    !insertmacro KorvaneChoose 5 1
  ${EndIf}
!macroend

# Leaving the welcome page, before the page "Install Options" is shown (the
# welcome page is the first that takes this define). The page file exists by
# then: .onInit extracted it.
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE KorvaneWelcomeLeave
Function KorvaneWelcomeLeave
  !insertmacro KorvaneEarlierChoices
FunctionEnd

# Appends ` NAME` to $R4 when FILE exists and cannot be opened for writing:
# Windows refuses that while the program runs (or a DLL is loaded).
!macro KorvaneInUse FILE NAME
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $R5 "${FILE}" a
    ${If} ${Errors}
      StrCpy $R4 "$R4 ${NAME}"
    ${Else}
      FileClose $R5
    ${EndIf}
  ${EndIf}
!macroend

# Before any file is written.
!macro KorvanePreinstall
  # The installation this one replaces, if any, and what it chose.
  ReadRegStr $R3 SHCTX "Software\Korvane\Korvane Upgrader" ""
  ${If} $R3 == ""
    StrCpy $R3 $INSTDIR
  ${EndIf}

  # /PATH=all or /PATH=user puts korvane-flash on PATH, /PATH=none not, page
  # or no page. A silent upgrade without it keeps the earlier choice; one
  # through the pages was offered it (KorvaneWelcomeLeave).
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PATH=" $R1
  ${IfNot} ${Errors}
    ${If} $R1 == "all"
      !insertmacro KorvanePathChoice 0 1 0
    ${ElseIf} $R1 == "user"
      !insertmacro KorvanePathChoice 0 0 1
    ${ElseIf} $R1 == "none"
      !insertmacro KorvanePathChoice 1 0 0
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "/PATH= takes all, user or none, not $\"$R1$\"." /SD IDOK
      Abort "/PATH= takes all, user or none"
    ${EndIf}
  ${ElseIf} ${Silent}
    !insertmacro KorvaneEarlierChoices
  ${EndIf}

  # A program that runs cannot be replaced: the install would stop half way,
  # old files beside new ones.
  korvane_check_running:
    StrCpy $R4 ""
    !insertmacro KorvaneInUse "$R3\korvane-upgrader.exe" "Korvane Upgrader,"
    !insertmacro KorvaneInUse "$R3\korvane-station.exe" "Korvane Station,"
    !insertmacro KorvaneInUse "$R3\korvane-flash.exe" "korvane-flash,"
    !insertmacro KorvaneInUse "$R3\bin\korvane-flash.exe" "korvane-flash,"
  ${If} $R4 != ""
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "These programs are running from $R3:$R4$\r$\nClose them, then choose Retry." \
      /SD IDCANCEL IDRETRY korvane_check_running
    Abort "Running from $R3:$R4"
  ${EndIf}

  # The earlier version's own uninstaller takes its files away, so that none
  # this version no longer carries stays behind; user data is elsewhere
  # (%LOCALAPPDATA%\Korvane). Run in place (_?=), it returns when done.
  ${If} ${FileExists} "$R3\Uninstall.exe"
    DetailPrint "Removing the earlier version from $R3"
    ExecWait '"$R3\Uninstall.exe" /S _?=$R3'
    Delete "$R3\Uninstall.exe"
  ${EndIf}
!macroend

# After the files, the shortcuts and the template's registry values.
!macro KorvaneInstall
  # CPack's own PATH code reads PATH into a string of the installer: beyond
  # its 1024 characters it gets nothing and leaves PATH alone. korvane-path
  # edits the registry value whole; the template's code is then skipped.
  # The page's choice is read here again: the template reads it only when
  # Start-menu entries are made.
  !insertmacro MUI_INSTALLOPTIONS_READ $R0 "NSIS.InstallOptions.ini" "Field 3" "State"
  !insertmacro MUI_INSTALLOPTIONS_READ $R1 "NSIS.InstallOptions.ini" "Field 4" "State"
  StrCpy $R1 "$R0$R1"
  ${If} $R1 == "10"
    StrCpy $R1 all
  ${ElseIf} $R1 == "01"
    StrCpy $R1 user
  ${EndIf}
  ${If} $R1 == "all"
  ${OrIf} $R1 == "user"
    nsExec::ExecToLog '"$INSTDIR\korvane-path.exe" add "$INSTDIR\bin" $R1'
    Pop $R2
    ${If} $R2 != "0"
      MessageBox MB_OK|MB_ICONEXCLAMATION "korvane-flash could not be put on PATH ($R2)." /SD IDOK
      SetErrorLevel 4
    ${EndIf}
  ${EndIf}
  StrCpy $DO_NOT_ADD_TO_PATH "1"

  # "Apps and features" shows the size of what is installed.
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  WriteRegDWORD SHCTX "${KORVANE_UNINSTALL_KEY}" "EstimatedSize" $R0
!macroend

# Before the files are removed: korvane-path is one of them.
!macro KorvaneUninstall
  nsExec::ExecToLog '"$INSTDIR\korvane-path.exe" remove "$INSTDIR\bin"'
  Pop $R2
!macroend
