#include "core/OwnLevel.h"

#include "assets/Narration.h"
#include "core/Replay.h"
#include "level/LevelLoader.h"
#include "level/LevelPiece.h"

#include <cstdio>
#include <filesystem>
#include <variant>

std::optional<OwnLevel> OwnLevel::open(const std::string& path, std::string& why) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || !std::filesystem::is_regular_file(path, error)) {
        why = "the file cannot be read";
        return std::nullopt;
    }
    if (size > LevelLoader::MAX_FILE_BYTES) {
        why = "the file is longer than " + std::to_string(LevelLoader::MAX_FILE_BYTES) + " bytes";
        return std::nullopt;
    }
    LevelLoader::Records records;
    {
        // The loader's warnings name what it skipped; the reason below is enough here.
        const Narration::Quiet quiet;
        records = LevelLoader::readRecords(path);
    }
    if (!records.opened) {
        why = "the file cannot be read";
        return std::nullopt;
    }
    bool bird = false;
    bool enemy = false;
    for (const LevelLoader::Record& record : records.records) {
        if (const auto* piece = std::get_if<LevelPiece>(&record.content)) {
            bird = bird || std::holds_alternative<BirdPiece>(*piece);
            enemy = enemy || std::holds_alternative<EnemyPiece>(*piece);
        }
    }
    if (!bird || !enemy) {
        why = !bird && !enemy ? "it holds no birds and no enemies"
              : !bird         ? "it holds no birds"
                              : "it holds no enemies";
        return std::nullopt;
    }
    const std::optional<std::uint64_t> hash = Replay::levelFileHash(path);
    if (!hash) {
        why = "the file cannot be read";
        return std::nullopt;
    }
    return OwnLevel{path, *hash};
}

std::string OwnLevel::key() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

ReplayShelf OwnLevel::shelf(const ReplayShelf& shipped) const {
    const std::filesystem::path folder = shipped.folderPath();
    return ReplayShelf(folder.empty() ? folder : folder / FOLDER_NAME / key());
}

std::string OwnLevel::progressPath(const std::string& dataDir) const {
    if (dataDir.empty()) {
        return "";
    }
    return (std::filesystem::path(dataDir) / FOLDER_NAME / (key() + ".progress.txt")).string();
}
