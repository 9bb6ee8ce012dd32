#pragma once

#include "core/GameState.h"
#include "core/Settings.h"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Event.hpp>
#include <functional>
#include <optional>
#include <string>

class Renderer;
class UiScale;

// The options screen: one line per setting the player may change while the
// game runs, and a way back. It is given the settings it shows and a way to
// change them; what a change does to the running game (the sound, the
// window, the frame pacing) and that it is saved is the owner's.
//
// Up and Down choose a line, Left and Right change it, Enter toggles (or
// leaves, on Back), Escape and O leave. The mouse chooses a line by hovering,
// changes it with the arrows at its ends and toggles it with a click. Its
// layout (Layout) serves the drawing and the hit tests alike.
class OptionsScreen {
public:
    enum Line : int {
        MusicVolumeLine,
        EffectsVolumeLine,
        MuteLine,
        FullscreenLine,
        VerticalSyncLine,
        FrameRateLine,
        ShotTrailLine,
        GhostLine,
        HardModeLine,
        UiScaleLine,
        BackLine,
    };
    static constexpr int LINE_COUNT = BackLine + 1;
    static constexpr int VOLUME_STEP = 10;
    static constexpr int UI_SCALE_STEP = 25;

    using Change = std::function<void(Settings&)>;
    using Apply = std::function<void(const Change&)>;

    // Where everything sits in a layout of a given size (UiScale's units).
    class Layout {
    public:
        static constexpr unsigned int TITLE_SIZE = 40;
        static constexpr unsigned int LINE_SIZE = 24;
        static constexpr unsigned int HINT_SIZE = 16;
        static constexpr float PANEL_WIDTH = 640.0f;
        static constexpr float LINE_PITCH = 38.0f;
        static constexpr float ARROW_SIDE = 28.0f;
        static constexpr float VALUE_WIDTH = 210.0f;

        explicit Layout(sf::Vector2u size);

        sf::FloatRect panel;
        sf::Vector2f titleCentre;
        sf::Vector2f hintCentre;
        // A whole line, its name's left middle, and its value's arrows.
        sf::FloatRect line(int index) const;
        sf::Vector2f nameLeft(int index) const;
        sf::FloatRect less(int index) const;
        sf::FloatRect more(int index) const;
        sf::Vector2f valueCentre(int index) const;
        // The line under a point, or -1.
        int lineAt(sf::Vector2f point) const;

    private:
        float firstLineTop = 0.0f;
    };

    OptionsScreen(const Settings& shown, Apply apply);

    // Opens on the first line; Back returns to `from`.
    void open(GameState from);
    GameState openedFrom() const { return from; }
    int selection() const { return selected; }

    enum class Outcome { Stay, Leave };
    // One event. `pointer`: the mouse position of a mouse event in layout
    // units; `layoutSize`: the layout the screen is drawn in.
    Outcome handle(const sf::Event& event, sf::Vector2f pointer, sf::Vector2u layoutSize);

    // Over whatever is already drawn, in the scale's view; the window's
    // view is left as it was.
    void draw(Renderer& renderer, const UiScale& scale) const;

    // ------------------------------------------------------------ rules

    static const char* label(Line line);
    // "80 %", "On", "Unlimited"; the UI scale adds what this window allows
    // when that is less (`shownScalePercent`).
    static std::string valueText(const Settings& settings, Line line,
                                 int shownScalePercent = Settings::MAX_UI_SCALE);
    // What moving `line` one step does: `direction` -1 (Left), +1 (Right)
    // or 0 (Enter, which only toggles). None when nothing would change.
    static std::optional<Change> changeFor(const Settings& settings, Line line, int direction);

private:
    Outcome act(int line, int direction);

    const Settings& shown;
    Apply apply;
    GameState from = Menu;
    int selected = 0;
};
