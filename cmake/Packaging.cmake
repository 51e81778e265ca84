# Installation under a prefix (cmake --install build --prefix /usr) and the Debian packages
# (scripts/package, through CPack), both with the same layout. Two packages, so that a board
# without a desktop installs no Qt:
#
# drumo-cli (component cli): the tools and the logging service
#   bin/drumo-cli, bin/drumo-sim
#   lib/systemd/system/drumo-log@.service, lib/sysusers.d/drumo.conf (the service's user)
#   share/man/man1/drumo-cli.1.gz, drumo-sim.1.gz
#   share/doc/drumo-cli/copyright, changelog.gz
# drumo (component ui): the desktop program, which depends on drumo-cli
#   bin/drumo
#   share/drumo/help/           the operator's guide (the installed program looks for it there)
#   share/applications/drumo.desktop, share/icons/hicolor/scalable/apps/drumo.svg
#   share/mime/packages/drumo.xml   the file types .dml, .dmr, .dmn, .dms
#   share/man/man1/drumo.1.gz
#   share/doc/drumo/copyright, changelog.gz

include(GNUInstallDirs)

set(DRUMO_PACKAGE_MAINTAINER "Drumo maintainers <maintainers@drumo.example.org>"
    CACHE STRING "Maintainer field of the Debian packages and their changelog: Name <address>")

set(drumo_packaging ${PROJECT_SOURCE_DIR}/packaging)

# Manual pages and the changelog go compressed, as Debian keeps them; -n leaves the time out, so
# builds compare.
function(drumo_gzip source name)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/packaging/${name}
                     COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/packaging/${name}
                     DEPENDS ${source} VERBATIM)
endfunction()
configure_file(${drumo_packaging}/changelog.in ${CMAKE_BINARY_DIR}/packaging-src/changelog @ONLY)
drumo_gzip(${CMAKE_BINARY_DIR}/packaging-src/changelog changelog)
set(drumo_packed ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
foreach(page drumo-cli.1 drumo-sim.1 drumo.1)
  drumo_gzip(${drumo_packaging}/${page} ${page})
  list(APPEND drumo_packed ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
endforeach()
add_custom_target(drumo_packed_docs ALL DEPENDS ${drumo_packed})

# drumo-cli
install(TARGETS drumo-cli drumo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(FILES ${drumo_packaging}/drumo-log@.service DESTINATION lib/systemd/system COMPONENT cli)
install(FILES ${drumo_packaging}/drumo.sysusers DESTINATION lib/sysusers.d RENAME drumo.conf COMPONENT cli)
install(FILES ${CMAKE_BINARY_DIR}/packaging/drumo-cli.1.gz ${CMAKE_BINARY_DIR}/packaging/drumo-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${drumo_packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/drumo-cli COMPONENT cli)
set(drumo_components cli)

# drumo
if(TARGET drumo)
  install(TARGETS drumo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ui)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/drumo/help COMPONENT ui)
  install(FILES ${drumo_packaging}/drumo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ui)
  install(FILES ${drumo_packaging}/drumo.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT ui)
  install(FILES ${drumo_packaging}/drumo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT ui)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/drumo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ui)
  install(FILES ${drumo_packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/drumo COMPONENT ui)
  list(APPEND drumo_components ui)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${drumo_components})
set(CPACK_PACKAGE_NAME drumo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Drumo")
set(CPACK_PACKAGE_CONTACT "${DRUMO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs are linked with give the runtime packages (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)

# A description is one text: a summary line, then the long description (CPack indents it).
set(CPACK_DEBIAN_CLI_PACKAGE_NAME drumo-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION [=[thermocable controllers and loggers from the command line
drumo-cli reaches the controllers and loggers of thermocables (strings of
digital temperature sensors in silos, stores and the ground) on a serial
port: it searches for devices, receives their readings, checks and exports
signed archive files, reads notebooks and sets up the devices. It logs
unattended as the service drumo-log@, for a board without a desktop.
drumo-sim simulates the devices on a pseudo-terminal.]=])
# Up to 1.0.0.1 one package named drumo held these files too: drumo-cli takes them over, and an
# older drumo cannot stay beside it (it is upgraded with it, or removed).
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "drumo (<< 1.0.0.2)")
set(CPACK_DEBIAN_CLI_PACKAGE_BREAKS "drumo (<< 1.0.0.2)")
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA
    "${drumo_packaging}/postinst;${drumo_packaging}/prerm;${drumo_packaging}/postrm")

set(CPACK_DEBIAN_UI_PACKAGE_NAME drumo)
set(CPACK_DEBIAN_UI_DESCRIPTION [=[service program for thermocable controllers and loggers
Drumo finds the controllers and loggers of thermocables (strings of digital
temperature sensors in silos, stores and the ground) on a serial port,
receives and shows their readings, raises alarms, keeps signed archive files,
reads the loggers' notebooks, calibrates and numbers sensors and sets up the
devices. Its windows are in Russian.]=])
set(CPACK_DEBIAN_UI_PACKAGE_DEPENDS "drumo-cli (= ${PROJECT_VERSION})")
# Qt's own Russian texts for its standard dialogs.
set(CPACK_DEBIAN_UI_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
