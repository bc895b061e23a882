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

# The examinee program as it travels to examinees: a folder with a launcher "ruvo" and
# ruvo-runtime/ holding a copy of the program linked to find its libraries in ruvo-runtime/lib
# (an RPATH, not RUNPATH: it serves the libraries' own dependencies and the plugins too, and no
# LD_LIBRARY_PATH of the examinee's session comes before it), those libraries, the platform
# plugins and the fonts. Send and "ruvo-tool package" copy it from bin/ruvo-examinee in the
# build, or from lib/tovimeter/ruvo-examinee in an installation.
if(RUVO_GUI)
  add_executable(ruvo_examinee "${RUVO_SOURCE_DIR}/src/apps/ruvo/main.cpp")
  target_link_libraries(ruvo_examinee PRIVATE ruvo_gui)
  # Only the shared libraries the examinee program calls: the core also brings the web room's
  # HTTP library (and its TLS and compression libraries), which the bundle need not carry.
  target_link_options(ruvo_examinee PRIVATE "LINKER:--disable-new-dtags" "LINKER:--as-needed")
  set_target_properties(ruvo_examinee PROPERTIES
    OUTPUT_NAME ruvo
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/examinee-program"
    BUILD_RPATH "\$ORIGIN/lib")

  set(RUVO_QT_PLUGINS "" CACHE PATH "Qt's plugin folder (found from Qt when empty)")
  set(RUVO_QT_TRANSLATIONS "" CACHE PATH "Qt's translations folder (found from Qt when empty)")
  set(qt_plugins "${RUVO_QT_PLUGINS}")
  set(qt_translations "${RUVO_QT_TRANSLATIONS}")
  if(TARGET Qt6::qtpaths)
    get_target_property(qtpaths Qt6::qtpaths IMPORTED_LOCATION)
    if(NOT qt_plugins)
      execute_process(COMMAND "${qtpaths}" --query QT_INSTALL_PLUGINS OUTPUT_VARIABLE qt_plugins
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    if(NOT qt_translations)
      execute_process(COMMAND "${qtpaths}" --query QT_INSTALL_TRANSLATIONS OUTPUT_VARIABLE qt_translations
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
  endif()
  if(NOT qt_plugins AND TARGET Qt6::QXcbIntegrationPlugin)
    get_target_property(xcb Qt6::QXcbIntegrationPlugin LOCATION)
    get_filename_component(qt_plugins "${xcb}" DIRECTORY)
    get_filename_component(qt_plugins "${qt_plugins}" DIRECTORY)
  endif()
  # IPAPGothic for Japanese, Liberation for the faces the tests name (Times New Roman, Arial).
  set(fonts)
  foreach(f ipagp.ttf LiberationSerif-Regular.ttf LiberationSerif-Bold.ttf LiberationSerif-Italic.ttf
            LiberationSerif-BoldItalic.ttf LiberationSans-Regular.ttf LiberationSans-Bold.ttf
            LiberationSans-Italic.ttf LiberationSans-BoldItalic.ttf)
    find_file(RUVO_FONT_${f} "${f}" PATHS /usr/share/fonts
              PATH_SUFFIXES opentype/ipafont-gothic truetype/liberation2 truetype/liberation NO_DEFAULT_PATH)
    if(RUVO_FONT_${f})
      list(APPEND fonts "${RUVO_FONT_${f}}")
    else()
      message(WARNING "${f} not found: the examinee package goes without it (see scripts/setup)")
    endif()
  endforeach()
  list(JOIN fonts "|" fonts)
  set(RUVO_EXAMINEE_BUNDLE "${CMAKE_BINARY_DIR}/bin/ruvo-examinee")
  file(GLOB examinee_templates "${RUVO_SOURCE_DIR}/data/examinee/*")
  add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/ruvo-examinee.stamp"
    COMMAND "${CMAKE_COMMAND}" "-DPROGRAM=$<TARGET_FILE:ruvo_examinee>" "-DOUT=${RUVO_EXAMINEE_BUNDLE}"
            "-DTEMPLATES=${RUVO_SOURCE_DIR}/data/examinee" "-DPLUGINS=${qt_plugins}"
            "-DTRANSLATIONS=${qt_translations}" "-DFONTS=${fonts}" "-DSTRIP=${CMAKE_STRIP}"
            -P "${RUVO_SOURCE_DIR}/cmake/RuvoExamineeBundle.cmake"
    COMMAND "${CMAKE_COMMAND}" -E touch "${CMAKE_BINARY_DIR}/ruvo-examinee.stamp"
    DEPENDS ruvo_examinee "${RUVO_SOURCE_DIR}/cmake/RuvoExamineeBundle.cmake" ${examinee_templates}
    COMMENT "Gathering the examinee program with its libraries, plugins and fonts"
    VERBATIM)
  add_custom_target(ruvo_examinee_bundle ALL DEPENDS "${CMAKE_BINARY_DIR}/ruvo-examinee.stamp")
endif()

install(TARGETS ruvo-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(RUVO_GUI)
  install(TARGETS tovimeter ruvo RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  # PNG charts: ruvo-tool loads the painter from its own folder.
  install(TARGETS ruvo_chartpng LIBRARY DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(DIRECTORY "${RUVO_EXAMINEE_BUNDLE}/" DESTINATION "lib/tovimeter/ruvo-examinee" USE_SOURCE_PERMISSIONS)
  install(DIRECTORY "${RUVO_HELP_OUT}/" DESTINATION "${RUVO_SHARE_DIR}/system/help")
endif()
# What people install is stripped, whatever the build type (the build tree keeps the symbols
# for debugging).
if(CMAKE_STRIP)
  set(ruvo_installed_programs "$<TARGET_FILE_NAME:ruvo-tool>")
  if(RUVO_GUI)
    list(APPEND ruvo_installed_programs "$<TARGET_FILE_NAME:tovimeter>" "$<TARGET_FILE_NAME:ruvo>"
         "$<TARGET_FILE_NAME:ruvo_chartpng>")
  endif()
  install(CODE "
    foreach(f ${ruvo_installed_programs})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${f}\"
                      RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR \"cannot strip \${f}\")
      endif()
    endforeach()")
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
# The examinee runtime's programs find its libraries inside the package through their RPATH;
# naming its lib folder private would hide from dpkg-shlibdeps the system Qt that bin/ needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# One package a line, so that additions merge cleanly.
set(ruvo_deb_depends
  fonts-ipafont-gothic
  fonts-liberation2
  xdg-utils
  qt6-translations-l10n
)
list(JOIN ruvo_deb_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)

# The installation and the package, checked the way a desktop reads them.
if(RUVO_TESTS AND RUVO_GUI)
  add_test(NAME install_prefix
           COMMAND bash "${RUVO_SOURCE_DIR}/tests/install/install_test.sh" "${CMAKE_BINARY_DIR}")
  add_test(NAME install_deb
           COMMAND bash "${RUVO_SOURCE_DIR}/tests/install/deb_test.sh" "${CMAKE_BINARY_DIR}")
  add_test(NAME examinee_package
           COMMAND bash "${RUVO_SOURCE_DIR}/tests/install/examinee_package_test.sh" "${CMAKE_BINARY_DIR}")
  set_tests_properties(install_prefix install_deb examinee_package PROPERTIES TIMEOUT 900 LABELS install)
endif()
