#include "common/SharedSettings.h"

namespace pixwell {

bool ReadSwitch(const fw::RegKey& key, const DwordSetting& setting)
{
    return (key.ReadDword(setting.name, setting.defaultValue) & 0xFF) != 0;
}

void ReadJpegSettings(const fw::RegKey& key, bool& grayscale, bool& smoothing, long& compression)
{
    grayscale = ReadSwitch(key, kGrayscaleSetting);
    smoothing = ReadSwitch(key, kSmoothingSetting);
    compression = static_cast<long>(key.ReadDword(kCompressionSetting.name, kCompressionSetting.defaultValue));
}

void WriteSharedSettings(const fw::RegKey& key, bool grayscale, bool smoothing, long compression, int fileType)
{
    key.WriteDword(kGrayscaleSetting.name, grayscale ? 1 : 0);
    key.WriteDword(kSmoothingSetting.name, smoothing ? 1 : 0);
    key.WriteDword(kCompressionSetting.name, static_cast<DWORD>(compression));
    key.WriteDword(kFileTypeSetting.name, static_cast<DWORD>(fileType));
}

} // namespace pixwell
