#include "gridlink/platform/WindowMessage.h"

#include <cctype>
#include <mutex>
#include <unordered_map>

namespace Platform {

namespace {
struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, std::uint32_t> numbers;
  std::uint32_t next = kFirstRegisteredMessage;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: registration may come during exit
  return *r;
}

std::string folded(const std::string& name) {
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}
}  // namespace

std::uint32_t RegisterWindowMessage(const std::string& name) {
  if (name.empty()) return 0;
  Registry& r = registry();
  const std::string key = folded(name);
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.numbers.find(key);
  if (it != r.numbers.end()) return it->second;
  if (r.next > 0xFFFF) return 0;
  const std::uint32_t number = r.next++;
  r.numbers.emplace(key, number);
  return number;
}

}  // namespace Platform
