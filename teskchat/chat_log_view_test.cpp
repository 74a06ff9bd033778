#include "teskchat/chat_log_view.h"
#include "teskchat/chat_column_list.h"

#include <gtest/gtest.h>

namespace teskchat {
namespace {
TEST(ChatLogViewTest, Placeholder) { ChatLogView view; EXPECT_EQ(view.LineCount(), 0); }
}
}
