#pragma once
// Cuts out of a VRML text the one construct a read error of the scene library names (a node
// type or field it does not know, a USE of an undefined name, a value it cannot read), so the
// rest of the world can still be read. Worlds written for other browsers carry such things.
#include <QString>

class VrmlText;

class SceneRepair {
public:
    struct ReadError {
        QString message;  // the library's text without its "Occurred at" line
        int line = 0;     // 0 when the library named none
    };
    // Splits the library's debug text ("Coin read error: ...\n\tOccurred at line N in ...").
    static ReadError Split(const QString& debugText);
    // True when the text was changed; what says what was cut, for the user's warning list.
    static bool Apply(VrmlText* text, const ReadError& error, bool vrml1, QString* what);
    // Cuts, before the library reads the text, one instance of a PROTO inside a PROTO body
    // that leads back to the body's own PROTO (directly or through others): the library would
    // make instances of instances until the stack ran out. True when one was cut; line and
    // what say where and what. Call until it returns false.
    static bool CutRecursivePrototype(VrmlText* text, int* line, QString* what);
    // Cuts one instance of a PROTO the text does not declare but the scene library still knows
    // from another file it read: PROTOs are scoped to their file, and one left over from a hostile
    // world (one that contains itself, say) must not come to life in the next.
    static bool CutForeignPrototypeUse(VrmlText* text, bool vrml1, int* line, QString* what);
};
