#pragma once

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/ConvexShape.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Text.hpp>
#include <string>

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

    void drawBackground(const sf::Texture* texture);
    void drawSprite(const sf::Texture* texture, sf::Vector2f position, float width, float height,
                    float rotation, sf::Color color);
    void drawCircle(sf::Vector2f position, float radius, sf::Color color);
    void drawRect(sf::Vector2f position, float width, float height, sf::Color color);
    void drawLine(sf::Vector2f from, sf::Vector2f to, sf::Color color, float thickness);
    void drawQuad(sf::Vector2f position, float size, sf::Color color, float rotation);
    void drawTriangle(sf::Vector2f position, float size, sf::Color color, float rotation);
    void drawStar(sf::Vector2f position, float outerRadius, sf::Color color, int points);
    void drawText(const std::string& text, sf::Vector2f position, unsigned int size,
                  sf::Color color, bool useTitleFont = false);
    void drawCenteredText(const std::string& text, sf::Vector2f position, unsigned int size,
                          sf::Color color, bool useTitleFont = false);

    const sf::Font& getTitleFont() const { return titleFont; }
    const sf::Font& getFont() const { return generalFont; }
    bool isTitleFontLoaded() const { return titleFontLoaded; }
    bool isGeneralFontLoaded() const { return generalFontLoaded; }
    sf::RenderWindow& getWindow() { return *window; }

    // Shape builders: the geometry of each helper, separate from drawing.
    static void buildBackground(sf::Sprite& sprite, const sf::Texture& texture,
                                const sf::View& view);
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
    // Returns the font for the flag, or null when it did not load.
    const sf::Font* pickFont(bool useTitleFont) const;

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
};
