// The settings the two plug-ins share: REG_DWORD values in the file-save
// plug-in's key under HKEY_CURRENT_USER, which the e-mail plug-in's page
// reads and writes as well, so the JPEG options and the file type chosen on
// one page come up on the other.
#pragma once
#include "base/Registry.h"
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

// An on/off value, which counts by its lowest byte.
bool ReadSwitch(const fw::RegKey& key, const DwordSetting& setting);
// The JPEG options, each its default where the key lacks it.
void ReadJpegSettings(const fw::RegKey& key, bool& grayscale, bool& smoothing, long& compression);
// The JPEG options and the file type; a failing write is not reported (the
// choices have already reached the plug-in).
void WriteSharedSettings(const fw::RegKey& key, bool grayscale, bool smoothing, long compression, int fileType);

} // namespace pixwell
