#pragma once
// The ESP window's input line: the chat input with room for 512 bytes, beeping at text that does
// not fit.
#include "teskchat/chat_input_edit.h"

namespace teskchat {

class EspInputEdit : public ChatInputEdit {
    Q_OBJECT
public:
    static constexpr int kLimitBytes = 512;

    explicit EspInputEdit(QWidget* parent = nullptr);
};

}  // namespace teskchat
