// Counts the matches of a text in a 256 MB result page with the find bar's finder, the way
// the window does (slices between turns of the event loop), for each kind of search:
// exact bytes, case folded ASCII, case folded Unicode. Reports seconds per GB.
#include "analysis/ResultFinder.h"
#include "analysis/ResultTextModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Mostly ASCII lines, every tenth with accented words, in the chunks a socket delivers.
    QByteArray block;
    for (int i = 0; block.size() < (1 << 20); ++i) {
        block += i % 10 == 0
            ? "Le caf\xC3\xA9 CAF\xC3\x89 et la cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 "_ba
            : "pelorin benchmark line 0123456789 abcdefghijklmnopqrstuvwxyz "_ba;
        block += QByteArray::number(i) + "\r\n";
    }
    ResultTextModel model;
    constexpr int kBlocks = 256;
    for (int i = 0; i < kBlocks; ++i)
        model.append(block);
    const double gigabytes = double(model.size()) / (1 << 30);

    struct Query
    {
        const char* label;
        QString text;
        bool matchCase;
    };
    for (const Query& q : { Query { "exact bytes", u"café"_s, true },
                            Query { "ASCII, any case", u"Benchmark"_s, false },
                            Query { "Unicode, any case", u"CAFÉ"_s, false } }) {
        ResultFinder finder(model);
        QElapsedTimer timer;
        timer.start();
        finder.setQuery(q.text, q.matchCase);
        while (finder.isCounting())
            QCoreApplication::processEvents();
        std::printf("%-18s %10lld matches  %6.2f s per GB\n", q.label, finder.matchCount(),
                    double(timer.nsecsElapsed()) / 1e9 / gigabytes);
    }
    return 0;
}
