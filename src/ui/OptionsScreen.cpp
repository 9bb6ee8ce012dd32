#include "ui/OptionsScreen.h"

#include "assets/Renderer.h"
#include "ui/UiScale.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {
const sf::Color VEIL(0, 0, 0, 150);
const sf::Color PANEL_FILL(20, 20, 30, 220);
const sf::Color PANEL_OUTLINE(120, 120, 120, 220);
const sf::Color SELECTED_FILL(230, 180, 40, 60);
const sf::Color ARROW_FILL(60, 60, 80, 230);
const sf::Color HINT_GREY(190, 190, 190, 255);
const sf::Color TITLE_TAN(222, 184, 135, 255);

constexpr float PANEL_PADDING = 24.0f;
constexpr float TITLE_HEIGHT = 70.0f;
constexpr float HINT_HEIGHT = 40.0f;

// The limits Left and Right walk through; no limit counts as the highest.
constexpr std::array<int, 6> FRAME_RATE_STEPS{30, 60, 120, 144, 240, Settings::NO_FRAME_RATE_LIMIT};

int frameRateRank(int limit) {
    return limit == Settings::NO_FRAME_RATE_LIMIT ? INT_MAX : limit;
}

int steppedFrameRate(int limit, int direction) {
    const int rank = frameRateRank(limit);
    if (direction > 0) {
        for (const int step : FRAME_RATE_STEPS) {
            if (frameRateRank(step) > rank) {
                return step;
            }
        }
    } else {
        for (auto it = FRAME_RATE_STEPS.rbegin(); it != FRAME_RATE_STEPS.rend(); ++it) {
            if (frameRateRank(*it) < rank) {
                return *it;
            }
        }
    }
    return limit;
}

// To the next multiple of `step` in `direction`, within the bounds: a value
// off the steps (edited into the file) comes onto them.
int stepped(int value, int direction, int step, int low, int high) {
    const int below = low + ((value - low) / step) * step;
    const int next = direction > 0 ? below + step : (below == value ? value - step : below);
    return std::clamp(next, low, high);
}

bool* flagOf(Settings& settings, OptionsScreen::Line line) {
    switch (line) {
    case OptionsScreen::MuteLine:
        return &settings.muted;
    case OptionsScreen::FullscreenLine:
        return &settings.fullscreen;
    case OptionsScreen::VerticalSyncLine:
        return &settings.verticalSync;
    case OptionsScreen::ShotTrailLine:
        return &settings.shotTrail;
    case OptionsScreen::GhostLine:
        return &settings.ghost;
    case OptionsScreen::HardModeLine:
        return &settings.hardMode;
    default:
        return nullptr;
    }
}

TextStyle outlined(unsigned int size, sf::Color color, bool titleFont = false) {
    TextStyle style{size, color, titleFont};
    style.outlineThickness = size >= 18 ? 2.0f : 1.0f;
    return style;
}
} // namespace

// ---------------------------------------------------------------- layout

OptionsScreen::Layout::Layout(sf::Vector2u size) {
    const sf::Vector2f window(static_cast<float>(size.x), static_cast<float>(size.y));
    const float linesHeight = LINE_PITCH * static_cast<float>(LINE_COUNT);
    const float height = TITLE_HEIGHT + linesHeight + HINT_HEIGHT;
    const float width = std::min(PANEL_WIDTH, window.x - 2.0f * PANEL_PADDING);
    // Centred; a window too low for the whole panel keeps its top in view.
    const float top = std::max(0.0f, (window.y - height) / 2.0f);
    panel = {(window.x - width) / 2.0f, top, width, height};
    titleCentre = {window.x / 2.0f, top + TITLE_HEIGHT / 2.0f};
    firstLineTop = top + TITLE_HEIGHT;
    hintCentre = {window.x / 2.0f, firstLineTop + linesHeight + HINT_HEIGHT / 2.0f};
}

sf::FloatRect OptionsScreen::Layout::line(int index) const {
    return {panel.left + PANEL_PADDING / 2.0f,
            firstLineTop + LINE_PITCH * static_cast<float>(index) + 2.0f,
            panel.width - PANEL_PADDING, LINE_PITCH - 4.0f};
}

sf::Vector2f OptionsScreen::Layout::nameLeft(int index) const {
    const sf::FloatRect row = line(index);
    return {row.left + PANEL_PADDING / 2.0f, row.top + row.height / 2.0f};
}

