#pragma once

#include "level/LevelPiece.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A level being edited: its pieces in file order and its background, with an
// unbounded undo and redo of every change. Reads a file by the loader's own
// rules (so a file from anywhere is bounded the same way) and writes it back
// in the format the game ships, one record per line.
class LevelDocument {
public:
    // One undoable change. Insert puts `after` at index; Erase removes the
    // piece at index (which was `before`); Change replaces `before` with
    // `after` at index; Background swaps the background keys; Clear empties
    // the level, keeping what it held in `cleared` and `backgroundBefore`.
    struct Edit {
        enum class Kind { Insert, Erase, Change, Background, Clear };
        Kind kind = Kind::Change;
        std::size_t index = 0;
        LevelPiece before;
        LevelPiece after;
        std::string backgroundBefore;
        std::string backgroundAfter;
        std::vector<LevelPiece> cleared;
    };

    // The level in the file at path, or nothing when the file cannot be read
    // (error says why), or is not a regular file (a FIFO would never end).
    // Records the loader skips are left out, as in play.
    static std::optional<LevelDocument> load(const std::string& path, std::string& error);

    // The document in the level file format; loading it gives this document.
    std::string toText() const;

    // Where a level named `name` is kept in the player's data folder:
    // dataDir/levels/NAME.txt. Nothing for a name that is not 1 to
    // MAX_NAME_LENGTH letters, digits, '-' or '_' (a name never leaves the folder).
    static std::optional<std::filesystem::path> savePathFor(const std::filesystem::path& dataDir,
                                                            const std::string& name);
    // Writes the document atomically to path, making its folder when needed,
    // and logs "Level saved: PATH". Returns an empty text, or what failed.
    std::string saveTo(const std::filesystem::path& path) const;

    // Changes made through these are undoable. Each returns false, changing
    // nothing, for a change the loader would refuse (a number outside its
    // bounds, an index past the end, a level already full).
    bool insert(std::size_t index, const LevelPiece& piece);
    bool append(const LevelPiece& piece) { return insert(pieceList.size(), piece); }
    bool erase(std::size_t index);
    bool change(std::size_t index, const LevelPiece& piece);
    // A key is one word of at most MAX_BACKGROUND_LENGTH characters (or
    // empty, for none); anything else is refused.
    bool setBackground(const std::string& key);
    // Empties the level, pieces and background, as one change: a single
    // undo brings the whole level back. An empty level stays as it is.
    void clear();

    bool canUndo() const { return !undoStack.empty(); }
    bool canRedo() const { return !redoStack.empty(); }
    // Undo reverts the latest change; redo makes the latest undone change
    // again. A new change forgets what could be redone.
    bool undo();
    bool redo();

    const std::vector<LevelPiece>& pieces() const { return pieceList; }
    const std::string& background() const { return backgroundKey; }

    // Same pieces in the same order and the same background; the history is
    // not compared.
    bool sameLevelAs(const LevelDocument& other) const {
        return pieceList == other.pieceList && backgroundKey == other.backgroundKey;
    }

    // Whether the loader would accept piece as it stands.
    static bool withinBounds(const LevelPiece& piece);

    static constexpr std::size_t MAX_NAME_LENGTH = 64;
    static constexpr std::size_t MAX_BACKGROUND_LENGTH = 64;

private:
    void record(Edit edit);
    void apply(const Edit& edit, bool forward);

    std::vector<LevelPiece> pieceList;
    std::string backgroundKey;
    std::vector<Edit> undoStack;
    std::vector<Edit> redoStack;
};
