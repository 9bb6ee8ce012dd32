#include "ui/PointLabels.h"

#include "assets/Renderer.h"

#include <algorithm>

void PointLabels::add(sf::Vector2f position, int points) {
    for (std::size_t i = 0; i < count; ++i) {
        Label& label = labels[i];
        const sf::Vector2f born(label.position.x, label.position.y + RISE_SPEED * label.age);
        const sf::Vector2f apart = position - born;
        if (label.age <= MERGE_SECONDS &&
            apart.x * apart.x + apart.y * apart.y <= MERGE_DISTANCE * MERGE_DISTANCE) {
            label.points += points;
            label.position = born;
            label.age = 0.0f;
            return;
        }
    }
    if (count == MAX_LABELS) {
        // The oldest has the least left to show.
        const auto oldest =
            std::max_element(labels.begin(), labels.end(),
                             [](const Label& a, const Label& b) { return a.age < b.age; });
        *oldest = Label{position, points, 0.0f};
        return;
    }
    labels[count] = Label{position, points, 0.0f};
    ++count;
}

void PointLabels::update(float dt) {
    if (!(dt > 0.0f)) {
        return;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        Label label = labels[i];
        label.age += dt;
        if (label.age >= LIFETIME) {
            continue;
        }
        label.position.y -= RISE_SPEED * dt;
        labels[kept] = label;
        ++kept;
    }
    count = kept;
}

float PointLabels::opacity(float age) {
    const float solidFor = LIFETIME * SOLID_PART;
    if (age <= solidFor) {
        return 255.0f;
    }
    const float left = std::clamp((LIFETIME - age) / (LIFETIME - solidFor), 0.0f, 1.0f);
    return 255.0f * left;
}

std::string PointLabels::textFor(int points) {
    return "+" + std::to_string(points);
}

void PointLabels::draw(Renderer& renderer) const {
    for (std::size_t i = 0; i < count; ++i) {
        const Label& label = labels[i];
        const auto alpha = static_cast<sf::Uint8>(opacity(label.age));
        // Gold on a dark outline: readable on sky, wood and stone alike.
        TextStyle style{TEXT_SIZE, sf::Color(255, 215, 0, alpha)};
        style.outlineThickness = 2.0f;
        style.outlineColor = sf::Color(0, 0, 0, alpha);
        renderer.drawTextAt(textFor(label.points), label.position, TextAnchor::Centre, style);
    }
}
