// The records and calls that the host and the plug-in exchange. Shared by the
// plug-in and the reference host; free of <windows.h> so the core can use it.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define ZEK_CDECL __cdecl
#else
#define ZEK_CDECL
#endif

struct HWND__;  // the window handle type of <windows.h>, declared the same way

extern "C" {

// Asked at save time whether a channel's record is to be kept in the file.
typedef int32_t(ZEK_CDECL* KeepChannelFn)(uint32_t idLow, uint32_t idHigh);

struct InitInfo {
    uint32_t hostWord;  // the host's own value; stored, never read
    KeepChannelFn keepChannel;
};

struct StartInfo {
    int32_t width;
    int32_t height;
    uint32_t unused8;
    int32_t pixelFormat;  // 0 = YUY2 top-down, 1 = RGB24 bottom-up
    uint32_t unused16;
};

struct ChannelInfo {
    uint32_t idLow;
    uint32_t idHigh;
    uint32_t unused8;
    char name[1];  // NUL-terminated, as long as the host makes it
};

struct FrameInfo {
    void* pixels;  // may be null
    uint32_t hostData[10];
    ChannelInfo* channel;
};

struct PluginDescriptor {
    char* name;         // 128-byte buffer
    char* description;  // 256-byte buffer
    void(ZEK_CDECL* init)(InitInfo*);
    int32_t(ZEK_CDECL* start)(StartInfo*);
    int32_t(ZEK_CDECL* process)(FrameInfo*);
    void(ZEK_CDECL* stop)();
    void(ZEK_CDECL* setup)(HWND__** parent);
    void(ZEK_CDECL* done)();
};

typedef int32_t(ZEK_CDECL* PluginVersionFn)();
typedef PluginDescriptor*(ZEK_CDECL* PluginDescriptorFn)();
}

constexpr int32_t kPluginInterfaceVersion = 3;
constexpr std::size_t kPluginNameSize = 128;
constexpr std::size_t kPluginDescriptionSize = 256;

// Window messages between plug-in and host (WM_USER is 1024).
constexpr unsigned kWmHostCommand = 1024 + 200;       // 1224
constexpr unsigned kHostCmdSetZoom = 1270;            // lParam: zoom percent
constexpr unsigned kHostCmdGetLanguage = 1313;        // answer: language id in the low word
constexpr unsigned kWmSettingsRefresh = 1024 + 400;   // 1424, posted to the dialog

// The host is a 32-bit program: on i686 these layouts are the contract.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(InitInfo) == 8, "InitInfo layout");
static_assert(offsetof(InitInfo, keepChannel) == 4, "InitInfo layout");
static_assert(sizeof(StartInfo) == 20, "StartInfo layout");
static_assert(offsetof(StartInfo, pixelFormat) == 12, "StartInfo layout");
static_assert(offsetof(FrameInfo, channel) == 44, "FrameInfo layout");
static_assert(offsetof(ChannelInfo, idHigh) == 4, "ChannelInfo layout");
static_assert(offsetof(ChannelInfo, name) == 12, "ChannelInfo layout");
static_assert(sizeof(PluginDescriptor) == 32, "PluginDescriptor layout");
static_assert(offsetof(PluginDescriptor, init) == 8, "PluginDescriptor layout");
static_assert(offsetof(PluginDescriptor, done) == 28, "PluginDescriptor layout");
#endif
