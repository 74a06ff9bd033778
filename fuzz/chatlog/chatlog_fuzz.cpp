// The chat log reader on arbitrary file contents: a log left by an older session, another
// program or a damaged disk is read back at start-up and must never crash the chat.
#include "platform/text/carried_text.h"
#include "platform/text/cp932.h"
#include "teskchat/log_file.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const QString& ScratchPath() {
    static const QString path =
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/moneko_chatlog_fuzz_%1.dat").arg(::getpid());
    return path;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile file(ScratchPath());
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
    }
    const auto lines = teskchat::LogFile(ScratchPath()).ReadLines();
    Check(lines.has_value());
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(lines->size() <= static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    size_t kept = 0;
    for (const auto& line : *lines) {
        // The name and the user id end at the first two separators; only the message may hold
        // more, and only the message carries the joined line breaks of continued lines.
        Check(line.field1.find(',') == std::string::npos && line.field1.find('\n') == std::string::npos);
        Check(line.field2.find(',') == std::string::npos && line.field2.find('\n') == std::string::npos);
        kept += line.field1.size() + line.field2.size() + line.field3.size();
        // What the view shows: every byte sequence converts, unconvertible ones as stand-ins.
        for (const std::string* field : {&line.field1, &line.field2, &line.field3}) {
            const QString shown = platform::ToQString(*field);
            Check(field->empty() || !shown.isEmpty());
            // Turning references back into characters yields valid UTF-8 and never a line break
            // that was not in the bytes.
            const std::string carried = platform::CarriedToUtf8(*field);
            Check(field->empty() || !carried.empty());
            Check(QString::fromStdString(carried).toStdString() == carried);
            Check(std::count(carried.begin(), carried.end(), '\n') == std::count(field->begin(), field->end(), '\n'));
            if (const auto utf8 = platform::Cp932ToUtf8(*field)) Check(platform::Utf8ToCp932(*utf8).has_value());
        }
    }
    // Nothing is invented: the fields together are never longer than the file with its line
    // breaks kept inside continued messages.
    Check(kept <= size + static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    return 0;
}
