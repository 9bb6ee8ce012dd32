#include "core/GameTestSupport.h"
#include "core/OwnLevelList.h"
#include "core/ReplayPlayer.h"
#include "entities/Enemy.h"
#include "level/LevelDocument.h"
#include "level/LevelLoader.h"
#include "ui/EditorLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

sf::Vector2i pixel(sf::Vector2f point) {
    return {static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y))};
}

sf::Vector2i middle(const sf::FloatRect& rect) {
    return pixel({rect.left + rect.width * 0.5f, rect.top + rect.height * 0.5f});
}

sf::Event controlKey(sf::Keyboard::Key key) {
    sf::Event event = keyPress(key);
    event.key.control = true;
    return event;
}

// A game on its editor, driven only by the events a player's hands make.
class EditorFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        send(keyPress(sf::Keyboard::E));
        ASSERT_EQ(game->stateManager.state, Editor);
    }

    void send(const sf::Event& event) { game->input.handleEvent(event); }
    void click(sf::Vector2i at) {
        send(mousePress(at.x, at.y));
        send(mouseRelease(at.x, at.y));
    }
    void dragFrom(sf::Vector2i from, sf::Vector2i to) {
        send(mousePress(from.x, from.y));
        send(mouseMove((from.x + to.x) / 2, (from.y + to.y) / 2));
        send(mouseMove(to.x, to.y));
        send(mouseRelease(to.x, to.y));
    }
    EditorLayout layout() const { return EditorLayout(game->window.getSize()); }
    sf::Vector2i windowPointOf(sf::Vector2f levelPoint) const {
        return pixel(
            layout().toWindow(levelPoint, game->editor.fieldCamera(game->window.getSize())));
    }
    sf::Vector2f levelPointOf(sf::Vector2i at) const {
        return layout().toLevel(sf::Vector2f(at), game->editor.fieldCamera(game->window.getSize()));
    }
    const LevelDocument& doc() const { return game->editor.document(); }
    const BlockPiece& blockAt(std::size_t index) const {
        return std::get<BlockPiece>(doc().pieces().at(index));
    }

    std::unique_ptr<Game> game;
};

float snapped(float value) {
    return std::round(value / EditorScreen::GRID_STEP) * EditorScreen::GRID_STEP;
}

