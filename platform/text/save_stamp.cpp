#include "platform/text/save_stamp.h"

#include <cstdio>

namespace platform {

std::string SaveStamp(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    char text[32];
    std::snprintf(text, sizeof text, "%.4d%.2d%.2d%.2d%.2d%.2d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                  t.second());
    return text;
}

}  // namespace platform
