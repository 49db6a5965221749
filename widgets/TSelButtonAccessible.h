#pragma once

// What screen readers learn of the caption button: a button named by its caption that can be
// pressed, unavailable while its own Enabled flag is off.

// Makes the caption buttons known to Qt's accessibility; the first call does it. TSelButton
// calls it.
void installTSelButtonAccessibility();
