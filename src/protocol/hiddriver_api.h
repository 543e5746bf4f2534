#pragma once

// The entry points of libhiddriver_5.so, the wired link's feature-device library. The program
// loads the library from its own folder and looks these names up.

#include <stdint.h>

#include "platform/messages.h"

#ifdef __cplusplus
extern "C" {
#endif

// Vendor and product id of the device to open; called first.
typedef void (*Set_VIDPID_Fn)(int vendor_id, int product_id);
// Starts watching the device: plug events (wParam 1 arrived, 0 removed) and the mouse's own
// reports (wParam type << 8 | marker, lParam value bytes) are posted to `window`.
typedef void (*Open_DevMonitor_Fn)(const struct TalvikWindowHandle* window, uint32_t data_message,
                                   uint32_t plug_message);
// Nonzero when the wired mouse is open.
typedef int (*Open_FeatureDevice_Fn)(void);
// Sends a feature report (byte 0 is the report id); nonzero when sent.
typedef int (*SetFeature_Fn)(const unsigned char* buffer, int length);
// Reads the feature report whose id is in buffer[0]; nonzero when the buffer was filled.
typedef int (*GetFeature_Fn)(unsigned char* buffer, int length);
typedef void (*Close_FeatureDevice_Fn)(void);
typedef void (*Close_DevMonitor_Fn)(void);

#ifdef __cplusplus
}
#endif

#define TALVIK_HIDDRIVER_FILE "libhiddriver_5.so"
