#pragma once
// A chat or ESP log file: three comma-joined fields a line, appended one line at a time and
// copied byte for byte when the user saves it.
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace teskchat {

struct LogLine {
    std::string field1;
    std::string field2;
    std::string field3;
};

class LogFile {
public:
    LogFile() = default;
    explicit LogFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }
    bool IsSet() const { return !path_.isEmpty(); }

    // Appends "f1,f2,f3" and a CR LF line end; creates the file (owner-only), never truncates it.
    // A "," or line break in fields 1 and 2 and a line break in field 3 are written so that they
    // cannot start a line of their own or another sender; a torn last line is ended first.
    // False when the file cannot be opened or is held by another writer.
    bool AppendLine(std::string_view field1, std::string_view field2, std::string_view field3) const;

    // Reads every line back as three fields: leading white space dropped, field 1 up to the first
    // ',', field 2 up to the next, field 3 the rest. A line that starts with a tab, or (as older
    // files have it) holds fewer than two separators, continues the previous line's text (a
    // message that held a line break). nullopt when the file cannot be read.
    std::optional<std::vector<LogLine>> ReadLines() const;

    bool Exists() const;
    // True when the file is gone afterwards (also when it never existed).
    bool Remove() const;
    // Copies the file over target (replacing it). False when nothing was copied.
    bool CopyTo(const QString& target) const;

    // Splits one line (without its line end) as the reader does.
    static LogLine ParseLine(std::string_view line);

private:
    QString path_;
};

}  // namespace teskchat
