// The two functions the host looks up by name.
#include "base/plugin_abi.h"
#include "plugin/plugin_state.h"

extern "C" __declspec(dllexport) int32_t ZEK_CDECL Korvisan_Plugin_Version() {
    return kPluginInterfaceVersion;
}

extern "C" __declspec(dllexport) PluginDescriptor* ZEK_CDECL Korvisan_Plugin_PR() {
    return zek::Descriptor();
}
