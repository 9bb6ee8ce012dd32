#include "ui/EditorLayout.h"

#include <algorithm>

namespace {
constexpr float GAP = 4.0f;
constexpr float TOOL_MAX_WIDTH = 150.0f;
constexpr float QUEUE_BUTTON_WIDTH = 34.0f;
constexpr float BACKGROUND_BUTTON_HEIGHT = 28.0f;
constexpr float SHOW_ME_SIZE_X = 110.0f;
constexpr float SHOW_ME_SIZE_Y = 28.0f;
constexpr float NAME_BOX_WIDTH = 420.0f;
constexpr float NAME_BOX_HEIGHT = 110.0f;

float rowPitch() {
    return EditorLayout::TILE_HEIGHT + GAP;
}

float tilesBottom(float labelTop, int rows) {
    return labelTop + EditorLayout::LABEL_HEIGHT + static_cast<float>(rows) * rowPitch();
}
} // namespace

EditorLayout::EditorLayout(sf::Vector2u size)
    : windowSize(static_cast<float>(size.x), static_cast<float>(size.y)) {
    toolbar = {0.0f, 0.0f, windowSize.x, TOOLBAR_HEIGHT};
    palette = {0.0f, TOOLBAR_HEIGHT, PALETTE_WIDTH, std::max(0.0f, windowSize.y - TOOLBAR_HEIGHT)};
    field = {PALETTE_WIDTH, TOOLBAR_HEIGHT, std::max(1.0f, windowSize.x - PALETTE_WIDTH),
             std::max(1.0f, windowSize.y - TOOLBAR_HEIGHT)};
    status = {field.left, field.top + field.height - STATUS_HEIGHT, field.width, STATUS_HEIGHT};
}

sf::FloatRect EditorLayout::toolButton(int tool) const {
    if (tool < 0 || tool >= TOOL_COUNT) {
        return {};
    }
    const float width =
        std::min(TOOL_MAX_WIDTH, (windowSize.x - MARGIN) / static_cast<float>(TOOL_COUNT) - GAP);
    return {MARGIN + static_cast<float>(tool) * (width + GAP), GAP, width,
            TOOLBAR_HEIGHT - 2.0f * GAP};
}

float EditorLayout::tileWidth() const {
    return (PALETTE_WIDTH - 2.0f * MARGIN - static_cast<float>(SHAPE_COUNT - 1) * GAP) /
           static_cast<float>(SHAPE_COUNT);
}

sf::FloatRect EditorLayout::blockTile(int material, int shape) const {
    if (material < 0 || material >= MATERIAL_COUNT || shape < 0 || shape >= SHAPE_COUNT) {
        return {};
    }
    const float top = blocksLabelTop() + LABEL_HEIGHT + static_cast<float>(material) * rowPitch();
    return {MARGIN + static_cast<float>(shape) * (tileWidth() + GAP), top, tileWidth(),
            TILE_HEIGHT};
}

float EditorLayout::enemiesLabelTop() const {
    return tilesBottom(blocksLabelTop(), MATERIAL_COUNT) + MARGIN;
}

sf::FloatRect EditorLayout::enemyTile(int kind) const {
    if (kind < 0 || kind >= ENEMY_COUNT) {
        return {};
    }
    return {MARGIN + static_cast<float>(kind) * (tileWidth() + GAP),
            enemiesLabelTop() + LABEL_HEIGHT, tileWidth(), TILE_HEIGHT};
}

float EditorLayout::birdsLabelTop() const {
    return tilesBottom(enemiesLabelTop(), 1) + MARGIN;
}

sf::FloatRect EditorLayout::birdTile(int kind) const {
    if (kind < 0 || kind >= BIRD_COUNT) {
        return {};
    }
    const float width = (PALETTE_WIDTH - 2.0f * MARGIN - static_cast<float>(BIRD_COUNT - 1) * GAP) /
                        static_cast<float>(BIRD_COUNT);
    return {MARGIN + static_cast<float>(kind) * (width + GAP), birdsLabelTop() + LABEL_HEIGHT,
            width, TILE_HEIGHT};
}

