# Installation under a prefix (cmake --install build --prefix /usr) and the Debian package
# (scripts/package, through CPack), both with the same layout:
#   bin/drumo, bin/drumo-cli, bin/drumo-sim
#   share/drumo/help/           the operator's guide (the installed program looks for it there)
#   share/applications/drumo.desktop, share/icons/hicolor/scalable/apps/drumo.svg
#   share/mime/packages/drumo.xml   the file types .dml, .dmr, .dmn, .dms
#   share/man/man1/drumo-cli.1.gz, drumo-sim.1.gz
#   lib/systemd/system/drumo-log@.service   the unattended logger
#   share/doc/drumo/copyright

include(GNUInstallDirs)

set(drumo_programs drumo-cli drumo-sim)
if(TARGET drumo)
  list(PREPEND drumo_programs drumo)
endif()
install(TARGETS ${drumo_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(drumo_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/drumo/help)
install(FILES ${drumo_packaging}/drumo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${drumo_packaging}/drumo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${drumo_packaging}/drumo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${drumo_packaging}/drumo-log@.service DESTINATION lib/systemd/system)
install(FILES ${drumo_packaging}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/drumo)

# Manual pages go compressed, as Debian keeps them; -n leaves the time out, so builds compare.
foreach(page drumo-cli.1 drumo-sim.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${drumo_packaging}/${page} ${CMAKE_BINARY_DIR}/man/${page}
                     COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/man/${page}
                     DEPENDS ${drumo_packaging}/${page} VERBATIM)
  list(APPEND drumo_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(drumo_man_pages ALL DEPENDS ${drumo_man_pages})
install(FILES ${drumo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drumo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Drumo")
set(CPACK_PACKAGE_CONTACT "Drumo maintainers <drumo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service program for thermocable controllers and loggers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "service program for thermocable controllers and loggers\n"
    "Drumo finds the controllers and loggers of thermocables (strings of digital\n"
    "temperature sensors in silos, stores and the ground) on a serial port,\n"
    "receives and shows their readings, raises alarms, keeps signed archive files,\n"
    "reads the loggers' notebooks, calibrates and numbers sensors and sets up the\n"
    "devices. drumo-cli does the same from the command line and logs unattended\n"
    "as the service drumo-log@; drumo-sim simulates the devices.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs are linked with give the runtime packages (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Russian texts for its standard dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${drumo_packaging}/postinst;${drumo_packaging}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
