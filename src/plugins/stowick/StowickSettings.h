// Where the file-save plug-in keeps its settings: REG_DWORD values in its
// plug-in key under HKEY_CURRENT_USER (the e-mail plug-in reads and writes
// the same four), and the recent folders in its Recent subkey.
#pragma once
#include "common/SharedSettings.h"

namespace stowick {

inline constexpr const char* kPluginKey = pixwell::kStowickPluginKey;
inline constexpr char kRecentKey[] =
    "Software\\Orvane\\Pixwell\\Plugins\\{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}\\Recent";
// Recent folder values: the prefix followed by the item's index (Directory_0...).
inline constexpr char kRecentValuePrefix[] = "Directory_";

using pixwell::DwordSetting;
using pixwell::kCompressionSetting;
using pixwell::kFileTypeSetting;
using pixwell::kGrayscaleSetting;
using pixwell::kSmoothingSetting;

} // namespace stowick
