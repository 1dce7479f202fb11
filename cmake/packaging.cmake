# Installing like any Debian program, and the packages. `cmake --install BUILD` puts the
# programs in bin/, the desktop entry, the icon, the manual pages and the documentation in
# share/. `cmake --build BUILD --target package` makes, on Linux, two .deb packages (their
# Depends taken from the shared libraries the programs use):
#   tarvix-vizaze-cli  (component "cli"): the console tool, the simulator, their manual pages
#                      and the documentation; no Qt, for a machine without a screen;
#   tarvix-vizaze      (component "gui"): the window, its menu entry, icon and manual page;
#                      it depends on tarvix-vizaze-cli of the same version and on Qt's
#                      Polish catalogue (qt6-translations-l10n).
# For Windows it makes a .zip of the programs and the documentation and an MSI installer
# (cmake/msi.cmake, with wixl).
include(GNUInstallDirs)

if(WIN32)
  # One folder: the programs beside README.md, docs\ and examples\.
  set(TV_BIN_DIR .)
  set(TV_DOC_DIR .)
else()
  set(TV_BIN_DIR ${CMAKE_INSTALL_BINDIR})
  set(TV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvix-vizaze-cli)
  set(TV_GUI_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvix-vizaze)
endif()

foreach(program tarvix-vizaze-cli tarvix-vizaze-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${TV_BIN_DIR} COMPONENT cli)
  endif()
endforeach()
if(TARGET tarvix-vizaze)
  install(TARGETS tarvix-vizaze RUNTIME DESTINATION ${TV_BIN_DIR} COMPONENT gui)
endif()

