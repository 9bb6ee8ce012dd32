#pragma once

#include "core/GameState.h"
#include "core/LevelWatchers.h"
#include "entities/BirdKinds.h"
#include "online/HighScore.h"
#include "online/PendingScores.h"
#include "online/RequestQueue.h"
#include "online/SessionStore.h"
#include "ui/ButtonId.h"
#include "ui/NicknameEntry.h"

#include <SFML/Config.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Game;
class SupabaseClient;

// How the last request for a level's online list ended. The screens tell
// "nobody has scored yet" from "the server could not be reached" by it.
// Pending: asked, no answer yet.
enum class ScoresFetch { NotAsked, Pending, Received, Unreachable, Failed };

// The game's flow: which screen shows, the flags and timers of the level
// attempt in progress, the texts being typed and the signed-in session.
// Every way of leaving or restarting an attempt goes through endAttempt; the
// flags and timers are read and advanced by LevelWatchers, which decides
// when the attempt is won or lost. The login form's own rules (focus,
// typing, the cursor, its buttons) are LoginForm's; signing in, up and out
// is here.
class GameStateManager {
public:
    GameStateManager(Game& game, SupabaseClient& supabase);

    // Logs the change, switches the music for menus and play, then sets state.
    void transitionTo(GameState newState);
    // A banner over the field for `seconds`. `kind`: the bird whose special
    // it announces, which colours it; none for the game's own banners.
    void showMessage(const std::string& text, float seconds,
                     std::optional<BirdKind> kind = std::nullopt);

    // Level flow.
    void startLevel();
    void levelCompleted();
    void nextLevel();
    void quitToMenu();
    void resumePlaying();
    void leaveToLevelSelect();
    // The closing screen's second way on: a new run from the next world's
    // first level, or from the closed world's (a plain run's) first again.
    void playAgain();
    // The closing screen for `world` (-1: a plain run), the run ended.
    void closeWorld(int world);
    // The ways off the results screen: Next Level, Retry, and Escape back
    // to the level select.
    enum class ResultsExit { Next, Retry, Leave };
    // Leaves the results screen `way`, asking for a nickname first when the
    // score earns a place in this computer's table for the level, whichever
    // way the player goes. `keyText`: the text the key that chose the way
    // also sends (Space, Enter), kept out of the name; 0 for a click.
    void leaveResults(ResultsExit way, sf::Uint32 keyText = 0);
    // Stores the typed name (the last one offered by default) and goes on
    // the way chosen; an empty name does nothing.
    void submitNickname();
    // Goes on the way chosen without storing a name.
    void skipNickname();
    // Every progression operation starts with this, then sets only what is
    // its own: the attempt in progress ends whichever way the player leaves
    // it. Its world goes (Game::discardAttempt), its points (levelScore) and
    // its end-of-attempt flags and timers.
    void endAttempt();
    // The run's banked points go: a new run starts from the level select,
    // and the menu or the end of the last level closes the old one.
    void endRun();
    // Clears the end-of-attempt flags, pending losses included: a countdown
    // left over from an earlier attempt must never restart a fresh one.
    void resetAttemptFlags();
    void clearPendingLosses();
    // The watchers called a loss off (the field cleared before the restart):
    // its banner goes with it.
    void withdrawLossBanner();
    // Retry replaces the completed attempt: its banked points leave the total,
    // so the total holds each level at most once.
    void withdrawBankedScore();
    // The flags and timers the level's watchers decide the attempt by.
    LevelWatchers::Flags attemptFlags();

    // Screens and accounts.
    void openLogin(GameState from);
    void fetchHighScores(int levelIndex);
    void signIn();
    void signUp();
    void signOut();

    // The answers the backend client delivers come in between frames. A
    // screen that is left no longer wants its answer: called every frame, this
    // drops the interest of the screens that are no longer shown.
    void dropStaleInterest();
    // What the current screen waits for from the scores server, as a short
    // text ("Signing in…"), or empty when it waits for nothing.
    std::string busyNote() const;
    bool accountRequestUnderWay() const { return accountBusy; }

    // The scores kept because they could not be sent go to the server, the
    // oldest first, one at a time, each at most once: at start and after a
    // sign-in. Nothing happens while signed out or while one is on its way.
    void sendPendingScores();
    PendingScores& pendingScoresForTests() { return pendingScores; }

    // Staying signed in between runs. At start, the session kept by an
    // earlier run is taken up; one whose access token has run out (or is
    // about to) is renewed first. A renewal the service refuses signs the
    // player out quietly; one that gets no answer keeps the session, and the
    // client renews it before the next score it stores.
    void restoreKeptSession();
    // The client renewed or ended the session by itself: keep the new one,
    // or sign out quietly.
    void clientSessionChanged();

