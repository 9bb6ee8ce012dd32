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

Entity::Pose Entity::drawnPose(float blend) const {
    const Pose now{position, drawnAngle()};
    if (!posed || body == nullptr || body->GetType() != b2_dynamicBody) {
        return now;
    }
    const float before = 1.0f - blend;
    return {previousPose.position * before + now.position * blend,
            previousPose.angle * before + now.angle * blend};
}

void Entity::rememberPose() {
    previousPose = {position, drawnAngle()};
    posed = true;
}

void Entity::drawSprite(Renderer& renderer, const sf::Texture* texture, float width,
                        float height) const {
    const Pose pose = drawnPose(renderer.stepBlend());
    renderer.drawSprite(texture, pose.position, width, height, pose.angle, sf::Color::White);
}
