#ifndef GLOBALS_H
#define GLOBALS_H

// 1 when the debug features are unlocked; loaded and stored with the settings
// (defined beside the settings store).
extern int g_debugFeatures;

// Set while the production key test runs: the hardware keys then reach the
// focused dialog unchanged (defined beside the event filter).
extern bool g_hardwareTestActive;

// Firmware version of the program as the user sees it; the project version
// of the build (CMake passes it in).
constexpr char kFirmwareVersionText[] = TQ3900_FIRMWARE_VERSION;

#endif // GLOBALS_H
