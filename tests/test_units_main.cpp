// The main of test_units, the one program that carries every subsystem's tests in a cross
// build (see CMakeLists.txt beside this file).

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
