// The application icon, drawn from the skin's knob and meter art.
#pragma once

#include <QImage>

#include <array>
#include <string>

namespace art {

// The bitmap sizes desktops look for in the hicolor icon theme.
inline constexpr std::array<int, 8> kAppIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

QImage drawAppIcon(int side);
// The same icon as a standalone SVG document.
std::string appIconSvg();

} // namespace art
