// The paper types the program prints on.
#pragma once

#include <array>

namespace plikatra {

// Paper sizes in centimetres by paper type (iPageType 0..7): A4, A3, B5, B4, each upright
// then landscape.
constexpr int kPageTypeCount = 8;
struct PageSize {
    double width;
    double height;
};
inline constexpr std::array<PageSize, kPageTypeCount> kPageSizes = {{
    {21.0, 29.7}, {29.7, 21.0}, {29.7, 42.0}, {42.0, 29.7},
    {18.2, 25.7}, {25.7, 18.2}, {25.0, 35.3}, {35.3, 25.0},
}};

}  // namespace plikatra
