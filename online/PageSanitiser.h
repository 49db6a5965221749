#pragma once

// The high-score page as the viewer may lay it out: a rewrite of the server's HTML that keeps
// its text, links, colours and tables but bounds what the viewer's layout costs, so that no page
// can hold up the game for long, and names nothing the viewer could load.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace htmlpage {

// What a page may ask of the viewer. A page of the hundred best scores is about 25 KB with
// some 1,000 elements in one table of 404 cells, 8 deep. Table cells and tables cost the layout
// far more than other elements, so they have limits of their own.
struct PageLimits {
    std::size_t maxBytes = 96 * 1024;
    std::size_t maxElements = 2500;
    std::size_t maxCells = 600;
    std::size_t maxTables = 100;
    int maxDepth = 24;
    int maxTableDepth = 3;
};

// The page rewritten with only known text tags (pictures, style sheets, scripts, frames, forms
// and comments left out, their text kept where it is page text), only harmless attributes with
// bounded sizes, every element closed, tags deeper than maxDepth and tables nested deeper than
// maxTableDepth left out (their text kept). Empty when the page is longer than maxBytes or
// holds more than maxElements elements, maxCells table cells or maxTables tables: such a page
// is refused whole.
std::optional<std::string> sanitise(std::string_view page, const PageLimits& limits = {});

} // namespace htmlpage
