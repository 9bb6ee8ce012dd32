#include "core/GameStateManager.h"

#include "assets/SoundManager.h"
#include "core/Game.h"
#include "level/ShippedLevels.h"
#include "online/AccountRules.h"
#include "online/SupabaseClient.h"
#include "ui/LoginForm.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <utility>

GameStateManager::GameStateManager(Game& game, SupabaseClient& supabase)
    : game(game), supabase(supabase), sessionStore(SessionStore::forThisProcess()),
      pendingScores(PendingScores::forThisProcess()) {
    pendingScores.load(std::cerr);
}

void GameStateManager::transitionTo(GameState newState) {
    std::cout << "Transitioning from " << static_cast<int>(state) << " to "
              << static_cast<int>(newState) << std::endl;
    // Back from the options the music plays on.
    if (state != OptionsMenu && (newState == Menu || newState == LevelSelect)) {
        SoundManager::getInstance().playMusic(MenuMusic, true);
    } else if (newState == Playing) {
        game.playLevelMusic();
    }
    state = newState;
}

void GameStateManager::showMessage(const std::string& text, float seconds,
                                   std::optional<BirdKind> kind) {
    message = text;
    messageTimer = seconds;
    messageKind = kind;
}

void GameStateManager::resetAttemptFlags() {
    levelEnded = false;
    enemiesCleared = false;
    clearTimer = 0.0f;
    clearPendingLosses();
}

void GameStateManager::clearPendingLosses() {
    gameOverPending = false;
    gameOverTimer = 0.0f;
    outOfBirdsPending = false;
    outOfBirdsTimer = 0.0f;
}

void GameStateManager::withdrawLossBanner() {
    // The loss's banner is the game's own; a bird's banner is left to run.
    if (!messageKind) {
        messageTimer = 0.0f;
    }
}

LevelWatchers::Flags GameStateManager::attemptFlags() {
    return {levelEnded,    enemiesCleared,    clearTimer,     gameOverPending,
            gameOverTimer, outOfBirdsPending, outOfBirdsTimer};
}

void GameStateManager::withdrawBankedScore() {
    game.totalScore -= bankedScore;
    bankedScore = 0;
}

void GameStateManager::endAttempt() {
    game.discardAttempt();
    game.contactListener.levelScore = 0;
    resetAttemptFlags();
}

void GameStateManager::endRun() {
    game.totalScore = 0;
    bankedScore = 0;
}

void GameStateManager::startLevel() {
    state = Playing;
    game.playLevelMusic();
    endAttempt();
    endRun();
    game.loadCurrentLevel();
}

int GameStateManager::rateStars(int score, int enemies, int unlaunchedBirds, int totalBirds) {
    const int par = (enemies + 2) * 500;
    const float rating =
        (static_cast<float>(score) / static_cast<float>(par)) * 0.7f +
        (static_cast<float>(unlaunchedBirds) / static_cast<float>(totalBirds)) * 0.3f;
    // Without birds the second term is not a number and every comparison fails.
    if (rating >= 0.8f) {
        return 3;
    }
    if (rating >= 0.5f) {
        return 2;
    }
    return 1;
}

void GameStateManager::levelCompleted() {
    const int score = game.contactListener.levelScore;
    game.totalScore += score;
    bankedScore = score;
    reportScore(score);
    stars = rateStars(score, totalEnemies, game.countUnlaunchedBirds(), totalBirds);
    const int world = game.ownLevel ? -1 : game.worldOf(game.currentLevelIndex);
    const bool worldWasFinished = world >= 0 && game.worldProgress().finished(world);
    newBest = game.recordResult(score, stars).newBestScore;
    worldFinishedNow = world >= 0 && !worldWasFinished && game.worldProgress().finished(world);
    std::cout << "Level completed! Score: " << score << " Stars: " << stars << std::endl;
    SoundManager::getInstance().play(LevelWin, 100.0f);
    state = LevelComplete;
    // The keys start on Next, as the mouse's first choice.
    resultsExit = ResultsExit::Next;
    levelEnded = true;
    clearPendingLosses();
}

