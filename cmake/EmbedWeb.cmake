# Writes a C++ source holding the runner's files (every file directly in WEB_DIR whose
# extension is served), so that the web room serves them from the program itself.
# cmake -DWEB_DIR=... -DOUT=... -P EmbedWeb.cmake
file(GLOB files LIST_DIRECTORIES false "${WEB_DIR}/*")
list(SORT files)
set(body "// Generated from data/web by cmake/EmbedWeb.cmake: do not edit.\n#include <map>\n#include <string>\n\nnamespace ruvo::web {\n\nconst std::map<std::string, std::string>& EmbeddedWebFiles() {\n  static const std::map<std::string, std::string> files = [] {\n    std::map<std::string, std::string> m;\n")
foreach(f ${files})
  get_filename_component(name "${f}" NAME)
  if(NOT name MATCHES "^[A-Za-z0-9_][A-Za-z0-9_.-]*\\.(html|js|css|svg|png|ico|woff2|json|txt)$")
    continue()
  endif()
  file(READ "${f}" hex HEX)
  string(LENGTH "${hex}" n)
  math(EXPR bytes "${n} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  # Long literals are cut into pieces the compiler takes.
  string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){400})" "\\1\"\n        \"" escaped "${escaped}")
  string(APPEND body "    m.emplace(\"${name}\", std::string(\n        \"${escaped}\", ${bytes}));\n")
endforeach()
string(APPEND body "    return m;\n  }();\n  return files;\n}\n\n}  // namespace ruvo::web\n")
file(WRITE "${OUT}.tmp" "${body}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
