#include "core/ShotTrail.h"

#include <cmath>

void ShotTrail::start(sf::Vector2f position) {
    dots[0] = position;
    count = 1;
}

void ShotTrail::follow(sf::Vector2f position) {
    if (count == 0) {
        return; // nothing was launched since the trail was cleared
    }
    // A fast bird covers several spacings in one step: the dots between are
    // laid on the straight line, so the trail stays evenly dotted.
    while (count < MAX_DOTS) {
        const sf::Vector2f last = dots[count - 1];
        const sf::Vector2f way = position - last;
        const float distance = std::sqrt(way.x * way.x + way.y * way.y);
        if (!(distance >= DOT_SPACING)) {
            return;
        }
        dots[count] = last + way * (DOT_SPACING / distance);
        ++count;
    }
}
