// Synthesizes the game's sound effects and its music loops and writes
// them as 16-bit mono WAV files. Everything is computed from code: same input,
// same bytes on every run (the noise comes from a fixed-seed generator).
//
// Usage: soundgen OUTPUT_DIRECTORY
//
// The music is rendered into a circular buffer whose length is a whole
// number of bars: a note that rings past the end of the loop wraps round and
// is added to the start, so the waveform at the seam is continuous and the
// tracks loop without a click. No stateful filter runs over the music for the
// same reason; the effects, which do not loop, may use one.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int EFFECT_RATE = 44100;
constexpr int MUSIC_RATE = 22050;
constexpr double PEAK = 0.891; // -1 dBFS

using Samples = std::vector<double>;

// Small deterministic noise source (xorshift), so regeneration is exact.
struct Noise {
    std::uint32_t state = 0x9e3779b9u;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// Chamberlin state-variable filter; used only for the one-shot effects.
struct Filter {
    double low = 0.0;
    double band = 0.0;
    double run(double input, double cutoff, double damping, int rate) {
        const double f = 2.0 * std::sin(PI * std::min(cutoff, rate / 6.0) / rate);
        low += f * band;
        const double high = input - low - damping * band;
        band += f * high;
        return band;
    }
    double lowpass(double input, double cutoff, double damping, int rate) {
        run(input, cutoff, damping, rate);
        return low;
    }
};

double midiToHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Linear attack, then the body, then a linear release that reaches exactly
// zero at the end of the sample range, so nothing stops on a non-zero value.
double envelope(double t, double length, double attack, double release) {
    if (t < attack)
        return t / attack;
    if (t > length - release)
        return std::max(0.0, (length - t) / release);
    return 1.0;
}

void normalise(Samples& samples) {
    double peak = 0.0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    if (peak <= 0.0)
        return;
    for (double& s : samples)
        s *= PEAK / peak;
}

void writeLittleEndian(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

bool writeWav(const std::string& path, const Samples& samples, int rate) {
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    writeLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    writeLittleEndian(out, 16, 4);
    writeLittleEndian(out, 1, 2); // PCM
    writeLittleEndian(out, 1, 2); // mono
    writeLittleEndian(out, static_cast<std::uint32_t>(rate), 4);
    writeLittleEndian(out, static_cast<std::uint32_t>(rate * 2), 4);
    writeLittleEndian(out, 2, 2);
    writeLittleEndian(out, 16, 2);
    out.write("data", 4);
    writeLittleEndian(out, dataBytes, 4);
    for (double s : samples) {
        const long value = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        writeLittleEndian(
            out, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)) & 0xffffu, 2);
    }
    return static_cast<bool>(out);
}

// ---------------------------------------------------------------- effects

Samples blank(double seconds) {
    return Samples(static_cast<std::size_t>(seconds * EFFECT_RATE), 0.0);
}

// A rubber band being stretched: a buzzy tone that rises as the band
// tightens, with a stick-slip creak on top.
Samples slingshotPull() {
    Samples out = blank(0.55);
    Filter tone;
    double phase = 0.0;
    double creakPhase = 0.0;
    const double length = 0.55;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double progress = t / length;
        const double freq = 90.0 + 170.0 * progress * progress + 6.0 * std::sin(2 * PI * 7 * t);
        phase += freq / EFFECT_RATE;
        const double saw = 2.0 * (phase - std::floor(phase)) - 1.0;
        creakPhase += (35.0 + 40.0 * progress) / EFFECT_RATE;
        const double creak = std::pow(0.5 + 0.5 * std::sin(2 * PI * creakPhase), 6.0);
        const double shaped =
            tone.lowpass(saw * (0.45 + 0.55 * creak), 600.0 + 1800.0 * progress, 0.5, EFFECT_RATE);
        out[i] = shaped * envelope(t, length, 0.04, 0.08) * (0.5 + 0.5 * progress);
    }
    return out;
}

// A whoosh: band-passed noise whose centre sweeps up and down, opened by a
// short twang of the released band.
Samples birdLaunch() {
    Samples out = blank(0.75);
    Filter air;
    Noise noise;
    const double length = 0.75;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double progress = t / length;
        const double centre = 500.0 + 2600.0 * std::sin(PI * std::min(1.0, progress * 1.3));
        const double swell = std::sin(PI * progress) * std::sin(PI * progress);
        const double whoosh = air.run(noise.next(), centre, 0.35, EFFECT_RATE) * swell;
        const double twang = std::sin(2 * PI * (180.0 - 60.0 * progress) * t) * std::exp(-t * 18.0);
        out[i] = (whoosh * 1.4 + twang * 0.5) * envelope(t, length, 0.004, 0.05);
    }
    return out;
}

