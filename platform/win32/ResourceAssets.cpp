// The pictures on Windows: RCDATA resources of the executable (assets/assets.rc),
// plus the two icon pieces, which are the executable's own icon resources.
// Resource data stays mapped for the life of the module, so the spans handed
// out point straight into it and never copy.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "PictureResourceTable.h"
#include "assets/Assets.h"

namespace kal::assets {
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

// The bytes of one resource; empty when the module does not have it.
std::span<const std::uint8_t> ResourceBytes(HMODULE module, int id, LPCWSTR type) {
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!info) return {};
  HGLOBAL loaded = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return {static_cast<const std::uint8_t*>(data), size};
}

std::vector<Asset> Collect() {
  HMODULE module = OwnModule();
  std::vector<Asset> all;
  auto add = [&](std::string_view name, int id, LPCWSTR type) {
    std::span<const std::uint8_t> bytes = ResourceBytes(module, id, type);
    // A resource the module lacks is simply not there, as a file that was
    // never embedded: Find() answers empty for it.
    if (!bytes.empty()) all.push_back(Asset{name, bytes});
  };
  for (const PictureResource& p : kPictureResources) add(p.name, p.id, RT_RCDATA);
  add(kIconResourceImage, kIconImageId, RT_ICON);
  add(kIconResourceGroup, kIconGroupId, RT_GROUP_ICON);
  std::sort(all.begin(), all.end(), [](const Asset& a, const Asset& b) { return a.name < b.name; });
  return all;
}

}  // namespace

std::span<const Asset> All() {
  static const std::vector<Asset> all = Collect();
  return all;
}

}  // namespace kal::assets
