#include "ui/EditorScreen.h"

#include "assets/Renderer.h"
#include "assets/ResourceManager.h"
#include "entities/BirdKinds.h"
#include "entities/EnemyKinds.h"
#include "entities/MaterialTable.h"
#include "level/LevelLoader.h"
#include "ui/TypedCodes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>

namespace {

const sf::Color PANEL_FILL(32, 36, 48, 235);
const sf::Color PANEL_LINE(90, 100, 125);
const sf::Color BUTTON_FILL(58, 66, 88);
const sf::Color BUTTON_OFF(44, 48, 60);
const sf::Color LABEL(235, 235, 240);
const sf::Color DIM_LABEL(150, 155, 170);
const sf::Color ARMED(255, 210, 60);
const sf::Color SELECTED(255, 230, 40);
const sf::Color SKY(120, 170, 215);
const sf::Color OUTSIDE(60, 70, 85);
const sf::Color GRID_LINE(255, 255, 255, 40);
const sf::Color BOUNDS_LINE(255, 140, 40);
const sf::Color VIEW_LINE(255, 255, 255, 200);
const sf::Color GROUND(95, 140, 60);
const sf::Color PROVEN(110, 220, 110);
const sf::Color UNPROVEN(255, 120, 100);
const sf::Color GOLD(255, 210, 60);

// The sizes a palette shape places, in level pixels: as the shipped levels
// build their posts, planks and cubes.
struct ShapeSize {
    float width;
    float height;
};
constexpr std::array<ShapeSize, EditorLayout::SHAPE_COUNT> SHAPE_SIZES{{
    {20.0f, 80.0f},
    {120.0f, 20.0f},
    {40.0f, 40.0f},
}};
constexpr std::array<MaterialType, EditorLayout::MATERIAL_COUNT> MATERIALS{WOOD, STONE, METAL,
                                                                           GLASS};
constexpr std::array<EnemyKind, EditorLayout::ENEMY_COUNT> ENEMIES{Basic, Armed, Puppet};
constexpr std::array<BirdKind, EditorLayout::BIRD_COUNT> BIRDS{Normal, Boost, Split, Explosion};
// The pictures a level may stand in front of; empty: none.
constexpr std::array<const char*, 4> BACKGROUNDS{"game_background", "game_bg_1", "game_bg_2", ""};
constexpr std::array<const char*, EditorLayout::TOOL_COUNT> TOOL_LABELS{
    "New  Ctrl+N",  "Play  F5",     "Save  Ctrl+S", "Copy  Ctrl+D", "Delete  Del",
    "Undo  Ctrl+Z", "Redo  Ctrl+Y", "Grid  G",      "Menu  Esc"};
// A piece put down with Duplicate lands this far from its original.
constexpr float DUPLICATE_OFFSET = 2.0f * EditorScreen::GRID_STEP;
constexpr float ZOOM_STEP = 1.2f;
// Grid lines closer than this on screen are drawn every fifth step only.
constexpr float MIN_GRID_SPACING_PX = 9.0f;

TextStyle style(unsigned int size, sf::Color color) {
    TextStyle text;
    text.size = size;
    text.color = color;
    return text;
}

sf::Vector2f centreOf(const sf::FloatRect& rect) {
    return {rect.left + rect.width * 0.5f, rect.top + rect.height * 0.5f};
}

std::string blockTextureKey(const BlockPiece& block) {
    return std::string(materialProperties(block.material).textureStem) +
           (block.height > block.width ? "_tall" : "_long");
}

const sf::Texture* textureOf(const ResourceManager& resources, const std::string& key) {
    return key.empty() ? nullptr : resources.getTexture(key);
}

// A picture fitted inside a box, keeping its proportions.
void drawFitted(Renderer& renderer, const sf::Texture* texture, const sf::FloatRect& box,
                sf::Vector2f wanted) {
    const float scale = std::min(box.width / wanted.x, box.height / wanted.y);
    const sf::Vector2f size = wanted * scale;
    if (texture != nullptr) {
        renderer.drawSprite(texture, centreOf(box), size.x, size.y, 0.0f, sf::Color::White);
    } else {
        renderer.drawRect(centreOf(box), size.x, size.y, DIM_LABEL);
    }
}

void drawButton(Renderer& renderer, const sf::FloatRect& rect, const std::string& label,
                bool enabled, bool lit = false) {
    renderer.drawBox(rect, enabled ? BUTTON_FILL : BUTTON_OFF, lit ? ARMED : PANEL_LINE,
                     lit ? 2.0f : 1.0f);
    renderer.drawTextAt(label, centreOf(rect), TextAnchor::Centre,
                        style(14, enabled ? LABEL : DIM_LABEL));
}

// Whether a name may be typed character by character.
bool nameCharacter(sf::Uint32 code) {
    return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') ||
           (code >= '0' && code <= '9') || code == '-' || code == '_';
}

std::string starsText(int stars) {
    std::string text;
    for (int i = 0; i < 3; ++i) {
        text += i < stars ? "\u2605" : "\u2606";
    }
    return text;
}

// The text cut to width, with an ellipsis where it was cut.
std::string fitted(const Renderer& renderer, const std::string& text, const TextStyle& look,
                   float width) {
    if (renderer.measureText(text, look).width <= width) {
        return text;
    }
    std::string cut = text;
    while (!cut.empty() && renderer.measureText(cut + "\u2026", look).width > width) {
        cut.pop_back();
        // Never leave half of a character of more than one byte.
        while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) {
            cut.pop_back();
        }
        if (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0xC0) {
            cut.pop_back();
        }
    }
    return cut + "\u2026";
}

