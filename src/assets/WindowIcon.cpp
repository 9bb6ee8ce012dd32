#include "assets/WindowIcon.h"

#include "assets/DataPaths.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Window/Window.hpp>
#include <iostream>

bool WindowIcon::applyTo(sf::Window& window) {
    const std::string path = DataPaths::forThisProcess().resource(PATH);
    sf::Image icon;
    if (!icon.loadFromFile(path) || icon.getSize().x == 0 || icon.getSize().y == 0) {
        std::cerr << "Warning: Could not load window icon: " << path << std::endl;
        return false;
    }
    window.setIcon(icon.getSize().x, icon.getSize().y, icon.getPixelsPtr());
    return true;
}
