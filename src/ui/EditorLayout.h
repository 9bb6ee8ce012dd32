#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

// Geometry of the level editor in window pixels: a toolbar across the top,
// the palette down the left, the field in the rest with the proof panel in
// its lower right corner. The screen draws every element into the rectangle
// named here and hit-tests clicks with the same call, so what is seen is
// what is clicked at any window size.
//
// The field shows the level through a camera of its own (a centre and a
// zoom in level pixels per window pixel); toLevel and toWindow are the one
// mapping between the two, used by the drawing and the pointer alike.
class EditorLayout {
public:
    // The toolbar's buttons, left to right.
    enum Tool : int {
        NewTool,
        PlayTool,
        SaveTool,
        DuplicateTool,
        DeleteTool,
        UndoTool,
        RedoTool,
        GridTool,
        MenuTool,
        TOOL_COUNT
    };
    // The palette's block shapes, one column each.
    enum Shape : int { TallShape, LongShape, SquareShape, SHAPE_COUNT };
    static constexpr int MATERIAL_COUNT = 4;
    static constexpr int ENEMY_COUNT = 3;
    static constexpr int BIRD_COUNT = 4;
    // Queue slots shown; a longer queue says how many more there are.
    static constexpr int QUEUE_COLUMNS = 6;
    static constexpr int QUEUE_ROWS = 2;
    static constexpr int QUEUE_SHOWN = QUEUE_COLUMNS * QUEUE_ROWS;

    static constexpr float TOOLBAR_HEIGHT = 40.0f;
    static constexpr float PALETTE_WIDTH = 222.0f;
    static constexpr float MARGIN = 8.0f;
    static constexpr float LABEL_HEIGHT = 20.0f;
    static constexpr float TILE_HEIGHT = 40.0f;
    static constexpr float QUEUE_SLOT = 32.0f;
    static constexpr float HANDLE_SIZE = 12.0f;
    static constexpr float STATUS_HEIGHT = 24.0f;
    static constexpr float PROOF_PANEL_WIDTH = 320.0f;
    static constexpr float PROOF_PANEL_HEIGHT = 132.0f;

    explicit EditorLayout(sf::Vector2u windowSize);

    sf::FloatRect toolbar;
    sf::FloatRect palette;
    // Where the level is shown (below the toolbar, right of the palette).
    sf::FloatRect field;
    // A strip along the bottom of the field for what the editor has to say.
    sf::FloatRect status;

    sf::FloatRect toolButton(int tool) const;
    sf::FloatRect blockTile(int material, int shape) const;
    sf::FloatRect enemyTile(int kind) const;
    sf::FloatRect birdTile(int kind) const;
    sf::FloatRect queueSlot(int index) const;
    // Move the selected bird one place earlier or later in the queue.
    sf::FloatRect queueEarlier() const;
    sf::FloatRect queueLater() const;
    sf::FloatRect backgroundButton() const;
    // The tops of the palette's section labels.
    float blocksLabelTop() const { return palette.top + MARGIN; }
    float enemiesLabelTop() const;
    float birdsLabelTop() const;
    float queueLabelTop() const;
    float backgroundLabelTop() const;

    sf::FloatRect proofPanel() const;
    sf::FloatRect showMeButton() const;
    // The name asked for when a new level is first saved, centred on the field.
    sf::FloatRect nameBox() const;

    // A handle centred on a window point.
    static sf::FloatRect handleRect(sf::Vector2f centre);

    // The field's camera.
    struct Camera {
        sf::Vector2f centre;
        float zoom = 1.0f; // level pixels per window pixel
    };
    // A camera showing `area` of the level whole, centred in the field.
    Camera fit(const sf::FloatRect& area) const;
    sf::Vector2f toLevel(sf::Vector2f windowPoint, const Camera& camera) const;
    sf::Vector2f toWindow(sf::Vector2f levelPoint, const Camera& camera) const;
    // The view that draws the level into the field through `camera`.
    sf::View fieldView(const Camera& camera) const;

private:
    sf::Vector2f windowSize;
    float tileWidth() const;
};
