# Runs at install time: writes the systemd user units with the installed program's path and the
# link <prefix>/bin/atatool-cli, then installs both (DESTDIR applies as usual).
set(strProgramDir "${ATA_CLI_PROGRAM_DIR}")
if(NOT IS_ABSOLUTE "${strProgramDir}")
    set(strProgramDir "${CMAKE_INSTALL_PREFIX}/${strProgramDir}")
endif()
set(ATA_CLI_PATH "${strProgramDir}/atatool-cli")

# Every service runs in the same sandbox. A program folder outside /usr may keep the files (a
# prefix the user owns), so the sandbox leaves it writable; /usr never keeps them.
if(strProgramDir MATCHES "^/usr/")
    set(ATA_UNIT_PROGRAM_FOLDER "# The program folder keeps no files.")
else()
    string(REPLACE "%" "%%" strUnitPath "${strProgramDir}")
    set(ATA_UNIT_PROGRAM_FOLDER "ReadWritePaths=-\"${strUnitPath}\"")
endif()
file(READ "${ATA_CLI_SOURCE_DIR}/systemd/sandbox.conf" strSandbox)
string(CONFIGURE "${strSandbox}" ATA_UNIT_SANDBOX @ONLY)
string(STRIP "${ATA_UNIT_SANDBOX}" ATA_UNIT_SANDBOX)

file(REMOVE_RECURSE "${ATA_CLI_STAGE_DIR}")
file(MAKE_DIRECTORY "${ATA_CLI_STAGE_DIR}")
set(lstUnits)
file(GLOB lstTemplates RELATIVE "${ATA_CLI_SOURCE_DIR}/systemd" "${ATA_CLI_SOURCE_DIR}/systemd/*.in")
foreach(strTemplate ${lstTemplates})
    string(REGEX REPLACE "[.]in$" "" strUnit "${strTemplate}")
    configure_file("${ATA_CLI_SOURCE_DIR}/systemd/${strUnit}.in" "${ATA_CLI_STAGE_DIR}/${strUnit}"
                   @ONLY)
    list(APPEND lstUnits "${ATA_CLI_STAGE_DIR}/${strUnit}")
endforeach()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${ATA_CLI_UNIT_DIR}" TYPE FILE
     FILES ${lstUnits})

# A relative link, so that the installed tree can be moved as a whole.
file(RELATIVE_PATH strLinkText "${CMAKE_INSTALL_PREFIX}/bin" "${ATA_CLI_PATH}")
file(CREATE_LINK "${strLinkText}" "${ATA_CLI_STAGE_DIR}/atatool-cli" SYMBOLIC)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/bin" TYPE FILE
     FILES "${ATA_CLI_STAGE_DIR}/atatool-cli")