// A wooden knock: a click followed by a few quickly damped modes of a plank.
Samples blockHit() {
    Samples out = blank(0.3);
    Noise noise;
    const double modes[][3] = {
        {190.0, 1.0, 28.0}, {435.0, 0.6, 40.0}, {760.0, 0.35, 55.0}, {1240.0, 0.2, 70.0}};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        double s = noise.next() * std::exp(-t * 400.0) * 0.6;
        for (const auto& mode : modes)
            s += mode[1] * std::sin(2 * PI * mode[0] * t) * std::exp(-t * mode[2]);
        out[i] = s * envelope(t, 0.3, 0.001, 0.03);
    }
    return out;
}

// A squelch: a low wobbling tone sinking in pitch through a closing
// resonant filter, with wet noise.
Samples enemyHit() {
    Samples out = blank(0.38);
    Filter goo;
    Noise noise;
    double phase = 0.0;
    const double length = 0.38;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double progress = t / length;
        const double freq = (150.0 - 80.0 * progress) * (1.0 + 0.25 * std::sin(2 * PI * 22.0 * t));
        phase += freq / EFFECT_RATE;
        const double body = 2.0 * (phase - std::floor(phase)) - 1.0 + 0.3 * noise.next();
        const double cutoff = 2200.0 * std::exp(-progress * 2.5) + 250.0 +
                              500.0 * std::sin(2 * PI * 9.0 * t) * (1 - progress);
        out[i] = goo.lowpass(body, cutoff, 0.25, EFFECT_RATE) * envelope(t, length, 0.01, 0.12);
    }
    return out;
}

// A pop: a fast downward pitch drop with a puff of noise, then a tiny
// sparkle to say the enemy is gone.
Samples enemyDeath() {
    Samples out = blank(0.45);
    Noise noise;
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double freq = 150.0 + 900.0 * std::exp(-t * 45.0);
        phase += freq / EFFECT_RATE;
        double s = std::sin(2 * PI * phase) * std::exp(-t * 14.0);
        s += noise.next() * std::exp(-t * 90.0) * 0.5;
        if (t > 0.12) {
            const double u = t - 0.12;
            s += 0.25 * std::sin(2 * PI * 1568.0 * u) * std::exp(-u * 18.0) *
                 std::min(1.0, u / 0.005);
        }
        if (t > 0.18) {
            const double u = t - 0.18;
            s += 0.18 * std::sin(2 * PI * 2093.0 * u) * std::exp(-u * 22.0) *
                 std::min(1.0, u / 0.005);
        }
        out[i] = s * envelope(t, 0.45, 0.002, 0.08);
    }
    return out;
}

// A click: a very short tick of noise and a damped high tone.
Samples buttonClick() {
    Samples out = blank(0.08);
    Noise noise;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double s = noise.next() * std::exp(-t * 900.0) +
                         0.8 * std::sin(2 * PI * 1800.0 * t) * std::exp(-t * 120.0) +
                         0.4 * std::sin(2 * PI * 3400.0 * t) * std::exp(-t * 200.0);
        out[i] = s * envelope(t, 0.08, 0.0005, 0.02);
    }
    return out;
}

// A brassy note: odd and even harmonics, a little vibrato that sets in late.
void addBrassNote(Samples& out, double start, double length, int note, double gain) {
    const double freq = midiToHz(note);
    const auto first = static_cast<std::size_t>(start * EFFECT_RATE);
    const auto count = static_cast<std::size_t>(length * EFFECT_RATE);
    double phase = 0.0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / EFFECT_RATE;
        const double vibrato = 1.0 + 0.008 * std::sin(2 * PI * 5.5 * t) * std::min(1.0, t * 3.0);
        phase += freq * vibrato / EFFECT_RATE;
        const double brightness = 0.5 + 0.5 * std::exp(-t * 4.0);
        double s = 0.0;
        for (int h = 1; h <= 6; ++h)
            s += std::sin(2 * PI * h * phase) * std::pow(brightness, h - 1) / h;
        out[first + i] += gain * s * envelope(t, length, 0.02, std::min(0.12, length / 3));
    }
}

