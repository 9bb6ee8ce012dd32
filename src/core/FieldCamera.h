#pragma once

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>
#include <vector>

class Bird;

// Where the playing field's camera looks, and how a window pixel maps onto
// the field through it. The camera moves with the rules, step by step: the
// view decides where a press lands in the world, so the same shot at the
// same step must see the same view. The mapping is plain arithmetic, the
// same a window does, so a run without a window can aim exactly as the game.
class FieldCamera {
public:
    static const sf::Vector2f HOME;
    // The whole playing field a level can use, in field pixels: the player
    // may look around within it while aiming, never past it.
    static const sf::FloatRect LEVEL_BOUNDS;
    static constexpr float MAX_ZOOM_OUT = 2.5f;
    // Each zoom step shows this much more (or less) of the field.
    static constexpr float ZOOM_STEP = 1.25f;

    // The player's own look at the field while aiming: how far it is zoomed
    // out (1: as the rules show it) and how far moved, in field pixels. It
    // only decides what is drawn (and where the pointer lands); the rules'
    // camera goes on beneath it, and a launch puts it back to the rules.
    struct Look {
        float zoom = 1.0f;
        sf::Vector2f offset;
        bool isActive() const { return zoom != 1.0f || offset != sf::Vector2f(); }
    };
    // `steps` > 0 zooms out, < 0 back in; kept between 1 and MAX_ZOOM_OUT.
    static Look zoomed(Look look, float steps);
    static Look panned(Look look, sf::Vector2f by);
    // The view drawn: the rules' view under `look`, moved back inside
    // `bounds` wherever the look would show past them.
    static sf::View shown(const sf::View& rules, const Look& look,
                          const sf::FloatRect& bounds = LEVEL_BOUNDS);
    // The bounds of a level whose pieces lie at `points` (field pixels):
    // LEVEL_BOUNDS, grown to hold every piece with a margin, so a level wider
    // or taller than most can be looked over whole.
    static sf::FloatRect boundsAround(const std::vector<sf::Vector2f>& points);
    static constexpr float PIECE_MARGIN = 300.0f;

    // The centre one step of dt later: following a bird in flight far enough
    // right, otherwise easing back home.
    static sf::Vector2f next(sf::Vector2f centre, const Bird* flyingBird, float dt);

    // What a window of windowSize showing `view` maps a pixel to, and back.
    static sf::Vector2f pixelToWorld(sf::Vector2i pixel, const sf::View& view,
                                     sf::Vector2u windowSize);
    static sf::Vector2i worldToPixel(sf::Vector2f point, const sf::View& view,
                                     sf::Vector2u windowSize);
};