void GameStateManager::reportScore(int score) {
    // The scores tables are the shipped levels'.
    if (game.ownLevel) {
        return;
    }
    const int level = game.currentLevelIndex;
    if (!isLoggedIn) {
        fetchHighScores(level);
        return;
    }
    if (pendingScores.hasAnyFor(userId)) {
        // Older scores still wait: this one goes after them.
        pendingScores.add(userId, level, score, std::cerr);
        sendPendingScores();
        fetchHighScores(level);
        return;
    }
    // The list is asked for once the score is in; until then it is on its way.
    lastScoresFetch = ScoresFetch::Pending;
    reportBusy = true;
    listWanted = true;
    const std::string owner = userId;
    // The attempt's replay goes with the score, so the backend can prove it
    // (a score kept to send later goes without).
    const std::string replay = game.attempt.replay(level + 1).encode();
    supabase.submitScoreReplay(
        level, score, replay, [this, level, score, owner](bool, const std::string& error) {
            reportBusy = false;
            if (error.empty()) {
                std::cout << "Score updated successfully!" << std::endl;
            } else {
                std::cout << "Failed to update score: " << error << std::endl;
                // No answer, or the session was lost on the way: the score is
                // still owed to the player's account.
                if (isUnreachable(error) || !supabase.isSignedIn()) {
                    pendingScores.add(owner, level, score, std::cerr);
                    std::cout << "Score kept to send later" << std::endl;
                }
            }
            if (listWanted) {
                fetchHighScores(level);
            } else if (lastScoresFetch == ScoresFetch::Pending) {
                lastScoresFetch = ScoresFetch::NotAsked;
            }
        });
}

bool GameStateManager::showsOnlineScores() const {
    return state == LevelComplete || state == EnterNickname || state == HighScores;
}

void GameStateManager::sendPendingScores() {
    if (sendingPending || !isLoggedIn) {
        return;
    }
    const std::optional<PendingScores::Entry> next = pendingScores.oldestFor(userId);
    if (!next) {
        return;
    }
    sendingPending = true;
    const PendingScores::Entry entry = *next;
    supabase.upsertUserScore(entry.level, entry.score,
                             [this, entry](bool sent, const std::string& error) {
                                 sendingPending = false;
                                 if (!sent && (isUnreachable(error) || !supabase.isSignedIn())) {
                                     std::cout << "Kept score for level " << entry.level + 1
                                               << " not sent yet: " << error << std::endl;
                                     return; // the next start or sign-in tries again
                                 }
                                 // Sent, or refused for good: either way it is never sent again.
                                 pendingScores.remove(entry.id, std::cerr);
                                 std::cout << "Kept score for level " << entry.level + 1
                                           << (sent ? " sent" : " refused") << std::endl;
                                 sendPendingScores();
                             });
}

void GameStateManager::dropStaleInterest() {
    if (!showsOnlineScores()) {
        listWanted = false;
    }
    if (!showsOnlineScores() && scoresTicket != RequestQueue::NO_TICKET) {
        supabase.cancel(scoresTicket);
        scoresTicket = RequestQueue::NO_TICKET;
        if (lastScoresFetch == ScoresFetch::Pending && !reportBusy) {
            lastScoresFetch = ScoresFetch::NotAsked;
        }
    }
    if (state != Login && accountTicket != RequestQueue::NO_TICKET) {
        supabase.cancel(accountTicket);
        accountTicket = RequestQueue::NO_TICKET;
        accountBusy = false;
    }
}

std::string GameStateManager::busyNote() const {
    if (state == Login && accountBusy) {
        return accountBusySigningUp ? "Signing up\u2026" : "Signing in\u2026";
    }
    if (showsOnlineScores() && reportBusy) {
        return "Sending your score\u2026";
    }
    if (showsOnlineScores() && lastScoresFetch == ScoresFetch::Pending) {
        return "Loading scores\u2026";
    }
    return std::string();
}

std::vector<HighScore> GameStateManager::shownOnline(const std::vector<HighScore>& scores,
                                                     bool verifiedOnly) {
    if (!verifiedOnly) {
        return scores;
    }
    std::vector<HighScore> shown;
    std::copy_if(scores.begin(), scores.end(), std::back_inserter(shown),
                 [](const HighScore& entry) { return entry.verified; });
    return shown;
}

void GameStateManager::fetchHighScores(int levelIndex) {
    // An answer still awaited for another level must not land on this one.
    supabase.cancel(scoresTicket);
    lastScoresFetch = ScoresFetch::Pending;
    scoresTicket = supabase.getHighScoresForLevel(
        levelIndex,
        [this, levelIndex](const std::vector<HighScore>& scores, const std::string& error) {
            scoresTicket = RequestQueue::NO_TICKET;
            if (!error.empty()) {
                std::cout << "Failed to fetch high scores: " << error << std::endl;
                lastScoresFetch =
                    isUnreachable(error) ? ScoresFetch::Unreachable : ScoresFetch::Failed;
                return;
            }
            lastScoresFetch = ScoresFetch::Received;
            onlineHighScores = scores;
            std::cout << "High scores fetched successfully for level " << levelIndex << "!"
                      << std::endl;
        });
}

bool GameStateManager::isUnreachable(const std::string& error) {
    // The client's word for a request that got no answer.
    return error.rfind("Network error", 0) == 0;
}

