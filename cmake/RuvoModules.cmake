# Each folder of src/core is its own static library, so that a layer that does not
# build yet never blocks the layers below it. LAYERS names the other core folders the
# module includes, and nothing else: the layer check (cmake/CheckLayers.cmake) holds the
# sources to this list.
function(ruvo_core_module name)
  cmake_parse_arguments(M "" "" "LAYERS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp")
  set(target ruvo_${name})
  list(TRANSFORM M_LAYERS PREPEND ruvo_ OUTPUT_VARIABLE deps)
  if(srcs)
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC "${RUVO_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${deps})
    target_compile_definitions(${target} PUBLIC RUVO_VERSION="${RUVO_VERSION}")
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${RUVO_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${deps})
  endif()
  list(JOIN M_LAYERS " " row)
  set_property(GLOBAL APPEND PROPERTY RUVO_LAYER_TABLE "${name} ${row}")
endfunction()

# Writes the declared layers, one module a line ("document richtext storage ..."), for the
# layer check.
function(ruvo_write_layer_table file)
  get_property(rows GLOBAL PROPERTY RUVO_LAYER_TABLE)
  list(JOIN rows "\n" text)
  file(WRITE "${file}" "${text}\n")
endfunction()

# One GoogleTest program per folder of tests/core (and tests/cli), linked with the module
# of the same name and the shared test support.
function(ruvo_test_folder dir target)
  file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT srcs)
    return()
  endif()
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${ARGN} ruvo_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    RUVO_FIXTURES_DIR="${RUVO_SOURCE_DIR}/tests/fixtures"
    RUVO_DATA_DIR="${RUVO_SOURCE_DIR}/data")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
