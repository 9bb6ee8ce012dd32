#include "online/PendingScores.h"

#include "assets/DataPaths.h"
#include "online/AtomicFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <ostream>

namespace {

bool isIdText(const std::string& text) {
    return !text.empty() && text.size() <= PendingScores::MAX_USER_ID_LENGTH &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
           });
}

std::optional<std::int64_t> wholeNumber(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) {
        return std::nullopt;
    }
    if (found->is_number_unsigned() &&
        found->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
        return std::nullopt;
    }
    return found->get<std::int64_t>();
}

std::optional<PendingScores::Entry> readEntry(const nlohmann::json& row) {
    if (!row.is_object()) {
        return std::nullopt;
    }
    const auto id = wholeNumber(row, "id");
    const auto level = wholeNumber(row, "level");
    const auto score = wholeNumber(row, "score");
    const auto user = row.find("user_id");
    if (!id || *id <= 0 || !level || *level < 0 || *level > PendingScores::MAX_LEVEL_INDEX ||
        !score || *score < 0 || *score > std::numeric_limits<int>::max() || user == row.end() ||
        !user->is_string() || !isIdText(user->get<std::string>())) {
        return std::nullopt;
    }
    return PendingScores::Entry{static_cast<std::uint64_t>(*id), user->get<std::string>(),
                                static_cast<int>(*level), static_cast<int>(*score)};
}

} // namespace

PendingScores::PendingScores(std::string path) : path(std::move(path)) {}

PendingScores PendingScores::forThisProcess() {
    const std::filesystem::path& dir = DataPaths::forThisProcess().playerDataDir();
    return PendingScores(dir.empty() ? std::string() : (dir / FILE_NAME).string());
}

std::string PendingScores::serialize(const std::vector<Entry>& entries, std::uint64_t nextId) {
    nlohmann::json rows = nlohmann::json::array();
    for (const Entry& entry : entries) {
        rows.push_back({{"id", entry.id},
                        {"user_id", entry.userId},
                        {"level", entry.level},
                        {"score", entry.score}});
    }
    const nlohmann::json file = {
        {"version", FORMAT_VERSION}, {"next_id", nextId}, {"scores", rows}};
    return file.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::vector<PendingScores::Entry> PendingScores::parse(std::string_view text, std::uint64_t& nextId,
                                                       std::string& why) {
    std::vector<Entry> entries;
    nextId = 1;
    if (text.size() > MAX_FILE_SIZE) {
        why = "it is larger than " + std::to_string(MAX_FILE_SIZE) + " bytes";
        return entries;
    }
    const nlohmann::json file = nlohmann::json::parse(text, nullptr, false);
    if (file.is_discarded() || !file.is_object() ||
        wholeNumber(file, "version") != FORMAT_VERSION || !file.contains("scores") ||
        !file.at("scores").is_array()) {
        why = "it is not a list of scores of format version " + std::to_string(FORMAT_VERSION);
        return entries;
    }
    std::size_t dropped = 0;
    for (const nlohmann::json& row : file.at("scores")) {
        const std::optional<Entry> entry = readEntry(row);
        // Ids only grow: one out of order (or repeated) was not written here,
        // and sending it could send a score twice.
        if (!entry || (!entries.empty() && entry->id <= entries.back().id)) {
            ++dropped;
            continue;
        }
        entries.push_back(*entry);
    }
    if (entries.size() > MAX_ENTRIES) {
        dropped += entries.size() - MAX_ENTRIES;
        entries.erase(entries.begin(),
                      entries.begin() + static_cast<std::ptrdiff_t>(entries.size() - MAX_ENTRIES));
    }
    if (dropped > 0) {
        why = std::to_string(dropped) + " entries were not usable";
    }
    const auto written = wholeNumber(file, "next_id");
    const std::uint64_t afterLast = entries.empty() ? 1 : entries.back().id + 1;
    nextId = std::max(afterLast, written && *written > 0 ? static_cast<std::uint64_t>(*written)
                                                         : std::uint64_t{1});
    return entries;
}

void PendingScores::load(std::ostream& warnings) {
    held.clear();
    nextId = 1;
    if (path.empty()) {
        return;
    }
    const AtomicFile::ReadResult read = AtomicFile::readRegular(path, MAX_FILE_SIZE + 1);
    if (read.status == AtomicFile::ReadResult::Status::Missing) {
        return;
    }
    std::string why;
    if (read.status != AtomicFile::ReadResult::Status::Read) {
        why = "it is not a readable plain file of at most " + std::to_string(MAX_FILE_SIZE) +
              " bytes";
    } else {
        held = parse(read.text, nextId, why);
    }
    if (!why.empty()) {
        warnings << "PendingScores: " << path << ": " << why << std::endl;
    }
}

bool PendingScores::add(const std::string& userId, int level, int score, std::ostream& warnings) {
    if (!isIdText(userId) || level < 0 || level > MAX_LEVEL_INDEX || score < 0) {
        return false;
    }
    if (held.size() >= MAX_ENTRIES) {
        held.erase(held.begin());
    }
    held.push_back({nextId++, userId, level, score});
    return save(warnings);
}

std::optional<PendingScores::Entry> PendingScores::oldestFor(const std::string& userId) const {
    const auto found = std::find_if(
        held.begin(), held.end(), [&userId](const Entry& entry) { return entry.userId == userId; });
    if (found == held.end()) {
        return std::nullopt;
    }
    return *found;
}

bool PendingScores::remove(std::uint64_t id, std::ostream& warnings) {
    const auto kept = std::remove_if(held.begin(), held.end(),
                                     [id](const Entry& entry) { return entry.id == id; });
    if (kept == held.end()) {
        return true;
    }
    held.erase(kept, held.end());
    return save(warnings);
}

bool PendingScores::save(std::ostream& warnings) const {
    if (path.empty()) {
        return true;
    }
    if (!DataPaths::makePrivateDirectory(std::filesystem::path(path).parent_path())) {
        warnings << "PendingScores: cannot make the folder of " << path << std::endl;
        return false;
    }
    if (const std::string error = AtomicFile::write(path, serialize(held, nextId));
        !error.empty()) {
        warnings << "PendingScores: cannot save " << path << ": " << error << std::endl;
        return false;
    }
    return true;
}
