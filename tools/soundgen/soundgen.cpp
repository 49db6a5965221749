// Synthesises the game's six sound effects as mono PCM wave files.
//
//   bloomzap_soundgen <output folder>
//
// Every sound is made from sines with smooth envelopes, so the results are small, free of
// clicks and the same on every run (the "random" sparkles come from a fixed-seed generator).
#include "tools/soundgen/Wave.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <utility>

namespace {

constexpr double pi = 3.14159265358979323846;

// Pitches of the notes used below, in hertz.
constexpr double noteE4 = 329.63, noteF4 = 349.23, noteFs4 = 369.99, noteG4 = 392.00;
constexpr double noteC5 = 523.25, noteE5 = 659.25, noteG5 = 783.99;
constexpr double noteC6 = 1046.50, noteD6 = 1174.66, noteE6 = 1318.51, noteG6 = 1567.98,
                 noteA6 = 1760.00;
constexpr double noteC7 = 2093.00, noteD7 = 2349.32, noteE7 = 2637.02, noteG7 = 3135.96;

// Attack ramp, then exponential decay, then a short release before `length` ends.
double envelope(double t, double attack, double decay, double length) {
    if (t < 0 || t >= length) {
        return 0;
    }
    double e = t < attack ? t / attack : std::exp(-(t - attack) / decay);
    const double release = std::min(0.02, length / 4);
    if (t > length - release) {
        e *= (length - t) / release;
    }
    return e;
}

// A tone with harmonic partials (amplitudes of 1, 2, 3 ... times the pitch). Partials that
// would pass the Nyquist frequency are left out so nothing folds back as a whistle.
void tone(Wave& w, double start, double length, double freq, double amp,
          std::initializer_list<double> partials, double attack, double decay,
          double vibratoDepth = 0) {
    const double nyquist = 0.45 * w.sampleRate();
    double phase = 0;
    for (std::size_t i = static_cast<std::size_t>(start * w.sampleRate()); i < w.size(); ++i) {
        const double t = w.time(i) - start;
        if (t >= length) {
            break;
        }
        const double f = freq * (1 + vibratoDepth * std::sin(2 * pi * 5.5 * t));
        phase += 2 * pi * f / w.sampleRate();
        double v = 0;
        int k = 1;
        for (const double p : partials) {
            if (freq * k < nyquist) {
                v += p * std::sin(k * phase);
            }
            ++k;
        }
        w.add(i, amp * envelope(t, attack, decay, length) * v);
    }
}

// A struck bell: inharmonic partials that die away faster the higher they are.
void bell(Wave& w, double start, double freq, double amp, double decay) {
    const double nyquist = 0.45 * w.sampleRate();
    const std::pair<double, double> partials[] = {
        {1.0, 1.0}, {2.0, 0.45}, {2.76, 0.3}, {5.4, 0.12}};
    for (const auto& [ratio, level] : partials) {
        if (freq * ratio >= nyquist) {
            continue;
        }
        const double d = decay / ratio;
        for (std::size_t i = static_cast<std::size_t>(start * w.sampleRate()); i < w.size(); ++i) {
            const double t = w.time(i) - start;
            if (t > 8 * d) {
                break;
            }
            w.add(i,
                  amp * level * envelope(t, 0.003, d, 1e9) * std::sin(2 * pi * freq * ratio * t));
        }
    }
}

// Fixed-seed noise in -1..1.
class Noise {
public:
    double next() {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

private:
    std::uint64_t m_state = 0x5eed;
};

// A soft thud: a low sine falling in pitch, with a dull tap of filtered noise on top.
Wave drop() {
    Wave w(11025, 8, 0.223);
    Noise noise;
    double phase = 0, low = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = w.time(i);
        const double f = 85 + 140 * std::exp(-t / 0.035);
        phase += 2 * pi * f / w.sampleRate();
        const double body = std::sin(phase) * envelope(t, 0.004, 0.06, 0.223);
        low += 0.12 * (noise.next() - low); // one-pole low-pass keeps the tap soft
        const double tap = low * envelope(t, 0.002, 0.012, 0.05);
        w.add(i, body + 1.5 * tap);
    }
    w.normalise(0.6);
    w.fadeEdges(0.002, 0.015);
    return w;
}

// A bright, quick "ping" that glides up a little: two notes a fourth apart.
Wave clear() {
    Wave w(11025, 8, 0.144);
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = w.time(i);
        const double glide = 1 - 0.2 * std::exp(-t / 0.015);
        const double e = envelope(t, 0.003, 0.045, 0.144);
        w.add(i, e * (std::sin(2 * pi * noteG6 * glide * t) +
                      0.6 * std::sin(2 * pi * noteC7 * glide * t) +
                      0.15 * std::sin(2 * pi * 2 * noteG6 * glide * t)));
    }
    w.normalise(0.55);
    w.fadeEdges(0.002, 0.01);
    return w;
}

