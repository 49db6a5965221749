#pragma once

// What screen readers learn of the flat panel: a group named by its caption.

// Makes the flat panels known to Qt's accessibility; the first call does it. TFlatPanel calls
// it.
void installTFlatPanelAccessibility();
