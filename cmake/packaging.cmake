# Installing like any Debian program, and the packages: `cmake --install BUILD` puts the
# programs in bin/, the desktop entry, the icon, the manual pages and the documentation in
# share/; `cmake --build BUILD --target package` makes a .deb (its Depends taken from the
# shared libraries the programs use) or, on Windows, a .zip of the console tool and the
# simulator.
include(GNUInstallDirs)

set(TV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvix-vizaze)

foreach(program tarvix-vizaze tarvix-vizaze-cli tarvix-vizaze-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES README.md DESTINATION ${TV_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${TV_DOC_DIR}/docs FILES_MATCHING PATTERN "*.md")
install(FILES sim/README.md DESTINATION ${TV_DOC_DIR}/sim)
install(DIRECTORY examples/ DESTINATION ${TV_DOC_DIR}/examples)

if(NOT WIN32)
  if(TARGET tarvix-vizaze)
    install(FILES packaging/tarvix-vizaze.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES packaging/tarvix-vizaze.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()

  # Manual pages made from each program's --help and --version by help2man (in a UTF-8
  # locale: the help is Polish), compressed as Debian keeps them.
  find_program(TV_HELP2MAN help2man)
  find_program(TV_GZIP gzip)
  if(TV_HELP2MAN AND TV_GZIP AND NOT CMAKE_CROSSCOMPILING)
    set(TV_MAN_cli "load receipt logos into fiscal printers and cash registers from a terminal")
    set(TV_MAN_sim "a stand-in fiscal printer or cash register for the Tarvix Vizaze tools")
    set(pages)
    foreach(face cli sim)
      set(program tarvix-vizaze-${face})
      if(NOT TARGET ${program})
        continue()
      endif()
      set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
      add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${TV_HELP2MAN} --locale=C.UTF-8 --no-info --no-discard-stderr --name=${TV_MAN_${face}}
                --output=${page} $<TARGET_FILE:${program}>
        COMMAND ${TV_GZIP} -9nf ${page}
        DEPENDS ${program}
        COMMENT "Manual page of ${program}"
        VERBATIM)
      list(APPEND pages ${page}.gz)
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "help2man or gzip not found: no manual pages")
  endif()
endif()

set(CPACK_PACKAGE_NAME tarvix-vizaze)
set(CPACK_PACKAGE_VENDOR "Tarvix Vizaze")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarvix Vizaze developers <tarvix-vizaze@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "load receipt logos into fiscal printers and cash registers")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tarvix-vizaze-${PROJECT_VERSION}-windows)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tarvix-vizaze_1.0.0_amd64.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "A window (Qt 6), a console tool and a device simulator that read a 1-bit BMP,\n\
turn it into a fiscal printer's or cash register's graphic data and program it into\n\
one of six slots over a serial port or TCP; they also clear slots, assign the header\n\
and footer graphics, print the graphics report, find a device on the serial ports and\n\
test the connection. The console tool runs a job on a whole list of devices and can\n\
answer in JSON. The interface and messages are Polish.")
endif()
include(CPack)

# The package built, unpacked and its programs run, as a test (Linux, native builds).
if(BUILD_TESTING AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING AND TARGET tarvix-vizaze-cli
   AND TARGET tarvix-vizaze-sim AND TARGET man_pages)
  find_program(TV_DPKG_DEB dpkg-deb)
  if(TV_DPKG_DEB)
    add_test(NAME package_deb
             COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_package.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(package_deb PROPERTIES TIMEOUT 600 LABELS package)
  endif()
endif()