// A rising fanfare: C, E, G, then a held high C over the full chord.
Wave levelup() {
    Wave w(11025, 8, 0.955);
    const std::initializer_list<double> brass = {1.0, 0.55, 0.35, 0.2, 0.1};
    tone(w, 0.00, 0.20, noteC5, 0.5, brass, 0.008, 0.25);
    tone(w, 0.11, 0.20, noteE5, 0.5, brass, 0.008, 0.25);
    tone(w, 0.22, 0.20, noteG5, 0.5, brass, 0.008, 0.25);
    tone(w, 0.33, 0.625, noteC6, 0.6, brass, 0.010, 0.35, 0.004);
    tone(w, 0.33, 0.625, noteG5, 0.25, {1.0, 0.3}, 0.020, 0.35);
    tone(w, 0.33, 0.625, noteE5, 0.25, {1.0, 0.3}, 0.020, 0.35);
    tone(w, 0.33, 0.625, noteC5, 0.25, {1.0, 0.3}, 0.020, 0.35);
    w.normalise(0.7);
    w.fadeEdges(0.002, 0.05);
    return w;
}

// A long, falling "wah wah wah waaah": three steps down, then a last note that sinks and fades.
Wave gameover() {
    Wave w(22050, 16, 2.794);
    const double steps[] = {noteG4, noteFs4, noteF4};
    for (int n = 0; n < 3; ++n) {
        const double start = 0.45 * n;
        for (std::size_t i = static_cast<std::size_t>(start * w.sampleRate()); i < w.size(); ++i) {
            const double t = w.time(i) - start;
            if (t >= 0.42) {
                break;
            }
            // The brightness closes during each note: the muted-trumpet "wah".
            const double bright = std::exp(-t / 0.15);
            const double f = steps[n];
            double v = 0;
            for (int k = 1; k <= 6; ++k) {
                v += std::sin(2 * pi * f * k * t) * (k == 1 ? 1.0 : 0.6 * bright / k);
            }
            w.add(i, 0.6 * envelope(t, 0.03, 0.5, 0.42) * v);
        }
    }
    const double start = 1.35;
    double phase = 0;
    for (std::size_t i = static_cast<std::size_t>(start * w.sampleRate()); i < w.size(); ++i) {
        const double t = w.time(i) - start;
        const double f = noteE4 * (1 - 0.1 * t / 1.444) * (1 + 0.012 * std::sin(2 * pi * 5 * t));
        phase += 2 * pi * f / w.sampleRate();
        const double bright = 0.5 + 0.5 * std::exp(-t / 0.4);
        double v = 0;
        for (int k = 1; k <= 6; ++k) {
            v += std::sin(k * phase) * (k == 1 ? 1.0 : 0.6 * bright / k);
        }
        v += 0.3 * std::sin(0.5 * phase); // an octave below for weight
        w.add(i, 0.6 * envelope(t, 0.03, 0.9, 1.444) * v);
    }
    w.normalise(0.7);
    w.fadeEdges(0.003, 0.5);
    return w;
}

// A welcoming three-note chime going up: G, C, E.
Wave entered() {
    Wave w(11025, 8, 0.786);
    bell(w, 0.00, noteG5, 0.6, 0.35);
    bell(w, 0.15, noteC6, 0.55, 0.35);
    bell(w, 0.30, noteE6, 0.5, 0.40);
    w.normalise(0.6);
    w.fadeEdges(0.002, 0.08);
    return w;
}

// A sparkling flourish: a quick pentatonic run up two octaves, a shimmering chord, and a few
// high glints scattered over it.
Wave clearedall() {
    Wave w(22050, 8, 0.923);
    const double run[] = {noteC6, noteD6, noteE6, noteG6, noteA6, noteC7, noteD7, noteE7, noteG7};
    double t = 0;
    for (const double f : run) {
        bell(w, t, f, 0.35, 0.12);
        t += 0.045;
    }
    for (std::size_t i = static_cast<std::size_t>(t * w.sampleRate()); i < w.size(); ++i) {
        const double u = w.time(i) - t;
        const double shimmer = 0.75 + 0.25 * std::sin(2 * pi * 11 * u);
        const double e = envelope(u, 0.01, 0.18, w.time(w.size() - 1) - t);
        w.add(i, 0.3 * shimmer * e *
                     (std::sin(2 * pi * noteC7 * u) + std::sin(2 * pi * noteE7 * u) +
                      0.7 * std::sin(2 * pi * noteG7 * u)));
    }
    Noise noise;
    for (int k = 0; k < 10; ++k) {
        const double when = 0.1 + 0.6 * (noise.next() + 1) / 2;
        const double f = 3500 + 2500 * (noise.next() + 1) / 2;
        bell(w, when, f, 0.12, 0.04);
    }
    w.normalise(0.65);
    w.fadeEdges(0.002, 0.05);
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: bloomzap_soundgen <output folder>\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        drop().write(folder / "DROP.wav");
        clear().write(folder / "CLEAR.wav");
        levelup().write(folder / "LEVELUP.wav");
        gameover().write(folder / "GAMEOVER.wav");
        entered().write(folder / "ENTERED.wav");
        clearedall().write(folder / "CLEAREDALL.wav");
    } catch (const std::exception& e) {
        std::cerr << "bloomzap_soundgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
