#pragma once

#include <string_view>

namespace sf {
class Window;
}

// The game's icon in the window's title bar and the desktop's task switcher:
// the same 256 px picture that the desktop entry shows.
class WindowIcon {
public:
    // Below the resources folder, like every picture of the game.
    static constexpr std::string_view PATH = "/images/icon.png";

    // Returns false, with a warning, when the picture cannot be read; the
    // window then keeps the desktop's default icon.
    static bool applyTo(sf::Window& window);
};
