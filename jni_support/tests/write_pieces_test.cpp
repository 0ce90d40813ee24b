// The Write natives' piece loop: which pieces go out, in order, and where a refused piece ends
// the write.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "jni_support/write_pieces.h"

namespace {

using orv::jni::SendInPieces;
using Piece = std::pair<jint, jint>;  // offset, size

struct Case {
    jint length;
    jint pieceSize;
    int refuseAt;  // index of the first piece the sender refuses; -1: none
    jint sent;
    std::vector<Piece> offered;
};

TEST(SendInPieces, OffersConsecutivePiecesAndStopsAtTheFirstRefusal) {
    const Case cases[] = {
        {0, 30000, -1, 0, {}},
        {1, 30000, -1, 1, {{0, 1}}},
        {30000, 30000, -1, 30000, {{0, 30000}}},
        {30001, 30000, -1, 30001, {{0, 30000}, {30000, 1}}},
        {65000, 30000, -1, 65000, {{0, 30000}, {30000, 30000}, {60000, 5000}}},
        {2500, 1024, -1, 2500, {{0, 1024}, {1024, 1024}, {2048, 452}}},
        {2500, 1024, 0, 0, {{0, 1024}}},
        {2500, 1024, 2, 2048, {{0, 1024}, {1024, 1024}, {2048, 452}}},
        {-5, 1024, -1, 0, {}},
        {100, 0, -1, 0, {}},  // no piece size: nothing, rather than a loop without end
    };
    for (const Case& c : cases) {
        std::vector<Piece> offered;
        const jint sent = SendInPieces(c.length, c.pieceSize, [&](jint offset, jint size) {
            offered.emplace_back(offset, size);
            return int(offered.size()) - 1 != c.refuseAt;
        });
        EXPECT_EQ(offered, c.offered) << c.length << " in " << c.pieceSize;
        EXPECT_EQ(sent, c.sent) << c.length << " in " << c.pieceSize;
    }
}

TEST(SendInPieces, LengthNearTheLargestArrayEndsWithoutOverflow) {
    // The last piece ends 23,647 bytes into its 30,000: counting on past it would overflow (UBSan).
    jint pieces = 0;
    Piece last{};
    const jint sent = SendInPieces(INT_MAX, 30000, [&](jint offset, jint size) {
        ++pieces;
        last = {offset, size};
        return true;
    });
    EXPECT_EQ(sent, INT_MAX);
    EXPECT_EQ(pieces, 71583);
    EXPECT_EQ(last, (Piece{2147460000, 23647}));
}

}  // namespace
