#include "Recorder.h"

const char* componentname(Component which) {
    switch (which) {
    case Component::label_round:
        return "label_round";
    case Component::label_roundcleared:
        return "label_roundcleared";
    case Component::label_score:
        return "label_score";
    case Component::label_lastscore:
        return "label_lastscore";
    case Component::label_numremoved:
        return "label_numremoved";
    case Component::label_status:
        return "label_status";
    case Component::label_name:
        return "label_name";
    case Component::button_pause:
        return "button_pause";
    case Component::button_start:
        return "button_start";
    case Component::button_sendscore:
        return "button_sendscore";
    case Component::panel_cleared:
        return "panel_cleared";
    case Component::panel_paused:
        return "panel_paused";
    case Component::panel_name:
        return "panel_name";
    case Component::panel_wait:
        return "panel_wait";
    }
    return "?";
}

void Recorder::drawtile(int c, int r, int t) {
    if (c < 1 || c > 10 || r < 1 || r > 10 || t < 0 || t > 8) {
        ++baddraws;
        return;
    }
    screen[c][r] = t;
    draws.push_back({c, r, t});
    log.push_back("draw " + std::to_string(c) + "," + std::to_string(r) + "=" + std::to_string(t));
}

void Recorder::settext(Component which, const std::string& text) {
    texts_[which] = text;
    if (which == Component::label_status) {
        statuses.push_back(text);
    }
    if (which == Component::label_lastscore) {
        lastscores.push_back(std::stoi(text));
    }
    log.push_back(std::string("text ") + componentname(which) + "=" + text);
}

void Recorder::setshown(Component which, bool shown) {
    shown_[which] = shown;
    log.push_back(std::string(shown ? "show " : "hide ") + componentname(which));
}

void Recorder::setenabled(Component which, bool enabled) {
    enabled_[which] = enabled;
    log.push_back(std::string(enabled ? "enable " : "disable ") + componentname(which));
}

void Recorder::playsounds(const std::string& sound) {
    sounds.push_back(sound);
    log.push_back("sound " + sound);
}

void Recorder::addtomineincrease(int which) {
    tally.push_back("addtomineincrease(" + std::to_string(which) + ")");
    log.push_back("tally " + tally.back());
}

void Recorder::checkscore(int score, const std::string& player) {
    tally.push_back("checkscore(" + std::to_string(score) + "," + player + ")");
    log.push_back("tally " + tally.back());
}

void Recorder::checkchange(int which, int value) {
    tally.push_back("checkchange(" + std::to_string(which) + "," + std::to_string(value) + ")");
    log.push_back("tally " + tally.back());
}

void Recorder::clearlogs() {
    log.clear();
    draws.clear();
    sounds.clear();
    tally.clear();
    statuses.clear();
    lastscores.clear();
}

std::string Recorder::text(Component which) const {
    auto it = texts_.find(which);
    return it == texts_.end() ? std::string() : it->second;
}

bool Recorder::isshown(Component which) const {
    auto it = shown_.find(which);
    return it != shown_.end() && it->second;
}

bool Recorder::isenabled(Component which) const {
    auto it = enabled_.find(which);
    return it != enabled_.end() && it->second;
}
