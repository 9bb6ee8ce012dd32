#include "level/LevelDocument.h"

#include "level/LevelLoader.h"
#include "online/AtomicFile.h"

#include <charconv>
#include <iostream>
#include <system_error>

namespace {

// The shortest text that reads back as the same float: 660, 0.5, 12.25.
std::string numberText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The material word the shipped files use; the TALL/LONG part follows the
// shape, as a reader of the file expects, though the loader ignores it.
std::string materialWord(const BlockPiece& block) {
    const char* shape = block.height > block.width ? "TALL_" : "LONG_";
    switch (block.material) {
    case STONE:
        return std::string(shape) + "ROCK";
    case METAL:
        return std::string(shape) + "METAL";
    case GLASS:
        return std::string(shape) + "GLASS";
    case WOOD:
        break;
    }
    return std::string(shape) + "WOOD";
}

bool positionInBounds(float x, float y) {
    constexpr float limit = LevelLoader::MAX_POSITION_PX;
    return x >= -limit && x <= limit && y >= -limit && y <= limit;
}

bool sizeInBounds(float size) {
    return size >= LevelLoader::MIN_SIZE_PX && size <= LevelLoader::MAX_SIZE_PX;
}

// Pieces that take one of the level's entity places (all of them do).
constexpr std::size_t entityLimit = LevelLoader::MAX_ENTITIES;

} // namespace

std::optional<LevelDocument> LevelDocument::load(const std::string& path, std::string& error) {
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) {
        error = path + " is not a level file";
        return std::nullopt;
    }
    const LevelLoader::Records read = LevelLoader::readRecords(path);
    if (!read.opened) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    LevelDocument document;
    for (const LevelLoader::Record& record : read.records) {
        if (const auto* background = std::get_if<LevelLoader::BackgroundRecord>(&record.content)) {
            document.backgroundKey = background->key;
        } else {
            document.pieceList.push_back(std::get<LevelPiece>(record.content));
        }
    }
    return document;
}

std::string LevelDocument::toText() const {
    std::string text;
    if (!backgroundKey.empty()) {
        text += "BACKGROUND " + backgroundKey + "\n";
    }
    for (const LevelPiece& piece : pieceList) {
        if (const auto* block = std::get_if<BlockPiece>(&piece)) {
            text += "BLOCK " + materialWord(*block) + " " + numberText(block->x) + " " +
                    numberText(block->y) + " " + numberText(block->width) + " " +
                    numberText(block->height) + "\n";
        } else if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
            const EnemyKindInfo& info = enemyKindInfo(enemy->kind);
            text +=
                std::string(info.keyword) + " " + numberText(enemy->x) + " " + numberText(enemy->y);
            // The kind's own health is left out, as the shipped files do.
            if (enemy->health != info.defaultHealth) {
                text += " " + numberText(enemy->health);
            }
            text += "\n";
        } else {
            const auto& bird = std::get<BirdPiece>(piece);
            text += std::string("BIRD ") + birdKindInfo(bird.kind).word + " " +
                    std::to_string(bird.id) + "\n";
        }
    }
    return text;
}

std::optional<std::filesystem::path>
LevelDocument::savePathFor(const std::filesystem::path& dataDir, const std::string& name) {
    if (name.empty() || name.size() > MAX_NAME_LENGTH || dataDir.empty()) {
        return std::nullopt;
    }
    for (const char c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!allowed) {
            return std::nullopt;
        }
    }
    return dataDir / "levels" / (name + ".txt");
}

std::string LevelDocument::saveTo(const std::filesystem::path& path) const {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    const std::string error = AtomicFile::write(path.string(), toText());
    if (error.empty()) {
        std::cout << "Level saved: " << path.string() << std::endl;
    }
    return error;
}

