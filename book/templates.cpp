// The template string table and the about page as the portable builder carries them. The
// Windows program reads the same table from its string resources, made from the same source.
#include <cstdint>

#include "book/platform.h"

namespace book {
namespace {

const char* const kTemplates[] = {
#include "templates.inc"
};
constexpr int kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];
static_assert(kTemplateCount == 35, "the template table holds 35 lines");

const std::uint8_t kAboutPage[] = {
#include "about_page.inc"
};

}  // namespace

std::string BookPlatform::LoadTemplate(int id) const {
  if (id < 1 || id > kTemplateCount) return std::string();
  return kTemplates[id - 1];
}

std::string BookPlatform::LoadAboutPage() const {
  return std::string(reinterpret_cast<const char*>(kAboutPage), sizeof kAboutPage);
}

}  // namespace book
