# Installation like any Linux desktop application, and the Debian package.
#
#   cmake --install build                     # prefix /usr/local
#   cmake --install build --prefix ~/.local
#   (cd build && cpack -G DEB)                # tovimeter_VERSION_ARCH.deb, prefix /usr
#
# Programs go to bin/, the read-only program tree (samples, manual) to share/tovimeter/system
# (each user's writable copy is made from it at first start), and the desktop entries, the MIME
# types and the icons to their usual places under share/.
include(GNUInstallDirs)
set(RUVO_SHARE_DIR "${CMAKE_INSTALL_DATADIR}/tovimeter")

# The manual's PDF and its section pages, generated from the HTML at build time.
if(RUVO_GUI)
  add_executable(helpdoc "${RUVO_SOURCE_DIR}/tools/helpdoc/main.cpp")
  target_link_libraries(helpdoc PRIVATE Qt6::Gui)
  set_target_properties(helpdoc PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
  set(RUVO_HELP_SOURCE "${RUVO_SOURCE_DIR}/data/system/help/ruvo-help.html")
  set(RUVO_HELP_OUT "${CMAKE_BINARY_DIR}/help")
  add_custom_command(OUTPUT "${RUVO_HELP_OUT}/ruvo-help.pdf"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${RUVO_HELP_OUT}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${RUVO_HELP_OUT}"
    COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
            "$<TARGET_FILE:helpdoc>" "${RUVO_HELP_SOURCE}" "${RUVO_HELP_OUT}/ruvo-help.pdf" "${RUVO_HELP_OUT}"
    DEPENDS helpdoc "${RUVO_HELP_SOURCE}"
    COMMENT "Writing the manual's PDF and section pages"
    VERBATIM)
  # Into the portable program folder of the build, after its system tree was copied.
  add_custom_target(ruvo_help ALL
    COMMAND "${CMAKE_COMMAND}" -E copy_directory "${RUVO_HELP_OUT}" "${CMAKE_BINARY_DIR}/bin/system/help"
    DEPENDS "${RUVO_HELP_OUT}/ruvo-help.pdf"
    VERBATIM)
  if(TARGET ruvo_system_data)
    add_dependencies(ruvo_help ruvo_system_data)
  endif()
endif()

install(TARGETS ruvo-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(RUVO_GUI)
  install(TARGETS tovimeter ruvo RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(DIRECTORY "${RUVO_HELP_OUT}/" DESTINATION "${RUVO_SHARE_DIR}/system/help")
endif()
install(DIRECTORY "${RUVO_SOURCE_DIR}/data/system/" DESTINATION "${RUVO_SHARE_DIR}/system")
install(FILES "${RUVO_SOURCE_DIR}/data/desktop/tovimeter.desktop" "${RUVO_SOURCE_DIR}/data/desktop/ruvo.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${RUVO_SOURCE_DIR}/data/desktop/tovimeter.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")
install(DIRECTORY "${RUVO_SOURCE_DIR}/data/icons/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons")

# A direct install refreshes the desktop's caches; a package leaves that to dpkg's triggers.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(share "${CMAKE_INSTALL_PREFIX}/share")
    find_program(RUVO_UPDATE_MIME update-mime-database)
    find_program(RUVO_UPDATE_DESKTOP update-desktop-database)
    find_program(RUVO_UPDATE_ICONS gtk-update-icon-cache)
    if(RUVO_UPDATE_MIME)
      execute_process(COMMAND "${RUVO_UPDATE_MIME}" "${share}/mime")
    endif()
    if(RUVO_UPDATE_DESKTOP)
      execute_process(COMMAND "${RUVO_UPDATE_DESKTOP}" -q "${share}/applications")
    endif()
    if(RUVO_UPDATE_ICONS AND EXISTS "${share}/icons/hicolor/index.theme")
      execute_process(COMMAND "${RUVO_UPDATE_ICONS}" -q -t "${share}/icons/hicolor")
    endif()
  endif()
]])

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tovimeter")
set(CPACK_PACKAGE_VENDOR "Toviworks")
set(CPACK_PACKAGE_CONTACT "Toviworks <support@tovimeter.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reading speed and comprehension tests")
set(CPACK_PACKAGE_DESCRIPTION "The teacher's program tovimeter writes, delivers and totals tests of reading speed (words per minute) and comprehension; the examinee program ruvo runs one test; ruvo-tool works on the files from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "education")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, xdg-utils, qt6-translations-l10n")
include(CPack)

# The installation and the package, checked the way a desktop reads them.
if(RUVO_TESTS AND RUVO_GUI)
  add_test(NAME install_prefix
           COMMAND bash "${RUVO_SOURCE_DIR}/tests/install/install_test.sh" "${CMAKE_BINARY_DIR}")
  add_test(NAME install_deb
           COMMAND bash "${RUVO_SOURCE_DIR}/tests/install/deb_test.sh" "${CMAKE_BINARY_DIR}")
  set_tests_properties(install_prefix install_deb PROPERTIES TIMEOUT 900 LABELS install)
endif()
