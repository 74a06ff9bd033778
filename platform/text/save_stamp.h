#pragma once
#include <QDateTime>
#include <string>

namespace platform {

// Local date and time as 14 digits, year month day hour minute second, used in saved file names.
std::string SaveStamp(const QDateTime& when = QDateTime::currentDateTime());

}  // namespace platform
