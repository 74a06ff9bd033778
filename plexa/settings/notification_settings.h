#pragma once
// Which events may raise a desktop notification: private (ESP) messages, requests for a private
// conversation, and chat lines naming the user. Kept as numbers under Option\Chat (1 on, 0 off);
// a missing value means on, so installations from before these settings notify.
namespace plexa {

class NotificationSettings {
public:
    enum class Kind { EspMessage, EspRequest, Mention };
    static constexpr Kind kAll[] = {Kind::EspMessage, Kind::EspRequest, Kind::Mention};

    static const char* ValueName(Kind kind);
    static bool Enabled(Kind kind);
    static void SetEnabled(Kind kind, bool on);
};

}  // namespace plexa
