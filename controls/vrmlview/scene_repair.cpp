#include "controls/vrmlview/scene_repair.h"

#include "controls/vrmlview/vrml_text.h"

#include <Inventor/SbName.h>
#include <Inventor/SoType.h>
#include <Inventor/misc/SoProto.h>

#include <QRegularExpression>

#include <map>
#include <set>
#include <vector>

namespace {

bool TakesNodeList(const QByteArray& field) {
    return field == "children" || field == "choice" || field == "level" || field == "addChildren" ||
           field == "removeChildren";
}

// Blanks the node (or USE) that starts at first and whose braces open at open (-1 for a USE
// ending at first + 1). A node cut short by the end of the file runs to the end. Where it is a
// field's value, a value that reads as "nothing" stands in, so the field itself stays readable;
// where that does not fit, the node goes alone and the field is cut on the next read. Never
// fails on a node the text holds: what a cut guards against must not be left in.
bool BlankNode(VrmlText* text, int first, int open) {
    const int count = static_cast<int>(text->Tokens().size());
    int last = open < 0 ? first + 1 : text->Matching(open);
    if (last < 0 || last >= count) last = count - 1;
    if (first >= 2 && text->Word(first - 2) == "DEF") first -= 2;
    const int before = first - 1;
    QByteArray replacement;
    if (before >= 0 && text->Tokens()[before].kind == VrmlText::kWord && !text->IsNumber(before) &&
        text->Word(before - 1) != "DEF") {
        replacement = TakesNodeList(text->Word(before)) ? QByteArray("[]") : QByteArray("NULL");
    }
    if (text->Blank(first, last, replacement)) return true;
    // Too short for the stand-in: the field goes with its value.
    return text->Blank(replacement.isEmpty() ? first : before, last);
}

}  // namespace

bool SceneRepair::CutRecursivePrototype(VrmlText* text, int* line, QString* what) {
    const std::vector<VrmlText::Token>& tokens = text->Tokens();
    const int count = static_cast<int>(tokens.size());
    // Every PROTO of the file with the tokens of its body.
    struct Body {
        int begin = 0, end = 0;
    };
    std::map<QByteArray, Body> bodies;
    for (int i = 0; i + 2 < count; ++i) {
        if (text->Word(i) != "PROTO" || tokens[i + 2].kind != VrmlText::kOpenBracket) continue;
        // The interface counts too (a field's default can be a node), and a definition the file
        // leaves open runs to its end: the library has made its instances before it finds that out.
        const int close = text->Matching(i + 2);
        int end = close < 0 || close + 1 >= count ? -1 : text->Matching(close + 1);
        if (end < 0) end = count;
        bodies.emplace(text->Word(i + 1), Body{i + 3, end});
    }
    if (bodies.empty()) return false;
    // Which PROTOs each body makes instances of: the edges of a graph of PROTOs.
    std::map<QByteArray, int> ids;
    std::vector<QByteArray> names;
    for (const auto& entry : bodies) {
        ids.emplace(entry.first, static_cast<int>(names.size()));
        names.push_back(entry.first);
    }
    const int n = static_cast<int>(names.size());
    struct Use {
        int at, to;
    };
    std::vector<std::vector<Use>> edges(n);
    std::vector<std::vector<int>> reverse(n);
    for (int from = 0; from < n; ++from) {
        const Body& body = bodies.at(names[from]);
        for (int i = body.begin; i + 1 < body.end; ++i) {
            if (tokens[i + 1].kind != VrmlText::kOpenBrace) continue;
            auto it = ids.find(text->Word(i));
            if (it == ids.end()) continue;
            edges[from].push_back(Use{i, it->second});
            reverse[it->second].push_back(from);
        }
    }
    // An instance leads back to its own body when both PROTOs are in one strongly connected
    // component (Kosaraju, without recursion: a hostile file may chain thousands).
    std::vector<int> order, component(n, -1);
    std::vector<char> visited(n, 0);
    for (int root = 0; root < n; ++root) {
        if (visited[root]) continue;
        std::vector<std::pair<int, size_t>> stack{{root, 0}};
        visited[root] = 1;
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next < edges[node].size()) {
                const int to = edges[node][next++].to;
                if (!visited[to]) {
                    visited[to] = 1;
                    stack.emplace_back(to, 0);
                }
            } else {
                order.push_back(node);
                stack.pop_back();
            }
        }
    }
    int components = 0;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (component[*it] >= 0) continue;
        std::vector<int> stack{*it};
        component[*it] = components;
        while (!stack.empty()) {
            const int node = stack.back();
            stack.pop_back();
            for (int from : reverse[node]) {
                if (component[from] < 0) {
                    component[from] = components;
                    stack.push_back(from);
                }
            }
        }
        ++components;
    }
    for (int from = 0; from < n; ++from) {
        for (const Use& use : edges[from]) {
            if (component[use.to] != component[from]) continue;
            *line = tokens[use.at].line;
            *what = QStringLiteral("skipped %1 inside the definition of PROTO %2: it would contain itself")
                        .arg(QString::fromUtf8(names[use.to]), QString::fromUtf8(names[from]));
            return BlankNode(text, use.at, use.at + 1);
        }
    }
    return false;
}

