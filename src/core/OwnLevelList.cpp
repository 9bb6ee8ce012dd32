#include "core/OwnLevelList.h"

#include "assets/DataPaths.h"
#include "online/AtomicFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace {

constexpr std::size_t MAX_REASON_LENGTH = 300;

// Keys of the verdict file, one "key value" line each.
constexpr const char* HASH_KEY = "level_hash";

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    if (text.size() > MAX_REASON_LENGTH) {
        text.resize(MAX_REASON_LENGTH);
    }
    return text;
}

std::optional<long long> wholeNumber(const std::string& text, long long low, long long high) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> share(const std::string& text) {
    std::istringstream in(text);
    double value = -1.0;
    in >> value;
    if (!in || !in.eof() || !std::isfinite(value) || value < 0.0 || value > 1.0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::filesystem::path OwnLevelList::folder() {
    const std::filesystem::path& data = DataPaths::forThisProcess().playerDataDir();
    return data.empty() ? data : data / FOLDER_NAME;
}

std::vector<OwnLevelList::Entry> OwnLevelList::read(const std::filesystem::path& levelsFolder,
                                                    const std::string& dataDir) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(levelsFolder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == ".txt") {
            files.push_back(it->path());
        }
        // A folder of thousands is read no further than a page needs.
        if (files.size() >= MAX_LEVELS * 4) {
            break;
        }
    }
    std::sort(files.begin(), files.end());
    if (files.size() > MAX_LEVELS) {
        files.resize(MAX_LEVELS);
    }
    std::vector<Entry> entries;
    for (const std::filesystem::path& file : files) {
        Entry entry;
        entry.name = file.stem().string();
        entry.path = file.string();
        entry.level = OwnLevel::open(entry.path, entry.error);
        if (entry.level) {
            entry.verdict = readVerdict(entry.path, entry.level->hash);
            ProgressTable progress(entry.level->progressPath(dataDir), 1);
            progress.load();
            entry.best = progress.best(0);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string OwnLevelList::proofPath(const std::string& levelPath) {
    return std::filesystem::path(levelPath).replace_extension(".proof").string();
}

std::string OwnLevelList::writeVerdict(const std::string& levelPath, std::uint64_t levelHash,
                                       const ProofVerdict& verdict) {
    std::ostringstream text;
    text << HASH_KEY << " " << std::hex << std::setw(16) << std::setfill('0') << levelHash
         << std::dec << "\n"
         << "proven " << verdict.proven << "\n"
         << "reason " << oneLine(verdict.reason) << "\n"
         << "stands " << verdict.stands << "\n"
         << "in_view " << verdict.allInView << "\n"
         << "winnable " << verdict.winnable << "\n"
         << "best_score " << verdict.bestScore << "\n"
         << "stars " << verdict.stars << "\n"
         << std::setprecision(6) << "win_share " << verdict.winShare << "\n"
         << "three_star_share " << verdict.threeStarShare << "\n"
         << "search_runs " << verdict.searchRuns << "\n"
         << "model_plays " << verdict.modelPlays << "\n";
    return AtomicFile::write(proofPath(levelPath), text.str());
}

std::optional<ProofVerdict> OwnLevelList::readVerdict(const std::string& levelPath,
                                                      std::uint64_t levelHash) {
    std::ifstream in(proofPath(levelPath), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(MAX_PROOF_BYTES + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > MAX_PROOF_BYTES) {
        return std::nullopt;
    }
    ProofVerdict verdict;
    bool hashMatches = false;
    int fieldsRead = 0;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        const auto flag = [&](bool& field) {
            const auto number = wholeNumber(value, 0, 1);
            field = number && *number == 1;
            return number.has_value();
        };
        bool ok = true;
        if (key == HASH_KEY) {
            std::uint64_t hash = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), hash, 16);
            hashMatches =
                error == std::errc() && end == value.data() + value.size() && hash == levelHash;
        } else if (key == "proven") {
            ok = flag(verdict.proven);
        } else if (key == "reason") {
            verdict.reason = oneLine(value);
        } else if (key == "stands") {
            ok = flag(verdict.stands);
        } else if (key == "in_view") {
            ok = flag(verdict.allInView);
        } else if (key == "winnable") {
            ok = flag(verdict.winnable);
        } else if (key == "best_score") {
            const auto number = wholeNumber(value, 0, ProgressTable::MAX_SCORE);
            verdict.bestScore = static_cast<int>(number.value_or(0));
            ok = number.has_value();
        } else if (key == "stars") {
            const auto number = wholeNumber(value, 0, ProgressTable::MAX_STARS);
            verdict.stars = static_cast<int>(number.value_or(0));
            ok = number.has_value();
        } else if (key == "win_share" || key == "three_star_share") {
            const auto number = share(value);
            (key == "win_share" ? verdict.winShare : verdict.threeStarShare) = number.value_or(0);
            ok = number.has_value();
        } else if (key == "search_runs" || key == "model_plays") {
            const auto number = wholeNumber(value, 0, 1'000'000);
            (key == "search_runs" ? verdict.searchRuns : verdict.modelPlays) =
                static_cast<int>(number.value_or(0));
            ok = number.has_value();
        } else {
            continue;
        }
        if (!ok) {
            return std::nullopt;
        }
        ++fieldsRead;
    }
    // Another content's verdict says nothing of this one.
    if (!hashMatches || fieldsRead < 2) {
        return std::nullopt;
    }
    return verdict;
}
