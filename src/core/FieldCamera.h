#pragma once

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

class Bird;

// Where the playing field's camera looks, and how a window pixel maps onto
// the field through it. The camera moves with the rules, step by step: the
// view decides where a press lands in the world, so the same shot at the
// same step must see the same view. The mapping is plain arithmetic, the
// same a window does, so a run without a window can aim exactly as the game.
class FieldCamera {
public:
    static const sf::Vector2f HOME;

    // The centre one step of dt later: following a bird in flight far enough
    // right, otherwise easing back home.
    static sf::Vector2f next(sf::Vector2f centre, const Bird* flyingBird, float dt);

    // What a window of windowSize showing `view` maps a pixel to, and back.
    static sf::Vector2f pixelToWorld(sf::Vector2i pixel, const sf::View& view,
                                     sf::Vector2u windowSize);
    static sf::Vector2i worldToPixel(sf::Vector2f point, const sf::View& view,
                                     sf::Vector2u windowSize);
};