void GameStateManager::nextLevel() {
    endAttempt();
    // The points stay in the total; they are no longer this level's to withdraw.
    bankedScore = 0;
    // An own level stands alone: after it comes the level select.
    if (game.ownLevel) {
        leaveToLevelSelect();
        return;
    }
    const int world = game.worldOf(game.currentLevelIndex);
    const bool endsWorld =
        world >= 0 &&
        game.currentLevelIndex ==
            ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world)].lastLevel();
    game.currentLevelIndex += 1;
    if (game.currentLevelIndex < static_cast<std::int32_t>(game.levelFiles.size())) {
        if (endsWorld && worldFinishedNow) {
            closeWorld(world);
            return;
        }
        if (endsWorld && !game.worldProgress().unlocked(world + 1)) {
            // The way on is shut until the world is won throughout: its page
            // in the level select says so.
            leaveToLevelSelect();
            return;
        }
        state = Playing;
        if (endsWorld) {
            game.playLevelMusic();
        }
        game.loadCurrentLevel();
        return;
    }
    std::cout << "All levels completed! Final score: " << game.totalScore << std::endl;
    closeWorld(world);
}

void GameStateManager::closeWorld(int world) {
    // The world ends on a screen of its own rather than dropping to the menu.
    finalScore = game.totalScore;
    closingSelection = 0;
    closingWorld = world;
    const bool last = world < 0 || world + 1 >= ShippedLevels::manifest().worldCount();
    closingGoOnLevel =
        last
            ? (world < 0
                   ? 0
                   : ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world)].firstLevel)
            : ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world + 1)].firstLevel;
    state = GameComplete;
    game.currentLevelIndex = 0;
    endRun();
}

void GameStateManager::playAgain() {
    game.currentLevelIndex = closingGoOnLevel;
    startLevel();
}

void GameStateManager::leaveResults(ResultsExit way, sf::Uint32 keyText) {
    resultsExit = way;
    if (!game.ownLevel && game.localHighScores.wouldQualify(game.currentLevelIndex,
                                                            game.contactListener.levelScore)) {
        NicknameEntry::open(nicknameField(), lastNickname, keyText);
        transitionTo(EnterNickname);
        return;
    }
    goOnFromResults();
}

void GameStateManager::submitNickname() {
    const std::string name = NicknameEntry::finished(nicknameInput);
    if (name.empty()) {
        return;
    }
    game.localHighScores.addHighScore(game.currentLevelIndex, name, game.contactListener.levelScore,
                                      stars);
    lastNickname = name;
    goOnFromResults();
}

void GameStateManager::skipNickname() {
    goOnFromResults();
}

void GameStateManager::goOnFromResults() {
    switch (resultsExit) {
    case ResultsExit::Next:
        nextLevel();
        break;
    case ResultsExit::Retry:
        game.restartLevel();
        resumePlaying();
        break;
    case ResultsExit::Leave:
        leaveToLevelSelect();
        break;
    }
}

void GameStateManager::quitToMenu() {
    endAttempt();
    game.leaveOwnLevel();
    game.currentLevelIndex = 0;
    endRun();
    state = Menu;
}

void GameStateManager::leaveToLevelSelect() {
    endAttempt();
    game.leaveOwnLevel();
    endRun();
    transitionTo(LevelSelect);
    selectedLevel = game.currentLevelIndex;
}

void GameStateManager::resumePlaying() {
    state = Playing;
    // The time the game stood still is not owed to the world.
    game.stepAccumulator = 0.0f;
}

void GameStateManager::openLogin(GameState from) {
    previousState = from;
    loginError.clear();
    // Typing goes into a field from the first key: with nothing focused the
    // keys would act on the game instead (M mutes), and a Tab would put the
    // password into the name box.
    loginFocus = LoginForm::openingFocus(usernameInput);
    transitionTo(Login);
}

std::string GameStateManager::accountErrorMessage(const std::string& error, bool signingUp) {
    auto mentions = [&error](const char* word) { return error.find(word) != std::string::npos; };
    if (mentions("Network error")) {
        return "Cannot reach the scores server";
    }
    if (signingUp) {
        if (mentions("user_already_exists") || mentions("already registered") ||
            mentions("Database error saving new user")) {
            return "That name is taken";
        }
        if (mentions("weak_password")) {
            return AccountRules::passwordProblem("");
        }
        return "Sign up failed, please try again";
    }
    // The same answer for an unknown name and a wrong password, as the server
    // gives, so that accounts cannot be probed from here either.
    if (mentions("Username not found") || mentions("invalid_credentials") ||
        mentions("Invalid login credentials")) {
        return "Invalid username or password";
    }
    return "Login failed, please try again";
}

