#include "res/descriptor_texts.h"

#include "res/resource_ids.h"
#include "res/resource_locator.h"

namespace zek {

void LoadDescriptorTexts(ResourcePlatform& platform, char* name, size_t nameSize, char* description,
                         size_t descriptionSize) {
    const ResourceLocator locator(platform);
    // A text that is not found leaves its buffer empty, and the host shows
    // just that: there is nothing else to do about it.
    (void)locator.LoadTextInto(ZEK_IDS_NAME, name, nameSize);
    (void)locator.LoadTextInto(ZEK_IDS_DESCRIPTION, description, descriptionSize);
}

}  // namespace zek
