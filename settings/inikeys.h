#pragma once

// The settings file's section and keys, each spelled once. Keys are matched without regard to
// letter case, so "TempDir" also finds a "Tempdir" written by hand.
namespace settings::inikeys {

inline constexpr char Section[] = "Velmo";

inline constexpr char Display[] = "Display";
inline constexpr char Screen[] = "Screen";
inline constexpr char ColorH[] = "ColorH";
inline constexpr char ColorF[] = "ColorF";
inline constexpr char Size[] = "Size";
inline constexpr char AutoStart[] = "AutoStart";
inline constexpr char Continue[] = "Continue";
inline constexpr char Repeat[] = "Repeat";
inline constexpr char Pixel[] = "Pixel";
inline constexpr char LastOpen[] = "LastOpen";
inline constexpr char SaveDir[] = "SaveDir";
inline constexpr char Temp[] = "Temp";
inline constexpr char Locate[] = "Locate";
inline constexpr char TempDir[] = "TempDir";

} // namespace settings::inikeys
