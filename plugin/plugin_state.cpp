#include "plugin/plugin_state.h"

namespace zek {

PluginState& State() {
    static PluginState state;
    return state;
}

}  // namespace zek
