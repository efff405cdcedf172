#pragma once
// main() of a test program that needs a Qt application object. Test discovery runs the
// binary outside the test environment, without a display: offscreen unless told otherwise.

#include <gtest/gtest.h>

#include <cstdlib>

namespace qb::testing {

template <typename Application>
int RunQtTests(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace qb::testing