TEST_F(EditorFlowTest, ALevelBuiltByInputIsSavedReloadedPlayedAndReturnedUnchanged) {
    // Place a tall wood post and a stone plank from the palette.
    click(middle(layout().blockTile(0, EditorLayout::TallShape)));
    const sf::Vector2i postAt = windowPointOf({700.0f, 500.0f});
    click(postAt);
    ASSERT_EQ(doc().pieces().size(), 1u);
    const sf::Vector2f placed = levelPointOf(postAt);
    EXPECT_EQ(blockAt(0), (BlockPiece{WOOD, snapped(placed.x), snapped(placed.y), 20.0f, 80.0f}));
    click(middle(layout().blockTile(1, EditorLayout::LongShape)));
    click(windowPointOf({900.0f, 400.0f}));
    ASSERT_EQ(doc().pieces().size(), 2u);
    EXPECT_EQ(blockAt(1).material, STONE);
    EXPECT_EQ(blockAt(1).width, 120.0f);

    // Drag the post: it moves with the pointer, on the grid, as one change.
    const BlockPiece before = blockAt(0);
    const sf::Vector2i grab = windowPointOf({before.x, before.y});
    const sf::Vector2i drop = grab + sf::Vector2i(60, -30);
    dragFrom(grab, drop);
    const sf::Vector2f moved =
        sf::Vector2f(before.x, before.y) + levelPointOf(drop) - levelPointOf(grab);
    EXPECT_EQ(blockAt(0).x, snapped(moved.x));
    EXPECT_EQ(blockAt(0).y, snapped(moved.y));
    EXPECT_NE(blockAt(0).x, before.x);
    ASSERT_EQ(game->editor.selection(), 0u);

    // Resize it by its lower right handle: the upper left corner stays.
    const BlockPiece post = blockAt(0);
    const sf::Vector2f upperLeft(post.x - post.width / 2, post.y - post.height / 2);
    const sf::Vector2i handle = windowPointOf({post.x + post.width / 2, post.y + post.height / 2});
    dragFrom(handle, windowPointOf({upperLeft.x + 40.0f, upperLeft.y + 120.0f}));
    EXPECT_EQ(blockAt(0).width, 40.0f);
    EXPECT_EQ(blockAt(0).height, 120.0f);
    EXPECT_FLOAT_EQ(blockAt(0).x - blockAt(0).width / 2, upperLeft.x);
    EXPECT_FLOAT_EQ(blockAt(0).y - blockAt(0).height / 2, upperLeft.y);

    // Undo takes back the resize, then the move; redo brings both again.
    const std::string resized = doc().toText();
    send(controlKey(sf::Keyboard::Z));
    EXPECT_EQ(blockAt(0), post);
    send(controlKey(sf::Keyboard::Z));
    EXPECT_EQ(blockAt(0), before);
    send(controlKey(sf::Keyboard::Y));
    send(controlKey(sf::Keyboard::Y));
    EXPECT_EQ(doc().toText(), resized);

    // An enemy and a queue of two birds, reordered.
    click(middle(layout().enemyTile(1)));
    click(windowPointOf({760.0f, 520.0f}));
    click(middle(layout().birdTile(0)));
    click(middle(layout().birdTile(1)));
    click(middle(layout().queueSlot(1)));
    click(middle(layout().queueEarlier()));
    std::vector<BirdKind> queue;
    for (const LevelPiece& piece : doc().pieces()) {
        if (const auto* bird = std::get_if<BirdPiece>(&piece)) {
            queue.push_back(bird->kind);
        }
    }
    EXPECT_EQ(queue, (std::vector<BirdKind>{Boost, Normal}));

    // Duplicate and delete the plank: the level is as before.
    const std::string withQueue = doc().toText();
    click(windowPointOf({blockAt(1).x, blockAt(1).y}));
    ASSERT_EQ(game->editor.selection(), 1u);
    send(controlKey(sf::Keyboard::D));
    EXPECT_EQ(doc().pieces().size(), 6u);
    send(keyPress(sf::Keyboard::Delete));
    EXPECT_EQ(doc().toText(), withQueue);

    // Save under a typed name; the owner hears where it went.
    std::filesystem::path heard;
    game->onLevelSaved = [&](const std::filesystem::path& path) { heard = path; };
    send(controlKey(sf::Keyboard::S));
    ASSERT_TRUE(game->editor.isNaming());
    const std::string name = "built-" + std::to_string(::getpid());
    for (const char c : name + "!/") {
        send(textEntered(static_cast<sf::Uint32>(c)));
    }
    send(keyPress(sf::Keyboard::Enter));
    EXPECT_FALSE(game->editor.isNaming());
    EXPECT_EQ(game->editor.levelName(), name);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.filename().string(), name + ".txt");
    std::string error;
    const std::optional<LevelDocument> reloaded = LevelDocument::load(heard.string(), error);
    ASSERT_TRUE(reloaded) << error;
    EXPECT_TRUE(reloaded->sameLevelAs(doc()));

    // Play it: the attempt is built from the level as it stands.
    const std::string text = doc().toText();
    const std::optional<std::size_t> selection = game->editor.selection();
    send(keyPress(sf::Keyboard::F5));
    ASSERT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->countEnemies(), 1);
    EXPECT_EQ(game->countUnlaunchedBirds(), 2);
    game->update(0.5f);
    send(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Editor);
    EXPECT_EQ(doc().toText(), text);
    EXPECT_TRUE(doc().canUndo());
    EXPECT_EQ(game->editor.selection(), selection);
    EXPECT_FALSE(game->isTestPlaying());
    std::filesystem::remove(heard);
}

TEST_F(EditorFlowTest, AWonTestPlayReturnsToTheEditorAndKeepsNothing) {
    // No enemy: the level counts as cleared as soon as it starts.
    click(middle(layout().birdTile(0)));
    std::vector<int> starsBefore;
    for (const LevelBest& best : game->progress.levels()) {
        starsBefore.push_back(best.stars);
    }
    const int totalBefore = game->totalScore;
    send(keyPress(sf::Keyboard::F5));
    ASSERT_EQ(game->stateManager.state, Playing);
    for (int frame = 0; frame < 60 * 10 && game->stateManager.state == Playing; ++frame) {
        game->update(Game::STEP_SECONDS);
    }
    EXPECT_EQ(game->stateManager.state, Editor);
    EXPECT_EQ(game->editor.statusLine().rfind("Test play won", 0), 0u) << game->editor.statusLine();
    std::vector<int> starsAfter;
    for (const LevelBest& best : game->progress.levels()) {
        starsAfter.push_back(best.stars);
    }
    EXPECT_EQ(starsAfter, starsBefore);
    EXPECT_EQ(game->totalScore, totalBefore);
    EXPECT_EQ(doc().pieces().size(), 1u);
}

