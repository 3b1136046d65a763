# The Debian package: `cpack -G DEB` in a configured build folder (scripts/package does it all).
# Files go where Debian keeps them: programs in /usr/bin, data in /usr/share/qtx52-config, the
# machine store as a configuration file in /etc/qtx52-config. Depends comes from the binaries.

include(GNUInstallDirs)

set(QTX52_DOC_PACKAGE_DIR ${CMAKE_INSTALL_DATADIR}/doc/qtx52-config)
set(QTX52_PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${QTX52_PACKAGE_STAGING})

find_program(GZIP_EXECUTABLE gzip REQUIRED)

# Man pages, kept as roff in docs/man and compressed for installation (without a time stamp, so
# that the same source gives the same package).
set(QTX52_MAN_PAGES qtx52-config.1 qtx52-sim.1)
set(QTX52_MAN_GZ)
foreach(page ${QTX52_MAN_PAGES})
    set(out ${QTX52_PACKAGE_STAGING}/${page}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_SOURCE_DIR}/docs/man/${page} > ${out}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}
        VERBATIM)
    list(APPEND QTX52_MAN_GZ ${out})
endforeach()

# The release of this version, for the change log and the AppStream data; a fixed date, so that
# the same source gives the same package.
set(QTX52_RELEASE_DATE 2026-12-08)
set(QTX52_CHANGELOG_DATE "Tue, 08 Dec 2026 00:00:00 +0000")

# The package's change log, in Debian's format.
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${QTX52_PACKAGE_STAGING}/changelog @ONLY)
add_custom_command(OUTPUT ${QTX52_PACKAGE_STAGING}/changelog.gz
    COMMAND ${GZIP_EXECUTABLE} -9nc ${QTX52_PACKAGE_STAGING}/changelog > ${QTX52_PACKAGE_STAGING}/changelog.gz
    DEPENDS ${QTX52_PACKAGE_STAGING}/changelog
    VERBATIM)

# AppStream data with this version as its release.
configure_file(${CMAKE_SOURCE_DIR}/packaging/qtx52-config.metainfo.xml.in
               ${QTX52_PACKAGE_STAGING}/example.korvatek.qtx52config.metainfo.xml @ONLY)

add_custom_target(package-files ALL
    DEPENDS ${QTX52_MAN_GZ} ${QTX52_PACKAGE_STAGING}/changelog.gz)

install(FILES ${QTX52_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QTX52_PACKAGE_STAGING}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${QTX52_DOC_PACKAGE_DIR})
install(FILES ${QTX52_PACKAGE_STAGING}/example.korvatek.qtx52config.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qtx52-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvatek")
set(CPACK_PACKAGE_CONTACT "Korvatek Support <support@korvatek.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration program for the QTX52-LCD-RS485-Modbus room control unit")
# The summary above is the synopsis; CPack indents this text and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "qtx52-config reads the configuration, input values and live values of a
QTX52-LCD-RS485-Modbus room control unit over an RS485 bus (Modbus RTU or
ASCII), edits them in a tabbed window in German or English, writes changed
groups back and verifies them, watches the live values and saves parameter
sets to files. Read-out, write-back and monitoring also run without a window
from the command line.

qtx52-sim plays the room unit on a serial device, for trying the program
without the hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.korvatek.example")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # qtx52-config_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The install scripts see the final prefix (/usr), so the machine store names the real folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