// A short fanfare: a rising arpeggio that lands on a held chord.
Samples levelWin() {
    Samples out = blank(1.4);
    const int notes[] = {72, 76, 79};
    for (int n = 0; n < 3; ++n)
        addBrassNote(out, 0.11 * n, 0.16, notes[n], 0.8);
    addBrassNote(out, 0.36, 1.0, 84, 0.8);
    addBrassNote(out, 0.36, 1.0, 79, 0.45);
    addBrassNote(out, 0.36, 1.0, 76, 0.45);
    return out;
}

// A sad phrase: three falling notes and a long, lower, wavering one.
Samples levelLose() {
    Samples out = blank(1.45);
    const int notes[] = {67, 66, 65};
    for (int n = 0; n < 3; ++n)
        addBrassNote(out, 0.3 * n, 0.3, notes[n] - 12, 0.9);
    Samples last = blank(0.55);
    addBrassNote(last, 0.0, 0.55, 64 - 12, 0.9);
    const auto offset = static_cast<std::size_t>(0.9 * EFFECT_RATE);
    for (std::size_t i = 0; i < last.size() && offset + i < out.size(); ++i)
        out[offset + i] += last[i];
    return out;
}

// ------------------------------------------------------------------ music

// One note of a tune: MIDI note (or REST) and its length in eighths.
struct Step {
    int note;
    int eighths;
};
constexpr int REST = -1;

struct Loop {
    Samples samples;
    int samplesPerEighth;
};

// Adds a voice's samples starting at an offset, wrapping round the loop end.
template <typename Voice>
void addWrapped(Loop& loop, std::size_t start, double seconds, Voice voice) {
    const auto count = static_cast<std::size_t>(seconds * MUSIC_RATE);
    const std::size_t size = loop.samples.size();
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / MUSIC_RATE;
        loop.samples[(start + i) % size] += voice(t);
    }
}

void pluck(Loop& loop, std::size_t start, double seconds, int note, double gain) {
    const double f = midiToHz(note);
    const double length = seconds + 0.35;
    addWrapped(loop, start, length, [=](double t) {
        const double tone = std::sin(2 * PI * f * t) +
                            0.35 * std::sin(2 * PI * 4 * f * t) * std::exp(-t * 25.0) +
                            0.2 * std::sin(2 * PI * 2 * f * t) * std::exp(-t * 8.0);
        return gain * tone * std::exp(-t * 4.5) * envelope(t, length, 0.004, 0.1);
    });
}

void squareLead(Loop& loop, std::size_t start, double seconds, int note, double gain) {
    const double f = midiToHz(note);
    const double length = seconds + 0.06;
    addWrapped(loop, start, length, [=](double t) {
        const double vibrato = 0.004 * std::sin(2 * PI * 6.0 * t) * std::min(1.0, t * 4.0);
        double s = 0.0;
        for (int h = 1; h <= 9; h += 2)
            s += std::sin(2 * PI * h * f * (t + vibrato / (2 * PI * 6.0))) / h;
        const double decay = 0.65 + 0.35 * std::exp(-t * 10.0);
        return gain * s * decay * envelope(t, length, 0.008, 0.06);
    });
}

void pad(Loop& loop, std::size_t start, double seconds, int note, double gain) {
    const double f = midiToHz(note);
    addWrapped(loop, start, seconds, [=](double t) {
        double s = 0.0;
        for (int h = 1; h <= 5; ++h)
            s += (std::sin(2 * PI * h * f * 1.003 * t) + std::sin(2 * PI * h * f * 0.997 * t)) /
                 (h * h);
        return gain * s * envelope(t, seconds, 0.25, 0.3);
    });
}

void bass(Loop& loop, std::size_t start, double seconds, int note, double gain) {
    const double f = midiToHz(note);
    addWrapped(loop, start, seconds, [=](double t) {
        const double s = std::sin(2 * PI * f * t) + 0.3 * std::sin(2 * PI * 2 * f * t) +
                         0.1 * std::sin(2 * PI * 3 * f * t);
        return gain * s * (0.6 + 0.4 * std::exp(-t * 8.0)) * envelope(t, seconds, 0.006, 0.05);
    });
}

void kick(Loop& loop, std::size_t start, double gain) {
    addWrapped(loop, start, 0.3, [=](double t) {
        const double phase = 45.0 * t + (120.0 - 45.0) / 25.0 * (1.0 - std::exp(-t * 25.0));
        return gain * std::sin(2 * PI * phase) * std::exp(-t * 11.0) *
               envelope(t, 0.3, 0.002, 0.05);
    });
}

