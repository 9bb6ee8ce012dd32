#pragma once

#include <SFML/System/Vector2.hpp>
#include <array>
#include <cstddef>
#include <string>

class Renderer;

// The "+500" that rises from where points were earned and fades. Purely a
// picture: it follows the frame's own time, and its size is fixed, so a
// chain of collapses never allocates; when it is full the oldest label goes.
class PointLabels {
public:
    static constexpr std::size_t MAX_LABELS = 48;
    static constexpr float LIFETIME = 1.0f;    // seconds
    static constexpr float RISE_SPEED = 60.0f; // field pixels per second
    // The part of its life a label stays fully opaque before it fades.
    static constexpr float SOLID_PART = 0.4f;
    static constexpr unsigned int TEXT_SIZE = 24;
    // Points earned this close to a label this young add to it rather than
    // stacking a second label over it ("+50+1000"): a collapse reads as one
    // sum. Distance to where the label was born, field pixels.
    static constexpr float MERGE_SECONDS = 0.3f;
    static constexpr float MERGE_DISTANCE = 60.0f;

    struct Label {
        sf::Vector2f position; // centre of the text, field pixels
        int points = 0;
        float age = 0.0f; // seconds
    };

    // A new label, or the sum of a young one close by (which starts its
    // life again, so the sum shows as long as a new label would).
    void add(sf::Vector2f position, int points);
    void update(float dt);
    // In the view set on the window (the playing field's).
    void draw(Renderer& renderer) const;
    void clear() { count = 0; }

    std::size_t size() const { return count; }
    const Label& label(std::size_t index) const { return labels[index]; }
    // 255 while solid, falling to 0 at the end of the label's life.
    static float opacity(float age);
    // "+500"
    static std::string textFor(int points);

private:
    std::array<Label, MAX_LABELS> labels{};
    std::size_t count = 0;
};
