#pragma once

// A player's choice for whole-game tests and benchmarks: the largest group on the field.

#include "engine/GameRules.h"
#include "engine/GameState.h"

#include <utility>
#include <vector>

namespace testsupport {

// A group of two or more flowers: its size and one cell of it (size 0 when there is none).
struct Group {
    int size = 0, c = 0, r = 0;
};

inline Group largestGroup(const GameState& s) {
    Group best;
    constexpr int last = rules::fieldSize;
    bool seen[last + 1][last + 1] = {};
    for (int c = 1; c <= last; ++c) {
        for (int r = 1; r <= last; ++r) {
            const int v = s.cells[c][r];
            if (v == 0 || seen[c][r]) {
                continue;
            }
            int size = 0;
            std::vector<std::pair<int, int>> stack{{c, r}};
            seen[c][r] = true;
            while (!stack.empty()) {
                auto [x, y] = stack.back();
                stack.pop_back();
                ++size;
                for (auto [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
                    if (nx >= 1 && nx <= last && ny >= 1 && ny <= last && !seen[nx][ny] &&
                        s.cells[nx][ny] == v) {
                        seen[nx][ny] = true;
                        stack.push_back({nx, ny});
                    }
                }
            }
            if (size >= 2 && size > best.size) {
                best = {size, c, r};
            }
        }
    }
    return best;
}

} // namespace testsupport
