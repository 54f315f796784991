#include "assets/Assets.h"

namespace kal::assets {

std::span<const std::uint8_t> Find(std::string_view name) {
  for (const Asset& a : All()) {
    if (a.name == name) return a.bytes;
  }
  return {};
}

}  // namespace kal::assets
