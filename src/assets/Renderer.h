#pragma once

#include "assets/DrawnElement.h"
#include "assets/TextStyle.h"

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/ConvexShape.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Graphics/Vertex.hpp>
#include <memory>
#include <string>
#include <vector>

// Owns the two fonts and draws everything the game shows. Each helper fills
// a reusable drawable through a static build function (which tests inspect)
// and draws it with the default render states, so drawing allocates nothing
// per frame once the shapes have their point counts.
//
// Positions and sizes are in units of the view active on the window when a
// helper is called; rotations are in radians.
class Renderer {
public:
    explicit Renderer(sf::RenderWindow& window);

    void clearFrame();
    void display();

    // Fills the current view with the picture, cropped to the view's shape,
    // never stretched. `focus` is the point of the picture, in fractions of
    // its size, that stays at the same fraction of the view (the centre by
    // default). Backgrounds cover the whole frame, so they are drawn opaque
    // from a copy scaled once to the window pixels they cover, without
    // filtering: under software rendering that is most of a frame's cost.
    void drawBackground(const sf::Texture* texture, sf::Vector2f focus = {0.5f, 0.5f});
    void drawSprite(const sf::Texture* texture, sf::Vector2f position, float width, float height,
                    float rotation, sf::Color color);
    void drawCircle(sf::Vector2f position, float radius, sf::Color color);
    void drawRect(sf::Vector2f position, float width, float height, sf::Color color);
    // A filled rectangle with an outline drawn inside-out around it (as
    // sf::RectangleShape does); returns its bounds, outline included.
    sf::FloatRect drawBox(const sf::FloatRect& rect, sf::Color fill, sf::Color outline,
                          float outlineThickness);
    void drawLine(sf::Vector2f from, sf::Vector2f to, sf::Color color, float thickness);
    void drawQuad(sf::Vector2f position, float size, sf::Color color, float rotation);
    void drawTriangle(sf::Vector2f position, float size, sf::Color color, float rotation);
    void drawStar(sf::Vector2f position, float outerRadius, sf::Color color, int points);
    // Many small shapes in one call: a list of triangles.
    void drawTriangles(const std::vector<sf::Vertex>& vertices);
    void drawText(const std::string& text, sf::Vector2f position, unsigned int size,
                  sf::Color color, bool useTitleFont = false);
    void drawCenteredText(const std::string& text, sf::Vector2f position, unsigned int size,
                          sf::Color color, bool useTitleFont = false);
    // Draws a text with the anchor of its ink box at position; returns the
    // ink box as drawn (empty when the font did not load). With a
    // `lineReference`, the vertical placement uses that string's ink instead,
    // so a line being typed keeps its baseline whatever its letters.
    sf::FloatRect drawTextAt(const std::string& text, sf::Vector2f position, TextAnchor anchor,
                             const TextStyle& style, const char* lineReference = nullptr);
    // The ink box (local bounds, offsets included) a text would have.
    sf::FloatRect measureText(const std::string& text, const TextStyle& style) const;

    const sf::Font& getTitleFont() const { return titleFont; }
    const sf::Font& getFont() const { return generalFont; }
    bool isTitleFontLoaded() const { return titleFontLoaded; }
    bool isGeneralFontLoaded() const { return generalFontLoaded; }
    sf::RenderWindow& getWindow() { return *window; }

    // While recording, every text and box drawn is kept with its window-pixel
    // bounds (starting recording forgets the previous record).
    void startRecording();
    void stopRecording();
    const std::vector<DrawnElement>& recorded() const { return record; }

    // How far the frame being drawn lies between the world's last two fixed
    // steps: 0 shows the step before the last, 1 the last. Moving things
    // drawn in between never judder at a frame rate that is not the step
    // rate. 1 (the last step as it is) unless the field says otherwise.
    void setStepBlend(float blend) { stepBlendNow = blend; }
    float stepBlend() const { return stepBlendNow; }

    // The one rule that places text: the text's origin goes to the anchor of
    // its ink box (local bounds, including their left and top offsets), and
    // that origin to position. `lineInk` stands in for the vertical extent.
    static void alignText(sf::Text& text, sf::Vector2f position, TextAnchor anchor,
                          const sf::FloatRect* lineInk = nullptr);
    // The part of a picture of textureSize that covers a target of
    // targetSize with the picture's own proportions (see drawBackground).
    static sf::FloatRect coverSourceRect(sf::Vector2u textureSize, sf::Vector2f targetSize,
                                         sf::Vector2f focus);

    // Shape builders: the geometry of each helper, separate from drawing.
    static void buildBackground(sf::Sprite& sprite, const sf::Texture& texture,
                                const sf::View& view, sf::Vector2f focus = {0.5f, 0.5f});
    static void buildSprite(sf::Sprite& sprite, const sf::Texture& texture, sf::Vector2f position,
                            float width, float height, float rotation, sf::Color color);
    static void buildCircle(sf::CircleShape& shape, sf::Vector2f position, float radius,
                            sf::Color color);
    static void buildRect(sf::RectangleShape& shape, sf::Vector2f position, float width,
                          float height, sf::Color color);
    static void buildLine(sf::RectangleShape& shape, sf::Vector2f from, sf::Vector2f to,
                          sf::Color color, float thickness);
    static void buildQuad(sf::ConvexShape& shape, sf::Vector2f position, float size,
                          sf::Color color, float rotation);
    static void buildTriangle(sf::ConvexShape& shape, sf::Vector2f position, float size,
                              sf::Color color, float rotation);
    static void buildStar(sf::ConvexShape& shape, sf::Vector2f position, float outerRadius,
                          sf::Color color, int points);

private:
    float stepBlendNow = 1.0f;
    // A background scaled to the window pixels it covers, kept while the
    // window keeps its size.
    struct ScaledBackground {
        const sf::Texture* source = nullptr;
        sf::Vector2u size;
        sf::Vector2f focus;
        sf::RenderTexture target;
        unsigned long lastUse = 0;
    };

    // Returns the font for the flag, or null when it did not load.
    const sf::Font* pickFont(bool useTitleFont) const;
    void styleText(sf::Text& target, const std::string& string, const sf::Font& font,
                   const TextStyle& style) const;
    const sf::Texture* scaledBackground(const sf::Texture& source, sf::Vector2u size,
                                        sf::Vector2f focus);
    // The window-pixel rectangle of the current view's viewport.
    sf::IntRect viewportPixels() const;
    sf::FloatRect toPixels(const sf::FloatRect& rect) const;
    void remember(DrawnElement::Kind kind, const std::string& string, const sf::FloatRect& bounds);

    sf::RenderWindow* window;
    sf::Font titleFont;
    bool titleFontLoaded = false;
    sf::Font generalFont;
    bool generalFontLoaded = false;

    // Reused drawables (see the class comment).
    sf::Sprite sprite;
    sf::CircleShape circle;
    sf::RectangleShape rect;
    sf::ConvexShape convex;
    sf::Text text;

    std::vector<std::unique_ptr<ScaledBackground>> backgrounds;
    unsigned long backgroundUses = 0;

    bool recording = false;
    std::vector<DrawnElement> record;
};