void GameStateManager::applySession(const std::string& error, bool signingUp) {
    accountBusy = false;
    accountTicket = RequestQueue::NO_TICKET;
    if (!error.empty()) {
        std::cerr << failurePrefix(signingUp) << error << std::endl;
        loginError = accountErrorMessage(error, signingUp);
        return;
    }
    loginError.clear();
    adoptClientSession();
    transitionTo(previousState);
    std::cout << (signingUp ? "Sign Up successful for user: " : "Login successful for user: ")
              << loggedInUsername << std::endl;
    sendPendingScores();
}

void GameStateManager::signIn() {
    std::cout << "Login button clicked!" << std::endl;
    sendCredentials(false);
}

void GameStateManager::signUp() {
    std::cout << "Sign Up button clicked! Calling Supabase signUp..." << std::endl;
    sendCredentials(true);
}

void GameStateManager::sendCredentials(bool signingUp) {
    if (accountBusy) {
        return; // one attempt at a time: its answer decides
    }
    // The password is typed afresh for every attempt, whatever comes of it:
    // nobody finds it waiting in the form later.
    const std::string password = std::move(passwordInput);
    passwordInput.clear();
    if (!usernameInput.empty()) {
        loginFocus = LoginForm::PasswordField;
    }
    const std::string username = usernameInput;
    loginError = AccountRules::usernameProblem(username);
    if (loginError.empty()) {
        loginError = AccountRules::passwordProblem(password);
    }
    if (!loginError.empty()) {
        std::cerr << failurePrefix(signingUp) << loginError << std::endl;
        return;
    }
    const SupabaseClient::AuthCallback done = [this, signingUp](const nlohmann::json&,
                                                                const std::string& error) {
        applySession(error, signingUp);
    };
    accountBusy = true;
    accountBusySigningUp = signingUp;
    const RequestQueue::Ticket ticket = signingUp ? supabase.signUp(username, password, done)
                                                  : supabase.signIn(username, password, done);
    // Answered already when the client runs its requests at once.
    accountTicket = accountBusy ? ticket : RequestQueue::NO_TICKET;
}

const char* GameStateManager::failurePrefix(bool signingUp) {
    return signingUp ? "Sign Up failed: " : "Login failed: ";
}

void GameStateManager::signOut() {
    std::cout << "Sign Out button clicked!" << std::endl;
    supabase.revokeSession();
    supabase.signOut();
    forgetSession("signed out");
    // The next player at this computer starts from an empty form.
    usernameInput.clear();
    passwordInput.clear();
    transitionTo(previousState);
}

void GameStateManager::adoptClientSession() {
    isLoggedIn = true;
    loggedInUsername = supabase.currentSession().username;
    userId = supabase.getUserId();
    accessToken = supabase.getAccessToken();
    keepSession();
}

void GameStateManager::keepSession() {
    const AuthSession session = supabase.currentSession();
    if (session.refreshToken.empty()) {
        // Without a way to renew it, the session is good for this run only.
        std::cout << "Session not kept: the server gave no refresh token" << std::endl;
        sessionStore.remove(std::cerr);
        return;
    }
    if (const std::string error = sessionStore.save(session); !error.empty()) {
        std::cerr << "Session not kept for the next run: " << error << std::endl;
    }
}

void GameStateManager::forgetSession(const std::string& why) {
    isLoggedIn = false;
    loggedInUsername.clear();
    userId.clear();
    accessToken.clear();
    sessionStore.remove(std::cerr);
    std::cout << "Kept session deleted (" << why << ")" << std::endl;
}

void GameStateManager::restoreKeptSession() {
    const std::optional<AuthSession> kept =
        sessionStore.load(SupabaseClient::nowSeconds(), std::cerr);
    if (!kept) {
        // A file that cannot be used would only warn again at every start.
        sessionStore.remove(std::cerr);
        return;
    }
    supabase.restoreSession(*kept);
    isLoggedIn = true;
    loggedInUsername = kept->username;
    userId = kept->userId;
    accessToken = kept->accessToken;
    std::cout << "Signed in as " << loggedInUsername << " (kept session)" << std::endl;
    if (supabase.sessionNeedsRefresh(SupabaseClient::nowSeconds())) {
        // The outcome arrives through clientSessionChanged; without an answer
        // the session stays as it is. The menu does not wait for it.
        supabase.refreshSession(nullptr);
    }
    // Sent after the renewal: the client runs its requests in order.
    sendPendingScores();
}

void GameStateManager::clientSessionChanged() {
    if (!supabase.isSignedIn()) {
        // No error on screen: the player simply finds the game signed out.
        forgetSession("the scores server refused to renew it");
        return;
    }
    adoptClientSession();
}
