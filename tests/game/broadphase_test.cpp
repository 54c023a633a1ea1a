#include <gtest/gtest.h>
#include "game/gm_broadphase.h"
TEST(BroadPhase, Placeholder) {}
