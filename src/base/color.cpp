#include "base/color.h"

namespace plikatra {

Rgb materialColorOf(ColorRef c) {
    const float f = 1.0f / 255.0f;
    return {static_cast<float>(c & 0xFF) * f, static_cast<float>((c >> 8) & 0xFF) * f,
            static_cast<float>((c >> 16) & 0xFF) * f};
}

Rgb settingColorOf(ColorRef c) {
    constexpr double kFactor = 0.00392156862745098;
    return {static_cast<float>((c & 0xFF) * kFactor), static_cast<float>(((c >> 8) & 0xFF) * kFactor),
            static_cast<float>(((c >> 16) & 0xFF) * kFactor)};
}

}  // namespace plikatra