bool SceneRepair::CutForeignPrototypeUse(VrmlText* text, bool vrml1, int* line, QString* what) {
    const std::vector<VrmlText::Token>& tokens = text->Tokens();
    const int count = static_cast<int>(tokens.size());
    // A PROTO is known from its declaration on, as the library reads it; one declared further
    // down does not name an instance above it. VRML 1.0 has no PROTOs of its own, but the library
    // still looks node names up among those it kept.
    std::set<QByteArray> declared;
    for (int i = 0; i + 1 < count; ++i) {
        if (!vrml1 && (text->Word(i) == "PROTO" || text->Word(i) == "EXTERNPROTO")) {
            declared.insert(text->Word(i + 1));
            continue;
        }
        if (tokens[i].kind != VrmlText::kWord || tokens[i + 1].kind != VrmlText::kOpenBrace) continue;
        const QByteArray name = text->Word(i);
        if (declared.count(name)) continue;
        if (!SoProto::findProto(SbName(name.constData()))) continue;
        *line = tokens[i].line;
        *what = QStringLiteral("skipped %1: it is a PROTO of another file").arg(QString::fromUtf8(name));
        return BlankNode(text, i, i + 1);
    }
    return false;
}

SceneRepair::ReadError SceneRepair::Split(const QString& debugText) {
    ReadError error;
    QString text = debugText;
    static const QRegularExpression location(QStringLiteral("\\s*Occurred at line\\s+(\\d+)[^\\n]*"));
    QRegularExpressionMatch match = location.match(text);
    if (match.hasMatch()) {
        error.line = match.captured(1).toInt();
        text.remove(match.capturedStart(), match.capturedLength());
    }
    // Compiled once: every read error of every file passes here.
    static const QRegularExpression prefix(QStringLiteral("^Coin read error:\\s*"));
    text.remove(prefix);
    error.message = text.trimmed();
    return error;
}

bool SceneRepair::Apply(VrmlText* text, const ReadError& error, bool vrml1, QString* what) {
    if (error.line <= 0) return false;
    static const QRegularExpression unknownNode(QStringLiteral("^Node type ``(.+)'' not recognized"));
    static const QRegularExpression unknownField(QStringLiteral("^Unknown field \"(.+)\" in \"(.+)\""));
    static const QRegularExpression unknownName(QStringLiteral("^Unknown reference \"(.+)\""));
    static const QRegularExpression vrmlPrefix(QStringLiteral("^VRML"));
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
        return BlankNode(text, at, at + 1);
    }
    if (auto m = unknownName.match(error.message); m.hasMatch()) {
        const QByteArray name = m.captured(1).toUtf8();
        for (int line = error.line; line >= std::max(1, error.line - 3); --line) {
            int at = text->FindWord(name, line, 0);
            if (at > 0 && text->Word(at - 1) == "USE") {
                *what = QStringLiteral("skipped USE of undefined name %1").arg(m.captured(1));
                return BlankNode(text, at - 1, -1);
            }
        }
        return false;
    }
    static const QRegularExpression externProto(QStringLiteral("^EXTERNPROTO url \"(.*)\" could not be read"));
    if (auto m = externProto.match(error.message); m.hasMatch()) {
        // The declaration with that url (the error's line is where reading stopped, after it).
        // Why it gave no PROTO was warned when it was fetched; nodes of its type are then
        // unknown nodes, cut out one by one.
        const QByteArray quoted = '"' + m.captured(1).toUtf8() + '"';
        const std::vector<VrmlText::Token>& tokens = text->Tokens();
        const int count = static_cast<int>(tokens.size());
        for (int at = 0; at + 2 < count && tokens[at].line <= error.line; ++at) {
            if (text->Word(at) != "EXTERNPROTO" || tokens[at + 2].kind != VrmlText::kOpenBracket) continue;
            const int close = text->Matching(at + 2);
            const int end = close < 0 ? -1 : text->ValueEnd(close + 1);
            if (end < 0) continue;
            bool named = false;
            for (int i = close + 1; i <= end && !named; ++i) {
                named = tokens[i].kind == VrmlText::kString &&
                        text->Text().mid(tokens[i].begin, tokens[i].end - tokens[i].begin) == quoted;
            }
            if (!named) continue;
            *what = QStringLiteral("skipped EXTERNPROTO %1: its PROTO could not be read").arg(QString::fromUtf8(text->Word(at + 1)));
            return text->Blank(at, end);
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
                    .arg(field.captured(1), field.captured(2).remove(vrmlPrefix));
        return text->Blank(at, end);
    }
    return false;
}
