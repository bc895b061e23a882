# Embedded data resources.
#
#   ruvo_embed_resource(TARGET <target> NAME <NAME> SOURCE <file.txt>)
#
# At build time the UTF-8 lines of <file.txt> ("[section]" headers and key=value entries)
# are packed by our own host tool ruvo-pack into a compressed string list (CP932 lines with
# CRLF, BDC-encoded) and compiled into a generated .cpp that registers the bytes under
# <NAME>. Every program that links <target> can then load it with
#
#   ruvo::storage::TDataFile data;
#   ruvo::storage::LoadResourceData(data, "<NAME>");     // core/storage/compressstringlist.h
#
# For the readability engine's word data, in src/core/CMakeLists.txt after the modules:
#
#   ruvo_embed_resource(TARGET ruvo_authoring NAME SQLTOVGLE SOURCE "${RUVO_SOURCE_DIR}/data/worddata.txt")
#
# The generated file is its own static library linked WHOLE_ARCHIVE into <target>'s
# users, so its registration survives the linker dropping unreferenced archive members.
# It also defines extern "C" ruvo_resource_<NAME>(std::size_t* size) for direct use.
# Editing the source file rebuilds the resource.

function(_ruvo_pack_tool)
  if(NOT TARGET ruvo-pack)
    add_executable(ruvo-pack "${RUVO_SOURCE_DIR}/tools/ruvo-pack/main.cpp")
    target_link_libraries(ruvo-pack PRIVATE ruvo_storage)
    set_target_properties(ruvo-pack PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
  endif()
endfunction()

function(ruvo_embed_resource)
  cmake_parse_arguments(R "" "TARGET;NAME;SOURCE" "" ${ARGN})
  if(NOT R_TARGET OR NOT R_NAME OR NOT R_SOURCE)
    message(FATAL_ERROR "ruvo_embed_resource: TARGET, NAME and SOURCE are required")
  endif()
  if(NOT R_NAME MATCHES "^[A-Za-z0-9_]+$")
    message(FATAL_ERROR "ruvo_embed_resource: NAME must be letters, digits and '_': ${R_NAME}")
  endif()
  get_filename_component(src "${R_SOURCE}" ABSOLUTE)
  _ruvo_pack_tool()
  set(out "${CMAKE_BINARY_DIR}/resources/${R_NAME}.cpp")
  add_custom_command(OUTPUT "${out}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/resources"
    COMMAND ruvo-pack "${R_NAME}" "${src}" "${out}"
    DEPENDS ruvo-pack "${src}"
    COMMENT "Packing resource ${R_NAME} from ${R_SOURCE}"
    VERBATIM)
  set(lib ruvo_resource_${R_NAME})
  add_library(${lib} STATIC "${out}")
  target_link_libraries(${lib} PRIVATE ruvo_storage)
  get_target_property(type ${R_TARGET} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(scope PRIVATE)
  elseif(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  else()
    set(scope PUBLIC)
  endif()
  target_link_libraries(${R_TARGET} ${scope} "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
endfunction()

# The storage tests carry a tiny resource of their own, embedded the same way. Deferred to
# the end of the top directory, where the test programs exist.
function(_ruvo_embed_test_resources)
  if(TARGET test_storage)
    ruvo_embed_resource(TARGET test_storage NAME RUVOTEST
                        SOURCE "${RUVO_SOURCE_DIR}/tests/core/storage/data/resource.txt")
  endif()
endfunction()
if(RUVO_TESTS)
  cmake_language(DEFER CALL _ruvo_embed_test_resources)
endif()