std::string percent(double share) {
    return std::to_string(static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * 100.0))) + "%";
}

} // namespace

EditorScreen::EditorScreen(std::filesystem::path dataDir, FieldMarks marks, Callbacks callbacks)
    : dataDir(std::move(dataDir)), marks(marks), callbacks(std::move(callbacks)) {}

void EditorScreen::open(LevelDocument document, std::string levelName) {
    doc = std::move(document);
    name = std::move(levelName);
    selected.reset();
    armed.reset();
    drag = Drag::None;
    naming = false;
    camera.reset();
    statusText.clear();
}

void EditorScreen::openFile(const std::string& path) {
    std::string error;
    std::optional<LevelDocument> loaded = LevelDocument::load(path, error);
    if (!loaded) {
        std::cerr << "Editor: " << error << "; starting an empty level" << std::endl;
        open(LevelDocument{}, "");
        say("Could not open " + path);
        return;
    }
    const std::string stem = std::filesystem::path(path).stem().string();
    open(std::move(*loaded), LevelDocument::savePathFor(dataDir, stem) ? stem : "");
}

void EditorScreen::showProof(const ProofProgress* shownProgress, const ProofVerdict* shownVerdict) {
    progress = shownProgress;
    verdict = shownVerdict;
}

BlockPiece EditorScreen::paletteBlock(int material, int shape, sf::Vector2f at) {
    const auto m =
        static_cast<std::size_t>(std::clamp(material, 0, EditorLayout::MATERIAL_COUNT - 1));
    const auto s = static_cast<std::size_t>(std::clamp(shape, 0, EditorLayout::SHAPE_COUNT - 1));
    return {MATERIALS[m], at.x, at.y, SHAPE_SIZES[s].width, SHAPE_SIZES[s].height};
}

// ---------------------------------------------------------------- input

EditorLayout::Camera EditorScreen::cameraFor(const EditorLayout& layout) const {
    if (camera) {
        return *camera;
    }
    constexpr float AROUND = 60.0f;
    const sf::FloatRect& view = marks.initialView;
    return layout.fit({view.left - AROUND, view.top - AROUND, view.width + 2.0f * AROUND,
                       view.height + 2.0f * AROUND});
}

void EditorScreen::handle(const sf::Event& event, sf::Vector2u windowSize) {
    const EditorLayout layout(windowSize);
    if (naming) {
        handleNaming(event);
        return;
    }
    switch (event.type) {
    case sf::Event::KeyPressed:
        handleKey(event.key);
        break;
    case sf::Event::MouseButtonPressed: {
        const sf::Vector2f point(static_cast<float>(event.mouseButton.x),
                                 static_cast<float>(event.mouseButton.y));
        if (event.mouseButton.button == sf::Mouse::Left) {
            press(point, layout);
        } else if (layout.field.contains(point)) {
            // The other buttons drag the field's camera around.
            camera = cameraFor(layout);
            drag = Drag::Pan;
            panFrom = point;
        }
        break;
    }
    case sf::Event::MouseMoved:
        moveTo({static_cast<float>(event.mouseMove.x), static_cast<float>(event.mouseMove.y)},
               layout);
        break;
    case sf::Event::MouseButtonReleased:
        release();
        break;
    case sf::Event::MouseWheelScrolled: {
        const sf::Vector2f point(static_cast<float>(event.mouseWheelScroll.x),
                                 static_cast<float>(event.mouseWheelScroll.y));
        if (!layout.field.contains(point)) {
            break;
        }
        // The level point under the pointer stays under it.
        EditorLayout::Camera now = cameraFor(layout);
        const sf::Vector2f held = layout.toLevel(point, now);
        now.zoom = std::clamp(now.zoom * std::pow(ZOOM_STEP, -event.mouseWheelScroll.delta),
                              MIN_ZOOM, MAX_ZOOM);
        now.centre += held - layout.toLevel(point, now);
        camera = now;
        break;
    }
    default:
        break;
    }
}

void EditorScreen::handleKey(const sf::Event::KeyEvent& key) {
    const float step = (snapping ? GRID_STEP : 1.0f) * (key.shift ? NUDGE_FACTOR : 1.0f);
    if (key.control) {
        switch (key.code) {
        case sf::Keyboard::S:
            save();
            break;
        case sf::Keyboard::N:
            newLevel();
            break;
        case sf::Keyboard::D:
            duplicate();
            break;
        case sf::Keyboard::Z:
            key.shift ? redo() : undo();
            break;
        case sf::Keyboard::Y:
            redo();
            break;
        default:
            break;
        }
        return;
    }
    switch (key.code) {
    case sf::Keyboard::Escape:
        // Out of the latest thing begun first; out of the editor last.
        if (drag != Drag::None) {
            drag = Drag::None;
        } else if (armed) {
            armed.reset();
        } else if (callbacks.leave) {
            callbacks.leave();
        }
        break;
    case sf::Keyboard::F5:
        testPlay();
        break;
    case sf::Keyboard::Delete:
    case sf::Keyboard::BackSpace:
        deleteSelection();
        break;
    case sf::Keyboard::G:
        snapping = !snapping;
        break;
    case sf::Keyboard::Left:
        nudge(-step, 0.0f);
        break;
    case sf::Keyboard::Right:
        nudge(step, 0.0f);
        break;
    case sf::Keyboard::Up:
        nudge(0.0f, -step);
        break;
    case sf::Keyboard::Down:
        nudge(0.0f, step);
        break;
    default:
        break;
    }
}