sf::FloatRect OptionsScreen::Layout::more(int index) const {
    const sf::FloatRect row = line(index);
    return {row.left + row.width - ARROW_SIDE - 4.0f, row.top + (row.height - ARROW_SIDE) / 2.0f,
            ARROW_SIDE, ARROW_SIDE};
}

sf::FloatRect OptionsScreen::Layout::less(int index) const {
    const sf::FloatRect right = more(index);
    return {right.left - VALUE_WIDTH - ARROW_SIDE, right.top, ARROW_SIDE, ARROW_SIDE};
}

sf::Vector2f OptionsScreen::Layout::valueCentre(int index) const {
    const sf::FloatRect left = less(index);
    return {left.left + ARROW_SIDE + VALUE_WIDTH / 2.0f, left.top + ARROW_SIDE / 2.0f};
}

int OptionsScreen::Layout::lineAt(sf::Vector2f point) const {
    for (int i = 0; i < LINE_COUNT; ++i) {
        if (line(i).contains(point)) {
            return i;
        }
    }
    return -1;
}

// ---------------------------------------------------------------- rules

const char* OptionsScreen::label(Line line) {
    static constexpr std::array<const char*, LINE_COUNT> LABELS{"Music volume",
                                                                "Effects volume",
                                                                "Mute",
                                                                "Fullscreen",
                                                                "Vertical sync",
                                                                "Frame rate limit",
                                                                "Last-shot trail",
                                                                "Ghost",
                                                                "Hard mode",
                                                                "UI scale",
                                                                "Back"};
    return line >= 0 && line < LINE_COUNT ? LABELS[static_cast<std::size_t>(line)] : "";
}

std::string OptionsScreen::valueText(const Settings& settings, Line line, int shownScalePercent) {
    auto flag = [](bool on) { return std::string(on ? "On" : "Off"); };
    switch (line) {
    case MusicVolumeLine:
        return std::to_string(settings.musicVolume) + " %";
    case EffectsVolumeLine:
        return std::to_string(settings.effectsVolume) + " %";
    case FrameRateLine:
        return settings.frameRateLimit == Settings::NO_FRAME_RATE_LIMIT
                   ? std::string("Unlimited")
                   : std::to_string(settings.frameRateLimit) + " fps";
    case UiScaleLine: {
        std::string text = std::to_string(settings.uiScale) + " %";
        if (shownScalePercent < settings.uiScale) {
            text += " (" + std::to_string(shownScalePercent) + " % here)";
        }
        return text;
    }
    case BackLine:
        return {};
    default: {
        Settings copy = settings;
        const bool* on = flagOf(copy, line);
        return on != nullptr ? flag(*on) : std::string();
    }
    }
}

std::optional<OptionsScreen::Change> OptionsScreen::changeFor(const Settings& settings, Line line,
                                                              int direction) {
    Settings probe = settings;
    if (flagOf(probe, line) != nullptr) {
        const bool value = !*flagOf(probe, line);
        return Change([line, value](Settings& s) { *flagOf(s, line) = value; });
    }
    if (direction == 0) {
        return std::nullopt;
    }
    switch (line) {
    case MusicVolumeLine:
    case EffectsVolumeLine: {
        const int now = line == MusicVolumeLine ? settings.musicVolume : settings.effectsVolume;
        const int value = stepped(now, direction, VOLUME_STEP, 0, Settings::MAX_VOLUME);
        if (value == now) {
            return std::nullopt;
        }
        if (line == MusicVolumeLine) {
            return Change([value](Settings& s) { s.musicVolume = value; });
        }
        return Change([value](Settings& s) { s.effectsVolume = value; });
    }
    case FrameRateLine: {
        const int value = steppedFrameRate(settings.frameRateLimit, direction);
        if (value == settings.frameRateLimit) {
            return std::nullopt;
        }
        return Change([value](Settings& s) { s.frameRateLimit = value; });
    }
    case UiScaleLine: {
        const int value = stepped(settings.uiScale, direction, UI_SCALE_STEP,
                                  Settings::MIN_UI_SCALE, Settings::MAX_UI_SCALE);
        if (value == settings.uiScale) {
            return std::nullopt;
        }
        return Change([value](Settings& s) { s.uiScale = value; });
    }
    default:
        return std::nullopt;
    }
}

// ---------------------------------------------------------------- input

OptionsScreen::OptionsScreen(const Settings& shown, Apply apply)
    : shown(shown), apply(std::move(apply)) {}

void OptionsScreen::open(GameState openedFrom) {
    from = openedFrom;
    selected = 0;
}

