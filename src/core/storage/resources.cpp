#include "core/storage/resources.h"

#include <map>
#include <mutex>

#include "core/text/strings.h"

namespace ruvo::storage {

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, std::string_view> byName;  // key: upper-cased name
};

// Built on first use, so registrations from static initialisers of other files work
// whatever order the linker placed them in.
Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

void registerResource(std::string_view name, std::string_view bytes) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  r.byName[text::asciiUpper(name)] = bytes;
}

std::optional<std::string_view> findResource(std::string_view name) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  const auto it = r.byName.find(text::asciiUpper(name));
  if (it == r.byName.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> resourceNames() {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  std::vector<std::string> names;
  for (const auto& [n, b] : r.byName) names.push_back(n);
  return names;
}

ResourceRegistrar::ResourceRegistrar(const char* name, const unsigned char* data, std::size_t size) {
  registerResource(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

}  // namespace ruvo::storage