void EditorScreen::handleNaming(const sf::Event& event) {
    if (event.type == sf::Event::KeyPressed) {
        if (event.key.code == sf::Keyboard::Escape) {
            naming = false;
            say("Not saved");
        } else if (event.key.code == sf::Keyboard::Enter && !typedName.empty()) {
            naming = false;
            writeAs(typedName);
        }
        return;
    }
    if (event.type != sf::Event::TextEntered) {
        return;
    }
    const sf::Uint32 code = event.text.unicode;
    if (code == BACKSPACE_CODE) {
        if (!typedName.empty()) {
            typedName.pop_back();
        }
    } else if (nameCharacter(code) && typedName.size() < LevelDocument::MAX_NAME_LENGTH) {
        typedName.push_back(static_cast<char>(code));
    }
}

void EditorScreen::press(sf::Vector2f point, const EditorLayout& layout) {
    for (int tool = 0; tool < EditorLayout::TOOL_COUNT; ++tool) {
        if (layout.toolButton(tool).contains(point)) {
            useTool(tool);
            return;
        }
    }
    if (layout.palette.contains(point)) {
        pressPalette(point, layout);
        return;
    }
    if ((progress != nullptr || verdict != nullptr) && layout.proofPanel().contains(point)) {
        if (verdict != nullptr && !verdict->solutionReplay.empty() &&
            layout.showMeButton().contains(point) && callbacks.showMe) {
            callbacks.showMe(verdict->solutionReplay);
        }
        return;
    }
    if (layout.field.contains(point)) {
        pressField(point, layout);
    }
}

bool EditorScreen::pressPalette(sf::Vector2f point, const EditorLayout& layout) {
    for (int material = 0; material < EditorLayout::MATERIAL_COUNT; ++material) {
        for (int shape = 0; shape < EditorLayout::SHAPE_COUNT; ++shape) {
            if (layout.blockTile(material, shape).contains(point)) {
                armed = Armed{Armed::Kind::Block, material, shape, 0};
                return true;
            }
        }
    }
    for (int kind = 0; kind < EditorLayout::ENEMY_COUNT; ++kind) {
        if (layout.enemyTile(kind).contains(point)) {
            armed = Armed{Armed::Kind::Enemy, 0, 0, kind};
            return true;
        }
    }
    for (int kind = 0; kind < EditorLayout::BIRD_COUNT; ++kind) {
        if (layout.birdTile(kind).contains(point)) {
            addBird(kind);
            return true;
        }
    }
    const std::vector<std::size_t> birds = queue();
    for (int slot = 0; slot < EditorLayout::QUEUE_SHOWN; ++slot) {
        if (static_cast<std::size_t>(slot) < birds.size() &&
            layout.queueSlot(slot).contains(point)) {
            selected = birds[static_cast<std::size_t>(slot)];
            armed.reset();
            return true;
        }
    }
    if (layout.queueEarlier().contains(point)) {
        moveBird(-1);
    } else if (layout.queueLater().contains(point)) {
        moveBird(1);
    } else if (layout.backgroundButton().contains(point)) {
        cycleBackground();
    } else {
        return false;
    }
    return true;
}

void EditorScreen::pressField(sf::Vector2f point, const EditorLayout& layout) {
    const EditorLayout::Camera now = cameraFor(layout);
    const sf::Vector2f at = layout.toLevel(point, now);
    if (armed && !marks.levelBounds.contains(at)) {
        armed.reset();
        say("Outside the level's bounds: nothing placed");
        return;
    }
    if (armed) {
        const LevelPiece piece =
            armed->kind == Armed::Kind::Block
                ? LevelPiece{paletteBlock(armed->material, armed->shape, snap(at))}
                : LevelPiece{EnemyPiece{
                      ENEMIES[static_cast<std::size_t>(armed->enemy)], snap(at).x, snap(at).y,
                      enemyKindInfo(ENEMIES[static_cast<std::size_t>(armed->enemy)])
                          .defaultHealth}};
        armed.reset();
        if (doc.append(piece)) {
            selected = doc.pieces().size() - 1;
        } else {
            say("That piece cannot go there (outside the level, or the level is full)");
        }
        return;
    }
    if (const std::optional<int> corner = handleAt(point, layout)) {
        const auto& block = std::get<BlockPiece>(doc.pieces()[*selected]);
        // The corner opposite the one taken stays where it is.
        const float sx = (*corner == 1 || *corner == 2) ? 1.0f : -1.0f;
        const float sy = (*corner >= 2) ? 1.0f : -1.0f;
        fixedCorner = {block.x - sx * block.width * 0.5f, block.y - sy * block.height * 0.5f};
        dragPiece = block;
        drag = Drag::Resize;
        return;
    }
    selected = pieceAt(at);
    if (selected) {
        dragPiece = doc.pieces()[*selected];
        const std::optional<sf::FloatRect> bounds = pieceBounds(dragPiece);
        grabOffset = at - centreOf(*bounds);
        drag = Drag::Move;
    }
}