OptionsScreen::Outcome OptionsScreen::act(int line, int direction) {
    if (line == BackLine) {
        return direction == 0 ? Outcome::Leave : Outcome::Stay;
    }
    if (const std::optional<Change> change = changeFor(shown, static_cast<Line>(line), direction)) {
        apply(*change);
    }
    return Outcome::Stay;
}

OptionsScreen::Outcome OptionsScreen::handle(const sf::Event& event, sf::Vector2f pointer,
                                             sf::Vector2u layoutSize) {
    if (event.type == sf::Event::KeyPressed) {
        switch (event.key.code) {
        case sf::Keyboard::Escape:
        case sf::Keyboard::O:
            return Outcome::Leave;
        case sf::Keyboard::Up:
            selected = (selected + LINE_COUNT - 1) % LINE_COUNT;
            return Outcome::Stay;
        case sf::Keyboard::Down:
            selected = (selected + 1) % LINE_COUNT;
            return Outcome::Stay;
        case sf::Keyboard::Left:
            return act(selected, -1);
        case sf::Keyboard::Right:
            return act(selected, 1);
        case sf::Keyboard::Enter:
        case sf::Keyboard::Space:
            return act(selected, 0);
        default:
            return Outcome::Stay;
        }
    }
    const Layout layout(layoutSize);
    if (event.type == sf::Event::MouseMoved) {
        const int line = layout.lineAt(pointer);
        if (line >= 0) {
            selected = line;
        }
        return Outcome::Stay;
    }
    if (event.type != sf::Event::MouseButtonPressed ||
        event.mouseButton.button != sf::Mouse::Left) {
        return Outcome::Stay;
    }
    const int line = layout.lineAt(pointer);
    if (line < 0) {
        return Outcome::Stay;
    }
    selected = line;
    if (line != BackLine && layout.less(line).contains(pointer)) {
        return act(line, -1);
    }
    if (line != BackLine && layout.more(line).contains(pointer)) {
        return act(line, 1);
    }
    return act(line, 0);
}

// ---------------------------------------------------------------- drawing

void OptionsScreen::draw(Renderer& renderer, const UiScale& scale) const {
    sf::RenderWindow& window = renderer.getWindow();
    const sf::View previous = window.getView();
    window.setView(scale.view());
    const sf::Vector2u size = scale.layoutSize();
    const sf::Vector2f whole(static_cast<float>(size.x), static_cast<float>(size.y));
    const Layout layout(size);
    renderer.drawRect(whole * 0.5f, whole.x, whole.y, VEIL);
    renderer.drawBox(layout.panel, PANEL_FILL, PANEL_OUTLINE, 2.0f);
    renderer.drawTextAt("OPTIONS", layout.titleCentre, TextAnchor::Centre,
                        outlined(Layout::TITLE_SIZE, TITLE_TAN, true));
    const int shownPercent = static_cast<int>(std::lround(scale.factor() * 100.0f));
    for (int i = 0; i < LINE_COUNT; ++i) {
        const auto line = static_cast<Line>(i);
        const bool isSelected = i == selected;
        const sf::Color color = isSelected ? sf::Color::Yellow : sf::Color::White;
        if (isSelected) {
            renderer.drawBox(layout.line(i), SELECTED_FILL, sf::Color::Yellow, 2.0f);
        }
        const TextStyle style = outlined(Layout::LINE_SIZE, color);
        if (line == BackLine) {
            const sf::FloatRect row = layout.line(i);
            renderer.drawTextAt(label(line),
                                {row.left + row.width / 2.0f, row.top + row.height / 2.0f},
                                TextAnchor::Centre, style);
            continue;
        }
        renderer.drawTextAt(label(line), layout.nameLeft(i), TextAnchor::CentreLeft, style);
        for (const auto& [box, mark] :
             {std::pair{layout.less(i), "<"}, std::pair{layout.more(i), ">"}}) {
            renderer.drawBox(box, ARROW_FILL, sf::Color::White, 1.0f);
            renderer.drawTextAt(mark, {box.left + box.width / 2.0f, box.top + box.height / 2.0f},
                                TextAnchor::Centre, outlined(Layout::LINE_SIZE - 4, color));
        }
        renderer.drawTextAt(valueText(shown, line, shownPercent), layout.valueCentre(i),
                            TextAnchor::Centre, outlined(Layout::LINE_SIZE - 4, color));
    }
    renderer.drawTextAt("UP/DOWN to choose, LEFT/RIGHT to change, ENTER to toggle, ESC to go back",
                        layout.hintCentre, TextAnchor::Centre,
                        outlined(Layout::HINT_SIZE, HINT_GREY));
    window.setView(previous);
}
