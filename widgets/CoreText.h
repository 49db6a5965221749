#pragma once

#include <QString>

#include <span>
#include <string>

// A text that a Qt-free core composed, in the player's language. `sources` are the core's
// texts as marked for translation in `context`; "%1" in one stands for the part the core fills
// in (a number, a name, a file), which is kept as it came. A text that matches none is shown
// unchanged, and without a translation every text comes back byte for byte.
QString translatedCoreText(const char* context, std::span<const char* const> sources,
                           const std::string& text);
