#include "plexa/session/session_status.h"

#include "platform/text/cp932.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

namespace plexa {

namespace {
// Kilobytes rounded up, so a download under a kilobyte does not read as nothing.
int32_t KiB(int32_t bytes) { return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0); }
}  // namespace

QString SessionStatusText(const SessionStatus& status) {
    const auto& strings = res::PlexaStrings();
    using P = SessionStatus::Phase;
    switch (status.phase) {
    case P::Offline: return strings.GetQ(res::IDS_STATUS_OFFLINE);
    case P::Preparing: return strings.GetQ(res::IDS_STATUS_PREPARING).arg(status.secondsLeft);
    case P::LoadingScene:
        if (status.receivedBytes < 0) return strings.GetQ(res::IDS_STATUS_LOADING);
        if (status.totalBytes <= 0) return strings.GetQ(res::IDS_STATUS_DOWNLOADING_SIZE_UNKNOWN).arg(KiB(status.receivedBytes));
        return strings.GetQ(res::IDS_STATUS_DOWNLOADING).arg(KiB(status.receivedBytes)).arg(KiB(status.totalBytes));
    case P::Connecting: return strings.GetQ(res::IDS_STATUS_CONNECTING);
    case P::InRegion: return strings.GetQ(res::IDS_STATUS_IN_REGION).arg(platform::ToQString(status.regionName));
    case P::Reconnecting:
        return strings.GetQ(res::IDS_STATUS_RECONNECTING).arg(status.attempt).arg(status.secondsLeft);
    case P::Retrying: return strings.GetQ(res::IDS_STATUS_RETRYING).arg(status.attempt);
    }
    return {};
}

std::string DisconnectReasonLine(int reason, const std::string& serverWords) {
    if (reason < 0 || reason > 6) return {};
    const auto& strings = res::PlexaStrings();
    std::string line = strings.Get(res::IDS_BYE_REASON_BASE + reason);
    if (!serverWords.empty()) {
        const QString words = strings.GetQ(res::IDS_BYE_WORDS).arg(platform::ToQString(serverWords));
        line += platform::FromQString(words);
    }
    return line;
}

}  // namespace plexa
