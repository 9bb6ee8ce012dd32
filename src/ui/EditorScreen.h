#pragma once

#include "level/LevelDocument.h"
#include "level/ProofVerdict.h"
#include "ui/EditorLayout.h"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/Window/Event.hpp>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class Renderer;
class ResourceManager;

// The level editor: a level document edited through the field, the palette
// and the toolbar (EditorLayout), by events handed in one at a time. It knows
// nothing of the game around it: what it needs arrives as the document, the
// field's fixed marks, the player's data folder and the callbacks by which
// its owner plays, keeps and proves the level.
//
// Every change goes through the document, so all of them undo; a drag or a
// resize is one change, made when the button is let go. The document stays
// here when the editor is left, so nothing unsaved is lost until the game
// ends or another level is opened.
class EditorScreen {
public:
    struct Callbacks {
        std::function<void()> leave;
        // Plays the level as it stands: its text in the level file format.
        std::function<void(const std::string& levelText)> testPlay;
        // The level was written to `path`.
        std::function<void(const std::filesystem::path& path)> saved;
        // Plays the solution the proof found (a replay file's bytes).
        std::function<void(const std::string& replay)> showMe;
    };
    // What the field shows besides the level, in level pixels.
    struct FieldMarks {
        // Where anything may be.
        sf::FloatRect levelBounds;
        // What the camera shows when an attempt starts, in the narrowest window.
        sf::FloatRect initialView;
        sf::Vector2f slingshot;
        float groundTop = 0.0f;
    };

    // Steps of the grid pieces snap to, and of the arrow keys.
    static constexpr float GRID_STEP = 10.0f;
    // Shift makes a nudge this many steps.
    static constexpr float NUDGE_FACTOR = 10.0f;
    static constexpr float MIN_ZOOM = 0.4f;
    static constexpr float MAX_ZOOM = 4.0f;

    EditorScreen(std::filesystem::path dataDir, FieldMarks marks, Callbacks callbacks);

    // Edits `document` from now on, forgetting the one before. `name`: the
    // name it is saved under (empty: asked for at the first save).
    void open(LevelDocument document, std::string name);
    // The level in the file at path, named after the file when its name
    // would do; an empty level when the file cannot be read (logged).
    void openFile(const std::string& path);

    void handle(const sf::Event& event, sf::Vector2u windowSize);
    void draw(Renderer& renderer, const ResourceManager& resources, sf::Vector2u windowSize) const;

    // The proof's state to show; null for none. The pointers are read when
    // drawing and clicking, so they must live until replaced.
    void showProof(const ProofProgress* progress, const ProofVerdict* verdict);
    // A line for the status strip (a test play's outcome, ...).
    void say(std::string text) { statusText = std::move(text); }

    const LevelDocument& document() const { return doc; }
    std::optional<std::size_t> selection() const { return selected; }
    const std::string& levelName() const { return name; }
    bool gridOn() const { return snapping; }
    // A name is being typed: every key is text for it.
    bool isNaming() const { return naming; }
    const std::string& statusLine() const { return statusText; }
    // The camera the field is shown through in a window of windowSize.
    EditorLayout::Camera fieldCamera(sf::Vector2u windowSize) const {
        return cameraFor(EditorLayout(windowSize));
    }

    // Writes the document under its name, asking for one first when it has
    // none. Returns whether it was written now.
    bool save();
    // Starts an empty level in place of this one, asking nothing: the old
    // level is one undo away. The empty level has no name yet, so its first
    // save asks for one rather than writing over the old level's file.
    void newLevel();
    // The piece under a level point, the topmost (the latest) first.
    std::optional<std::size_t> pieceAt(sf::Vector2f levelPoint) const;

    // A block palette tile's piece: its material and the shape's size.
    static BlockPiece paletteBlock(int material, int shape, sf::Vector2f at);

private:
    // The palette entry the next click in the field places.
    struct Armed {
        enum class Kind { Block, Enemy } kind = Kind::Block;
        int material = 0;
        int shape = 0;
        int enemy = 0;
    };
    // What the left button is doing in the field.
    enum class Drag { None, Move, Resize, Pan };

    void handleKey(const sf::Event::KeyEvent& key);
    void handleNaming(const sf::Event& event);
    void press(sf::Vector2f point, const EditorLayout& layout);
    bool pressPalette(sf::Vector2f point, const EditorLayout& layout);
    void pressField(sf::Vector2f point, const EditorLayout& layout);
    void moveTo(sf::Vector2f point, const EditorLayout& layout);
    void release();
    void useTool(int tool);
    void testPlay();
    void duplicate();
    void deleteSelection();
    void nudge(float dx, float dy);
    void undo();
    void redo();
    void addBird(int kind);
    void moveBird(int by);
    void cycleBackground();
    // The birds' piece indices in queue order.
    std::vector<std::size_t> queue() const;
    // A selection past the end of the document (after an undo) is dropped.
    void keepSelectionValid();
    float snap(float value) const;
    sf::Vector2f snap(sf::Vector2f point) const;
    // A piece's centre never leaves the level's bounds.
    sf::Vector2f keptInside(sf::Vector2f point) const;
    // The piece drawn at index: the one being dragged there, or the document's.
    const LevelPiece& shownPiece(std::size_t index) const;
    // The corner handle of the selected block under a window point, 0 to 3.
    std::optional<int> handleAt(sf::Vector2f point, const EditorLayout& layout) const;
    static std::optional<sf::FloatRect> pieceBounds(const LevelPiece& piece);
    void writeAs(const std::string& chosenName);

    void drawField(Renderer& renderer, const ResourceManager& resources,
                   const EditorLayout& layout) const;
    void drawPiece(Renderer& renderer, const ResourceManager& resources,
                   const LevelPiece& piece) const;
    void drawToolbar(Renderer& renderer, const EditorLayout& layout) const;
    void drawPalette(Renderer& renderer, const ResourceManager& resources,
                     const EditorLayout& layout) const;
    void drawSelection(Renderer& renderer, const EditorLayout& layout) const;
    void drawProof(Renderer& renderer, const EditorLayout& layout) const;
    void drawNameBox(Renderer& renderer, const EditorLayout& layout) const;

    std::filesystem::path dataDir;
    FieldMarks marks;
    Callbacks callbacks;
    LevelDocument doc;
    std::string name;
    std::optional<std::size_t> selected;
    std::optional<Armed> armed;
    bool snapping = true;
    std::optional<EditorLayout::Camera> camera;
    Drag drag = Drag::None;
    // The piece as the drag has it so far, the point it was grabbed by
    // (level pixels from its centre) and, resizing, the corner held still.
    LevelPiece dragPiece;
    sf::Vector2f grabOffset;
    sf::Vector2f fixedCorner;
    sf::Vector2f panFrom;
    bool naming = false;
    std::string typedName;
    std::string statusText;
    const ProofProgress* progress = nullptr;
    const ProofVerdict* verdict = nullptr;
    // The camera the field is shown through: the player's, or one that
    // fits the initial view until the player moves it.
    EditorLayout::Camera cameraFor(const EditorLayout& layout) const;
};