void EditorScreen::moveTo(sf::Vector2f point, const EditorLayout& layout) {
    if (drag == Drag::Pan) {
        camera->centre -= (point - panFrom) * camera->zoom;
        panFrom = point;
        return;
    }
    if (drag == Drag::None || !selected) {
        return;
    }
    const sf::Vector2f at = layout.toLevel(point, cameraFor(layout));
    if (drag == Drag::Move) {
        const sf::Vector2f centre = keptInside(snap(at - grabOffset));
        std::visit(
            [&](auto& piece) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(piece)>, BirdPiece>) {
                    piece.x = centre.x;
                    piece.y = centre.y;
                }
            },
            dragPiece);
        return;
    }
    auto* block = std::get_if<BlockPiece>(&dragPiece);
    if (block == nullptr) {
        return;
    }
    const sf::Vector2f corner = snap(at);
    const auto side = [](float moving, float fixed, float& size, float& centre) {
        const float sign = moving >= fixed ? 1.0f : -1.0f;
        size = std::clamp(std::abs(moving - fixed), LevelLoader::MIN_SIZE_PX,
                          LevelLoader::MAX_SIZE_PX);
        centre = fixed + sign * size * 0.5f;
    };
    side(corner.x, fixedCorner.x, block->width, block->x);
    side(corner.y, fixedCorner.y, block->height, block->y);
}

void EditorScreen::release() {
    const Drag was = drag;
    drag = Drag::None;
    if ((was == Drag::Move || was == Drag::Resize) && selected &&
        !(dragPiece == doc.pieces()[*selected]) && !doc.change(*selected, dragPiece)) {
        say("That piece cannot go there");
    }
}

void EditorScreen::useTool(int tool) {
    switch (tool) {
    case EditorLayout::NewTool:
        newLevel();
        break;
    case EditorLayout::PlayTool:
        testPlay();
        break;
    case EditorLayout::SaveTool:
        save();
        break;
    case EditorLayout::DuplicateTool:
        duplicate();
        break;
    case EditorLayout::DeleteTool:
        deleteSelection();
        break;
    case EditorLayout::UndoTool:
        undo();
        break;
    case EditorLayout::RedoTool:
        redo();
        break;
    case EditorLayout::GridTool:
        snapping = !snapping;
        break;
    case EditorLayout::MenuTool:
        if (callbacks.leave) {
            callbacks.leave();
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- edits

void EditorScreen::newLevel() {
    doc.clear();
    name.clear();
    selected.reset();
    armed.reset();
    drag = Drag::None;
    // The proof shown was of the level just put away.
    showProof(nullptr, nullptr);
    say("New level: Ctrl+Z brings the last one back");
}

void EditorScreen::testPlay() {
    if (callbacks.testPlay) {
        callbacks.testPlay(doc.toText());
    }
}

void EditorScreen::duplicate() {
    if (!selected) {
        return;
    }
    LevelPiece copy = doc.pieces()[*selected];
    std::visit(
        [&](auto& piece) {
            if constexpr (std::is_same_v<std::decay_t<decltype(piece)>, BirdPiece>) {
                int highest = 0;
                for (const std::size_t index : queue()) {
                    highest = std::max(highest, std::get<BirdPiece>(doc.pieces()[index]).id);
                }
                piece.id = highest + 1;
            } else {
                piece.x += DUPLICATE_OFFSET;
                piece.y -= DUPLICATE_OFFSET;
            }
        },
        copy);
    // A copy of a bird waits right behind it; anything else lands on top.
    const std::size_t at =
        std::holds_alternative<BirdPiece>(copy) ? *selected + 1 : doc.pieces().size();
    if (doc.insert(at, copy)) {
        selected = at;
    } else {
        say("No room for a copy");
    }
}

void EditorScreen::deleteSelection() {
    if (selected && doc.erase(*selected)) {
        selected.reset();
    }
}

void EditorScreen::nudge(float dx, float dy) {
    if (!selected) {
        return;
    }
    LevelPiece moved = doc.pieces()[*selected];
    bool movable = false;
    std::visit(
        [&](auto& piece) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(piece)>, BirdPiece>) {
                const sf::Vector2f to = keptInside({piece.x + dx, piece.y + dy});
                piece.x = to.x;
                piece.y = to.y;
                movable = true;
            }
        },
        moved);
    if (movable) {
        doc.change(*selected, moved);
    }
}

void EditorScreen::undo() {
    doc.undo();
    keepSelectionValid();
}

void EditorScreen::redo() {
    doc.redo();
    keepSelectionValid();
}

void EditorScreen::keepSelectionValid() {
    if (selected && *selected >= doc.pieces().size()) {
        selected.reset();
    }
}

void EditorScreen::addBird(int kind) {
    int highest = 0;
    for (const std::size_t index : queue()) {
        highest = std::max(highest, std::get<BirdPiece>(doc.pieces()[index]).id);
    }
    const BirdPiece bird{BIRDS[static_cast<std::size_t>(kind)], highest + 1};
    if (highest + 1 <= LevelLoader::MAX_BIRD_ID && doc.append(bird)) {
        selected = doc.pieces().size() - 1;
    } else {
        say("No room for another bird");
    }
}

void EditorScreen::moveBird(int by) {
    const std::vector<std::size_t> birds = queue();
    if (!selected) {
        return;
    }
    const auto at = std::find(birds.begin(), birds.end(), *selected);
    if (at == birds.end()) {
        return;
    }
    const auto place = static_cast<long>(at - birds.begin()) + by;
    if (place < 0 || place >= static_cast<long>(birds.size())) {
        return;
    }
    // The two birds trade places in the file, which is the queue's order.
    const std::size_t other = birds[static_cast<std::size_t>(place)];
    const LevelPiece mine = doc.pieces()[*selected];
    const LevelPiece theirs = doc.pieces()[other];
    doc.change(*selected, theirs);
    doc.change(other, mine);
    selected = other;
}

void EditorScreen::cycleBackground() {
    const auto at = std::find_if(BACKGROUNDS.begin(), BACKGROUNDS.end(),
                                 [&](const char* key) { return doc.background() == key; });
    const std::size_t next =
        at == BACKGROUNDS.end()
            ? 0
            : (static_cast<std::size_t>(at - BACKGROUNDS.begin()) + 1) % BACKGROUNDS.size();
    doc.setBackground(BACKGROUNDS[next]);
}

std::vector<std::size_t> EditorScreen::queue() const {
    std::vector<std::size_t> birds;
    for (std::size_t i = 0; i < doc.pieces().size(); ++i) {
        if (std::holds_alternative<BirdPiece>(doc.pieces()[i])) {
            birds.push_back(i);
        }
    }
    return birds;
}

float EditorScreen::snap(float value) const {
    return snapping ? std::round(value / GRID_STEP) * GRID_STEP : std::round(value);
}

sf::Vector2f EditorScreen::snap(sf::Vector2f point) const {
    return {snap(point.x), snap(point.y)};
}

sf::Vector2f EditorScreen::keptInside(sf::Vector2f point) const {
    const sf::FloatRect& bounds = marks.levelBounds;
    return {std::clamp(point.x, bounds.left, bounds.left + bounds.width),
            std::clamp(point.y, bounds.top, bounds.top + bounds.height)};
}

bool EditorScreen::save() {
    if (name.empty()) {
        naming = true;
        typedName.clear();
        return false;
    }
    writeAs(name);
    return statusText.rfind("Saved", 0) == 0;
}

void EditorScreen::writeAs(const std::string& chosenName) {
    const std::optional<std::filesystem::path> path =
        LevelDocument::savePathFor(dataDir, chosenName);
    if (!path) {
        say("Not saved: a name is 1 to 64 letters, digits, - or _");
        return;
    }
    if (const std::string error = doc.saveTo(*path); !error.empty()) {
        say("Not saved: " + error);
        return;
    }
    name = chosenName;
    say("Saved " + path->string());
    if (callbacks.saved) {
        callbacks.saved(*path);
    }
}

// ---------------------------------------------------------------- geometry

std::optional<sf::FloatRect> EditorScreen::pieceBounds(const LevelPiece& piece) {
    if (const auto* block = std::get_if<BlockPiece>(&piece)) {
        return sf::FloatRect(block->x - block->width * 0.5f, block->y - block->height * 0.5f,
                             block->width, block->height);
    }
    if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
        const float radius = enemyKindInfo(enemy->kind).radius;
        return sf::FloatRect(enemy->x - radius, enemy->y - radius, 2.0f * radius, 2.0f * radius);
    }
    return std::nullopt;
}