TEST_F(EditorFlowTest, PlacingOutsideTheLevelBoundsOrABadNameChangesNothing) {
    // Zoomed far out, the pointer reaches past the loader's bounds.
    for (int i = 0; i < 12; ++i) {
        sf::Event wheel;
        wheel.type = sf::Event::MouseWheelScrolled;
        wheel.mouseWheelScroll.delta = -1.0f;
        const sf::Vector2i at = middle(layout().field);
        wheel.mouseWheelScroll.x = at.x;
        wheel.mouseWheelScroll.y = at.y;
        send(wheel);
    }
    const sf::FloatRect field = layout().field;
    const sf::Vector2i corner = pixel({field.left + 2.0f, field.top + 2.0f});
    const sf::Vector2f far = levelPointOf(corner);
    click(middle(layout().blockTile(0, EditorLayout::SquareShape)));
    click(corner);
    ASSERT_FALSE(FieldCamera::LEVEL_BOUNDS.contains(far));
    EXPECT_TRUE(doc().pieces().empty());
    // A name with nothing allowed in it is never saved.
    click(middle(layout().birdTile(2)));
    send(controlKey(sf::Keyboard::S));
    for (const char c : std::string("../")) {
        send(textEntered(static_cast<sf::Uint32>(c)));
    }
    send(keyPress(sf::Keyboard::Enter));
    EXPECT_TRUE(game->editor.isNaming());
    EXPECT_TRUE(game->editor.levelName().empty());
    send(keyPress(sf::Keyboard::Escape));
    EXPECT_FALSE(game->editor.isNaming());
    EXPECT_EQ(game->stateManager.state, Editor);
    send(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Menu);
}

// The proof panel, from plain data: a bar while it runs, the verdict after,
// and "Show me" only where there is a solution to show.
TEST_F(EditorFlowTest, TheProofPanelShowsProgressThenTheVerdictAndItsSolution) {
    std::string shown;
    game->onShowSolution = [&](const std::string& replay) { shown = replay; };
    const auto drawnTexts = [&] {
        game->renderer.startRecording();
        game->drawFrame();
        game->renderer.stopRecording();
        std::vector<DrawnElement> texts;
        for (const DrawnElement& element : game->renderer.recorded()) {
            if (element.kind == DrawnElement::Text) {
                texts.push_back(element);
            }
        }
        return texts;
    };
    const auto find = [](const std::vector<DrawnElement>& texts, const std::string& part) {
        return std::find_if(texts.begin(), texts.end(), [&](const DrawnElement& element) {
            return element.text.find(part) != std::string::npos;
        });
    };
    const sf::FloatRect panel = layout().proofPanel();
    const auto inPanel = [&](const DrawnElement& element) {
        return panel.contains(element.pixels.left, element.pixels.top) &&
               panel.contains(element.pixels.left + element.pixels.width,
                              element.pixels.top + element.pixels.height);
    };

    ProofProgress progress{0.4f, "Searching for a win"};
    game->editor.showProof(&progress, nullptr);
    std::vector<DrawnElement> texts = drawnTexts();
    auto stage = find(texts, "Searching for a win");
    ASSERT_NE(stage, texts.end());
    EXPECT_TRUE(inPanel(*stage));
    EXPECT_EQ(find(texts, "Show me"), texts.end());

    ProofVerdict verdict;
    verdict.reason = "it cannot be won with its birds";
    verdict.bestScore = 4200;
    verdict.stars = 1;
    game->editor.showProof(nullptr, &verdict);
    texts = drawnTexts();
    ASSERT_NE(find(texts, verdict.reason), texts.end());
    EXPECT_NE(find(texts, "4200"), texts.end());
    EXPECT_EQ(find(texts, "Show me"), texts.end());
    click(middle(layout().showMeButton()));
    EXPECT_TRUE(shown.empty());

    verdict = ProofVerdict{};
    verdict.proven = true;
    verdict.bestScore = 9100;
    verdict.stars = 3;
    verdict.solutionReplay = "replay bytes";
    texts = drawnTexts();
    const auto button = find(texts, "Show me");
    ASSERT_NE(button, texts.end());
    EXPECT_TRUE(inPanel(*button));
    const sf::FloatRect hit = layout().showMeButton();
    EXPECT_TRUE(hit.contains(button->pixels.left + button->pixels.width / 2,
                             button->pixels.top + button->pixels.height / 2));
    click(middle(hit));
    EXPECT_EQ(shown, "replay bytes");
    EXPECT_TRUE(doc().pieces().empty());
}