    // What the login screen says after a failed sign-in or sign-up, from the
    // client's error text.
    static std::string accountErrorMessage(const std::string& error, bool signingUp);

    // A client error that means no answer came at all (no connection, a
    // time-out), as opposed to an answer that was refused or unreadable.
    static bool isUnreachable(const std::string& error);
    bool scoresUnreachable() const { return lastScoresFetch == ScoresFetch::Unreachable; }

    // The star rating for a completed level (1 to 3).
    static int rateStars(int score, int enemies, int unlaunchedBirds, int totalBirds);

    GameState state = Loading;
    std::int32_t totalBirds = 0;
    // Enemies the current level started with; the star rating's par.
    std::int32_t totalEnemies = 0;
    float loadingProgress = 0.0f;
    float messageTimer = 0.0f;
    bool levelEnded = false;
    bool enemiesCleared = false;
    float clearTimer = 0.0f;
    bool gameOverPending = false;
    float gameOverTimer = 0.0f;
    bool outOfBirdsPending = false;
    float outOfBirdsTimer = 0.0f;
    std::string message;
    std::optional<BirdKind> messageKind;
    std::int32_t selectedLevel = 0;
    std::int32_t stars = 0;
    // The completed attempt beat the best score kept for its level (the
    // first completion of a level beats "no best").
    bool newBest = false;
    // What the completed attempt of the current level added to totalScore.
    std::int32_t bankedScore = 0;
    std::string nicknameInput;
    // The nickname field's state besides its text (NicknameEntry::Field).
    bool nicknameOffered = false;
    sf::Uint32 nicknameOpeningText = 0;
    // The name last stored this run, offered the next time.
    std::string lastNickname;
    ResultsExit resultsExit = ResultsExit::Next;
    std::string usernameInput;
    std::string passwordInput;
    float cursorBlinkTimer = 0.0f;
    bool cursorVisible = true;
    std::int32_t pauseSelection = 0;
    // The menu's entry the keyboard has selected.
    ButtonId menuSelection = StartButton;
    // The closing screen: the total of the run it closes, and the way on
    // the keyboard has selected (ClosingScreen::Choice).
    std::int32_t finalScore = 0;
    int closingSelection = 0;
    // The world the closing screen closes (-1: a plain run of levels), and
    // the level its second way on starts.
    int closingWorld = -1;
    int closingGoOnLevel = 0;
    // The last win finished its world for the first time.
    bool worldFinishedNow = false;
    bool isLoggedIn = false;
    std::string loggedInUsername;
    std::string userId;
    std::string accessToken;
    GameState previousState = Menu;
    std::vector<HighScore> onlineHighScores;
    // The online list as the player chose to see it: every score, or only
    // those the backend verified by playing their replays.
    static std::vector<HighScore> shownOnline(const std::vector<HighScore>& scores,
                                              bool verifiedOnly);
    ScoresFetch lastScoresFetch = ScoresFetch::NotAsked;
    std::int32_t loginFocus = 0;
    // Shown on the login screen: what was wrong with the last attempt.
    std::string loginError;

    NicknameEntry::Field nicknameField() {
        return {nicknameInput, nicknameOffered, nicknameOpeningText};
    }

private:
    void goOnFromResults();
    // Sign-in and sign-up alike: the typed name and password go to the
    // client once they pass the checks; the password field is emptied either
    // way (loginError says why nothing was sent).
    void sendCredentials(bool signingUp);
    // How the log starts the line of a failed attempt.
    static const char* failurePrefix(bool signingUp);
    void reportScore(int score);
    // The screens that show a level's online list.
    bool showsOnlineScores() const;
    void applySession(const std::string& error, bool signingUp);
    // Copies the client's session into the fields the screens show and keeps
    // it on disk.
    void adoptClientSession();
    void keepSession();
    void forgetSession(const std::string& why);

    Game& game;
    SupabaseClient& supabase;
    SessionStore sessionStore;
    PendingScores pendingScores;
    RequestQueue::Ticket scoresTicket = RequestQueue::NO_TICKET;
    RequestQueue::Ticket accountTicket = RequestQueue::NO_TICKET;
    bool accountBusy = false;
    bool accountBusySigningUp = false;
    bool reportBusy = false;
    // The screen that reported a score still wants the list that follows it.
    bool listWanted = false;
    bool sendingPending = false;
};