void snare(Loop& loop, std::size_t start, double gain, std::uint32_t seed) {
    Noise noise{seed};
    Samples hit(static_cast<std::size_t>(0.2 * MUSIC_RATE));
    for (std::size_t i = 0; i < hit.size(); ++i) {
        const double t = static_cast<double>(i) / MUSIC_RATE;
        hit[i] = gain *
                 (noise.next() * std::exp(-t * 20.0) * 0.7 +
                  std::sin(2 * PI * 190.0 * t) * std::exp(-t * 30.0)) *
                 envelope(t, 0.2, 0.001, 0.04);
    }
    addWrapped(loop, start, 0.2, [&](double t) {
        return hit[std::min(hit.size() - 1, static_cast<std::size_t>(t * MUSIC_RATE))];
    });
}

void hat(Loop& loop, std::size_t start, double gain, std::uint32_t seed) {
    Noise noise{seed};
    double previous = 0.0;
    Samples hit(static_cast<std::size_t>(0.06 * MUSIC_RATE));
    for (std::size_t i = 0; i < hit.size(); ++i) {
        const double t = static_cast<double>(i) / MUSIC_RATE;
        const double white = noise.next();
        hit[i] =
            gain * (white - previous) * 0.5 * std::exp(-t * 70.0) * envelope(t, 0.06, 0.001, 0.01);
        previous = white;
    }
    addWrapped(loop, start, 0.06, [&](double t) {
        return hit[std::min(hit.size() - 1, static_cast<std::size_t>(t * MUSIC_RATE))];
    });
}

// Chord by root note; a minor chord is marked by a negative third.
struct Chord {
    int root;
    bool minor;
};

std::vector<int> chordNotes(const Chord& chord, int octaveBase) {
    const int root = octaveBase + (chord.root % 12);
    return {root, root + (chord.minor ? 3 : 4), root + 7};
}

using Instrument = void (*)(Loop&, std::size_t, double, int, double);

void playMelody(Loop& loop, const std::vector<Step>& melody, Instrument instrument, double gain) {
    std::size_t at = 0;
    for (const Step& step : melody) {
        const double seconds =
            static_cast<double>(step.eighths * loop.samplesPerEighth) / MUSIC_RATE;
        if (step.note != REST)
            instrument(loop, at, seconds, step.note, gain);
        at += static_cast<std::size_t>(step.eighths * loop.samplesPerEighth);
    }
}

bool melodyFitsBars(const std::vector<Step>& melody, std::size_t bars) {
    int total = 0;
    for (const Step& step : melody)
        total += step.eighths;
    return static_cast<std::size_t>(total) == bars * 8;
}

// Menu: an easy-going tune in C major with marimba-like plucks over soft
// pads, a round bass and a gentle shaker.
Samples menuMusic() {
    const std::vector<Chord> chords = {{60, false}, {57, true},  {65, false}, {67, false},
                                       {60, false}, {57, true},  {65, false}, {67, false},
                                       {60, false}, {57, true},  {65, false}, {67, false},
                                       {65, false}, {67, false}, {60, false}, {67, false}};
    const std::vector<Step> phraseA = {{76, 2}, {79, 2}, {84, 2}, {79, 1}, {76, 1}, {81, 3},
                                       {79, 1}, {76, 2}, {72, 2}, {77, 2}, {81, 2}, {84, 2},
                                       {81, 1}, {77, 1}, {79, 4}, {74, 2}, {71, 2}};
    const std::vector<Step> phraseB = {{72, 1}, {76, 1}, {79, 2}, {76, 1}, {79, 1}, {84, 2},
                                       {84, 2}, {83, 1}, {81, 1}, {79, 4}, {77, 1}, {79, 1},
                                       {81, 2}, {84, 2}, {81, 2}, {79, 2}, {77, 2}, {74, 4}};
    const std::vector<Step> ending = {{81, 2}, {77, 2}, {72, 2}, {77, 2}, {79, 2},
                                      {74, 2}, {71, 2}, {74, 2}, {76, 2}, {72, 2},
                                      {79, 4}, {74, 2}, {79, 2}, {83, 2}, {86, 2}};
    std::vector<Step> melody = phraseA;
    melody.insert(melody.end(), phraseB.begin(), phraseB.end());
    melody.insert(melody.end(), phraseA.begin(), phraseA.end());
    melody.insert(melody.end(), ending.begin(), ending.end());

    Loop loop{Samples(chords.size() * 8 * 6000, 0.0),
              6000}; // 6000 samples per eighth: 110 beats a minute
    if (!melodyFitsBars(melody, chords.size()))
        std::cerr << "soundgen: menu melody does not fill its bars\n";
    playMelody(loop, melody, pluck, 0.32);
    const std::size_t bar = 8 * static_cast<std::size_t>(loop.samplesPerEighth);
    const double barSeconds = static_cast<double>(bar) / MUSIC_RATE;
    for (std::size_t b = 0; b < chords.size(); ++b) {
        for (int note : chordNotes(chords[b], 60))
            pad(loop, b * bar, barSeconds, note, 0.035);
        const int root = 36 + chords[b].root % 12;
        bass(loop, b * bar, barSeconds * 0.45, root, 0.3);
        bass(loop, b * bar + bar / 2, barSeconds * 0.2, root, 0.25);
        bass(loop, b * bar + bar * 3 / 4, barSeconds * 0.2, root + 7, 0.22);
        kick(loop, b * bar, 0.35);
        kick(loop, b * bar + bar / 2, 0.25);
        for (int e = 0; e < 8; ++e)
            hat(loop, b * bar + e * bar / 8, e % 2 ? 0.1 : 0.16,
                static_cast<std::uint32_t>(1000 + b * 8 + e));
    }
    return loop.samples;
}

