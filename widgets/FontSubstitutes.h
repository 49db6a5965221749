#pragma once

// The windows name their fonts as "MS Sans Serif", "Arial" and "Times New Roman". Those faces are
// not on a Linux desktop, so they are mapped once at start to the metric-compatible Liberation
// faces, which keeps every caption the width the window layouts were made for.
// Call once after the QApplication exists and before any window is built; calling again is
// harmless.
void installFontSubstitutes();
