#include "teskchat/log_file.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace teskchat {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A name or address is one field of one line: a separator inside it is written as the reference
// the view turns back into a comma, a line break as a space.
std::string SafeField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        if (c == ',') out += "&#x2C;";
        else if (c == '\r' || c == '\n') out += ' ';
        else out += c;
    }
    // The reader drops leading white space anyway; a leading tab would mark a continuation.
    for (char& c : out) {
        if (c != '\t') break;
        c = ' ';
    }
    return out;
}

// Every line a message's own line breaks start is marked with a tab, so no text can start a line
// that reads back as someone else's.
std::string MarkedText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        out += c;
        if (c == '\n') out += '\t';
    }
    return out;
}

// True when the file is not empty and its last byte does not end a line (a writer was killed
// in the middle of a line).
bool EndsTorn(int fd) {
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size <= 0) return false;
    char last = 0;
    return ::pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

}  // namespace

bool LogFile::AppendLine(std::string_view field1, std::string_view field2, std::string_view field3) const {
    if (path_.isEmpty()) return false;
    const QByteArray native = QFile::encodeName(path_);
    // What people write to each other is for the user alone.
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // Another writer holding the file means the line would interleave with its own: refuse.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    std::string line;
    line.reserve(field1.size() + field2.size() + field3.size() + 8);
    if (EndsTorn(fd)) line.append("\r\n");
    line.append(SafeField(field1)).append(",").append(SafeField(field2)).append(",").append(MarkedText(field3));
    line.append("\r\n");
    // A full disk can take part of the line: cut it off again, so the next line does not run on
    // from a torn one when the reader joins them.
    const off_t before = ::lseek(fd, 0, SEEK_END);
    bool ok = WriteAll(fd, line);
    if (!ok && before >= 0) (void)::ftruncate(fd, before);
    ::flock(fd, LOCK_UN);
    if (::close(fd) != 0) ok = false;
    return ok;
}

LogLine LogFile::ParseLine(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsSpace(line[start])) ++start;
    line.remove_prefix(start);
    LogLine out;
    size_t first = line.find(',');
    if (first == std::string_view::npos) {
        out.field1 = std::string(line);
        return out;
    }
    out.field1 = std::string(line.substr(0, first));
    size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos) {
        out.field2 = std::string(line.substr(first + 1));
        return out;
    }
    out.field2 = std::string(line.substr(first + 1, second - first - 1));
    out.field3 = std::string(line.substr(second + 1));
    return out;
}

std::optional<std::vector<LogLine>> LogFile::ReadLines() const {
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray all = file.readAll();
    std::string_view rest(all.constData(), static_cast<size_t>(all.size()));
    std::vector<LogLine> lines;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        // Text mode: CR LF reads as a line end.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '\t' && !lines.empty()) {
            lines.back().field3.append("\r\n").append(line.substr(1));
            continue;
        }
        // Files written before continuation lines were marked: a line without two separators.
        if (std::count(line.begin(), line.end(), ',') < 2 && !lines.empty()) {
            lines.back().field3.append("\r\n").append(line);
            continue;
        }
        lines.push_back(ParseLine(line));
    }
    return lines;
}

bool LogFile::Exists() const { return !path_.isEmpty() && QFile::exists(path_); }

bool LogFile::Remove() const {
    if (!Exists()) return true;
    return QFile::remove(path_);
}

bool LogFile::CopyTo(const QString& target) const {
    QFile source(path_);
    if (path_.isEmpty() || !source.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) return false;
    source.close();
    // Written aside and renamed over the target, so a failed copy never leaves half a file.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    // A saved copy is as private as the log it copies.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace teskchat
