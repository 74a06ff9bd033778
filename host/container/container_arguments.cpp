#include "host/container/container_arguments.h"

#include "host/container/html_object_reader.h"
#include "platform/text/cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

namespace com = platform::com;

// A page larger than this is not a page meant for us.
constexpr qint64 kMaxPageSize = 8 * 1024 * 1024;

bool HasScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

bool IsPage(const QString& path) {
    const QString lower = path.toLower();
    return lower.endsWith(QStringLiteral(".html")) || lower.endsWith(QStringLiteral(".htm"));
}

std::string ToCp932(const QString& text) { return platform::FromQString(text); }

// Page bytes to CP932: Shift_JIS pages already are; UTF-8 (declared or valid) is converted.
std::string PageTextToCp932(const std::string& value, const std::string& charset) {
    static const char* const kSjis[] = {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms_kanji"};
    for (const char* name : kSjis)
        if (charset == name) return value;
    if (auto converted = platform::Utf8ToCp932(value)) return *converted;
    return value;
}

std::string ClsidText(const com::Guid& clsid) {
    std::string text = clsid.ToString();  // "{...}"
    return text.substr(1, text.size() - 2);
}

}  // namespace

std::string ContainerArguments::WorldAddress(const QString& argument, const QString& baseDir) {
    const QString trimmed = argument.trimmed();
    if (HasScheme(trimmed)) return ToCp932(trimmed);
    return ToCp932(QDir::cleanPath(QDir(baseDir).absoluteFilePath(trimmed)));
}

std::optional<com::PropertyBag> ContainerArguments::FromPage(const std::string& html, const QString& pageDir,
                                                             const std::optional<com::Guid>& controlClsid) {
    const std::vector<HtmlObject> objects = HtmlObjectReader::Read(html);
    const HtmlObject* chosen = nullptr;
    if (controlClsid) {
        const std::string wanted = "clsid:" + ClsidText(*controlClsid);
        for (const HtmlObject& object : objects) {
            const auto classId = object.Attribute("classid");
            if (classId && QString::fromStdString(*classId).trimmed().compare(QString::fromStdString(wanted),
                                                                              Qt::CaseInsensitive) == 0) {
                chosen = &object;
                break;
            }
        }
    }
    if (!chosen) {
        for (const HtmlObject& object : objects) {
            if (object.Param("SRC") || object.Param("World")) {
                chosen = &object;
                break;
            }
        }
    }
    if (!chosen) return std::nullopt;

    const std::string charset = HtmlObjectReader::DeclaredCharset(html);
    com::PropertyBag bag;
    for (const auto& [name, rawValue] : chosen->params) {
        std::string value = PageTextToCp932(rawValue, charset);
        const bool address = QString::fromStdString(name).compare(QStringLiteral("SRC"), Qt::CaseInsensitive) == 0 ||
                             QString::fromStdString(name).compare(QStringLiteral("World"), Qt::CaseInsensitive) == 0;
        if (address && !value.empty()) value = WorldAddress(platform::ToQString(value), pageDir);
        bag.Write(name, value);
    }
    return bag;
}

bool ContainerArguments::Parse(const QStringList& arguments, const std::optional<com::Guid>& controlClsid,
                               QString* error) {
    QString world;
    QString positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QStringLiteral("-h") || arg == QStringLiteral("--help")) {
            helpRequested = true;
            return true;
        }
        if (arg == QStringLiteral("--world") || arg.startsWith(QStringLiteral("--world="))) {
            if (arg.contains(QLatin1Char('='))) {
                world = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            } else if (i + 1 < arguments.size()) {
                world = arguments[++i];
            } else {
                *error = QStringLiteral("--world needs an address");
                return false;
            }
            if (world.trimmed().isEmpty()) {
                *error = QStringLiteral("--world needs an address");
                return false;
            }
            continue;
        }
        if (arg == QStringLiteral("--screenshot") || arg == QStringLiteral("--after")) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            const QString value = arguments[++i];
            if (arg == QStringLiteral("--screenshot")) {
                screenshotPath = value;
            } else {
                bool ok = false;
                screenshotDelaySeconds = value.toInt(&ok);
                if (!ok || screenshotDelaySeconds < 0 || screenshotDelaySeconds > 3600) {
                    *error = QStringLiteral("--after needs a number of seconds");
                    return false;
                }
            }
            continue;
        }
        if (arg.startsWith(QStringLiteral("--"))) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
        if (!positional.isEmpty()) {
            *error = QStringLiteral("give one page or world, not several");
            return false;
        }
        positional = arg;
    }

    if (!positional.isEmpty() && IsPage(positional) && !HasScheme(positional)) {
        QFile page(positional);
        if (!page.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the page %1: %2").arg(positional, page.errorString());
            return false;
        }
        if (page.size() > kMaxPageSize) {
            *error = QStringLiteral("the page %1 is too large").arg(positional);
            return false;
        }
        const QByteArray bytes = page.readAll();
        pagePath = QFileInfo(positional).absoluteFilePath();
        auto bag = FromPage(bytes.toStdString(), QFileInfo(positional).absolutePath(), controlClsid);
        if (!bag) {
            *error = QStringLiteral("the page %1 has no <object> with a SRC or World parameter").arg(positional);
            return false;
        }
        params = *bag;
    } else if (!positional.isEmpty()) {
        params.Write("SRC", WorldAddress(positional, QDir::currentPath()));
    }
    // An explicit world wins over whatever the page says.
    if (!world.isEmpty()) {
        params.Write("SRC", WorldAddress(world, QDir::currentPath()));
    }
    return true;
}
