// Simplex noise: the tables, values worked out from the published
// algorithm in double precision, the wrap for negative cells, continuity.
#include "ofNoise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

using ofNoiseTables::perm;
using ofNoiseTables::simplex;

TEST(NoiseTables, PermutationIsPerlinsStoredTwice) {
    const unsigned char start[8] = {151, 160, 137, 91, 90, 15, 131, 13};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(perm[i], start[i]);
    EXPECT_EQ(perm[255], 180);
    bool seen[256] = {};
    for (int i = 0; i < 256; ++i) {
        EXPECT_FALSE(seen[perm[i]]) << "value " << int(perm[i]) << " twice";
        seen[perm[i]] = true;
        EXPECT_EQ(perm[i], perm[i + 256]) << "index " << i;
    }
}

TEST(NoiseTables, SimplexRowsRankEachAxisByItsOrdering) {
    // Row c has a bit for each pairwise comparison of the offsets; an axis'
    // rank is the number of axes it exceeds. Contradictory rows are zero.
    for (int c = 0; c < 64; ++c) {
        const int xy = (c >> 5) & 1, xz = (c >> 4) & 1, yz = (c >> 3) & 1;
        const int xw = (c >> 2) & 1, yw = (c >> 1) & 1, zw = c & 1;
        int rank[4] = {xy + xz + xw, (1 - xy) + yz + yw, (1 - xz) + (1 - yz) + zw, (1 - xw) + (1 - yw) + (1 - zw)};
        int sorted[4] = {rank[0], rank[1], rank[2], rank[3]};
        std::sort(sorted, sorted + 4);
        const bool possible = sorted[0] == 0 && sorted[1] == 1 && sorted[2] == 2 && sorted[3] == 3;
        for (int axis = 0; axis < 4; ++axis)
            EXPECT_EQ(simplex[c][axis], possible ? rank[axis] : 0) << "row " << c << " axis " << axis;
    }
}

