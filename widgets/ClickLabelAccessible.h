#pragma once

// What screen readers learn of the link labels: each is a link, named by its text (a picture by
// the name it is given), that can be pressed as a click on it.

// Makes the link labels known to Qt's accessibility; the first call does it. ClickLabel calls it.
void installClickLabelAccessibility();
