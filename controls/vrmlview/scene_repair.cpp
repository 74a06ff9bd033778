#include "controls/vrmlview/scene_repair.h"

#include "controls/vrmlview/vrml_text.h"

#include <Inventor/SbName.h>
#include <Inventor/SoType.h>

#include <QRegularExpression>

namespace {

bool TakesNodeList(const QByteArray& field) {
    return field == "children" || field == "choice" || field == "level" || field == "addChildren" ||
           field == "removeChildren";
}

// Blanks the node (or USE) spanning first..last. Where it is a field's value, a value that
// reads as "nothing" stands in, so the field itself stays readable.
bool BlankNode(VrmlText* text, int first, int last) {
    if (first >= 2 && text->Word(first - 2) == "DEF") first -= 2;
    const int before = first - 1;
    QByteArray replacement;
    if (before >= 0 && text->Tokens()[before].kind == VrmlText::kWord && !text->IsNumber(before) &&
        text->Word(before - 1) != "DEF") {
        replacement = TakesNodeList(text->Word(before)) ? QByteArray("[]") : QByteArray("NULL");
    }
    return text->Blank(first, last, replacement);
}

}  // namespace

SceneRepair::ReadError SceneRepair::Split(const QString& debugText) {
    ReadError error;
    QString text = debugText;
    static const QRegularExpression location(QStringLiteral("\\s*Occurred at line\\s+(\\d+)[^\\n]*"));
    QRegularExpressionMatch match = location.match(text);
    if (match.hasMatch()) {
        error.line = match.captured(1).toInt();
        text.remove(match.capturedStart(), match.capturedLength());
    }
    text.remove(QRegularExpression(QStringLiteral("^Coin read error:\\s*")));
    error.message = text.trimmed();
    return error;
}

bool SceneRepair::Apply(VrmlText* text, const ReadError& error, bool vrml1, QString* what) {
    if (error.line <= 0) return false;
    static const QRegularExpression unknownNode(QStringLiteral("^Node type ``(.+)'' not recognized"));
    static const QRegularExpression unknownField(QStringLiteral("^Unknown field \"(.+)\" in \"(.+)\""));
    static const QRegularExpression unknownName(QStringLiteral("^Unknown reference \"(.+)\""));
    static const QRegularExpression badValue(QStringLiteral("^Couldn't read value for field \"(.+)\" of (\\S+)"));

    if (auto m = unknownNode.match(error.message); m.hasMatch()) {
        const QByteArray name = m.captured(1).toUtf8();
        const int at = text->FindWord(name, error.line);
        if (at < 0 || at + 1 >= static_cast<int>(text->Tokens().size()) ||
            text->Tokens()[at + 1].kind != VrmlText::kOpenBrace) {
            return false;
        }
        const bool otherVersion = vrml1 && !SoType::fromName(SbName(("VRML" + name).constData())).isBad();
        *what = (otherVersion ? QStringLiteral("skipped VRML 2.0 node %1") : QStringLiteral("skipped unknown node %1"))
                    .arg(m.captured(1));
        return BlankNode(text, at, text->Matching(at + 1));
    }
    if (auto m = unknownName.match(error.message); m.hasMatch()) {
        const QByteArray name = m.captured(1).toUtf8();
        for (int line = error.line; line >= std::max(1, error.line - 3); --line) {
            int at = text->FindWord(name, line, 0);
            if (at > 0 && text->Word(at - 1) == "USE") {
                *what = QStringLiteral("skipped USE of undefined name %1").arg(m.captured(1));
                return BlankNode(text, at - 1, at);
            }
        }
        return false;
    }
    QRegularExpressionMatch field = unknownField.match(error.message);
    const bool unknown = field.hasMatch();
    if (!unknown) field = badValue.match(error.message);
    if (field.hasMatch()) {
        const QByteArray name = field.captured(1).toUtf8();
        const int at = text->FindWord(name, error.line);
        if (at < 0) return false;
        const int end = text->ValueEnd(at + 1);
        if (end < 0) return false;
        *what = (unknown ? QStringLiteral("skipped unknown field %1 of %2")
                         : QStringLiteral("skipped unreadable value of field %1 of %2"))
                    .arg(field.captured(1), field.captured(2).remove(QRegularExpression(QStringLiteral("^VRML"))));
        return text->Blank(at, end);
    }
    return false;
}