TEST(Noise, ZeroAtTheOriginInEveryDimension) {
    EXPECT_EQ(ofSignedNoise(0.0f), 0.0f);
    EXPECT_EQ(ofSignedNoise(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(ofSignedNoise(0.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(ofSignedNoise(0.0f, 0.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(ofNoise(0.0f), 0.5f);
    EXPECT_EQ(ofNoise(0.0f, 0.0f), 0.5f);
    EXPECT_EQ(ofNoise(0.0f, 0.0f, 0.0f), 0.5f);
    EXPECT_EQ(ofNoise(0.0f, 0.0f, 0.0f, 0.0f), 0.5f);
}

TEST(Noise, MatchesValuesWorkedOutIndependently) {
    // 1D at 0.5 by hand: hashes 151 and 160 give gradients 8 and 1, the
    // falloff (3/4)^4, so 0.25 * (0.31640625 * 4 - 0.31640625 * 0.5).
    EXPECT_FLOAT_EQ(ofSignedNoise(0.5f), 0.27685546875f);
    // At -0.5 the lower cell is -1, which must wrap to 255 (hash 180).
    EXPECT_FLOAT_EQ(ofSignedNoise(-0.5f), -0.11865234375f);
    EXPECT_FLOAT_EQ(ofSignedNoise(-255.5f), 0.27685546875f);
    EXPECT_NEAR(ofSignedNoise(1.25f), 0.062018394470214844, 1e-6);
    EXPECT_NEAR(ofSignedNoise(-3.75f), 0.42745399475097656, 1e-6);
    EXPECT_NEAR(ofSignedNoise(100.125f), 0.05934442766010761, 1e-6);

    // The others were computed in double precision from the same tables,
    // at points that floats hold exactly.
    const double tolerance = 3e-5;   // single-precision offsets far from 0
    EXPECT_NEAR(ofSignedNoise(0.25f, 0.0f), -0.3287417414084712, tolerance);
    EXPECT_NEAR(ofSignedNoise(1.3125f, -2.6875f), -0.6779600481911439, tolerance);
    EXPECT_NEAR(ofSignedNoise(-0.59375f, 0.4375f), -0.1675255754162265, tolerance);
    EXPECT_NEAR(ofSignedNoise(-100.1875f, 37.875f), 0.22791792846623402, tolerance);
    EXPECT_NEAR(ofSignedNoise(5.5f, 5.5f), -0.37452303473299253, tolerance);

    EXPECT_NEAR(ofSignedNoise(0.25f, 0.5f, 0.75f), 0.4824312500000002, tolerance);
    EXPECT_NEAR(ofSignedNoise(-1.3125f, 2.1875f, -0.40625f), -0.6134796532744031, tolerance);
    EXPECT_NEAR(ofSignedNoise(10.125f, -20.1875f, 30.3125f), -0.5832750017921129, tolerance);
    EXPECT_NEAR(ofSignedNoise(0.90625f, 0.09375f, 0.5f), 0.10039089697549726, tolerance);

    EXPECT_NEAR(ofSignedNoise(0.25f, 0.5f, 0.75f, 0.09375f), -0.2605898307276177, tolerance);
    EXPECT_NEAR(ofSignedNoise(-1.3125f, 2.1875f, -0.40625f, 0.6875f), 0.35786239200593306, tolerance);
    EXPECT_NEAR(ofSignedNoise(10.125f, -20.1875f, 30.3125f, -4.375f), 0.028301545577385033, tolerance);
    EXPECT_NEAR(ofSignedNoise(0.09375f, 0.90625f, 0.3125f, 0.59375f), -0.04344303887747482, tolerance);
}

TEST(Noise, RepeatsEvery256CellsAlsoBelowZero) {
    for (float x = -700.0f; x < 700.0f; x += 0.375f) {
        ASSERT_EQ(ofSignedNoise(x), ofSignedNoise(x + 256.0f)) << x;
        ASSERT_EQ(ofSignedNoise(x), ofSignedNoise(x - 512.0f)) << x;
    }
    // In 2D to 4D the lattice is skewed: one period along the first axis is
    // the lattice step (256, 0, ...) taken back to input space.
    const float g2 = 0.211324865f, g3 = 1.0f / 6.0f, g4 = 0.138196601f;
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> coord(-300.0f, 300.0f);
    for (int n = 0; n < 300; ++n) {
        const float x = coord(gen), y = coord(gen), z = coord(gen), w = coord(gen);
        ASSERT_NEAR(ofSignedNoise(x, y), ofSignedNoise(x - 256 * (1 - g2), y + 256 * g2), 2e-3);
        ASSERT_NEAR(ofSignedNoise(x, y, z),
                    ofSignedNoise(x - 256 * (1 - g3), y + 256 * g3, z + 256 * g3), 2e-3);
        ASSERT_NEAR(ofSignedNoise(x, y, z, w),
                    ofSignedNoise(x - 256 * (1 - g4), y + 256 * g4, z + 256 * g4, w + 256 * g4), 2e-3);
    }
}

TEST(Noise, ContinuousBoundedPureAndMappedToUnit) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> coord(-1000.0f, 1000.0f);
    std::uniform_real_distribution<float> nudge(-1e-3f, 1e-3f);
    float lowest = 0, highest = 0;
    for (int n = 0; n < 20000; ++n) {
        const float x = coord(gen), y = coord(gen), z = coord(gen), w = coord(gen);
        const float dx = nudge(gen), dy = nudge(gen), dz = nudge(gen), dw = nudge(gen);
        const float v[4] = {ofSignedNoise(x), ofSignedNoise(x, y), ofSignedNoise(x, y, z), ofSignedNoise(x, y, z, w)};
        // A wrong corner or gradient would show as a jump across a
        // simplex boundary.
        ASSERT_NEAR(v[0], ofSignedNoise(x + dx), 0.02) << x;
        ASSERT_NEAR(v[1], ofSignedNoise(x + dx, y + dy), 0.05) << x << " " << y;
        ASSERT_NEAR(v[2], ofSignedNoise(x + dx, y + dy, z + dz), 0.05) << x << " " << y << " " << z;
        ASSERT_NEAR(v[3], ofSignedNoise(x + dx, y + dy, z + dz, w + dw), 0.05) << x << " " << y << " " << z << " " << w;
        ASSERT_EQ(v[2], ofSignedNoise(x, y, z));
        ASSERT_EQ(ofNoise(x), v[0] * 0.5f + 0.5f);
        ASSERT_EQ(ofNoise(x, y), v[1] * 0.5f + 0.5f);
        ASSERT_EQ(ofNoise(x, y, z), v[2] * 0.5f + 0.5f);
        ASSERT_EQ(ofNoise(x, y, z, w), v[3] * 0.5f + 0.5f);
        for (float value : v) {
            ASSERT_LE(std::fabs(value), 1.1f);
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
    }
    EXPECT_LT(lowest, -0.6f);
    EXPECT_GT(highest, 0.6f);
}

TEST(Noise, LargeCoordinatesStayInsideTheTables) {
    // Under the address sanitizer any look-up outside the tables fails here.
    const float far[] = {-1e6f, -65536.5f, -257.25f, -256.0f, -1.0f, 255.999f, 65536.5f, 1e6f};
    for (float a : far)
        for (float b : far) {
            EXPECT_TRUE(std::isfinite(ofSignedNoise(a, b)));
            EXPECT_TRUE(std::isfinite(ofSignedNoise(a, b, -a)));
            EXPECT_TRUE(std::isfinite(ofSignedNoise(a, b, -a, -b)));
        }
}