bool LevelDocument::withinBounds(const LevelPiece& piece) {
    if (const auto* block = std::get_if<BlockPiece>(&piece)) {
        return positionInBounds(block->x, block->y) && sizeInBounds(block->width) &&
               sizeInBounds(block->height);
    }
    if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
        return positionInBounds(enemy->x, enemy->y) && enemy->health >= LevelLoader::MIN_HEALTH &&
               enemy->health <= LevelLoader::MAX_HEALTH;
    }
    const auto& bird = std::get<BirdPiece>(piece);
    return bird.id >= LevelLoader::MIN_BIRD_ID && bird.id <= LevelLoader::MAX_BIRD_ID;
}

bool LevelDocument::insert(std::size_t index, const LevelPiece& piece) {
    if (index > pieceList.size() || pieceList.size() >= entityLimit || !withinBounds(piece)) {
        return false;
    }
    Edit edit;
    edit.kind = Edit::Kind::Insert;
    edit.index = index;
    edit.after = piece;
    record(std::move(edit));
    return true;
}

bool LevelDocument::erase(std::size_t index) {
    if (index >= pieceList.size()) {
        return false;
    }
    Edit edit;
    edit.kind = Edit::Kind::Erase;
    edit.index = index;
    edit.before = pieceList[index];
    record(std::move(edit));
    return true;
}

bool LevelDocument::change(std::size_t index, const LevelPiece& piece) {
    if (index >= pieceList.size() || !withinBounds(piece)) {
        return false;
    }
    if (pieceList[index] == piece) {
        return true; // nothing to undo
    }
    Edit edit;
    edit.kind = Edit::Kind::Change;
    edit.index = index;
    edit.before = pieceList[index];
    edit.after = piece;
    record(std::move(edit));
    return true;
}

bool LevelDocument::setBackground(const std::string& key) {
    if (key.size() > MAX_BACKGROUND_LENGTH) {
        return false;
    }
    for (const char c : key) {
        if (c <= ' ' || c == '\x7f') {
            return false;
        }
    }
    if (key == backgroundKey) {
        return true;
    }
    Edit edit;
    edit.kind = Edit::Kind::Background;
    edit.backgroundBefore = backgroundKey;
    edit.backgroundAfter = key;
    record(std::move(edit));
    return true;
}

void LevelDocument::clear() {
    if (pieceList.empty() && backgroundKey.empty()) {
        return;
    }
    Edit edit;
    edit.kind = Edit::Kind::Clear;
    edit.cleared = pieceList;
    edit.backgroundBefore = backgroundKey;
    record(std::move(edit));
}

bool LevelDocument::undo() {
    if (undoStack.empty()) {
        return false;
    }
    Edit edit = std::move(undoStack.back());
    undoStack.pop_back();
    apply(edit, false);
    redoStack.push_back(std::move(edit));
    return true;
}

bool LevelDocument::redo() {
    if (redoStack.empty()) {
        return false;
    }
    Edit edit = std::move(redoStack.back());
    redoStack.pop_back();
    apply(edit, true);
    undoStack.push_back(std::move(edit));
    return true;
}

void LevelDocument::record(Edit edit) {
    apply(edit, true);
    undoStack.push_back(std::move(edit));
    redoStack.clear();
}

void LevelDocument::apply(const Edit& edit, bool forward) {
    const auto at = pieceList.begin() + static_cast<std::ptrdiff_t>(edit.index);
    switch (edit.kind) {
    case Edit::Kind::Insert:
        if (forward) {
            pieceList.insert(at, edit.after);
        } else {
            pieceList.erase(at);
        }
        break;
    case Edit::Kind::Erase:
        if (forward) {
            pieceList.erase(at);
        } else {
            pieceList.insert(at, edit.before);
        }
        break;
    case Edit::Kind::Change:
        *at = forward ? edit.after : edit.before;
        break;
    case Edit::Kind::Background:
        backgroundKey = forward ? edit.backgroundAfter : edit.backgroundBefore;
        break;
    case Edit::Kind::Clear:
        pieceList = forward ? std::vector<LevelPiece>{} : edit.cleared;
        backgroundKey = forward ? std::string{} : edit.backgroundBefore;
        break;
    }
}
