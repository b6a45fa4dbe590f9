# The Debian package (tools/package.sh): everything under /usr, binaries stripped, the
# dependencies from the shared libraries plus the font packages of the window's design faces.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME atatool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The ATA Maintenance Tool authors <atatool@atatool.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install scripts write the installed paths into the desktop entry and the units, so the
# package is staged with DESTDIR under its real prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Tahoma's stand-in (fonts-wine) for the interface, Liberation for Arial and Courier New; libcurl,
# which the programs load when they first read over HTTP, so the shared libraries do not name it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-wine, libcurl4")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "maintenance tool for a VoIP telephone adapter
A small desktop tool for looking after one VoIP analogue telephone adapter
(ATA) on the local network. One window with five commands: check that the
adapter answers and its SIP line is registered, fetch and sort its system
log, merge the log into a local history that grows over time, summarise
repeated registration lines, and back up its configuration over FTP.
.
The command-line companion atatool-cli runs the same commands without a
window, and systemd user timers save the log hourly and back up the
configuration nightly. Each user keeps their own settings, history and
backups.")
include(CPack)
