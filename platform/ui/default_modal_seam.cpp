#include "platform/ui/default_modal_seam.h"

#include "platform/text/cp932.h"
#include "platform/ui/message_box.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace platform::ui {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// Splits an "a|b|c|d||" filter into its fields. The split is made on the decoded text: a CP932
// trail byte can be 0x7C, the byte of '|'.
QStringList FilterFields(const std::string& filter) {
    QStringList fields = platform::ToQString(filter).split(QLatin1Char('|'));
    while (!fields.isEmpty() && fields.last().isEmpty()) fields.removeLast();
    return fields;
}

}  // namespace

QString ToQtFileFilter(const std::string& filter) {
    const QStringList fields = FilterFields(filter);
    QStringList out;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString description = fields[i].trimmed();
        QStringList patterns = fields[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) pattern = pattern.trimmed();
        // Qt reads the patterns from the description's trailing parentheses, so put exactly
        // the real patterns there.
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        out << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return out.join(QStringLiteral(";;"));
}

std::string DefaultExtension(const std::string& filter) {
    const QStringList fields = FilterFields(filter);
    if (fields.size() < 2) return {};
    const QString first = fields[1].split(QLatin1Char(';')).first().trimmed();
    if (!first.startsWith(QStringLiteral("*."))) return {};
    const QString extension = first.mid(2);
    if (extension.isEmpty() || extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?'))) return {};
    return platform::FromQString(extension);
}

int DefaultModalSeam::MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                                 unsigned style) {
    QMessageBox box(owner);
    box.setWindowTitle(platform::ToQString(caption));
    box.setTextFormat(Qt::PlainText);  // message texts can carry user data; never markup
    box.setText(platform::ShownText(text));
    switch (style & MB_ICONMASK) {
        case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }

    struct Choice {
        QPushButton* button;
        int id;
    };
    std::vector<Choice> choices;
    auto add = [&](const char* label, QMessageBox::ButtonRole role, int id) {
        choices.push_back({box.addButton(Utf8(label), role), id});
    };
    int closeResult = IDOK;
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL:
            add("OK", QMessageBox::AcceptRole, IDOK);
            add("キャンセル", QMessageBox::RejectRole, IDCANCEL);
            closeResult = IDCANCEL;
            break;
        case MB_YESNOCANCEL:
            add("はい(&Y)", QMessageBox::YesRole, IDYES);
            add("いいえ(&N)", QMessageBox::NoRole, IDNO);
            add("キャンセル", QMessageBox::RejectRole, IDCANCEL);
            closeResult = IDCANCEL;
            break;
        case MB_YESNO:
            add("はい(&Y)", QMessageBox::YesRole, IDYES);
            add("いいえ(&N)", QMessageBox::NoRole, IDNO);
            closeResult = IDNO;
            break;
        default:
            add("OK", QMessageBox::AcceptRole, IDOK);
            closeResult = IDOK;
            break;
    }
    box.setDefaultButton(choices.front().button);
    for (const Choice& choice : choices)
        if (choice.id == closeResult) box.setEscapeButton(choice.button);
    box.exec();
    for (const Choice& choice : choices)
        if (box.clickedButton() == choice.button) return choice.id;
    return closeResult;
}

std::optional<std::string> DefaultModalSeam::SaveAs(QWidget* owner, const std::string& proposedPath,
                                                    const std::string& filter, const std::string& caption) {
    const QString title = caption.empty() ? Utf8("名前を付けて保存") : platform::ToQString(caption);
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QString qtFilter = ToQtFileFilter(filter);
    if (!qtFilter.isEmpty()) dialog.setNameFilters(qtFilter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(platform::ToQString(DefaultExtension(filter)));
    const QFileInfo proposed(QDir::current(), platform::ToQString(proposedPath));
    dialog.setDirectory(proposed.absolutePath());
    if (!proposed.fileName().isEmpty()) dialog.selectFile(proposed.fileName());

    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        const QByteArray utf8 = files.first().toUtf8();
        // Paths travel as CP932; a name it cannot hold would silently become another file.
        if (auto path = platform::Utf8ToCp932(std::string_view(utf8.constData(), utf8.size()))) return path;
        MessageBox(&dialog, platform::Sjis("このファイル名は使用できません。別の名前を指定してください。"),
                   platform::FromQString(title), MB_OK | MB_ICONEXCLAMATION);
    }
}

std::optional<FontChoice> DefaultModalSeam::ChooseFont(QWidget* owner, const FontChoice& initial) {
    const int dpi = LogicalDpiY();
    QFont font(platform::ToQString(initial.face));
    const int points = initial.height != 0 ? HeightToPoints(initial.height, dpi) : initial.pointSize;
    if (points > 0) font.setPointSize(points);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);

    QFontDialog dialog(font, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    FontChoice result;
    result.face = platform::FromQString(chosen.family());
    result.pointSize = chosen.pointSize() > 0 ? chosen.pointSize() : HeightToPoints(-chosen.pixelSize(), dpi);
    result.height = PointsToHeight(result.pointSize, dpi);
    result.bold = chosen.weight() == QFont::Bold;
    result.italic = chosen.italic();
    return result;
}

int DefaultModalSeam::RunModal(QDialog* dialog) { return dialog ? dialog->exec() : QDialog::Rejected; }

}  // namespace platform::ui