// How one world's arrangement of the in-game tune differs from the first's.
struct TuneStyle {
    // Semitones the melody, chords and bass move by.
    int transpose = 0;
    // 4725 samples per eighth: 140 beats a minute.
    int samplesPerEighth = 4725;
    Instrument lead = squareLead;
    double leadGain = 0.16;
    // Semitones the lead alone moves by.
    int leadShift = 0;
    // Kick and snare only once a bar each, for a heavier, slower feel.
    bool halfTime = false;
    // Moves the drums' noise seeds, so each arrangement's texture differs.
    std::uint32_t seedOffset = 0;
};

// In game: a brisk A-minor tune with a square lead, driving eighth-note bass
// and a full beat, 140 beats a minute; each world plays its own arrangement.
Samples gameTune(const TuneStyle& style) {
    const std::vector<Chord> chords = {{57, true}, {65, false}, {60, false}, {67, false},
                                       {57, true}, {65, false}, {60, false}, {67, false},
                                       {62, true}, {57, true},  {65, false}, {64, false},
                                       {57, true}, {65, false}, {67, false}, {64, false}};
    const std::vector<Step> melody = {
        {69, 1}, {72, 1}, {76, 1}, {72, 1}, {81, 2}, {79, 1}, {76, 1}, // Am
        {77, 1}, {76, 1}, {72, 1}, {69, 1}, {72, 2}, {77, 2},          // F
        {76, 1}, {79, 1}, {84, 2}, {83, 1}, {79, 1}, {76, 2},          // C
        {74, 2}, {71, 1}, {74, 1}, {79, 4},                            // G
        {81, 2}, {84, 1}, {81, 1}, {76, 2}, {72, 2},                   // Am
        {77, 2}, {81, 1}, {77, 1}, {72, 2}, {69, 2},                   // F
        {72, 1}, {76, 1}, {79, 1}, {84, 1}, {83, 2}, {79, 2},          // C
        {79, 3}, {77, 1}, {74, 4},                                     // G
        {74, 1}, {77, 1}, {81, 1}, {77, 1}, {86, 2}, {84, 2},          // Dm
        {81, 2}, {76, 2}, {72, 2}, {76, 2},                            // Am
        {77, 1}, {81, 1}, {84, 2}, {81, 2}, {77, 2},                   // F
        {80, 4}, {76, 2}, {71, 2},                                     // E
        {69, 1}, {72, 1}, {76, 1}, {81, 1}, {84, 2}, {81, 2},          // Am
        {84, 1}, {81, 1}, {77, 1}, {72, 1}, {77, 4},                   // F
        {79, 1}, {83, 1}, {86, 2}, {83, 2}, {79, 2},                   // G
        {80, 2}, {83, 2}, {76, 4},                                     // E
    };
    std::vector<Step> lead = melody;
    for (Step& step : lead)
        if (step.note != REST)
            step.note += style.transpose + style.leadShift;
    const auto chordRoot = [&](const Chord& chord) {
        return Chord{((chord.root + style.transpose) % 12 + 12) % 12, chord.minor};
    };
    Loop loop{Samples(chords.size() * 8 * static_cast<std::size_t>(style.samplesPerEighth), 0.0),
              style.samplesPerEighth};
    if (!melodyFitsBars(lead, chords.size()))
        std::cerr << "soundgen: game melody does not fill its bars\n";
    playMelody(loop, lead, style.lead, style.leadGain);
    const std::size_t eighth = static_cast<std::size_t>(loop.samplesPerEighth);
    const std::size_t bar = 8 * eighth;
    const double eighthSeconds = static_cast<double>(eighth) / MUSIC_RATE;
    const std::uint32_t seeds = style.seedOffset;
    for (std::size_t b = 0; b < chords.size(); ++b) {
        const Chord chord = chordRoot(chords[b]);
        const std::vector<int> triad = chordNotes(chord, 60);
        const int root = 36 + chord.root % 12;
        for (std::size_t e = 0; e < 8; ++e) {
            bass(loop, b * bar + e * eighth, eighthSeconds * 0.8, e % 2 ? root + 12 : root, 0.28);
            pluck(loop, b * bar + e * eighth, eighthSeconds * 0.5,
                  triad[(e * 2 + b) % 3] + (e % 4 == 3 ? 12 : 0), 0.06);
            hat(loop, b * bar + e * eighth, e % 2 ? 0.12 : 0.2,
                static_cast<std::uint32_t>(5000 + b * 8 + e) + seeds);
        }
        kick(loop, b * bar, 0.5);
        if (!style.halfTime)
            kick(loop, b * bar + 4 * eighth, 0.5);
        if (b % 4 == 3)
            kick(loop, b * bar + 7 * eighth, 0.35);
        if (!style.halfTime)
            snare(loop, b * bar + 2 * eighth, 0.35,
                  static_cast<std::uint32_t>(9000 + b * 2) + seeds);
        snare(loop, b * bar + 6 * eighth, 0.35, static_cast<std::uint32_t>(9001 + b * 2) + seeds);
    }
    return loop.samples;
}

