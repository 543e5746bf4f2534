#pragma once

#include "platform/messages.h"

namespace talvik::page {

// The device page's timers (ids of the main window's timers handed to the page).
inline constexpr int kTimerWatchdog24g = 592;
inline constexpr int kTimerApplyDelay = 593;
inline constexpr int kTimerScrollSettings = 594;
inline constexpr int kTimerChargeAnimation = 595;
inline constexpr int kTimerWatchdog4k = 596;
inline constexpr int kTimerWatchdog4kB = 597;
// 598 is the device links' Bluetooth LE subscription timer (device::kTimerBleRegister).
// Opens the wired mouse one second after it arrived, instead of blocking the UI thread for that
// second. The main window hands it to the page like the others.
inline constexpr int kTimerWiredOpen = 599;

inline constexpr int kChargeAnimationMs = 30;
inline constexpr int kApplyDelayMs = 500;
inline constexpr int kLightEffectDelayMs = 200;
inline constexpr int kScrollSettingsMs = 10;

}  // namespace talvik::page
