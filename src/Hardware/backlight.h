#ifndef BACKLIGHT_H
#define BACKLIGHT_H

// The display's backlight: the driver attribute that takes its level (5 to
// 7 as the user chooses it, 0 dark). Written through DriverHelper.
namespace Backlight {
inline constexpr char kBrightness[] = "/sys/class/backlight/backlight/brightness";
}

#endif // BACKLIGHT_H
