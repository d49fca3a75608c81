// The plug-in's version, held here only. The resource script makes the
// version resource and the About box's "Ver." line from it, and ./run package
// names the zip after it. Plain macros, for the resource compiler.
#pragma once

#define ZEK_VERSION_MAJOR 1
#define ZEK_VERSION_MINOR 10

#define ZEK_STRINGIZE_(x) #x
#define ZEK_STRINGIZE(x) ZEK_STRINGIZE_(x)
// "1.10"
#define ZEK_VERSION_TEXT ZEK_STRINGIZE(ZEK_VERSION_MAJOR.ZEK_VERSION_MINOR)
