#include "platform/win32/Resources.h"

#include <windows.h>

namespace kal::win32 {
namespace {

// The module that holds this code, and with it the resources linked beside it.
HMODULE OwnModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnModule), &module)) {
    module = GetModuleHandleW(nullptr);
  }
  return module;
}

LPCWSTR TypeOf(ResourceType type) {
  switch (type) {
    case ResourceType::kIcon:
      return RT_ICON;
    case ResourceType::kIconGroup:
      return RT_GROUP_ICON;
    case ResourceType::kData:
      break;
  }
  return RT_RCDATA;
}

}  // namespace

std::span<const std::uint8_t> OwnResource(int id, ResourceType type) {
  HMODULE module = OwnModule();
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), TypeOf(type));
  if (!info) return {};
  HGLOBAL loaded = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return {static_cast<const std::uint8_t*>(data), size};
}

}  // namespace kal::win32