float EditorLayout::queueLabelTop() const {
    return tilesBottom(birdsLabelTop(), 1) + MARGIN;
}

sf::FloatRect EditorLayout::queueSlot(int index) const {
    if (index < 0 || index >= QUEUE_SHOWN) {
        return {};
    }
    const float pitch = (PALETTE_WIDTH - 2.0f * MARGIN) / static_cast<float>(QUEUE_COLUMNS);
    const int column = index % QUEUE_COLUMNS;
    const int row = index / QUEUE_COLUMNS;
    return {MARGIN + static_cast<float>(column) * pitch,
            queueLabelTop() + LABEL_HEIGHT + static_cast<float>(row) * (QUEUE_SLOT + GAP),
            QUEUE_SLOT, QUEUE_SLOT};
}

sf::FloatRect EditorLayout::queueLater() const {
    return {PALETTE_WIDTH - MARGIN - QUEUE_BUTTON_WIDTH, queueLabelTop() - 2.0f, QUEUE_BUTTON_WIDTH,
            LABEL_HEIGHT};
}

sf::FloatRect EditorLayout::queueEarlier() const {
    const sf::FloatRect later = queueLater();
    return {later.left - GAP - QUEUE_BUTTON_WIDTH, later.top, QUEUE_BUTTON_WIDTH, later.height};
}

float EditorLayout::backgroundLabelTop() const {
    return queueLabelTop() + LABEL_HEIGHT + static_cast<float>(QUEUE_ROWS) * (QUEUE_SLOT + GAP) +
           MARGIN;
}

sf::FloatRect EditorLayout::backgroundButton() const {
    return {MARGIN, backgroundLabelTop() + LABEL_HEIGHT, PALETTE_WIDTH - 2.0f * MARGIN,
            BACKGROUND_BUTTON_HEIGHT};
}

sf::FloatRect EditorLayout::proofPanel() const {
    return {field.left + field.width - PROOF_PANEL_WIDTH - MARGIN,
            status.top - PROOF_PANEL_HEIGHT - MARGIN, PROOF_PANEL_WIDTH, PROOF_PANEL_HEIGHT};
}

sf::FloatRect EditorLayout::showMeButton() const {
    const sf::FloatRect panel = proofPanel();
    return {panel.left + panel.width - SHOW_ME_SIZE_X - MARGIN,
            panel.top + panel.height - SHOW_ME_SIZE_Y - MARGIN, SHOW_ME_SIZE_X, SHOW_ME_SIZE_Y};
}

sf::FloatRect EditorLayout::nameBox() const {
    return {field.left + (field.width - NAME_BOX_WIDTH) * 0.5f,
            field.top + (field.height - NAME_BOX_HEIGHT) * 0.5f, NAME_BOX_WIDTH, NAME_BOX_HEIGHT};
}

sf::FloatRect EditorLayout::handleRect(sf::Vector2f centre) {
    return {centre.x - HANDLE_SIZE * 0.5f, centre.y - HANDLE_SIZE * 0.5f, HANDLE_SIZE, HANDLE_SIZE};
}

EditorLayout::Camera EditorLayout::fit(const sf::FloatRect& area) const {
    const float zoom = std::max(area.width / field.width, area.height / field.height);
    return {{area.left + area.width * 0.5f, area.top + area.height * 0.5f}, std::max(zoom, 0.01f)};
}

sf::Vector2f EditorLayout::toLevel(sf::Vector2f point, const Camera& camera) const {
    const sf::Vector2f middle(field.left + field.width * 0.5f, field.top + field.height * 0.5f);
    return camera.centre + (point - middle) * camera.zoom;
}

sf::Vector2f EditorLayout::toWindow(sf::Vector2f point, const Camera& camera) const {
    const sf::Vector2f middle(field.left + field.width * 0.5f, field.top + field.height * 0.5f);
    return middle + (point - camera.centre) / camera.zoom;
}

sf::View EditorLayout::fieldView(const Camera& camera) const {
    sf::View view(camera.centre, {field.width * camera.zoom, field.height * camera.zoom});
    view.setViewport({field.left / windowSize.x, field.top / windowSize.y,
                      field.width / windowSize.x, field.height / windowSize.y});
    return view;
}
