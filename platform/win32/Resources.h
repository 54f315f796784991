// The executable's own resources, as bytes: what the program carries when it
// is built for Windows.
#pragma once

#include <cstdint>
#include <span>

namespace kal::win32 {

enum class ResourceType { kData, kIcon, kIconGroup };  // RT_RCDATA, RT_ICON, RT_GROUP_ICON

// The bytes of the resource; empty when the module does not have it. They
// stay mapped for the life of the module, so nothing is copied.
std::span<const std::uint8_t> OwnResource(int id, ResourceType type);

}  // namespace kal::win32
