#include <gtest/gtest.h>

#include "RigSupport.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    rig::Start();
    return RUN_ALL_TESTS();
}