# The documentation with the pictures it shows (docs/img, docs/convert); the scripts that
# make those pictures stay in the source tree.
install(FILES README.md DESTINATION ${TV_DOC_DIR} COMPONENT cli)
install(DIRECTORY docs/ DESTINATION ${TV_DOC_DIR}/docs COMPONENT cli
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
install(FILES sim/README.md DESTINATION ${TV_DOC_DIR}/sim COMPONENT cli)
install(DIRECTORY examples/ DESTINATION ${TV_DOC_DIR}/examples COMPONENT cli)

if(WIN32)
  install(FILES packaging/copyright DESTINATION ${TV_DOC_DIR} RENAME copyright.txt COMPONENT cli)
else()
  if(TARGET tarvix-vizaze)
    install(FILES packaging/tarvix-vizaze.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT gui)
    install(FILES packaging/tarvix-vizaze.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            COMPONENT gui)
  endif()

  # Each package's copyright and changelog (compressed, as Debian keeps it).
  find_program(TV_GZIP gzip)
  set(TV_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${TV_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${TV_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${TV_CHANGELOG}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    COMMENT "Package changelog")
  add_custom_target(package_changelog ALL DEPENDS ${TV_CHANGELOG})
  install(FILES packaging/copyright ${TV_CHANGELOG} DESTINATION ${TV_DOC_DIR} COMPONENT cli)
  if(TARGET tarvix-vizaze)
    install(FILES packaging/copyright ${TV_CHANGELOG} DESTINATION ${TV_GUI_DOC_DIR} COMPONENT gui)
  endif()

  # Manual pages: each program's --help and --version read by help2man (in a UTF-8 locale:
  # the help is Polish), with the sections the help does not have (SYNOPSIS, EXIT STATUS,
  # FILES, EXAMPLES, SEE ALSO) from packaging/man/PROGRAM.h2m; compressed as Debian keeps
  # them.
  find_program(TV_HELP2MAN help2man)
  if(TV_HELP2MAN AND TV_GZIP AND NOT CMAKE_CROSSCOMPILING)
    set(TV_MAN_tarvix-vizaze-cli "load receipt logos into fiscal printers and cash registers from a terminal")
    set(TV_MAN_tarvix-vizaze-sim "a stand-in fiscal printer or cash register for the Tarvix Vizaze tools")
    set(TV_MAN_tarvix-vizaze "the window of Tarvix Vizaze: load receipt logos into fiscal printers and cash registers")
    set(pages)
    foreach(program tarvix-vizaze-cli tarvix-vizaze-sim tarvix-vizaze)
      if(NOT TARGET ${program})
        continue()
      endif()
      set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
      set(include ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
      add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${TV_HELP2MAN} --locale=C.UTF-8 --no-info --no-discard-stderr --name=${TV_MAN_${program}}
                --include=${include} --output=${page} $<TARGET_FILE:${program}>
        COMMAND ${TV_GZIP} -9nf ${page}
        DEPENDS ${program} ${include}
        COMMENT "Manual page of ${program}"
        VERBATIM)
      list(APPEND pages ${page}.gz)
      if(program STREQUAL "tarvix-vizaze")
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
      else()
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
      endif()
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${pages})
  else()
    message(STATUS "help2man or gzip not found: no manual pages")
  endif()
endif()

set(CPACK_PACKAGE_NAME tarvix-vizaze)
set(CPACK_PACKAGE_VENDOR "Tarvix Vizaze")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarvix Vizaze developers <tarvix-vizaze@example.invalid>")
set(CPACK_STRIP_FILES ON)
# Files 0644 and folders 0755 whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(WIN32)
  # The .zip, and the MSI made by cmake/msi.cmake from the same files: cpack runs it once
  # they are installed in its staging folder, before it packs them.
  set(CPACK_PACKAGE_FILE_NAME tarvix-vizaze-${PROJECT_VERSION}-windows)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "load receipt logos into fiscal printers and cash registers")
  set(CPACK_GENERATOR ZIP)
  find_program(TV_WIXL wixl)
  find_program(TV_MSIBUILD msibuild)  # msitools, as wixl
  if(TV_WIXL AND TV_MSIBUILD)
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/msi.cmake)
    set(CPACK_TV_WIXL ${TV_WIXL})
    set(CPACK_TV_MSIBUILD ${TV_MSIBUILD})
    find_program(TV_CONVERT convert)  # ImageMagick: the icon of "Apps & features"
    set(CPACK_TV_CONVERT "${TV_CONVERT}")
    set(CPACK_TV_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/tarvix-vizaze.svg)
  else()
    message(STATUS "wixl or msibuild not found: no MSI installer (Debian: apt install wixl msitools)")
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL cli)
  if(TARGET tarvix-vizaze)
    list(APPEND CPACK_COMPONENTS_ALL gui)
  endif()
  set(CPACK_DEBIAN_PACKAGE_SOURCE tarvix-vizaze)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tarvix-vizaze-cli_1.0.0_amd64.deb, tarvix-vizaze_1.0.0_amd64.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_CLI_PACKAGE_NAME tarvix-vizaze-cli)
  set(CPACK_DEBIAN_GUI_PACKAGE_NAME tarvix-vizaze)
  # qt6-translations-l10n: Qt's Polish catalogue, without which the file dialog and the
  # boxes' buttons are English (a system without recommends would not bring it).
  set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "tarvix-vizaze-cli (= ${PROJECT_VERSION}), qt6-translations-l10n")
  set(CPACK_DEBIAN_GUI_PACKAGE_SECTION x11)
  set(TV_DEB_ABOUT
      "Tarvix Vizaze reads a 1-bit BMP (or turns any PNG, JPEG, GIF, BMP, TGA or\n\
PPM/PGM picture into one), turns it into a fiscal printer's or cash register's\n\
graphic data and programs it into one of six slots over a serial port or TCP;\n\
it also clears slots, assigns the header and footer graphics, prints the\n\
graphics report, finds a device on the serial ports and tests the connection.\n\
The interface and messages are Polish.\n")
  set(CPACK_DEBIAN_CLI_DESCRIPTION
      "load receipt logos into fiscal printers and cash registers (console tool)\n\
${TV_DEB_ABOUT}\n\
This package holds the console tool, which runs the window's jobs from a\n\
terminal or a script, on one device or a whole list of them, and can answer in\n\
JSON; the device simulator, which stands in for a printer or cash register over\n\
TCP or a pseudo-terminal; their manual pages and the documentation. It needs no\n\
graphical libraries, so it suits a server without a screen.")
  set(CPACK_DEBIAN_GUI_DESCRIPTION
      "load receipt logos into fiscal printers and cash registers (window)\n\
${TV_DEB_ABOUT}\n\
This package holds the window (Qt 6) and its entry in the desktop's menu.")
endif()
include(CPack)

# The packages built, unpacked and their programs run, as a test (Linux, native builds).
if(BUILD_TESTING AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING AND TARGET tarvix-vizaze-cli
   AND TARGET tarvix-vizaze-sim AND TARGET man_pages)
  find_program(TV_DPKG_DEB dpkg-deb)
  if(TV_DPKG_DEB)
    add_test(NAME package_deb
             COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_package.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(package_deb PROPERTIES TIMEOUT 600 LABELS package)
  endif()
endif()
