# Runs at install time: writes the desktop entry with the absolute path of the installed launcher
# and installs it. file(INSTALL) applies DESTDIR and records the file in install_manifest.txt.

set(strLauncher "${CMAKE_INSTALL_PREFIX}/bin/atatool")
# Quoted as an Exec argument (backslash, double quote, backquote and dollar get a backslash),
# then escaped as a desktop-entry string (every backslash doubled); a percent sign is doubled.
string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" strQuoted "${strLauncher}")
string(REPLACE "\\" "\\\\" strQuoted "${strQuoted}")
string(REPLACE "%" "%%" strQuoted "${strQuoted}")
set(ATA_DESKTOP_EXEC "\"${strQuoted}\"")

configure_file("${ATA_DESKTOP_TEMPLATE}" "${ATA_DESKTOP_STAGING}/${ATA_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${ATA_DESKTOP_STAGING}/${ATA_APP_ID}.desktop")
