# Gathers the examinee program as it travels to examinees (cmake -P, called by the build):
#
#   OUT/ruvo                          the launcher (data/examinee/ruvo)
#   OUT/ruvo-runtime/ruvo             the program, stripped, its RPATH $ORIGIN/lib
#   OUT/ruvo-runtime/lib/             every shared library it and its plugins load, but glibc's
#   OUT/ruvo-runtime/plugins/         the platform plugins (xcb, wayland) and input methods
#   OUT/ruvo-runtime/fonts/           the faces the tests are shown in
#   OUT/ruvo-runtime/qt.conf, fonts.conf, translations/
#
# Variables: PROGRAM, OUT, TEMPLATES (data/examinee), PLUGINS (Qt's plugin folder),
# TRANSLATIONS (Qt's translations folder, may be empty), FONTS (files, '|'-separated), STRIP.
cmake_minimum_required(VERSION 3.25)
foreach(v PROGRAM OUT TEMPLATES PLUGINS)
  if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
    message(FATAL_ERROR "RuvoExamineeBundle: ${v} is not set")
  endif()
endforeach()

set(rt "${OUT}/ruvo-runtime")
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${rt}/lib" "${rt}/plugins" "${rt}/fonts")

file(COPY_FILE "${PROGRAM}" "${rt}/ruvo")
if(STRIP)
  execute_process(COMMAND "${STRIP}" --strip-all "${rt}/ruvo" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot strip ${rt}/ruvo")
  endif()
endif()
file(CHMOD "${rt}/ruvo" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)

# The plugins a window needs on an X or Wayland desktop, and the input methods for typing names.
set(plugin_globs
  platforms/libqxcb.so platforms/libqwayland-*.so platforms/libqoffscreen.so
  xcbglintegrations/*.so
  platforminputcontexts/*.so
  wayland-shell-integration/*.so wayland-decoration-client/*.so wayland-graphics-integration-client/*.so)
set(plugins)
foreach(g ${plugin_globs})
  file(GLOB found "${PLUGINS}/${g}")
  foreach(f ${found})
    file(RELATIVE_PATH rel "${PLUGINS}" "${f}")
    get_filename_component(sub "${rel}" DIRECTORY)
    file(MAKE_DIRECTORY "${rt}/plugins/${sub}")
    file(COPY_FILE "${f}" "${rt}/plugins/${rel}")
    list(APPEND plugins "${rt}/plugins/${rel}")
  endforeach()
endforeach()
if(NOT EXISTS "${rt}/plugins/platforms/libqxcb.so")
  message(FATAL_ERROR "no xcb platform plugin in ${PLUGINS}")
endif()

# Every library the loader resolves for the program and its plugins, under the name it asks
# for; glibc stays the machine's (it must match its loader).
set(glibc "^(ld-linux.*|linux-vdso.*|libc|libm|libdl|libpthread|librt|libresolv|libutil|libanl|libmvec|libBrokenLocale|libnsl|libnss_[a-z]+|libthread_db|libc_malloc_debug|libmemusage|libpcprofile)\\.so")
set(copied)
# Loaded with dlopen, so no ldd sees them: the X cursor libraries (libX11 asks for them).
set(dlopened)
execute_process(COMMAND ldd "${PROGRAM}" OUTPUT_VARIABLE out)
if(out MATCHES "libX11\\.so\\.6 => ([^ \t]+)/libX11\\.so\\.6")
  foreach(n libXcursor.so.1 libXrender.so.1 libXfixes.so.3)
    if(EXISTS "${CMAKE_MATCH_1}/${n}")
      list(APPEND dlopened "${CMAKE_MATCH_1}/${n}")
    endif()
  endforeach()
endif()
foreach(f ${dlopened})
  get_filename_component(name "${f}" NAME)
  file(COPY_FILE "${f}" "${rt}/lib/${name}")
  list(APPEND copied "${name}")
endforeach()
foreach(f "${PROGRAM}" ${plugins} ${dlopened})
  execute_process(COMMAND ldd "${f}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd ${f} failed")
  endif()
  string(REPLACE "\n" ";" lines "${out}")
  foreach(line ${lines})
    if(line MATCHES "not found")
      message(FATAL_ERROR "${f}: ${line}")
    endif()
    if(NOT line MATCHES "^[ \t]*([^ \t]+) => ([^ \t]+) ")
      continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
    if(name MATCHES "${glibc}" OR name IN_LIST copied)
      continue()
    endif()
    file(COPY_FILE "${path}" "${rt}/lib/${name}")
    list(APPEND copied "${name}")
  endforeach()
endforeach()
file(GLOB libs "${rt}/lib/*" "${rt}/plugins/*/*.so")
file(CHMOD ${libs} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

string(REPLACE "|" ";" FONTS "${FONTS}")
foreach(f ${FONTS})
  if(EXISTS "${f}")
    get_filename_component(n "${f}" NAME)
    file(COPY_FILE "${f}" "${rt}/fonts/${n}")
  else()
    message(WARNING "font ${f} is not there; the examinee package goes without it")
  endif()
endforeach()

if(TRANSLATIONS AND EXISTS "${TRANSLATIONS}/qtbase_ja.qm")
  file(MAKE_DIRECTORY "${rt}/translations")
  file(COPY_FILE "${TRANSLATIONS}/qtbase_ja.qm" "${rt}/translations/qtbase_ja.qm")
endif()

file(COPY_FILE "${TEMPLATES}/qt.conf" "${rt}/qt.conf")
file(COPY_FILE "${TEMPLATES}/fonts.conf" "${rt}/fonts.conf")
file(COPY_FILE "${TEMPLATES}/ruvo" "${OUT}/ruvo")
file(CHMOD "${OUT}/ruvo" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
