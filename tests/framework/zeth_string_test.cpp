#include "zeth_string.h"

#include <gtest/gtest.h>

TEST(zeth_string, placeholder_builds) {
    EXPECT_EQ(zeth_string("a") + "b", "ab");
}
