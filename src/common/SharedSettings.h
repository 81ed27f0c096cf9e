// The settings the two plug-ins share: REG_DWORD values in the file-save
// plug-in's key under HKEY_CURRENT_USER, which the e-mail plug-in's page
// reads and writes as well, so the JPEG options and the file type chosen on
// one page come up on the other.
#pragma once
#include "common/PixwellInc.h"

namespace pixwell {

inline constexpr const char* kSharedSettingsKey = kStowickPluginKey;

struct DwordSetting {
    const char* name;
    unsigned long defaultValue;
};

inline constexpr DwordSetting kGrayscaleSetting{"JPEGGrayscale", 0};
inline constexpr DwordSetting kSmoothingSetting{"JPEGSmoothing", 0};
inline constexpr DwordSetting kCompressionSetting{"JPEGCompression", 50};
inline constexpr DwordSetting kFileTypeSetting{"DefaultFileType", 0};

} // namespace pixwell
