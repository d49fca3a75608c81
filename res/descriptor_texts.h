// The name and description the host shows for the plug-in, in the host's
// language of the moment.
#pragma once
#include <cstddef>

#include "res/resource_platform.h"

namespace zek {

// Asks the host for its language afresh (a locator of its own, not the
// module's global one) and loads the two texts, each cut to its buffer and
// zero-terminated; a text that can't be found leaves its buffer empty.
void LoadDescriptorTexts(ResourcePlatform& platform, char* name, size_t nameSize, char* description,
                         size_t descriptionSize);

}  // namespace zek