TEST_F(EditorFlowTest, NewLevelStartsEmptyUnnamedAndOneUndoBringsTheOldLevelBack) {
    click(middle(layout().blockTile(2, EditorLayout::SquareShape)));
    click(windowPointOf({800.0f, 540.0f}));
    click(middle(layout().birdTile(1)));
    click(middle(layout().backgroundButton()));
    std::filesystem::path saved;
    game->onLevelSaved = [&](const std::filesystem::path& path) { saved = path; };
    send(controlKey(sf::Keyboard::S));
    const std::string name = "old-" + std::to_string(::getpid());
    for (const char c : name) {
        send(textEntered(static_cast<sf::Uint32>(c)));
    }
    send(keyPress(sf::Keyboard::Enter));
    ASSERT_EQ(game->editor.levelName(), name);
    const std::string old = doc().toText();
    click(windowPointOf({800.0f, 540.0f}));
    ASSERT_TRUE(game->editor.selection());

    click(middle(layout().toolButton(EditorLayout::NewTool)));
    EXPECT_TRUE(doc().pieces().empty());
    EXPECT_TRUE(doc().background().empty());
    EXPECT_FALSE(game->editor.selection());
    // Its first save must not go over the old level's file.
    EXPECT_TRUE(game->editor.levelName().empty());
    send(controlKey(sf::Keyboard::Z));
    EXPECT_EQ(doc().toText(), old);
    send(controlKey(sf::Keyboard::Y));
    EXPECT_TRUE(doc().pieces().empty());
    send(controlKey(sf::Keyboard::Z));
    send(controlKey(sf::Keyboard::N));
    EXPECT_TRUE(doc().pieces().empty());
    send(controlKey(sf::Keyboard::Z));
    EXPECT_EQ(doc().toText(), old);
    std::filesystem::remove(saved);
}

// The whole way a player's level goes: built by hand, saved under a name,
// proven on the worker while the editor goes on drawing, its solution
// watched from "Show me", and back to the editor with the level as it was.
TEST_F(EditorFlowTest, ALevelBuiltFromNothingIsSavedProvenAndItsSolutionWatched) {
    // A small search: the flow is under test here, not how hard it looks.
    game->proofLimits.searchRuns = 120;
    game->proofLimits.modelPlays = 2;

    // Two wooden posts under a plank, an enemy between them, two birds.
    click(middle(layout().blockTile(0, EditorLayout::TallShape)));
    click(windowPointOf({660.0f, 520.0f}));
    click(middle(layout().blockTile(0, EditorLayout::TallShape)));
    click(windowPointOf({760.0f, 520.0f}));
    click(middle(layout().blockTile(0, EditorLayout::LongShape)));
    click(windowPointOf({710.0f, 470.0f}));
    click(middle(layout().enemyTile(0)));
    click(windowPointOf({710.0f, 540.0f}));
    click(middle(layout().birdTile(0)));
    click(middle(layout().birdTile(0)));
    ASSERT_EQ(doc().pieces().size(), 6u);

    send(controlKey(sf::Keyboard::S));
    ASSERT_TRUE(game->editor.isNaming());
    const std::string name = "proven-" + std::to_string(::getpid());
    for (const char c : name) {
        send(textEntered(static_cast<sf::Uint32>(c)));
    }
    send(keyPress(sf::Keyboard::Enter));
    ASSERT_NE(game->proofJob, nullptr) << "saving did not start the proof";
    const std::string saved = game->provenLevelPath;
    EXPECT_EQ(std::filesystem::path(saved).filename().string(), name + ".txt");
    const std::string text = doc().toText();

    // The editor's frames go on while the worker proves; the wait is bounded
    // by frames drawn, long enough for a machine busy with other things.
    constexpr int MAX_FRAMES = 60 * 120;
    int frame = 0;
    for (; frame < MAX_FRAMES && !game->proofVerdict; ++frame) {
        game->update(Game::STEP_SECONDS);
        game->drawFrame();
        if (!game->proofVerdict) {
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }
    ASSERT_TRUE(game->proofVerdict) << "no verdict after " << frame << " frames";
    const ProofVerdict verdict = *game->proofVerdict;
    ASSERT_TRUE(verdict.proven) << verdict.reason;
    EXPECT_EQ(game->stateManager.state, Editor);
    const std::optional<ProofVerdict> kept =
        OwnLevelList::readVerdict(saved, Replay::levelFileHash(saved).value_or(0));
    ASSERT_TRUE(kept) << "no verdict kept beside " << saved;
    EXPECT_EQ(kept->bestScore, verdict.bestScore);

    // "Show me" where the layout puts it: the solution plays to its win.
    click(middle(layout().showMeButton()));
    ASSERT_EQ(game->stateManager.state, Watching);
    for (int step = 0; step < static_cast<int>(ReplayPlayer::SETTLE_STEPS) * 2 &&
                       game->watchPlayer != nullptr && !game->watchPlayer->finished();
         ++step) {
        game->update(Game::STEP_SECONDS);
    }
    ASSERT_NE(game->watchPlayer, nullptr);
    EXPECT_TRUE(game->watchPlayer->finished());
    EXPECT_TRUE(game->attempt.won());
    EXPECT_EQ(game->attempt.score(), verdict.bestScore);
    EXPECT_EQ(game->attempt.stars(), verdict.stars);

    send(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Editor);
    EXPECT_EQ(doc().toText(), text);
    EXPECT_EQ(game->editor.levelName(), name);
    EXPECT_FALSE(game->ownLevel.has_value());
    std::filesystem::remove(saved);
    std::filesystem::remove(OwnLevelList::proofPath(saved));
}

} // namespace
