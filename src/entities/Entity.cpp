#include "entities/Entity.h"

#include "assets/Renderer.h"

#include <box2d/box2d.h>

void Entity::destroyBody() {
    if (body == nullptr) {
        return;
    }
    // A body whose world cannot be reached is left alone.
    if (b2World* world = body->GetWorld(); world != nullptr) {
        world->DestroyBody(body);
        body = nullptr;
    }
}

void Entity::followBody() {
    const b2Vec2 bodyPosition = body->GetPosition();
    position = toPixels(bodyPosition.x, bodyPosition.y);
    angle = body->GetAngle();
}

bool Entity::removeBodyIfPending(bool& pending) {
    if (!pending || body == nullptr) {
        return false;
    }
    destroyBody();
    pending = false;
    return true;
}

float Entity::drawnAngle() const {
    return body != nullptr ? body->GetAngle() : 0.0f;
}

void Entity::drawSprite(Renderer& renderer, const sf::Texture* texture, float width,
                        float height) const {
    renderer.drawSprite(texture, position, width, height, drawnAngle(), sf::Color::White);
}