Samples gameMusic() {
    return gameTune(TuneStyle{});
}

// World two: up a minor third and faster, the tune on marimba-like plucks.
Samples world2Music() {
    TuneStyle style;
    style.transpose = 3;
    style.samplesPerEighth = 4410; // 150 beats a minute
    style.lead = pluck;
    style.leadGain = 0.3;
    style.seedOffset = 20000;
    return gameTune(style);
}

// World three: down a tone, slower and in half time, the lead an octave low.
Samples world3Music() {
    TuneStyle style;
    style.transpose = -2;
    style.samplesPerEighth = 5292; // 125 beats a minute
    style.leadShift = -12;
    style.leadGain = 0.2;
    style.halfTime = true;
    style.seedOffset = 40000;
    return gameTune(style);
}

struct Output {
    const char* file;
    Samples (*make)();
    int rate;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: soundgen OUTPUT_DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    const Output outputs[] = {
        {"bird_launch.wav", birdLaunch, EFFECT_RATE},
        {"slingshot_pull.wav", slingshotPull, EFFECT_RATE},
        {"block_hit.wav", blockHit, EFFECT_RATE},
        {"enemy_hit.wav", enemyHit, EFFECT_RATE},
        {"enemy_death.wav", enemyDeath, EFFECT_RATE},
        {"button_click.wav", buttonClick, EFFECT_RATE},
        {"level_win.wav", levelWin, EFFECT_RATE},
        {"level_lose.wav", levelLose, EFFECT_RATE},
        {"menu_music.wav", menuMusic, MUSIC_RATE},
        {"game_music.wav", gameMusic, MUSIC_RATE},
        {"world2_music.wav", world2Music, MUSIC_RATE},
        {"world3_music.wav", world3Music, MUSIC_RATE},
    };
    int failures = 0;
    for (const Output& output : outputs) {
        Samples samples = output.make();
        normalise(samples);
        const std::string path = directory + "/" + output.file;
        if (writeWav(path, samples, output.rate)) {
            std::printf("soundgen: wrote %s (%.2f s)\n", path.c_str(),
                        static_cast<double>(samples.size()) / output.rate);
        } else {
            std::cerr << "soundgen: could not write " << path << "\n";
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
