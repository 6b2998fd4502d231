#include <gtest/gtest.h>

#include "eos/PengRobinson.h"

namespace tarnel {
namespace {

TEST(PengRobinson, ConstantsAreTheDoublesOfTheFormulas) {
    EXPECT_EQ(0.45724 * 8.3145 * 8.3145, 31.60941740271);
    EXPECT_EQ(0.0778 * 8.3145, 0.6468681000000001);
}

TEST(PengRobinson, ZeroLeadingCoefficientGivesNoRoots) {
    PengRobinson solver;
    double c0 = 1, c1 = 2, c2 = 3, c3 = 0, x = 7, y = 8, z = 9;
    EXPECT_EQ(solver.SolveCubic(c0, c1, c2, c3, x, y, z), 0);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(c0, 1);
}

// A double root at a critical point is taken as it is: no Newton step runs, so
// the step count keeps its old value.
TEST(PengRobinson, RootAtACriticalPointIsTakenWithoutNewton) {
    PengRobinson solver;
    solver.NumIterations = 42;
    // V^2 (V - 3): critical points 0 (maximum, p = 0) and 2.
    double c0 = 0, c1 = 0, c2 = -3, c3 = 1, x = 0, y = 0, z = 0;
    EXPECT_EQ(solver.SolveCubic(c0, c1, c2, c3, x, y, z), 3);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(solver.NumIterations, 42);
}

TEST(PengRobinson, CubicIsNormalisedAndThreeRootsFound) {
    PengRobinson solver;
    // 2(V-1)(V-2)(V-3) = 2V^3 - 12V^2 + 22V - 12
    double c0 = -12, c1 = 22, c2 = -12, c3 = 2, x = 0, y = 0, z = 0;
    EXPECT_EQ(solver.SolveCubic(c0, c1, c2, c3, x, y, z), 3);
    EXPECT_EQ(c3, 1);
    EXPECT_EQ(c0, -6);
    EXPECT_NEAR(x, 2, 1e-9);
    EXPECT_NEAR(y, 1, 1e-6);
    EXPECT_NEAR(z, 3, 1e-6);
}

TEST(PengRobinson, DeflationWithComplexPairGivesZeros) {
    // (V - 1)(V^2 + 1) = V^3 - V^2 + V - 1
    double y = -1, z = -1;
    PengRobinson::DeflateCubic(-1, 1, 1, 1, y, z);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 0);
}

}  // namespace
}  // namespace tarnel
