#pragma once
// Tests of figures in the view: the test room with the test avatar model, shown, and its
// picture before anyone arrives.
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <gtest/gtest.h>

class RoomViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1);
        view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
        ShowForTest(&view);
        empty = Frame(&view);
    }
    VrmlView view;
    QImage empty;
};
