#pragma once
// Data embedded into the programs at build time (cmake/RuvoResources.cmake): each
// resource is a named byte array, normally a BDC stream of CP932 lines.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::storage {

// Registers bytes under a name (the generated files do this at start-up; tests may do it
// themselves). The bytes must outlive the program; a later registration of the same name
// replaces the earlier one.
void registerResource(std::string_view name, std::string_view bytes);

// The bytes of a resource, names compared ignoring ASCII case; nullopt when unknown.
std::optional<std::string_view> findResource(std::string_view name);

// Names of all registered resources, sorted.
std::vector<std::string> resourceNames();

// Used by generated files: registers at static initialisation.
struct ResourceRegistrar final {
  ResourceRegistrar(const char* name, const unsigned char* data, std::size_t size);
};

}  // namespace ruvo::storage