std::optional<std::size_t> EditorScreen::pieceAt(sf::Vector2f point) const {
    for (std::size_t i = doc.pieces().size(); i-- > 0;) {
        const LevelPiece& piece = doc.pieces()[i];
        if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
            const float radius = enemyKindInfo(enemy->kind).radius;
            const sf::Vector2f away = point - sf::Vector2f(enemy->x, enemy->y);
            if (away.x * away.x + away.y * away.y <= radius * radius) {
                return i;
            }
        } else if (const std::optional<sf::FloatRect> bounds = pieceBounds(piece);
                   bounds && bounds->contains(point)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> EditorScreen::handleAt(sf::Vector2f point, const EditorLayout& layout) const {
    if (!selected || *selected >= doc.pieces().size() ||
        !std::holds_alternative<BlockPiece>(doc.pieces()[*selected])) {
        return std::nullopt;
    }
    const sf::FloatRect box = *pieceBounds(doc.pieces()[*selected]);
    // Corners clockwise from the top left.
    const std::array<sf::Vector2f, 4> corners{{{box.left, box.top},
                                               {box.left + box.width, box.top},
                                               {box.left + box.width, box.top + box.height},
                                               {box.left, box.top + box.height}}};
    for (int i = 0; i < 4; ++i) {
        const sf::Vector2f centre =
            layout.toWindow(corners[static_cast<std::size_t>(i)], cameraFor(layout));
        if (EditorLayout::handleRect(centre).contains(point)) {
            return i;
        }
    }
    return std::nullopt;
}

const LevelPiece& EditorScreen::shownPiece(std::size_t index) const {
    const bool dragged = (drag == Drag::Move || drag == Drag::Resize) && selected == index;
    return dragged ? dragPiece : doc.pieces()[index];
}

// ---------------------------------------------------------------- drawing

void EditorScreen::draw(Renderer& renderer, const ResourceManager& resources,
                        sf::Vector2u windowSize) const {
    sf::RenderWindow& window = renderer.getWindow();
    const EditorLayout layout(windowSize);
    const sf::View windowView(sf::FloatRect(0.0f, 0.0f, static_cast<float>(windowSize.x),
                                            static_cast<float>(windowSize.y)));
    window.setView(windowView);
    renderer.drawBox(layout.field, OUTSIDE, OUTSIDE, 0.0f);
    window.setView(layout.fieldView(cameraFor(layout)));
    drawField(renderer, resources, layout);
    window.setView(windowView);
    // Labels in window pixels, readable at any zoom.
    const EditorLayout::Camera now = cameraFor(layout);
    const sf::Vector2f viewCorner =
        layout.toWindow({marks.initialView.left, marks.initialView.top}, now);
    const sf::Vector2f boundsCorner =
        layout.toWindow({marks.levelBounds.left, marks.levelBounds.top}, now);
    renderer.drawTextAt("initial view", viewCorner + sf::Vector2f(6.0f, 6.0f), TextAnchor::TopLeft,
                        style(14, VIEW_LINE));
    renderer.drawTextAt("level bounds", boundsCorner + sf::Vector2f(6.0f, 6.0f),
                        TextAnchor::TopLeft, style(14, BOUNDS_LINE));
    drawSelection(renderer, layout);
    drawToolbar(renderer, layout);
    drawPalette(renderer, resources, layout);
    drawProof(renderer, layout);

    renderer.drawBox(layout.status, PANEL_FILL, PANEL_FILL, 0.0f);
    std::string line = statusText;
    if (line.empty()) {
        line = armed ? "Click in the field to place it (Esc: put it back)"
                     : "Drag to move, corners to resize; right button pans, wheel zooms";
    }
    const std::string title = name.empty() ? std::string("(unnamed)") : name;
    renderer.drawTextAt(title + "  \u2022  " + line,
                        {layout.status.left + EditorLayout::MARGIN, centreOf(layout.status).y},
                        TextAnchor::CentreLeft, style(14, LABEL));
    if (naming) {
        drawNameBox(renderer, layout);
    }
}

void EditorScreen::drawField(Renderer& renderer, const ResourceManager& resources,
                             const EditorLayout& layout) const {
    const EditorLayout::Camera now = cameraFor(layout);
    const float pixel = now.zoom; // one window pixel in level pixels
    const sf::FloatRect& bounds = marks.levelBounds;
    renderer.drawRect(centreOf(bounds), bounds.width, bounds.height, SKY);
    const sf::FloatRect& view = marks.initialView;
    if (const sf::Texture* picture = textureOf(resources, doc.background())) {
        renderer.drawSprite(picture, centreOf(view), view.width, view.height, 0.0f,
                            sf::Color::White);
    }
    const float groundHeight = bounds.top + bounds.height - marks.groundTop;
    renderer.drawRect({centreOf(bounds).x, marks.groundTop + groundHeight * 0.5f}, bounds.width,
                      groundHeight, GROUND);

    if (snapping) {
        float spacing = GRID_STEP;
        while (spacing / pixel < MIN_GRID_SPACING_PX) {
            spacing *= 5.0f;
        }
        const float shown = layout.field.width * pixel;
        const float shownHigh = layout.field.height * pixel;
        const float left = std::floor((now.centre.x - shown) / spacing) * spacing;
        const float top = std::floor((now.centre.y - shownHigh) / spacing) * spacing;
        for (float x = left; x <= now.centre.x + shown; x += spacing) {
            renderer.drawLine({x, now.centre.y - shownHigh}, {x, now.centre.y + shownHigh},
                              GRID_LINE, pixel);
        }
        for (float y = top; y <= now.centre.y + shownHigh; y += spacing) {
            renderer.drawLine({now.centre.x - shown, y}, {now.centre.x + shown, y}, GRID_LINE,
                              pixel);
        }
    }
    const auto outline = [&](const sf::FloatRect& rect, sf::Color color, float thickness) {
        renderer.drawBox(rect, sf::Color::Transparent, color, thickness * pixel);
    };
    outline(bounds, BOUNDS_LINE, 3.0f);
    outline(view, VIEW_LINE, 2.0f);

    if (const sf::Texture* slingshot = resources.getTexture("slingshot")) {
        renderer.drawSprite(slingshot, marks.slingshot, 100.0f, 160.0f, 0.0f, sf::Color::White);
    }
    for (std::size_t i = 0; i < doc.pieces().size(); ++i) {
        drawPiece(renderer, resources, shownPiece(i));
    }
}

void EditorScreen::drawPiece(Renderer& renderer, const ResourceManager& resources,
                             const LevelPiece& piece) const {
    if (const auto* block = std::get_if<BlockPiece>(&piece)) {
        const sf::Texture* texture = textureOf(resources, blockTextureKey(*block));
        if (texture != nullptr) {
            renderer.drawSprite(texture, {block->x, block->y}, block->width, block->height, 0.0f,
                                sf::Color::White);
        } else {
            renderer.drawRect({block->x, block->y}, block->width, block->height, DIM_LABEL);
        }
    } else if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
        const EnemyKindInfo& info = enemyKindInfo(enemy->kind);
        if (const sf::Texture* texture = textureOf(resources, info.textureKey)) {
            renderer.drawSprite(texture, {enemy->x, enemy->y}, 2.0f * info.radius,
                                2.0f * info.radius, 0.0f, sf::Color::White);
        } else {
            renderer.drawCircle({enemy->x, enemy->y}, info.radius, sf::Color::Green);
        }
    }
}

void EditorScreen::drawSelection(Renderer& renderer, const EditorLayout& layout) const {
    if (!selected || *selected >= doc.pieces().size()) {
        return;
    }
    const std::optional<sf::FloatRect> bounds = pieceBounds(shownPiece(*selected));
    if (!bounds) {
        return; // a bird: its queue slot shows it
    }
    const EditorLayout::Camera now = cameraFor(layout);
    const sf::Vector2f topLeft = layout.toWindow({bounds->left, bounds->top}, now);
    const sf::Vector2f bottomRight =
        layout.toWindow({bounds->left + bounds->width, bounds->top + bounds->height}, now);
    constexpr float AROUND = 2.0f;
    renderer.drawBox({topLeft.x - AROUND, topLeft.y - AROUND,
                      bottomRight.x - topLeft.x + 2 * AROUND,
                      bottomRight.y - topLeft.y + 2 * AROUND},
                     sf::Color::Transparent, SELECTED, 2.0f);
    if (!std::holds_alternative<BlockPiece>(shownPiece(*selected))) {
        return;
    }
    for (const sf::Vector2f corner : {topLeft, sf::Vector2f(bottomRight.x, topLeft.y), bottomRight,
                                      sf::Vector2f(topLeft.x, bottomRight.y)}) {
        renderer.drawBox(EditorLayout::handleRect(corner), sf::Color::White, sf::Color::Black,
                         1.0f);
    }
}

void EditorScreen::drawToolbar(Renderer& renderer, const EditorLayout& layout) const {
    renderer.drawBox(layout.toolbar, PANEL_FILL, PANEL_LINE, 0.0f);
    for (int tool = 0; tool < EditorLayout::TOOL_COUNT; ++tool) {
        bool enabled = true;
        if (tool == EditorLayout::UndoTool) {
            enabled = doc.canUndo();
        } else if (tool == EditorLayout::RedoTool) {
            enabled = doc.canRedo();
        } else if (tool == EditorLayout::DuplicateTool || tool == EditorLayout::DeleteTool) {
            enabled = selected.has_value();
        }
        std::string label = TOOL_LABELS[static_cast<std::size_t>(tool)];
        if (tool == EditorLayout::GridTool) {
            label = snapping ? "Grid on  G" : "Grid off  G";
        }
        drawButton(renderer, layout.toolButton(tool), label, enabled,
                   tool == EditorLayout::GridTool && snapping);
    }
}

void EditorScreen::drawPalette(Renderer& renderer, const ResourceManager& resources,
                               const EditorLayout& layout) const {
    renderer.drawBox(layout.palette, PANEL_FILL, PANEL_LINE, 0.0f);
    const float left = layout.palette.left + EditorLayout::MARGIN;
    const auto label = [&](const std::string& text, float top) {
        renderer.drawTextAt(text, {left, top}, TextAnchor::TopLeft, style(15, LABEL));
    };
    label("Blocks", layout.blocksLabelTop());
    for (int material = 0; material < EditorLayout::MATERIAL_COUNT; ++material) {
        for (int shape = 0; shape < EditorLayout::SHAPE_COUNT; ++shape) {
            const sf::FloatRect tile = layout.blockTile(material, shape);
            const bool lit = armed && armed->kind == Armed::Kind::Block &&
                             armed->material == material && armed->shape == shape;
            renderer.drawBox(tile, BUTTON_FILL, lit ? ARMED : PANEL_LINE, lit ? 2.0f : 1.0f);
            const BlockPiece block = paletteBlock(material, shape, {});
            const sf::FloatRect inner(tile.left + 6.0f, tile.top + 6.0f, tile.width - 12.0f,
                                      tile.height - 12.0f);
            drawFitted(renderer, textureOf(resources, blockTextureKey(block)), inner,
                       {block.width, block.height});
        }
    }
    label("Enemies", layout.enemiesLabelTop());
    for (int kind = 0; kind < EditorLayout::ENEMY_COUNT; ++kind) {
        const sf::FloatRect tile = layout.enemyTile(kind);
        const bool lit = armed && armed->kind == Armed::Kind::Enemy && armed->enemy == kind;
        renderer.drawBox(tile, BUTTON_FILL, lit ? ARMED : PANEL_LINE, lit ? 2.0f : 1.0f);
        const EnemyKindInfo& info = enemyKindInfo(ENEMIES[static_cast<std::size_t>(kind)]);
        drawFitted(renderer, textureOf(resources, info.textureKey),
                   {tile.left + 4.0f, tile.top + 4.0f, tile.width - 8.0f, tile.height - 8.0f},
                   {1.0f, 1.0f});
    }
    label("Birds: click to add", layout.birdsLabelTop());
    for (int kind = 0; kind < EditorLayout::BIRD_COUNT; ++kind) {
        const sf::FloatRect tile = layout.birdTile(kind);
        renderer.drawBox(tile, BUTTON_FILL, PANEL_LINE, 1.0f);
        const BirdKindInfo& info = birdKindInfo(BIRDS[static_cast<std::size_t>(kind)]);
        drawFitted(renderer, textureOf(resources, info.textureKey),
                   {tile.left + 4.0f, tile.top + 4.0f, tile.width - 8.0f, tile.height - 8.0f},
                   {1.0f, 1.0f});
    }
    const std::vector<std::size_t> birds = queue();
    label("Queue (" + std::to_string(birds.size()) + ")", layout.queueLabelTop());
    const bool birdChosen =
        selected && std::find(birds.begin(), birds.end(), *selected) != birds.end();
    drawButton(renderer, layout.queueEarlier(), "<", birdChosen);
    drawButton(renderer, layout.queueLater(), ">", birdChosen);
    for (std::size_t slot = 0; slot < birds.size(); ++slot) {
        const sf::FloatRect rect = layout.queueSlot(static_cast<int>(slot));
        if (rect.width <= 0.0f) {
            renderer.drawTextAt(
                "+" + std::to_string(birds.size() - slot) + " more",
                {layout.palette.width - EditorLayout::MARGIN, layout.backgroundLabelTop() - 2.0f},
                TextAnchor::TopRight, style(13, DIM_LABEL));
            break;
        }
        const bool lit = selected == birds[slot];
        renderer.drawBox(rect, BUTTON_OFF, lit ? SELECTED : PANEL_LINE, lit ? 2.0f : 1.0f);
        const BirdKindInfo& info =
            birdKindInfo(std::get<BirdPiece>(doc.pieces()[birds[slot]]).kind);
        drawFitted(renderer, textureOf(resources, info.textureKey),
                   {rect.left + 3.0f, rect.top + 3.0f, rect.width - 6.0f, rect.height - 6.0f},
                   {1.0f, 1.0f});
    }
    label("Background", layout.backgroundLabelTop());
    drawButton(renderer, layout.backgroundButton(),
               doc.background().empty() ? std::string("none") : doc.background(), true);
}

void EditorScreen::drawProof(Renderer& renderer, const EditorLayout& layout) const {
    if (progress == nullptr && verdict == nullptr) {
        return;
    }
    const sf::FloatRect panel = layout.proofPanel();
    renderer.drawBox(panel, PANEL_FILL, PANEL_LINE, 1.0f);
    const float left = panel.left + EditorLayout::MARGIN;
    float top = panel.top + EditorLayout::MARGIN;
    if (verdict == nullptr) {
        renderer.drawTextAt("Proving: " + progress->stage, {left, top}, TextAnchor::TopLeft,
                            style(16, LABEL));
        const float width = panel.width - 2.0f * EditorLayout::MARGIN;
        const sf::FloatRect bar(left, top + 34.0f, width, 18.0f);
        renderer.drawBox(bar, BUTTON_OFF, PANEL_LINE, 1.0f);
        const float done = std::clamp(progress->fraction, 0.0f, 1.0f);
        renderer.drawBox({bar.left, bar.top, bar.width * done, bar.height}, PROVEN, PROVEN, 0.0f);
        renderer.drawTextAt(percent(done), {left, bar.top + bar.height + 10.0f},
                            TextAnchor::TopLeft, style(14, DIM_LABEL));
        return;
    }
    const float width = panel.width - 2.0f * EditorLayout::MARGIN;
    if (verdict->proven) {
        renderer.drawTextAt("Proven", {left, top}, TextAnchor::TopLeft, style(18, PROVEN));
        top += 28.0f;
    } else {
        renderer.drawTextAt("Not proven", {left, top}, TextAnchor::TopLeft, style(18, UNPROVEN));
        top += 24.0f;
        renderer.drawTextAt(fitted(renderer, verdict->reason, style(14, UNPROVEN), width),
                            {left, top}, TextAnchor::TopLeft, style(14, UNPROVEN));
        top += 22.0f;
    }
    renderer.drawTextAt("Best score " + std::to_string(verdict->bestScore), {left, top},
                        TextAnchor::TopLeft, style(15, LABEL));
    renderer.drawTextAt(starsText(verdict->stars),
                        {panel.left + panel.width - EditorLayout::MARGIN, top},
                        TextAnchor::TopRight, style(18, GOLD));
    top += 24.0f;
    renderer.drawTextAt("Players win " + percent(verdict->winShare) + ", three stars " +
                            percent(verdict->threeStarShare),
                        {left, top}, TextAnchor::TopLeft, style(14, DIM_LABEL));
    if (!verdict->solutionReplay.empty()) {
        drawButton(renderer, layout.showMeButton(), "Show me", true);
    }
}

void EditorScreen::drawNameBox(Renderer& renderer, const EditorLayout& layout) const {
    const sf::FloatRect box = layout.nameBox();
    renderer.drawBox(box, PANEL_FILL, ARMED, 2.0f);
    renderer.drawTextAt("Name this level (letters, digits, - and _)",
                        {box.left + EditorLayout::MARGIN * 2.0f, box.top + 14.0f},
                        TextAnchor::TopLeft, style(16, LABEL));
    const sf::FloatRect field(box.left + 16.0f, box.top + 44.0f, box.width - 32.0f, 30.0f);
    renderer.drawBox(field, sf::Color(20, 22, 30), PANEL_LINE, 1.0f);
    renderer.drawTextAt(typedName + "_", {field.left + 6.0f, centreOf(field).y},
                        TextAnchor::CentreLeft, style(18, sf::Color::White), "Ag");
    renderer.drawTextAt("Enter saves, Esc cancels",
                        {box.left + 16.0f, box.top + box.height - 26.0f}, TextAnchor::TopLeft,
                        style(13, DIM_LABEL));
}
