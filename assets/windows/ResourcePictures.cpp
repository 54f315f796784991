// The pictures on Windows: RCDATA resources of the executable (assets/assets.rc),
// plus the two icon pieces, which are the executable's own icon resources.
// The spans handed out point straight into the mapped resources.
#include <algorithm>
#include <vector>

#include "PictureResourceTable.h"
#include "assets/Assets.h"
#include "platform/win32/Resources.h"

namespace kal::assets {
namespace {

std::vector<Asset> Collect() {
  std::vector<Asset> all;
  auto add = [&](std::string_view name, int id, win32::ResourceType type) {
    std::span<const std::uint8_t> bytes = win32::OwnResource(id, type);
    // A resource the module lacks is simply not there, as a file that was
    // never embedded: Find() answers empty for it.
    if (!bytes.empty()) all.push_back(Asset{name, bytes});
  };
  for (const PictureResource& p : kPictureResources) add(p.name, p.id, win32::ResourceType::kData);
  add(kIconResourceImage, kIconImageId, win32::ResourceType::kIcon);
  add(kIconResourceGroup, kIconGroupId, win32::ResourceType::kIconGroup);
  std::sort(all.begin(), all.end(), [](const Asset& a, const Asset& b) { return a.name < b.name; });
  return all;
}

}  // namespace

std::span<const Asset> All() {
  static const std::vector<Asset> all = Collect();
  return all;
}

}  // namespace kal::assets
