# Runs at install time: writes the systemd user units with the installed program's path and the
# link <prefix>/bin/atatool-cli, then installs both (DESTDIR applies as usual).
set(strProgramDir "${ATA_CLI_PROGRAM_DIR}")
if(NOT IS_ABSOLUTE "${strProgramDir}")
    set(strProgramDir "${CMAKE_INSTALL_PREFIX}/${strProgramDir}")
endif()
set(ATA_CLI_PATH "${strProgramDir}/atatool-cli")

file(REMOVE_RECURSE "${ATA_CLI_STAGE_DIR}")
file(MAKE_DIRECTORY "${ATA_CLI_STAGE_DIR}")
set(lstUnits)
foreach(strUnit atatool-save-log.service atatool-save-log.timer atatool-backup.service
                atatool-backup.timer atatool-check.service atatool-check.timer)
    configure_file("${ATA_CLI_SOURCE_DIR}/systemd/${strUnit}.in" "${ATA_CLI_STAGE_DIR}/${strUnit}"
                   @ONLY)
    list(APPEND lstUnits "${ATA_CLI_STAGE_DIR}/${strUnit}")
endforeach()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/systemd/user" TYPE FILE
     FILES ${lstUnits})

# A relative link, so that the installed tree can be moved as a whole.
file(RELATIVE_PATH strLinkText "${CMAKE_INSTALL_PREFIX}/bin" "${ATA_CLI_PATH}")
file(CREATE_LINK "${strLinkText}" "${ATA_CLI_STAGE_DIR}/atatool-cli" SYMBOLIC)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/bin" TYPE FILE
     FILES "${ATA_CLI_STAGE_DIR}/atatool-cli")
