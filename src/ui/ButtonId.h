#pragma once

// What UIRenderer::getButtonAt answers: the clickable element under a point,
// by the number each element has always had (logs and tests compare them).
// Which slot each id reads, and which ids each screen offers, live in
// UIRenderer (buttonSlot, the screens' button lists) and LoginForm.
enum ButtonId : int {
    NoButton = 0,
    StartButton = 1,
    QuitButton = 2,
    HighScoreButton = 3,
    MenuLoginButton = 4,
    HudLoginButton = 5,
    LevelSelectLoginButton = 6,
    LoginButton = 7,
    SignUpButton = 8,
    SignOutButton = 9,
    UsernameFieldButton = 10,
    PasswordFieldButton = 11,
    LevelCompleteLoginButton = 12,
    MenuEditorButton = 13,
    MenuOptionsButton = 14,
};
