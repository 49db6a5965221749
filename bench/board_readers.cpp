// What a listening screen reader costs the board's drawing: draws every cell of a shown board
// anew, round after round, each round followed by the repaint the event loop makes, first with
// nobody listening and then with a stand-in listener (as a running screen reader gets the
// board's events), and prints the median time per drawn tile of each.
//   QT_QPA_PLATFORM=offscreen board_readers [ROUNDS]

#include "engine/GameRules.h"
#include "engine/view/BoardView.h"
#include "widgets/WidgetAccessible.h"

#include <QAccessibleEvent>
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Nanoseconds per drawn tile, median of seven runs of `rounds` rounds.
double perTile(BoardView& view, int rounds) {
    std::vector<double> runs;
    int shift = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < rounds; ++round, ++shift) {
            for (int c = 1; c <= rules::fieldSize; ++c)
                for (int r = 1; r <= rules::fieldSize; ++r)
                    view.drawtile(c, r, 1 + (c + r + shift) % rules::maxColours);
            QCoreApplication::processEvents();
        }
        const double tiles = double(rounds) * rules::fieldSize * rules::fieldSize;
        runs.push_back(double(clock.nsecsElapsed()) / tiles);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    BoardView view;
    view.show();
    QCoreApplication::processEvents();

    const double alone = perTile(view, rounds);
    long told = 0;
    accessibility::setListener([&told](QAccessibleEvent&) { ++told; });
    const double listened = perTile(view, rounds);
    accessibility::setListener({});

    std::printf("per drawn tile, nobody listening: %.0f ns\n", alone);
    std::printf("per drawn tile, a reader listening: %.0f ns (%ld events told)\n", listened, told);
    return 0;
}
